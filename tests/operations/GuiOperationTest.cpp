#include "operations/GuiOperation.h"

#include "operations/OperationFixture.h"

namespace qu32::test {
namespace {

using GuiOperations = OperationFixture;

TEST_F(GuiOperations, DisableTwiceClosesThePortAndThenStartsInitialisationAgain) {
    window.commands.disableClicked();
    ASSERT_TRUE(runPending());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(window.state(), CycleState::Disabled);
    EXPECT_EQ(window.controls.disableEntry.caption() + "|" + window.controls.window.caption(),
              "&Enable Communication|QU 3.2 nimbus");
    EXPECT_FALSE(window.controls.inputButtons[0].enabled());
    takeWire();
    loop.runFor(3000);
    EXPECT_TRUE(takeWire().empty()) << "no polling while disabled";

    window.commands.disableClicked();
    ASSERT_TRUE(runPending());
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(window.controls.disableEntry.caption(), "&Disable Communication");
    ASSERT_TRUE(runUntil([&] { return window.state() == CycleState::PcInputs; }, 60000));
    EXPECT_TRUE(window.controls.inputButtons[0].enabled());
}

TEST_F(GuiOperations, ReInitForgetsTheFileAndLoadsTheUnitAgain) {
    window.file.path = "/tmp/set.par";
    window.commands.reinitClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(window.file.path, "");
    const Strings wire = takeWire();
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.front(), "11 00?") << "the same tick probes the unit";
    EXPECT_TRUE(connected());
}

// File and settings commands are completed by their dialogs, run from the main cycle; until
// then they leave no trace.
TEST_F(GuiOperations, FileAndSettingsCommandsRunTheirDialogsFromTheMainCycleOrNothing) {
    const std::string caption = window.controls.window.caption();
    for (GuiCommand command : {GuiCommand::Save, GuiCommand::SaveAs, GuiCommand::SerialSettings}) {
        GuiOperation alone(window.operationHost(), command, window.controls.saveEntry);
        EXPECT_EQ(executeAlone(alone), Result::Ok) << static_cast<int>(command);
    }
    window.commands.openClicked();
    window.commands.printClicked();
    EXPECT_EQ(window.state(), CycleState::PcInputs);
    EXPECT_EQ(window.controls.window.caption(), caption);
    EXPECT_TRUE(dialogs.shown.empty());

    Strings ran;
    window.commands.saveFileAs = [&] {
        ran.push_back("SaveAs in tick " + std::to_string(!window.mainTimer().enabled()));
        return true;
    };
    window.commands.showSerialSettings = [&] { ran.push_back("ConfigCom"); };
    window.commands.saveAsClicked();
    EXPECT_TRUE(ran.empty());
    ASSERT_TRUE(runPending());
    window.commands.serialSettingsClicked();
    EXPECT_EQ(dialogs.pointer, MousePointer::Default) << "no hourglass for the settings";
    ASSERT_TRUE(runPending());
    EXPECT_EQ(ran, (Strings{"SaveAs in tick 1", "ConfigCom"}));
}

}  // namespace
}  // namespace qu32::test
