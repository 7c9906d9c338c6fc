#include "mainwindow/Commands.h"

#include "operations/OperationFixture.h"

namespace qu32::test {
namespace {

using CommandsTest = OperationFixture;

TEST_F(CommandsTest, UnitCommandsWhileCommunicationIsDisabledAreDiscardedUnrun) {
    window.commands.disableClicked();
    ASSERT_TRUE(runPending());
    std::vector<std::vector<ShownCaption>*> buttons;
    for (Control* c : {&window.controls.transmitButton, &window.controls.transmitAllButton,
                       &window.controls.readAllButton, &window.controls.storeButton,
                       &window.controls.resetButton})
        buttons.push_back(&watch(*c));
    const std::function<void()> clicks[] = {
        [&] { window.commands.transmitClicked(); },
        [&] { window.commands.transmitAllClicked(); },
        [&] { window.commands.readAllClicked(); },
        [&] { window.commands.storeClicked(); },
        [&] { window.commands.resetClicked(); },
        [&] { window.commands.inputButtonClicked(0); },
        [&] {
            edit("01");
            pressEnter();
        },
    };
    for (const auto& click : clicks) {
        click();
        ASSERT_TRUE(runPending());
    }
    for (auto* log : buttons)
        EXPECT_TRUE(log->empty());
    // Run, they would have failed loudly, marked the list or written to the line.
    EXPECT_TRUE(dialogs.shown.empty() && dialogs.beeps == 0 && !window.file.changed);
    EXPECT_TRUE(port.written().empty() && !port.isOpen());
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
}

TEST_F(CommandsTest, ASecondClickWhileAnOperationIsPendingHasNoEffect) {
    auto& read = watch(window.controls.readAllButton);
    edit("01", "0150");
    window.commands.transmitClicked();
    edit("01", "0160");
    window.commands.transmitClicked();
    window.commands.readAllClicked();
    window.commands.reinitClicked();
    ASSERT_TRUE(runPending());
    loop.runFor(1000);

    const Strings wire = takeWire();
    EXPECT_EQ(wire.front(), "11 01=0150");
    EXPECT_EQ(count(wire, "11 01=0160") + count(wire, "11 00?"), 0);
    EXPECT_TRUE(read.empty());
}

TEST_F(CommandsTest, AClickWhileAnOperationWaitsOnTheLineRunsOnALaterTick) {
    auto& all = watch(window.controls.transmitAllButton);
    auto& read = watch(window.controls.readAllButton);
    window.commands.transmitAllClicked();
    bool duringTick = false;
    loop.postAfter(400, [&] {
        duringTick = !window.mainTimer().enabled();
        window.commands.readAllClicked();
    });
    ASSERT_TRUE(runUntil([&] { return read.size() == 2; }, 60000));
    EXPECT_TRUE(duringTick);
    ASSERT_EQ(texts(all), (Strings{"OK", "Transmit &All"}));
    EXPECT_EQ(texts(read), (Strings{"OK", "&Read"}));
    EXPECT_GT(read[0].atMs, all[1].atMs);
}

TEST_F(CommandsTest, ClosePromptAsksOnlyWhenTheListDiffersFromItsFile) {
    Strings saved;
    window.commands.saveFile = [&] {
        saved.push_back(window.file.path);
        return saved.size() > 1;  // the first save fails
    };
    window.controls.closeEntry.setEnabled(true);
    window.file.path = "/tmp/set.par";
    window.commands.closeClicked();
    EXPECT_TRUE(dialogs.shown.empty()) << "nothing changed";

    const struct {
        MsgAnswer answer;
        std::size_t saves;
        bool reinitialised;
    } steps[] = {
        {MsgAnswer::Cancel, 0, false},
        {MsgAnswer::Yes, 1, false},  // a save that wrote nothing keeps the file and the edits
        {MsgAnswer::Yes, 2, true},
        {MsgAnswer::No, 2, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(saved.size());
        window.file.path = "/tmp/set.par";
        window.file.changed = true;
        dialogs.answers = {s.answer};
        takeWire();
        window.commands.closeClicked();
        ASSERT_TRUE(runPending());
        EXPECT_EQ(saved, Strings(s.saves, "/tmp/set.par")) << "saved under the old name first";
        EXPECT_EQ(window.file.path.empty(), s.reinitialised);
        EXPECT_EQ(count(takeWire(), "11 00?") > 0, s.reinitialised);
    }
    EXPECT_FALSE(window.file.changed);
    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[0].text, "Save changes to file /tmp/set.par ?");
    EXPECT_EQ(dialogs.shown[0].title, "QU 3.2 nimbus");
    EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Question);
}

TEST_F(CommandsTest, InfoBoxShowsTheReleaseLines) {
    window.commands.infoClicked();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              "QU 3.2 nimbus, Release nimbus\r\r"
              "Date of Release: 03/05/2010\r"
              "Supported platforms: Windows XP SP3, Windows Vista (32 bit), Windows 7 (32 bit)\r"
              "Supported baud rates: 9600, 19200, 38400\r\r");
    EXPECT_EQ(dialogs.shown[0].title, "Info");
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Information);
}

TEST_F(CommandsTest, ExitWaitsForARunningTick) {
    bool closedAtOnce = true;
    window.commands.transmitAllClicked();
    loop.postAfter(400, [&] {
        window.commands.exitClicked();
        closedAtOnce = window.isClosed();
    });
    ASSERT_TRUE(runUntil([&] { return window.isClosed(); }, 60000));
    EXPECT_FALSE(closedAtOnce);
    EXPECT_EQ(window.controls.transmitAllButton.caption(), "Transmit &All")
        << "the command finished first";
    loop.runFor(2000);
    EXPECT_EQ(closedCount, 1);
    EXPECT_FALSE(window.mainTimer().enabled()) << "no tick after the close";
    EXPECT_NE(configText().find("Com1"), std::string::npos) << "settings written at exit";
}

}  // namespace
}  // namespace qu32::test
