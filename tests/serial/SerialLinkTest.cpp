#include <gtest/gtest.h>

#include "support/Answers.h"
#include "support/LinkFixture.h"

namespace qu32::test {
namespace {

using Link = LinkFixture;

TEST_F(Link, SetSerialOpensEveryFormatAndShowsIt) {
    struct Case {
        int baudCode;
        int formatCode;
        const char* settings;
        const char* panel;
    };
    const Case cases[] = {
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
        EXPECT_EQ(portPanel.caption(), "COM 1");
        EXPECT_EQ(unitPanel.caption(), "Unit 07");
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Link, SetSerialRefusesBadSettingsWithItsMessages) {
    struct Case {
        int com, baudCode, formatCode;
        std::string message;
    };
    const Case cases[] = {
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
        EXPECT_EQ(portPanel.caption(), "");
        EXPECT_EQ(formatPanel.caption(), "");
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

TEST_F(Link, EightBitLineIsNeededForBytesAbove127) {
    unit.setRegisterValue("05",
                          "M\xE4"
                          "nner");
    std::string text;
    ASSERT_EQ(readParam(link, "05", &text), 6);
    EXPECT_EQ(text, "M\x64nner") << "a 7-bit line drops the eighth bit";
    ASSERT_EQ(link.Set_UnitFormat("11", "9>"), 1);
    ASSERT_EQ(link.ConfigurePort(1, 9600, 8, 1, kParityEven), 1);
    ASSERT_EQ(readParam(link, "05", &text), 6);
    EXPECT_EQ(text, "M\xE4nner");
}

TEST_F(Link, UnitAnswersOnlyItsOwnAddressAndFormat) {
    link.tmrTimeout().setInterval(100);
    std::string text(8, ' ');
    EXPECT_EQ(readParam(link, "00", nullptr, "12"), kErrTimeoutHeader);
    settings.SerialFormatCode = 2;  // odd parity: the unit hears garbage
    ASSERT_EQ(link.SetSerial(), 1);
    EXPECT_EQ(readParam(link, "00"), kErrTimeoutHeader);
    settings.SerialFormatCode = 0;
    settings.BaudRateCode = 5;
    ASSERT_EQ(link.SetSerial(), 1);
    EXPECT_EQ(readParam(link, "00"), kErrTimeoutHeader);
    settings.BaudRateCode = 0;
    ASSERT_EQ(link.SetSerial(), 1);
    EXPECT_EQ(readParam(link, "00"), 1);
}

TEST_F(Link, FaultsOfTheUnitEachEndInTheirErrorAndTheNextReadSucceeds) {
    struct Case {
        sim::FaultKind kind;
        int expected;
    };
    const Case cases[] = {
        {sim::FaultKind::NoAnswer, kErrTimeoutHeader},
        {sim::FaultKind::BadBcc, kErrBcc},
        {sim::FaultKind::Nak, kErrNotStx},
        {sim::FaultKind::StrayByte, kErrNotStx},
        {sim::FaultKind::SplitAnswer, 1},
    };
    for (const auto& c : cases) {
        sim::Fault f;
        f.kind = c.kind;
        f.code = "00";
        unit.injectFault(f);
        std::string text(8, ' ');
        EXPECT_EQ(readParam(link, "00"), c.expected) << int(c.kind);
        EXPECT_EQ(readParam(link, "00"), 1) << int(c.kind);
    }
    // Garbage has no fixed outcome, but it must end in an error, never in a hang or a value.
    for (int i = 0; i < 20; ++i) {
        sim::Fault f;
        f.kind = sim::FaultKind::Garbage;
        unit.injectFault(f);
        std::string text(8, ' ');
        EXPECT_LT(readParam(link, "00"), 0);
        EXPECT_EQ(readParam(link, "00"), 1);
    }
    // A late answer past the time-out is discarded and the next read gets its own answer.
    sim::Fault late;
    late.kind = sim::FaultKind::LateAnswer;
    late.delayMs = 1500;
    unit.injectFault(late);
    std::string text(8, ' ');
    EXPECT_EQ(readParam(link, "00"), kErrTimeoutHeader);
    loop.runFor(1000);
    EXPECT_EQ(readParam(link, "00"), 1);
}

}  // namespace
}  // namespace qu32::test
