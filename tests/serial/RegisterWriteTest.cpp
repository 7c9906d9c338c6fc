#include <gtest/gtest.h>

#include "support/Answers.h"
#include "support/LinkFixture.h"

namespace qu32::test {
namespace {

using RegisterWrite = LinkFixture;

TEST_F(RegisterWrite, UnitKeepsAcknowledgedValueAndFrameIsOnTheWire) {
    port.clearWritten();
    EXPECT_EQ(link.writeRegister("05", "4321"), Result::Ok);
    EXPECT_EQ(port.written(), buildWriteFrame("11", "05", "4321"));
    EXPECT_EQ(unit.registerValue("05"), "4321");
    std::string back;
    EXPECT_EQ(link.readRegister("05", back), Result::Ok);
    EXPECT_EQ(back, "4321");
}

TEST_F(RegisterWrite, RefusalsAndSilenceAreReportedAsTheirErrors) {
    answerWith(port, {Bytes{kNak}});
    const auto start = loop.nowMs();
    EXPECT_EQ(link.writeRegister("05", "1"), Result::NotAcknowledged);
    EXPECT_LT(loop.nowMs() - start, 100) << "a NAK must not wait for the time-out";
    EXPECT_EQ(link.lastError().source, "Transmit_Parameter");
    EXPECT_EQ(link.lastError().description, "Response is not ACK.");

    port.setResponder(nullptr);
    unit.unplug();
    const auto silentStart = loop.nowMs();
    EXPECT_EQ(link.writeRegister("05", "1"), Result::TimeoutHeader);
    EXPECT_GE(loop.nowMs() - silentStart, 1000);
    EXPECT_LE(loop.nowMs() - silentStart, 1100);

    // Back on the line, the next write goes through: nothing of the failures is left over.
    unit.replug();
    EXPECT_EQ(link.writeRegister("05", "7"), Result::Ok);
}

TEST_F(RegisterWrite, EightBitPhaseRoundTrip) {
    // Only an acknowledge will do.
    answerWith(port, {answerFrame("9>", "1")});
    EXPECT_EQ(link.setUnitFormat("9>"), Result::NotAcknowledged);
    EXPECT_EQ(link.lastError().source, "Set_UnitFormat");
    port.setResponder(nullptr);
    port.clearWritten();
    // The unit switches after its acknowledge; the PC follows, reads, and both go back.
    ASSERT_EQ(link.setUnitFormat("9>"), Result::Ok);
    EXPECT_EQ(port.written(), buildReadRequest("11", "9>"));
    ASSERT_TRUE(link.configurePort(1, 9600, 8, 1, kParityEven));
    // Only there do bytes above 127 come through.
    unit.setRegisterValue("05", "M\xE4nner");
    std::string text;
    ASSERT_EQ(readParam(link, "05", &text), Result::Ok);
    EXPECT_EQ(text, "M\xE4nner");
    ASSERT_EQ(link.setUnitFormat("9?"), Result::Ok);
    // Still at 8 bits the PC no longer matches the unit.
    link.setAnswerTimeoutMs(100);
    EXPECT_EQ(readParam(link, "00"), Result::TimeoutHeader);
    ASSERT_TRUE(link.openPort());
    ASSERT_EQ(readParam(link, "05", &text), Result::Ok);
    EXPECT_EQ(text, "Mdnner") << "a 7-bit line drops the eighth bit";
    EXPECT_EQ(observer.serialSettings, "COM 1 | Unit 11 | 9600, 7, 1, E");
}

TEST_F(RegisterWrite, ClosedPortFailsEveryCallBeforeSending) {
    port.close();
    port.clearWritten();
    std::string text(8, ' ');
    std::int16_t status = 0;
    EXPECT_EQ(link.writeRegister("05", "1"), Result::PortNotOpen);
    EXPECT_EQ(link.setUnitFormat("9>"), Result::PortNotOpen);
    EXPECT_EQ(readParam(link, "00"), Result::PortNotOpen);
    EXPECT_EQ(link.readStatus("86", status), Result::PortNotOpen);
    EXPECT_EQ(link.readVersion("99", text), Result::PortNotOpen);
    EXPECT_TRUE(port.written().empty());
    EXPECT_EQ(link.lastError().description, "Com port is not open.");
}

}  // namespace
}  // namespace qu32::test
