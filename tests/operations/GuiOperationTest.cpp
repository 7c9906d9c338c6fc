#include "operations/GuiOperation.h"

#include "operations/OperationFixture.h"

namespace qu32::test {
namespace {

using GuiOperations = OperationFixture;

TEST_F(GuiOperations, DisableTwiceClosesThePortAndThenStartsInitialisationAgain) {
    window.commands.mnDisable_Click();
    ASSERT_TRUE(runPending());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(window.state(), DISABLED);
    EXPECT_EQ(window.form.mnDisable.caption() + "|" + window.form.window.caption(),
              "&Enable Communication|QU 3.2 nimbus");
    EXPECT_FALSE(window.form.Command1[0].enabled());
    takeWire();
    loop.runFor(3000);
    EXPECT_TRUE(takeWire().empty()) << "no polling while disabled";

    window.commands.mnDisable_Click();
    ASSERT_TRUE(runPending());
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(window.form.mnDisable.caption(), "&Disable Communication");
    ASSERT_TRUE(runUntil([&] { return window.state() == SERIALINPUTS_IN; }, 60000));
    EXPECT_TRUE(window.form.Command1[0].enabled());
}

TEST_F(GuiOperations, ReInitForgetsTheFileAndLoadsTheUnitAgain) {
    window.ParFileName = "/tmp/set.par";
    window.commands.mnuTesting2_Click();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(window.ParFileName, "");
    const Strings wire = takeWire();
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.front(), "11 00?") << "the same tick probes the unit";
    EXPECT_TRUE(connected());
}

// File and settings commands are completed by their dialogs, run from the main cycle; until
// then they leave no trace.
TEST_F(GuiOperations, FileAndSettingsCommandsRunTheirDialogsFromTheMainCycleOrNothing) {
    const std::string caption = window.form.window.caption();
    for (const char* code : {kGuiSave, kGuiSaveAs, kGuiConfigCom, "Unknown"}) {
        clsGuiOperation alone(window);
        alone.Add(code, "", window.form.mnSave);
        EXPECT_EQ(executeAlone(alone), 1) << code;
    }
    window.commands.mnOpen_Click();
    window.commands.mnPrint_Click();
    EXPECT_EQ(window.state(), SERIALINPUTS_IN);
    EXPECT_EQ(window.form.window.caption(), caption);
    EXPECT_TRUE(dialogs.shown.empty());

    Strings ran;
    window.commands.saveParFileAs = [&] {
        ran.push_back("SaveAs in tick " + std::to_string(!window.mainInterrupt().enabled()));
        return true;
    };
    window.commands.configCom = [&] { ran.push_back("ConfigCom"); };
    window.commands.mnSaveAs_Click();
    EXPECT_TRUE(ran.empty());
    ASSERT_TRUE(runPending());
    window.commands.mnCommSettings_Click();
    EXPECT_EQ(dialogs.pointer, MousePointer::Default) << "no hourglass for the settings";
    ASSERT_TRUE(runPending());
    EXPECT_EQ(ran, (Strings{"SaveAs in tick 1", "ConfigCom"}));
}

}  // namespace
}  // namespace qu32::test
