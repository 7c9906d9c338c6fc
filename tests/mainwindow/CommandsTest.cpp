#include "mainwindow/Commands.h"

#include "operations/OperationFixture.h"

namespace qu32::test {
namespace {

using CommandsTest = OperationFixture;

TEST_F(CommandsTest, UnitCommandsWhileCommunicationIsDisabledAreDiscardedUnrun) {
    window.commands.mnDisable_Click();
    ASSERT_TRUE(runPending());
    std::vector<std::vector<ShownCaption>*> buttons;
    for (Control* c : {&window.form.Transmit, &window.form.TransmitAll, &window.form.Read_Pars,
                       &window.form.StoreEEProm, &window.form.Re_Set})
        buttons.push_back(&watch(*c));
    const std::function<void()> clicks[] = {
        [&] { window.commands.Transmit_Click(); },
        [&] { window.commands.TransmitAll_Click(); },
        [&] { window.commands.Read_Pars_Click(); },
        [&] { window.commands.StoreEEProm_Click(); },
        [&] { window.commands.Re_Set_Click(); },
        [&] { window.commands.Command1_Click(0); },
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
    EXPECT_TRUE(dialogs.shown.empty() && dialogs.beeps == 0 && !window.ParFileChanged);
    EXPECT_TRUE(port.written().empty() && !port.isOpen());
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
}

TEST_F(CommandsTest, ASecondClickWhileAnOperationIsPendingHasNoEffect) {
    auto& read = watch(window.form.Read_Pars);
    edit("01", "0150");
    window.commands.Transmit_Click();
    edit("01", "0160");
    window.commands.Transmit_Click();
    window.commands.Read_Pars_Click();
    window.commands.mnuTesting2_Click();
    ASSERT_TRUE(runPending());
    loop.runFor(1000);

    const Strings wire = takeWire();
    EXPECT_EQ(wire.front(), "11 01=0150");
    EXPECT_EQ(count(wire, "11 01=0160") + count(wire, "11 00?"), 0);
    EXPECT_TRUE(read.empty());
}

TEST_F(CommandsTest, AClickWhileAnOperationWaitsOnTheLineRunsOnALaterTick) {
    auto& all = watch(window.form.TransmitAll);
    auto& read = watch(window.form.Read_Pars);
    window.commands.TransmitAll_Click();
    bool duringTick = false;
    loop.postAfter(400, [&] {
        duringTick = !window.mainInterrupt().enabled();
        window.commands.Read_Pars_Click();
    });
    ASSERT_TRUE(runUntil([&] { return read.size() == 2; }, 60000));
    EXPECT_TRUE(duringTick);
    ASSERT_EQ(texts(all), (Strings{"OK", "Transmit &All"}));
    EXPECT_EQ(texts(read), (Strings{"OK", "&Read"}));
    EXPECT_GT(read[0].atMs, all[1].atMs);
}

TEST_F(CommandsTest, ClosePromptAsksOnlyWhenTheListDiffersFromItsFile) {
    Strings saved;
    window.commands.saveParFile = [&] {
        saved.push_back(window.ParFileName);
        return saved.size() > 1;  // the first save fails
    };
    window.form.mnClose.setEnabled(true);
    window.ParFileName = "/tmp/set.par";
    window.commands.mnClose_Click();
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
        window.ParFileName = "/tmp/set.par";
        window.ParFileChanged = true;
        dialogs.answers = {s.answer};
        takeWire();
        window.commands.mnClose_Click();
        ASSERT_TRUE(runPending());
        EXPECT_EQ(saved, Strings(s.saves, "/tmp/set.par")) << "saved under the old name first";
        EXPECT_EQ(window.ParFileName.empty(), s.reinitialised);
        EXPECT_EQ(count(takeWire(), "11 00?") > 0, s.reinitialised);
    }
    EXPECT_FALSE(window.ParFileChanged);
    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[0].text, "Save changes to file /tmp/set.par ?");
    EXPECT_EQ(dialogs.shown[0].title, "QU 3.2 nimbus");
    EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Question);
}

TEST_F(CommandsTest, InfoBoxShowsTheReleaseLines) {
    window.commands.mnInfo_Click();
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
    window.commands.TransmitAll_Click();
    loop.postAfter(400, [&] {
        window.commands.mnExit_Click();
        closedAtOnce = window.isClosed();
    });
    ASSERT_TRUE(runUntil([&] { return window.isClosed(); }, 60000));
    EXPECT_FALSE(closedAtOnce);
    EXPECT_EQ(window.form.TransmitAll.caption(), "Transmit &All") << "the command finished first";
    loop.runFor(2000);
    EXPECT_EQ(closedCount, 1);
    EXPECT_FALSE(window.mainInterrupt().enabled()) << "no tick after the close";
    EXPECT_NE(configText().find("Com1"), std::string::npos) << "settings written at exit";
}

}  // namespace
}  // namespace qu32::test
