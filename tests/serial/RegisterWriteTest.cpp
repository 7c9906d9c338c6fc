#include <gtest/gtest.h>

#include "support/Answers.h"
#include "support/LinkFixture.h"

namespace qu32::test {
namespace {

using RegisterWrite = LinkFixture;

TEST_F(RegisterWrite, UnitKeepsAcknowledgedValueAndFrameIsOnTheWire) {
    port.clearWritten();
    EXPECT_EQ(link.Transmit_Parameter("11", "05", "4321"), 1);
    EXPECT_EQ(port.written(), buildWriteFrame("11", "05", "4321"));
    EXPECT_EQ(unit.registerValue("05"), "4321");
    std::string back(8, ' ');
    EXPECT_EQ(link.Read_Parameter("11", "05", back), 4);
    EXPECT_EQ(back.substr(0, 4), "4321");
}

TEST_F(RegisterWrite, RefusalsAndSilenceAreReportedAsTheirErrors) {
    answerWith(port, {Bytes{NAK}});
    const auto start = loop.nowMs();
    EXPECT_EQ(link.Transmit_Parameter("11", "05", "1"), kErrNotAck);
    EXPECT_LT(loop.nowMs() - start, 100) << "a NAK must not wait for the time-out";
    EXPECT_EQ(link.lastError().source, "Transmit_Parameter");
    EXPECT_EQ(link.lastError().description, "Response is not ACK.");

    port.setResponder(nullptr);
    unit.unplug();
    const auto silentStart = loop.nowMs();
    EXPECT_EQ(link.Transmit_Parameter("11", "05", "1"), kErrTimeoutHeader);
    EXPECT_GE(loop.nowMs() - silentStart, 1000);
    EXPECT_LE(loop.nowMs() - silentStart, 1100);

    // Back on the line, the next write goes through: nothing of the failures is left over.
    unit.replug();
    EXPECT_EQ(link.Transmit_Parameter("11", "05", "7"), 1);
}

TEST_F(RegisterWrite, EightBitPhaseRoundTrip) {
    // Only an acknowledge will do.
    answerWith(port, {answerFrame("9>", "1")});
    EXPECT_EQ(link.Set_UnitFormat("11", "9>"), kErrNotAck);
    EXPECT_EQ(link.lastError().source, "Set_UnitFormat");
    port.setResponder(nullptr);
    port.clearWritten();
    // The unit switches after its acknowledge; the PC follows, reads, and both go back.
    ASSERT_EQ(link.Set_UnitFormat("11", "9>"), 1);
    EXPECT_EQ(port.written(), buildReadRequest("11", "9>"));
    ASSERT_EQ(link.ConfigurePort(1, 9600, 8, 1, kParityEven), 1);
    // Only there do bytes above 127 come through.
    unit.setRegisterValue("05", "M\xE4nner");
    std::string text;
    ASSERT_EQ(readParam(link, "05", &text), 6);
    EXPECT_EQ(text, "M\xE4nner");
    ASSERT_EQ(link.Set_UnitFormat("11", "9?"), 1);
    // Still at 8 bits the PC no longer matches the unit.
    link.tmrTimeout().setInterval(100);
    EXPECT_EQ(readParam(link, "00"), kErrTimeoutHeader);
    ASSERT_EQ(link.SetSerial(), 1);
    ASSERT_EQ(readParam(link, "05", &text), 6);
    EXPECT_EQ(text, "Mdnner") << "a 7-bit line drops the eighth bit";
    EXPECT_EQ(formatPanel.caption(), "9600, 7, 1, E");
}

TEST_F(RegisterWrite, ClosedPortFailsEveryCallBeforeSending) {
    port.close();
    port.clearWritten();
    std::string text(8, ' ');
    std::int16_t status = 0;
    EXPECT_EQ(link.Transmit_Parameter("11", "05", "1"), kErrPortNotOpen);
    EXPECT_EQ(link.Set_UnitFormat("11", "9>"), kErrPortNotOpen);
    EXPECT_EQ(readParam(link, "00"), kErrPortNotOpen);
    EXPECT_EQ(link.Read_Status("11", "86", status), kErrPortNotOpen);
    EXPECT_EQ(link.Read_Version("11", "99", text), kErrPortNotOpen);
    EXPECT_TRUE(port.written().empty());
    EXPECT_EQ(link.lastError().description, "Com port is not open.");
}

}  // namespace
}  // namespace qu32::test
