#include <gtest/gtest.h>

#include "support/Answers.h"
#include "support/LinkFixture.h"

namespace qu32::test {
namespace {

using Link = LinkFixture;

TEST_F(Link, SetSerialOpensEveryFormatAndShowsIt) {
    const struct {
        int baudCode, formatCode;
        const char* settings;
        const char* panel;
    } cases[] = {
        {0, 0, "9600,e,7,1", "9600, 7, 1, E"}, {0, 7, "9600,o,8,1", "9600, 8, 1, O"},
        {0, 4, "9600,n,7,1", "9600, 7, 1, N"}, {6, 9, "38400,n,8,2", "38400, 8, 2, N"},
        {4, 3, "600,o,7,2", "600, 7, 2, O"},   {5, 1, "19200,e,7,2", "19200, 7, 2, E"},
    };
    settings.UnitAddress = "07";
    for (const auto& c : cases) {
        settings.BaudRateCode = c.baudCode;
        settings.SerialFormatCode = c.formatCode;
        ASSERT_EQ(link.SetSerial(), 1) << c.settings;
        EXPECT_TRUE(port.isOpen());
        EXPECT_EQ(port.settings(), c.settings);
        EXPECT_EQ(formatPanel.caption(), c.panel);
        EXPECT_EQ(portPanel.caption() + " " + unitPanel.caption(), "COM 1 Unit 07");
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Link, SetSerialRefusesBadSettingsWithItsMessages) {
    const struct {
        int com, baudCode, formatCode;
        std::string message;
    } cases[] = {
        {0, 0, 0, "No valid COM selected."},
        {16, 0, 0, "No valid COM selected."},
        {1, 7, 0, "7 is an invalid baud rate."},
        {1, -1, 0, "-1 is an invalid baud rate."},
        {1, 0, 10, "10 is an invalid serial format."},
        {3, 0, 0, "Unable to open COM 3\rCOM 3: no such device"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(link.SetSerial(), 1);
        settings.ComPortNumber = c.com;
        settings.BaudRateCode = c.baudCode;
        settings.SerialFormatCode = c.formatCode;
        dialogs.shown.clear();
        EXPECT_EQ(link.SetSerial(), -1) << c.message;
        EXPECT_EQ(settings.ComPortNumber, -1);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, c.message);
        EXPECT_EQ(dialogs.shown[0].title, "QU 3.2");
        EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::OkCancel);
        EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(portPanel.caption() + formatPanel.caption(), "");
        settings = CommSettings{};
    }
}

TEST_F(Link, ConfigurePortRefusesWhatTheLineCannotDo) {
    EXPECT_EQ(link.ConfigurePort(1, 9600, 7, 1, kParityEven), 1);
    EXPECT_EQ(link.ConfigurePort(1, 14400, 7, 1, kParityEven), -1);
    EXPECT_EQ(link.ConfigurePort(1, 9600, 6, 1, kParityEven), -1);
    EXPECT_EQ(link.ConfigurePort(1, 9600, 7, 3, kParityEven), -1);
    EXPECT_EQ(link.ConfigurePort(1, 9600, 7, 1, 16), -1);
    EXPECT_EQ(settings.ComPortNumber, 1) << "a refused setting does not deselect the port";
    EXPECT_EQ(link.ConfigurePort(0, 9600, 7, 1, kParityEven), -1);
    EXPECT_EQ(settings.ComPortNumber, -1);
}

TEST_F(Link, WaitPassesTimeAndKeepsEventsFlowing) {
    int ms = -200;
    int ticks = 0;
    auto timer = loop.createTimer();
    timer->setInterval(30);
    timer->setOnTick([&] { ++ticks; });
    timer->setEnabled(true);
    const auto start = loop.nowMs();
    link.wait(ms);
    EXPECT_EQ(ms, 200);
    EXPECT_EQ(loop.nowMs() - start, 200);
    EXPECT_EQ(ticks, 6);
}

TEST_F(Link, FaultsOfTheUnitEachEndInTheirErrorAndTheNextReadSucceeds) {
    struct Case {
        sim::FaultKind kind;
        int expected;  // 0: any error, never a hang or a value
    };
    std::vector<Case> cases = {
        {sim::FaultKind::NoAnswer, kErrTimeoutHeader},
        {sim::FaultKind::BadBcc, kErrBcc},
        {sim::FaultKind::Nak, kErrNotStx},
        {sim::FaultKind::StrayByte, kErrNotStx},
        {sim::FaultKind::SplitAnswer, 1},
        // A late answer past the time-out is discarded; the next read gets its own answer.
        {sim::FaultKind::LateAnswer, kErrTimeoutHeader},
    };
    cases.insert(cases.end(), 20, {sim::FaultKind::Garbage, 0});
    for (const auto& c : cases) {
        sim::Fault f;
        f.kind = c.kind;
        f.code = "00";
        f.delayMs = 1500;
        unit.injectFault(f);
        const int r = readParam(link, "00");
        EXPECT_TRUE(c.expected == 0 ? r < 0 : r == c.expected) << int(c.kind) << ": " << r;
        loop.runFor(1000);
        EXPECT_EQ(readParam(link, "00"), 1) << int(c.kind);
    }
}

}  // namespace
}  // namespace qu32::test
