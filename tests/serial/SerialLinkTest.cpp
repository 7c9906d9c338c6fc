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
    settings.unitAddress = "07";
    for (const auto& c : cases) {
        settings.baudRateCode = c.baudCode;
        settings.formatCode = c.formatCode;
        ASSERT_TRUE(link.openPort()) << c.settings;
        EXPECT_TRUE(port.isOpen());
        EXPECT_EQ(port.settings(), c.settings);
        EXPECT_EQ(observer.serialSettings, std::string("COM 1 | Unit 07 | ") + c.panel);
    }
    EXPECT_TRUE(observer.messages.empty());
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
        ASSERT_TRUE(link.openPort());
        settings.comPort = c.com;
        settings.baudRateCode = c.baudCode;
        settings.formatCode = c.formatCode;
        observer.messages.clear();
        EXPECT_FALSE(link.openPort()) << c.message;
        EXPECT_EQ(settings.comPort, -1);
        ASSERT_EQ(observer.messages.size(), 1u);
        EXPECT_EQ(observer.messages[0].text, c.message);
        EXPECT_EQ(observer.messages[0].buttons, MsgButtons::OkCancel);
        EXPECT_EQ(observer.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(observer.serialSettings, "");
        settings = SerialSettings{};
    }
}

TEST_F(Link, ConfigurePortRefusesWhatTheLineCannotDo) {
    EXPECT_TRUE(link.configurePort(1, 9600, 7, 1, kParityEven));
    EXPECT_FALSE(link.configurePort(1, 14400, 7, 1, kParityEven));
    EXPECT_FALSE(link.configurePort(1, 9600, 6, 1, kParityEven));
    EXPECT_FALSE(link.configurePort(1, 9600, 7, 3, kParityEven));
    EXPECT_FALSE(link.configurePort(1, 9600, 7, 1, 16));
    EXPECT_EQ(settings.comPort, 1) << "a refused setting does not deselect the port";
    EXPECT_FALSE(link.configurePort(0, 9600, 7, 1, kParityEven));
    EXPECT_EQ(settings.comPort, -1);
}

TEST_F(Link, WaitPassesTimeAndKeepsEventsFlowing) {
    int ticks = 0;
    auto timer = loop.createTimer();
    timer->setInterval(30);
    timer->setOnTick([&] { ++ticks; });
    timer->setEnabled(true);
    const auto start = loop.nowMs();
    loop.wait(-200);
    EXPECT_EQ(loop.nowMs() - start, 200);
    EXPECT_EQ(ticks, 6);
}

TEST_F(Link, FaultsOfTheUnitEachEndInTheirErrorAndTheNextReadSucceeds) {
    struct Case {
        sim::FaultKind kind;
        Result expected;  // Ok for garbage: any error, never a hang or a value
    };
    std::vector<Case> cases = {
        {sim::FaultKind::NoAnswer, Result::TimeoutHeader},
        {sim::FaultKind::BadBcc, Result::BadBlockCheck},
        {sim::FaultKind::Nak, Result::NotStx},
        {sim::FaultKind::StrayByte, Result::NotStx},
        {sim::FaultKind::SplitAnswer, Result::Ok},
        // A late answer past the time-out is discarded; the next read gets its own answer.
        {sim::FaultKind::LateAnswer, Result::TimeoutHeader},
    };
    cases.insert(cases.end(), 20, {sim::FaultKind::Garbage, Result::Ok});
    for (const auto& c : cases) {
        sim::Fault f;
        f.kind = c.kind;
        f.code = "00";
        f.delayMs = 1500;
        unit.injectFault(f);
        const Result r = readParam(link, "00");
        if (c.kind == sim::FaultKind::Garbage)
            EXPECT_NE(r, Result::Ok);
        else
            EXPECT_EQ(r, c.expected) << int(c.kind);
        loop.runFor(1000);
        EXPECT_EQ(readParam(link, "00"), Result::Ok) << int(c.kind);
    }
}

}  // namespace
}  // namespace qu32::test
