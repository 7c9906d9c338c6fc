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
        Result expected;
    } cases[] = {
        {"sound", {answerFrame("99", "1234")}, Result::Ok},
        {"ETX and BCC apart", split(answerFrame("99", "12"), {5, 6}), Result::Ok},
        {"no data", {answerFrame("99", "")}, Result::PacketTooShort},
        {"unknown code", {Bytes{kStx, '9', '9', kEot}}, Result::UnknownCode},
        {"NAK first", {Bytes{kNak}}, Result::NotStx},
        {"lone EOT", {Bytes{kEot}}, Result::NotStx},
        {"wrong echo 98", {answerFrame("98", "1")}, Result::WrongCodeLow},
        {"wrong echo 89", {answerFrame("89", "1")}, Result::WrongCodeHigh},
        {"bad block check", {bad}, Result::BadBlockCheck},
        {"20 bytes, no ETX",
         {bytesOf("\x02\x39\x39" + std::string(17, '1'))},
         Result::BadBlockCheck},
        {"ETX but BCC never comes", {split(answerFrame("99", "1"), {5})[0]}, Result::TimeoutHeader},
    };
    for (const auto& c : cases) {
        answerWith(port, c.pieces);
        std::string result = "previous";
        const Result r = link.readRegister("99", result);
        EXPECT_EQ(r, c.expected) << c.name;
        if (r != Result::Ok) {
            EXPECT_EQ(result, "") << c.name;
            EXPECT_EQ(link.lastError().result, r);
            EXPECT_EQ(link.lastError().source, "Serial.Read_Parameter");
        }
    }
}

TEST_F(RegisterRead, DataLongerThanTheCallerExpectsIsRefused) {
    answerWith(port, {answerFrame("05", "1234")});
    std::string result;
    EXPECT_EQ(link.readRegister("05", result), Result::Ok);
    EXPECT_EQ(result, "1234");
    answerWith(port, {answerFrame("05", "123456789")});
    EXPECT_EQ(link.readRegister("05", result, 8), Result::InternalFault);
    EXPECT_EQ(result, "");
}

TEST_F(RegisterRead, ReadVersionTakesEightCharactersAndReadStatusAHexWord) {
    const struct {
        Bytes answer;
        Result result;
        const char* version;
    } versions[] = {
        {answerFrame("99", "TQ593V12xyz"), Result::Ok, "TQ593V12"},
        {answerFrame("99", "AB"), Result::Ok, "AB      "},
        {Bytes{kStx, '9', '9', kEot}, Result::UnknownCode, ""},
        // One notification larger than the version buffer is an internal fault, not an overrun.
        {answerFrame("99", std::string(40, 'x')), Result::InternalFault, ""},
    };
    for (const auto& c : versions) {
        answerWith(port, {c.answer});
        std::string v(8, ' ');
        EXPECT_EQ(link.readVersion("99", v), c.result) << c.version;
        EXPECT_EQ(v, c.version);
    }

    const struct {
        std::string data;
        Result result;
        int status;
    } words[] = {
        {"H8001", Result::Ok, -32767},
        {"H0F", Result::Ok, 15},
        {"H7FFF", Result::Ok, 32767},
        {"HFFFF", Result::Ok, -1},
        {"H00", Result::Ok, 0},
        {"H12A", Result::BadStatusLength, 99},
        {"H1", Result::BadStatusLength, 99},
        {"H12345", Result::BadStatusLength, 99},
        {"H0f", Result::BadStatusDigit, 99},
        {"X0F", Result::NotStatusAnswer, 99},
    };
    for (const auto& c : words) {
        answerWith(port, {answerFrame("86", c.data)});
        std::int16_t status = 99;
        EXPECT_EQ(link.readStatus("86", status), c.result) << c.data;
        EXPECT_EQ(status, c.status) << c.data;
    }
    answerWith(port, {Bytes{kStx, '8', '6', kEot}});
    std::int16_t status = 0;
    EXPECT_EQ(link.readStatus("86", status), Result::UnknownCode);
    EXPECT_EQ(link.lastError().source, "Read_Status");
}

TEST_F(RegisterRead, SilenceTimesOutAfterOneIntervalOfInactivity) {
    unit.unplug();
    const auto start = loop.nowMs();
    EXPECT_EQ(readParam(link, "00"), Result::TimeoutHeader);
    const auto took = loop.nowMs() - start;
    EXPECT_GE(took, 1000);
    EXPECT_LE(took, 1050);
    EXPECT_EQ(link.lastError().description, "Timeout during reading header.");

    // The interval restarts with every byte: an answer trickling in 900 ms apart still succeeds.
    answerWith(port, split(answerFrame("00", "1"), {3, 4, 5}), 900);
    EXPECT_EQ(readParam(link, "00"), Result::Ok);
    link.setAnswerTimeoutMs(100);
    answerWith(port, split(answerFrame("00", "1"), {3}), 150);
    EXPECT_EQ(readParam(link, "00"), Result::TimeoutHeader);
}

TEST_F(RegisterRead, CompleteAnswerIsNoticedAtOnce) {
    // 5 ms after the request arrives; the transaction must end then, not at a 50 ms boundary.
    answerWith(port, {answerFrame("00", "1")});
    const double start = loop.nowMsExact();
    EXPECT_EQ(readParam(link, "00"), Result::Ok);
    const double requestWire = sim::wireTimeMs(6, port.line());
    EXPECT_NEAR(loop.nowMsExact() - start, requestWire + 5, 0.01);
}

TEST_F(RegisterRead, StaleBytesNeverReachTheNextTransaction) {
    // A late answer arrives while nobody waits: the notification throws it away.
    port.injectBytes(answerFrame("00", "7"), 10);
    loop.runFor(20);
    EXPECT_EQ(port.bytesWaiting(), 0);
    std::string value;
    ASSERT_EQ(readParam(link, "00", &value), Result::Ok);
    EXPECT_EQ(value, "1");  // the unit's own value, not the stale 7
}

TEST_F(RegisterRead, ASecondTransactionDuringAWaitIsRefusedAndTheFirstGoesOn) {
    Result nested = Result::Ok;
    loop.postAfter(1, [&] { nested = readParam(link, "01"); });
    std::string value;
    ASSERT_EQ(readParam(link, "00", &value), Result::Ok);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(nested, Result::InternalFault);
    // The refusal is the intruder's, not a failure of the transaction that was waiting.
    EXPECT_EQ(link.lastError().result, Result::Ok);
}

}  // namespace
}  // namespace qu32::test
