// The frames on the wire: the requests the PC sends, and how it judges the answers.
#include "serial/AnswerScanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <span>

#include "support/Answers.h"

namespace qu32::test {
namespace {

TEST(Frames, ReadRequestAndWriteFrameMatchTheWire) {
    EXPECT_EQ(buildReadRequest("11", "99"), (Bytes{0x04, 0x31, 0x31, 0x39, 0x39, 0x05}));
    EXPECT_EQ(buildWriteFrame("11", "00", "1"),
              (Bytes{0x04, 0x31, 0x31, 0x02, 0x30, 0x30, 0x31, 0x03, 0x32}));
    // An empty value still makes a complete frame; the check covers code and ETX only.
    EXPECT_EQ(buildWriteFrame("07", "9a", ""),
              (Bytes{0x04, '0', '7', 0x02, '9', 'a', 0x03, std::uint8_t('9' ^ 'a' ^ 0x03)}));
    // Bytes above 127 go out unchanged; the line decides whether they survive.
    const Bytes w = buildWriteFrame("11", "01", "\xE4");
    EXPECT_EQ(w[6], 0xE4);
    EXPECT_EQ(w[8], std::uint8_t('0' ^ '1' ^ 0xE4 ^ 0x03));
}

// One answer and what the scanner makes of it: a verdict, or none yet and what silence then
// means. Every request here is for code "9a".
struct Vector {
    const char* name;
    AnswerKind kind;
    Bytes answer;
    std::optional<Result> verdict;
    Result silence = Result::TimeoutHeader;
    // The verdict rests on the answer arriving in one notification; in pieces it is judged by
    // its shape.
    bool wholeOnly = false;
};

Bytes with(Bytes b, std::size_t at, std::uint8_t value) {
    b.at(at) = value;
    return b;
}

Bytes first(const Bytes& b, std::size_t n) {
    return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
}

// STX, code and ones up to `n` bytes.
Bytes withoutEtx(std::size_t n) {
    Bytes b{kStx, '9', 'a'};
    b.resize(n, '1');
    return b;
}

Bytes version(std::size_t characters) {
    return answerFrame("9a", std::string(characters, 'v'));
}

Vector whole(Vector v) {
    v.wholeOnly = true;
    return v;
}

std::vector<Vector> vectors() {
    using K = AnswerKind;
    using R = Result;
    const Bytes text = answerFrame("9a", "1234");
    const Bytes block = blockFrame("9a", {kEtx, kStx, 0x80, 0xFF, 'x', 0, 1, 2, 3, 4});
    const Bytes unknown{kStx, '9', 'a', kEot};
    const Bytes longText = answerFrame("9a", std::string(kReceiveBufferSize, '1'));
    // A length of 3995: with the frame around it, one byte more than the buffer holds.
    const Bytes tooLong{kStx, '9', 'a', 0x0F, 0x9B, 0};
    Bytes overflow = block;
    overflow.resize(kReceiveBufferSize + 1, kEtx);
    return {
        {"sound register", K::Register, text, R::Ok},
        {"one character, block check equal to ETX", K::Register, answerFrame("9a", "X"), R::Ok},
        {"nothing yet", K::Register, {}, std::nullopt},
        {"ETX, block check missing", K::Register, first(text, 8), std::nullopt},
        {"19 bytes without ETX", K::Register, withoutEtx(19), std::nullopt},
        {"20 bytes without ETX", K::Register, withoutEtx(20), R::BadBlockCheck},
        {"NAK", K::Register, {kNak}, R::NotStx},
        {"wrong echo, first", K::Register, answerFrame("8a", "1"), R::WrongCodeHigh},
        {"wrong echo, second", K::Register, answerFrame("9b", "1"), R::WrongCodeLow},
        {"unknown register", K::Register, unknown, R::UnknownCode},
        {"no data", K::Register, answerFrame("9a", ""), R::PacketTooShort},
        {"bad block check", K::Register, with(text, 8, text[8] ^ 0x40), R::BadBlockCheck},
        whole({"register beyond the receive buffer", K::Register, longText, R::InternalFault}),
        whole({"version filling its buffer", K::Version, version(26), R::Ok}),
        whole({"version beyond its buffer", K::Version, version(27), R::InternalFault}),
        {"status, 2 digits", K::Status, answerFrame("9a", "H0F"), R::Ok},
        {"status, 4 digits", K::Status, answerFrame("9a", "H8001"), R::Ok},
        {"status without H", K::Status, answerFrame("9a", "X0F"), R::NotStatusAnswer},
        {"status, unknown register", K::Status, unknown, R::UnknownCode},
        {"status, 1 digit", K::Status, answerFrame("9a", "H1"), R::BadStatusLength},
        {"status, 3 digits", K::Status, answerFrame("9a", "H12A"), R::BadStatusLength},
        {"status, 5 digits", K::Status, answerFrame("9a", "H12345"), R::BadStatusLength},
        {"write, ACK", K::WriteAcknowledge, {kAck, kNak}, R::Ok},
        {"write, NAK", K::WriteAcknowledge, {kNak, kAck}, R::NotAcknowledged},
        // The wake-up came and the bytes were lost: a refusal, not a wait for the time-out.
        {"write, woken to nothing", K::WriteAcknowledge, {}, R::NotAcknowledged},
        {"command, ACK", K::CommandAcknowledge, {kAck}, R::Ok},
        {"command, an answer frame", K::CommandAcknowledge, text, R::NotAcknowledged},
        {"command, nothing yet", K::CommandAcknowledge, {}, std::nullopt},
        {"sound block", K::ByteBlock, block, R::Ok},
        {"empty block", K::ByteBlock, blockFrame("9a", {}), R::Ok},
        {"block filling the receive buffer", K::ByteBlock,
         blockFrame("9a", Bytes(kReceiveBufferSize - 7, kEtx)), R::Ok},
        {"block beyond the receive buffer", K::ByteBlock, tooLong, R::InternalFault},
        whole({"block and more than the buffer holds", K::ByteBlock, overflow, R::InternalFault}),
        {"block, not STX", K::ByteBlock, with(block, 0, kAck), R::NotStx},
        {"block, wrong echo, first", K::ByteBlock, with(block, 1, '8'), R::WrongCodeHigh},
        {"block, wrong echo, second", K::ByteBlock, with(block, 2, 'b'), R::WrongCodeLow},
        {"block without ETX", K::ByteBlock, with(block, 15, 'x'), R::NoEtx},
        {"block, bad block check", K::ByteBlock, with(block, 16, block[16] ^ 0x01),
         R::BadBlockCheck},
        {"block, unknown register", K::ByteBlock, unknown, std::nullopt, R::UnknownCode},
        {"block, EOT and more", K::ByteBlock, {kStx, '9', 'a', kEot, 0}, std::nullopt},
        {"block, 5 header bytes", K::ByteBlock, first(block, 5), std::nullopt},
        {"block, data cut short", K::ByteBlock, first(block, 12), std::nullopt, R::TimeoutData},
        {"values", K::LongBlock, blockFrame("9a", Bytes(8, 0x80)), R::Ok},
        {"values, 5 header bytes", K::LongBlock, first(block, 5), std::nullopt, R::TimeoutData},
        {"values, unknown register", K::LongBlock, unknown, std::nullopt, R::UnknownCode},
        {"values beyond the receive buffer", K::LongBlock, first(tooLong, 5), R::InternalFault},
    };
}

TEST(AnswerScanner, JudgesEveryAnswerAlikeWholeOrSplitAtAnyByte) {
    for (const Vector& v : vectors()) {
        SCOPED_TRACE(v.name);
        const std::size_t splits = v.wholeOnly ? 0 : v.answer.size();
        // Split 0 feeds the answer whole; split k feeds its first k bytes, then the rest.
        for (std::size_t k = 0; k < std::max<std::size_t>(splits, 1); ++k) {
            AnswerScanner scanner(v.kind, "9a");
            std::optional<Result> verdict;
            if (k == 0) {
                verdict = scanner.feed(v.answer);
            } else {
                scanner.feed(std::span(v.answer).first(k));
                verdict = scanner.feed(std::span(v.answer).subspan(k));
            }
            EXPECT_EQ(verdict, v.verdict) << "split at " << k;
            EXPECT_EQ(scanner.complete(), verdict == Result::Ok);
            if (!verdict) {
                EXPECT_EQ(scanner.silence(), v.silence) << "split at " << k;
            }
        }
    }
}

}  // namespace
}  // namespace qu32::test
