#include "operations/GuiOperation.h"

#include "operations/OperationFixture.h"

namespace qu32::test {
namespace {

using GuiOperations = OperationFixture;

// Disable rests the line until Enable starts initialisation again; ReInit forgets the file and
// loads the unit again; the file and settings dialogs, attached by their own code, run from the
// main cycle.
TEST_F(GuiOperations, DisableReInitAndTheFileDialogsRunFromTheMainCycle) {
    window.commands.disableClicked();
    ASSERT_TRUE(runPending());
    EXPECT_FALSE(port.isOpen());
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

    window.file.path = "/tmp/set.par";
    takeWire();
    window.commands.reinitClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(window.file.path, "");
    const Strings wire = takeWire();
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.front(), "11 00?") << "the same tick probes the unit";
    EXPECT_TRUE(connected());

    Strings ran;
    window.commands.showSerialSettings = [&] {
        ran.push_back("ConfigCom in tick " + std::to_string(!window.mainTimer().enabled()));
    };
    window.commands.saveAsClicked();
    EXPECT_TRUE(dialogs.fileRequests.empty()) << "the chooser waits for the tick";
    ASSERT_TRUE(runPending());
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    window.commands.serialSettingsClicked();
    EXPECT_EQ(dialogs.pointer, MousePointer::Default) << "no hourglass for the settings";
    EXPECT_TRUE(ran.empty());
    ASSERT_TRUE(runPending());
    EXPECT_EQ(ran, (Strings{"ConfigCom in tick 1"}));
}

}  // namespace
}  // namespace qu32::test
