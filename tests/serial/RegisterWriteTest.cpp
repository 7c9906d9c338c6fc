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

TEST_F(RegisterWrite, SetUnitFormatAcceptsOnlyAnAcknowledge) {
    answerWith(port, {answerFrame("9>", "1")});
    EXPECT_EQ(link.Set_UnitFormat("11", "9>"), kErrNotAck);
    EXPECT_EQ(link.lastError().source, "Set_UnitFormat");
    answerWith(port, {Bytes{ACK}});
    port.clearWritten();
    EXPECT_EQ(link.Set_UnitFormat("11", "9>"), 1);
    EXPECT_EQ(port.written(), buildReadRequest("11", "9>"));
}

TEST_F(RegisterWrite, EightBitPhaseRoundTrip) {
    // The unit switches after its acknowledge; the PC follows, reads, and both go back.
    ASSERT_EQ(link.Set_UnitFormat("11", "9>"), 1);
    ASSERT_EQ(link.ConfigurePort(1, 9600, 8, 1, kParityEven), 1);
    std::string value(8, ' ');
    EXPECT_GT(readParam(link, "00"), 0);
    ASSERT_EQ(link.Set_UnitFormat("11", "9?"), 1);
    // Still at 8 bits the PC no longer matches the unit.
    link.tmrTimeout().setInterval(100);
    EXPECT_EQ(readParam(link, "00"), kErrTimeoutHeader);
    ASSERT_EQ(link.SetSerial(), 1);
    EXPECT_GT(readParam(link, "00"), 0);
    EXPECT_EQ(formatPanel.caption(), "9600, 7, 1, E");
}

TEST_F(RegisterWrite, ClosedPort) {
    port.close();
    EXPECT_EQ(link.Transmit_Parameter("11", "05", "1"), kErrPortNotOpen);
    EXPECT_EQ(link.Set_UnitFormat("11", "9>"), kErrPortNotOpen);
}

}  // namespace
}  // namespace qu32::test
