#include <gtest/gtest.h>

#include "support/Answers.h"
#include "support/LinkFixture.h"

namespace qu32::test {
namespace {

using RegisterRead = LinkFixture;

// Cuts a frame into pieces at the given offsets.
std::vector<Bytes> split(const Bytes& f, std::vector<std::size_t> cuts) {
    std::vector<Bytes> out;
    std::size_t from = 0;
    cuts.push_back(f.size());
    for (auto to : cuts) {
        out.emplace_back(f.begin() + from, f.begin() + to);
        from = to;
    }
    return out;
}

TEST_F(RegisterRead, ReadParameterJudgesEveryKindOfAnswer) {
    Bytes bad = answerFrame("99", "1234");
    bad.back() ^= 0x01;
    // Answers that a unit, a noisy line or another device may produce, and what a read makes of
    // them.
    const struct {
        const char* name;
        std::vector<Bytes> pieces;
        int expected;
    } cases[] = {
        {"sound", {answerFrame("99", "1234")}, 4},
        {"ETX and BCC apart", split(answerFrame("99", "12"), {5, 6}), 2},
        {"no data", {answerFrame("99", "")}, kErrPacketTooShort},
        {"unknown code", {Bytes{STX, '9', '9', EOT}}, kErrUnknownCode},
        {"NAK first", {Bytes{NAK}}, kErrNotStx},
        {"lone EOT", {Bytes{EOT}}, kErrNotStx},
        {"wrong echo 98", {answerFrame("98", "1")}, kErrCodeLow},
        {"wrong echo 89", {answerFrame("89", "1")}, kErrCodeHigh},
        {"bad block check", {bad}, kErrBcc},
        {"20 bytes, no ETX", {bytesOf("\x02\x39\x39" + std::string(17, '1'))}, kErrBcc},
        {"ETX but BCC never comes", {split(answerFrame("99", "1"), {5})[0]}, kErrTimeoutHeader},
    };
    for (const auto& c : cases) {
        answerWith(port, c.pieces);
        std::string result(12, ' ');
        const int r = link.Read_Parameter("11", "99", result);
        EXPECT_EQ(r, c.expected) << c.name;
        if (r < 0) {
            EXPECT_EQ(result, "") << c.name;
            EXPECT_EQ(link.lastError().code, r);
            EXPECT_EQ(link.lastError().source, "Serial.Read_Parameter");
        }
    }
}

TEST_F(RegisterRead, DataReplacesOnlyTheFirstCharactersOfTheCallersText) {
    answerWith(port, {answerFrame("05", "1234")});
    std::string result(12, ' ');
    EXPECT_EQ(link.Read_Parameter("11", "05", result), 4);
    EXPECT_EQ(result, "1234        ");
    // Data longer than the text the caller expects is refused, not written past its end.
    answerWith(port, {answerFrame("05", "123456789")});
    std::string shortText(8, ' ');
    EXPECT_EQ(link.Read_Parameter("11", "05", shortText), kErrInternalFault);
    EXPECT_EQ(shortText, "");
}

TEST_F(RegisterRead, ReadVersionTakesEightCharactersAndReadStatusAHexWord) {
    const struct {
        Bytes answer;
        int result;
        const char* version;
    } versions[] = {
        {answerFrame("99", "TQ593V12xyz"), 1, "TQ593V12"},
        {answerFrame("99", "AB"), 1, "AB      "},
        {Bytes{STX, '9', '9', EOT}, kErrUnknownCode, ""},
        // One notification larger than the version buffer is an internal fault, not an overrun.
        {answerFrame("99", std::string(40, 'x')), kErrInternalFault, ""},
    };
    for (const auto& c : versions) {
        answerWith(port, {c.answer});
        std::string v(8, ' ');
        EXPECT_EQ(link.Read_Version("11", "99", v), c.result) << c.version;
        EXPECT_EQ(v, c.version);
    }

    const struct {
        std::string data;
        int result;
        int status;
    } words[] = {
        {"H8001", 1, -32767},
        {"H0F", 1, 15},
        {"H7FFF", 1, 32767},
        {"HFFFF", 1, -1},
        {"H00", 1, 0},
        {"H12A", kErrStatusLength, 99},
        {"H1", kErrStatusLength, 99},
        {"H12345", kErrStatusLength, 99},
        {"H0f", kErrStatusDigit, 99},
        {"X0F", kErrNotH, 99},
    };
    for (const auto& c : words) {
        answerWith(port, {answerFrame("86", c.data)});
        std::int16_t status = 99;
        EXPECT_EQ(link.Read_Status("11", "86", status), c.result) << c.data;
        EXPECT_EQ(status, c.status) << c.data;
    }
    answerWith(port, {Bytes{STX, '8', '6', EOT}});
    std::int16_t status = 0;
    EXPECT_EQ(link.Read_Status("11", "86", status), kErrUnknownCode);
    EXPECT_EQ(link.lastError().source, "Read_Status");
}

TEST_F(RegisterRead, SilenceTimesOutAfterOneIntervalOfInactivity) {
    unit.unplug();
    const auto start = loop.nowMs();
    EXPECT_EQ(readParam(link, "00"), kErrTimeoutHeader);
    const auto took = loop.nowMs() - start;
    EXPECT_GE(took, 1000);
    EXPECT_LE(took, 1050);
    EXPECT_EQ(link.lastError().description, "Timeout during reading header.");

    // The interval restarts with every byte: an answer trickling in 900 ms apart still succeeds.
    answerWith(port, split(answerFrame("00", "1"), {3, 4, 5}), 900);
    EXPECT_EQ(readParam(link, "00"), 1);
    link.tmrTimeout().setInterval(100);
    answerWith(port, split(answerFrame("00", "1"), {3}), 150);
    EXPECT_EQ(readParam(link, "00"), kErrTimeoutHeader);
}

TEST_F(RegisterRead, CompleteAnswerIsNoticedAtOnce) {
    // 5 ms after the request arrives; the transaction must end then, not at a 50 ms boundary.
    answerWith(port, {answerFrame("00", "1")});
    const double start = loop.nowMsExact();
    EXPECT_EQ(readParam(link, "00"), 1);
    const double requestWire = sim::wireTimeMs(6, port.line());
    EXPECT_NEAR(loop.nowMsExact() - start, requestWire + 5, 0.01);
    EXPECT_FALSE(link.tmrTimeout().enabled());
}

TEST_F(RegisterRead, StaleBytesNeverReachTheNextTransaction) {
    // A late answer arrives while nobody waits: the notification throws it away.
    port.injectBytes(answerFrame("00", "7"), 10);
    loop.runFor(20);
    EXPECT_EQ(port.bytesWaiting(), 0);
    std::string value;
    ASSERT_EQ(readParam(link, "00", &value), 1);
    EXPECT_EQ(value, "1");  // the unit's own value, not the stale 7
}

TEST_F(RegisterRead, ASecondTransactionDuringAWaitIsRefusedAndTheFirstGoesOn) {
    int nested = 0;
    loop.postAfter(1, [&] { nested = readParam(link, "01"); });
    std::string value;
    ASSERT_EQ(readParam(link, "00", &value), 1);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(nested, kErrInternalFault);
}

}  // namespace
}  // namespace qu32::test
