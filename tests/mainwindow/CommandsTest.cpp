#include "mainwindow/Commands.h"

#include <filesystem>

#include "operations/OperationFixture.h"
#include "platform/Files.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

using CommandsTest = OperationFixture;

// Run, a control command or a changed parameter would fail loudly on the closed line.
TEST_F(CommandsTest, UnitCommandsWhileCommunicationIsDisabledAreDiscardedUnrun) {
    window.commands.disableClicked();
    ASSERT_TRUE(runPending());
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());
    edit("01");
    pressEnter();
    ASSERT_TRUE(runPending());
    EXPECT_TRUE(dialogs.shown.empty() && dialogs.beeps == 0);
    EXPECT_TRUE(port.written().empty() && !port.isOpen());
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
}

// One operation waits at a time: further clicks are lost until the main cycle takes it. The
// slot is free again while it runs, so a click during its wait on the line runs on a later tick,
// and Exit then closes the window once the tick is over.
TEST_F(CommandsTest, OneOperationWaitsAndClicksDuringItsTickComeAfterIt) {
    edit("01", "0150");
    window.commands.transmitClicked();
    edit("01", "0160");
    window.commands.transmitClicked();
    window.commands.reinitClicked();
    ASSERT_TRUE(runPending());
    const Strings wire = takeWire();
    EXPECT_EQ(wire.front(), "11 01=0150") << "the value when clicked";
    EXPECT_EQ(count(wire, "11 01=0160") + count(wire, "11 00?"), 0);

    auto& all = watch(window.controls.transmitAllButton);
    auto& read = watch(window.controls.readAllButton);
    window.commands.transmitAllClicked();
    loop.postAfter(400, [&] {
        ASSERT_FALSE(window.mainTimer().enabled()) << "in the tick";
        window.commands.readAllClicked();
    });
    ASSERT_TRUE(runUntil([&] { return read.texts.size() == 2; }, 60000));
    ASSERT_EQ(all.texts, (Strings{"OK", "Transmit &All"}));
    EXPECT_EQ(read.texts, (Strings{"OK", "&Read"}));
    EXPECT_GT(read.atMs[0], all.atMs[1]);

    window.commands.transmitAllClicked();
    loop.postAfter(400, [&] {
        window.commands.exitClicked();
        EXPECT_FALSE(window.isClosed());
    });
    ASSERT_TRUE(runUntil([&] { return window.isClosed(); }, 60000));
    EXPECT_EQ(all.texts.size(), 4u) << "the command finished first";
    loop.runFor(2000);
    EXPECT_EQ(closedCount, 1);
    EXPECT_FALSE(window.mainTimer().enabled()) << "no tick after the close";
}

TEST_F(CommandsTest, ClosePromptAsksOnlyWhenTheListDiffersFromItsFile) {
    TempFolder folder;
    const std::string path = folder.file("set.par");
    const std::string blocker = path + kAtomicTempSuffix;
    window.controls.closeEntry.setEnabled(true);
    window.file.path = path;
    window.commands.closeClicked();
    EXPECT_TRUE(dialogs.shown.empty()) << "nothing changed";

    const struct {
        MsgAnswer answer;
        bool saveFails;
        bool saved;
        bool reinitialised;
    } steps[] = {
        {MsgAnswer::Cancel, false, false, false},
        // A save that wrote nothing keeps the file name and the edits.
        {MsgAnswer::Yes, true, false, false},
        {MsgAnswer::Yes, false, true, true},
        {MsgAnswer::No, false, false, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(int(&s - steps));
        std::filesystem::remove(path);
        if (s.saveFails)
            std::filesystem::create_directory(blocker);
        window.file.path = path;
        window.file.changed = true;
        dialogs.shown.clear();
        dialogs.answers = {s.answer};
        takeWire();
        window.commands.closeClicked();
        ASSERT_TRUE(runPending());
        std::filesystem::remove(blocker);
        EXPECT_EQ(std::filesystem::exists(path), s.saved) << "saved under the old name first";
        EXPECT_EQ(window.file.path.empty(), s.reinitialised);
        EXPECT_EQ(count(takeWire(), "11 00?") > 0, s.reinitialised);
        ASSERT_EQ(dialogs.shown.size(), s.saveFails ? 2u : 1u);
        EXPECT_EQ(dialogs.shown[0].text + "|" + dialogs.shown[0].title,
                  "Save changes to file " + path + " ?|QU 3.2 nimbus");
        EXPECT_TRUE(dialogs.shown[0].buttons == MsgButtons::YesNoCancel &&
                    dialogs.shown[0].icon == MsgIcon::Question);
        if (s.saveFails) {
            EXPECT_EQ(dialogs.shown[1].text.rfind("The file " + path + " could not be saved.\r", 0),
                      0u);
        }
    }
    EXPECT_FALSE(window.file.changed);
}

TEST_F(CommandsTest, InfoBoxShowsTheReleaseLines) {
    window.commands.infoClicked();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              "QU 3.2 nimbus, Release nimbus\r\r"
              "Date of Release: 03/05/2010\r"
              "Supported platforms: Windows XP SP3, Windows Vista (32 bit), Windows 7 (32 bit)\r"
              "Supported baud rates: 9600, 19200, 38400\r\r");
    EXPECT_TRUE(dialogs.shown[0].title == "Info" && dialogs.shown[0].icon == MsgIcon::Information);
}

}  // namespace
}  // namespace qu32::test
