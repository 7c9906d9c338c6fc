#include "sim/SimUnit.h"

#include <gtest/gtest.h>

#include <random>

#include "SimTestFrames.h"

namespace qu32::sim {
namespace {

using namespace qu32::sim::testing;

SimUnit genericUnit() {
    return SimUnit(*findModel("generic"));
}

// The generic unit with description-style blocks, one of them holding bytes a 7-bit line loses.
UnitModel modelWithBlocks() {
    UnitModel m = *findModel("generic");
    m.blocks["9a"] = Bytes{'[', '0', '1', ']', 0x03, 0xE4, '}', 0xFF};
    m.blocks["9c"] = Bytes{};
    m.blocks["9<"] = Bytes(300, 0x7F);
    return m;
}

TEST(SimUnit, AnswersAVersionReadByteForByte) {
    SimUnit unit = genericUnit();
    const auto chunks = unit.receive({0x04, 0x31, 0x31, 0x39, 0x39, 0x05}, kNormal, 0);
    EXPECT_EQ(joined(chunks), (Bytes{0x02, 0x39, 0x39, 0x54, 0x51, 0x35, 0x39, 0x33, 0x56, 0x31,
                                     0x32, 0x03, 0x6C}));
    EXPECT_EQ(unit.requestsSeen(), 1);
    EXPECT_EQ(unit.answersSent(), 1);
}

TEST(SimUnit, AcknowledgesAWriteAndKeepsTheValue) {
    SimUnit unit = genericUnit();
    EXPECT_EQ(
        joined(unit.receive({0x04, 0x31, 0x31, 0x02, 0x30, 0x30, 0x31, 0x03, 0x32}, kNormal, 0)),
        Bytes{kAck});
    EXPECT_EQ(joined(unit.receive(writeFrame("11", "00", "7"), kNormal, 10)), Bytes{kAck});
    EXPECT_EQ(unit.registerValue("00"), "7");
    EXPECT_EQ(joined(unit.receive(readRequest("11", "00"), kNormal, 20)), textAnswerFor("00", "7"));
}

TEST(SimUnit, AnswersUnknownCodesWithFourBytes) {
    SimUnit unit = genericUnit();
    // The generic unit has no coprocessor.
    for (const char* code : {"9/", "33", "9a", ":1"}) {
        EXPECT_EQ(joined(unit.receive(readRequest("11", code), kNormal, 0)),
                  (Bytes{kStx, static_cast<std::uint8_t>(code[0]),
                         static_cast<std::uint8_t>(code[1]), kEot}))
            << code;
    }
}

TEST(SimUnit, StaysSilentForAnotherAddressOrLine) {
    const struct {
        const char* what;
        std::string address;
        LineFormat pcLine;
    } cases[] = {
        {"address", "12", kNormal},
        {"baud", "11", {19200, 'e', 7, 1}},
        {"parity", "11", {9600, 'o', 7, 1}},
        {"no parity", "11", {9600, 'n', 7, 1}},
        {"data bits", "11", {9600, 'e', 8, 1}},
        {"stop bits", "11", {9600, 'e', 7, 2}},
    };
    for (const auto& c : cases) {
        SimUnit unit = genericUnit();
        EXPECT_TRUE(unit.receive(readRequest(c.address, "00"), c.pcLine, 0).empty()) << c.what;
        EXPECT_TRUE(unit.receive(writeFrame(c.address, "00", "5"), c.pcLine, 0).empty()) << c.what;
        EXPECT_EQ(unit.registerValue("00"), "1") << c.what;
        EXPECT_EQ(unit.requestsSeen(), 0) << c.what;
    }
}

TEST(SimUnit, FollowsItsConfiguredAddressAndLine) {
    SimUnit unit = genericUnit();
    unit.setAddress("07");
    unit.setNormalLine({19200, 'n', 8, 2});
    EXPECT_TRUE(unit.receive(readRequest("11", "00"), kNormal, 0).empty());
    EXPECT_EQ(joined(unit.receive(readRequest("07", "00"), {19200, 'n', 8, 2}, 0)),
              textAnswerFor("00", "1"));
}

TEST(SimUnit, RefusesWritesItCannotTake) {
    const struct {
        const char* what;
        Bytes frame;
    } refused[] = {
        {"block check",
         [] {
             Bytes f = writeFrame("11", "05", "3");
             f.back() ^= 0x10;
             return f;
         }()},
        {"above range", writeFrame("11", "01", "1000000")},
        {"below range", writeFrame("11", "04", "0")},
        {"not a number", writeFrame("11", "02", "12a")},
        {"sign only", writeFrame("11", "03", "-")},
        {"empty in ranged", writeFrame("11", "08", "")},
        {"version", writeFrame("11", "99", "XX000000")},
        {"unknown code", writeFrame("11", "33", "1")},
    };
    for (const auto& c : refused) {
        SimUnit unit = genericUnit();
        const auto before = unit.registerValue(std::string{char(c.frame[4]), char(c.frame[5])});
        EXPECT_EQ(joined(unit.receive(c.frame, kNormal, 0)), Bytes{kNak}) << c.what;
        EXPECT_EQ(unit.registerValue(std::string{char(c.frame[4]), char(c.frame[5])}), before)
            << c.what;
    }
}

TEST(SimUnit, TakesValuesAtTheEdgesOfTheRangeAndAnyTextWithoutOne) {
    SimUnit unit = genericUnit();
    const struct {
        const char* code;
        const char* value;
    } accepted[] = {{"01", "-999999"}, {"01", "+999999"}, {"04", "1"},   {"04", "9999"},
                    {"03", "+00000"},  {"05", ""},        {"05", "x y"}, {"06", "1.5"}};
    for (const auto& c : accepted) {
        EXPECT_EQ(joined(unit.receive(writeFrame("11", c.code, c.value), kNormal, 0)), Bytes{kAck})
            << c.code << " " << c.value;
        EXPECT_EQ(unit.registerValue(c.code), c.value);
    }
}

TEST(SimUnit, DescribedRegistersTakeWritesWithinTheirListedRange) {
    SimUnit unit(*findModel("tq593"));
    const struct {
        const char* code;
        const char* value;
        std::uint8_t answer;
    } cases[] = {
        {"20", "#000500", kAck}, {"20", "+999999", kAck}, {"20", "#1000000", kNak},
        {"20", "-000001", kNak}, {"05", "-09999", kAck},  {"05", "-10000", kNak},
        {"42", "99", kAck},      {"42", "100", kNak},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(joined(unit.receive(writeFrame("11", c.code, c.value), kNormal, 0)),
                  Bytes{c.answer})
            << c.code << " " << c.value;
    }
    EXPECT_EQ(unit.registerValue("20"), "+999999");
}

TEST(SimUnit, SevenBitLineDropsTheEighthBitBothWays) {
    SimUnit unit = genericUnit();
    unit.setRegisterValue("05", "L\xE4nge");
    // 0xE4 leaves the unit as 0x64, and the block check is the one of the masked text.
    EXPECT_EQ(joined(unit.receive(readRequest("11", "05"), kNormal, 0)), textAnswerFor("05",
                                                                                       "Ld"
                                                                                       "nge"));
    // A request with the eighth bit set on every byte is read as the plain request.
    Bytes high = readRequest("11", "05");
    for (std::uint8_t& b : high) {
        b |= 0x80;
    }
    EXPECT_EQ(joined(unit.receive(high, kNormal, 0)), textAnswerFor("05", "Ldnge"));

    // On the 8-bit line the text comes through whole and the high request names another code.
    unit.receive(readRequest("11", "9>"), kNormal, 0);
    EXPECT_EQ(joined(unit.receive(readRequest("11", "05"), kEightBit, 0)),
              textAnswerFor("05", "L\xE4nge"));
    EXPECT_TRUE(unit.receive(high, kEightBit, 0).empty());
}

TEST(SimUnit, FormatCommandsSwitchAfterTheAcknowledge) {
    SimUnit unit = genericUnit();
    unit.setTurnaroundMs(0);
    const auto ack = unit.receive(readRequest("11", "9>"), kNormal, 100);
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(ack[0].bytes, Bytes{kAck});
    EXPECT_DOUBLE_EQ(ack[0].atMs, 100 + wireTimeMs(1, kNormal));
    EXPECT_TRUE(unit.eightBitMode());
    EXPECT_EQ(unit.line(), kEightBit);
    EXPECT_TRUE(unit.receive(readRequest("11", "00"), kNormal, 200).empty());
    EXPECT_EQ(joined(unit.receive(readRequest("11", "00"), kEightBit, 300)),
              textAnswerFor("00", "1"));

    const auto back = unit.receive(readRequest("11", "9?"), kEightBit, 400);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_DOUBLE_EQ(back[0].atMs, 400 + wireTimeMs(1, kEightBit));
    EXPECT_FALSE(unit.eightBitMode());
    EXPECT_TRUE(unit.receive(readRequest("11", "00"), kEightBit, 500).empty());
    EXPECT_FALSE(unit.receive(readRequest("11", "00"), kNormal, 600).empty());
}

TEST(SimUnit, RequestSentAfterTheSwitchInTheOldFormatIsLost) {
    SimUnit unit = genericUnit();
    Bytes both = readRequest("11", "9>");
    const Bytes read = readRequest("11", "00");
    both.insert(both.end(), read.begin(), read.end());
    EXPECT_EQ(joined(unit.receive(both, kNormal, 0)), Bytes{kAck});
    EXPECT_EQ(unit.requestsSeen(), 1);
}

TEST(SimUnit, ModelWithoutFormatCommandsDoesNotKnowThem) {
    UnitModel m = *findModel("generic");
    m.formatCommands = false;
    SimUnit unit(m);
    EXPECT_EQ(joined(unit.receive(readRequest("11", "9>"), kNormal, 0)),
              (Bytes{kStx, '9', '>', kEot}));
    EXPECT_FALSE(unit.eightBitMode());
}

TEST(SimUnit, CommandsAreAcknowledgedAsRequestOrWrite) {
    SimUnit unit = genericUnit();
    EXPECT_EQ(joined(unit.receive(readRequest("11", "67"), kNormal, 0)), Bytes{kAck});
    EXPECT_EQ(joined(unit.receive(writeFrame("11", "68", "1"), kNormal, 0)), Bytes{kAck});
}

TEST(SimUnit, BlocksAnswerOnlyInTheEightBitPhase) {
    SimUnit unit(modelWithBlocks());
    EXPECT_EQ(joined(unit.receive(readRequest("11", "9a"), kNormal, 0)),
              (Bytes{kStx, '9', 'a', kEot}));

    unit.receive(readRequest("11", "9>"), kNormal, 0);
    const Bytes block = joined(unit.receive(readRequest("11", "9a"), kEightBit, 0));
    // STX code L data ETX BCC, the data kept whole (ETX and bytes above 127 included).
    const Bytes data{'[', '0', '1', ']', 0x03, 0xE4, '}', 0xFF};
    Bytes expected{kStx, '9', 'a', 0, static_cast<std::uint8_t>(data.size())};
    expected.insert(expected.end(), data.begin(), data.end());
    expected.push_back(kEtx);
    std::uint8_t bcc = 0;
    for (std::size_t i = 1; i < expected.size(); ++i) {
        bcc ^= expected[i];
    }
    expected.push_back(bcc);
    EXPECT_EQ(block, expected);

    EXPECT_EQ(joined(unit.receive(readRequest("11", "9c"), kEightBit, 0)),
              (Bytes{kStx, '9', 'c', 0, 0, kEtx, '9' ^ 'c' ^ kEtx}));
    const Bytes big = joined(unit.receive(readRequest("11", "9<"), kEightBit, 0));
    ASSERT_EQ(big.size(), 307u);
    EXPECT_EQ(big[3], 1);
    EXPECT_EQ(big[4], 44);
    EXPECT_EQ(big[305], kEtx);
}

TEST(SimUnit, MultiReadAnswersABlockInTheNormalFormat) {
    UnitModel m = *findModel("generic");
    EXPECT_EQ(joined(SimUnit(m).receive(readRequest("11", "9g"), kNormal, 0)),
              (Bytes{kStx, '9', 'g', kEot}));
    m.multiRead = true;
    const Bytes block = joined(SimUnit(m).receive(readRequest("11", "9g"), kNormal, 0));
    ASSERT_EQ(block.size(), 19u);
    EXPECT_EQ(block[4], 12);
    EXPECT_EQ(block[17], kEtx);
}

TEST(SimUnit, CollectsRequestsSplitOverDeliveriesAndSkipsNoise) {
    SimUnit unit = genericUnit();
    Bytes stream = {'x', 0xFF, kEnq, kStx};
    const Bytes read = readRequest("11", "01");
    const Bytes write = writeFrame("11", "05", "42");
    stream.insert(stream.end(), read.begin(), read.end());
    stream.insert(stream.end(), {'n', 'o', kEtx, 'i', 's', 'e'});
    stream.insert(stream.end(), write.begin(), write.end());
    Bytes answers;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        const Bytes answer = joined(unit.receive({stream[i]}, kNormal, static_cast<double>(i)));
        answers.insert(answers.end(), answer.begin(), answer.end());
    }
    Bytes expected = textAnswerFor("01", "+001234");
    expected.push_back(kAck);
    EXPECT_EQ(answers, expected);
    EXPECT_EQ(unit.registerValue("05"), "42");
}

TEST(SimUnit, StartsOverAtEveryEot) {
    SimUnit unit = genericUnit();
    const struct {
        const char* what;
        Bytes broken;
    } cases[] = {
        {"cut read", {kEot, '1', '1', '0'}},
        {"read without ENQ", {kEot, '1', '1', '0', '0', 'X'}},
        {"cut write", {kEot, '1', '1', kStx, '0', '5', '9', '9'}},
        {"lone EOT", {kEot}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(unit.receive(c.broken, kNormal, 0).empty()) << c.what;
        EXPECT_EQ(joined(unit.receive(readRequest("11", "00"), kNormal, 0)),
                  textAnswerFor("00", "1"))
            << c.what;
    }
    EXPECT_EQ(unit.registerValue("05"), "12");
}

TEST(SimUnit, DropsAnOverlongRequest) {
    SimUnit unit = genericUnit();
    Bytes flood{kEot, '1', '1', kStx, '0', '5'};
    flood.resize(kMaxFrameBytes * 3, '7');
    EXPECT_TRUE(unit.receive(flood, kNormal, 0).empty());
    // The tail of the flood and its end must not make a write out of it.
    EXPECT_TRUE(unit.receive({kEtx, '0' ^ '5' ^ kEtx}, kNormal, 0).empty());
    EXPECT_EQ(unit.registerValue("05"), "12");
    EXPECT_FALSE(unit.receive(readRequest("11", "05"), kNormal, 0).empty());
}

TEST(SimUnit, TimesAnswersByTurnaroundAndWireTime) {
    SimUnit unit = genericUnit();
    unit.setTurnaroundMs(3);
    const auto version = unit.receive(readRequest("11", "99"), kNormal, 100);
    ASSERT_EQ(version.size(), 1u);
    EXPECT_DOUBLE_EQ(version[0].atMs, 100 + 3 + 13 * 10 * 1000.0 / 9600);

    // Two requests in one delivery: the second answer follows the first on the line.
    Bytes two = readRequest("11", "00");
    const Bytes second = readRequest("11", "99");
    two.insert(two.end(), second.begin(), second.end());
    const auto both = unit.receive(two, kNormal, 0);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_DOUBLE_EQ(both[0].atMs, 3 + wireTimeMs(6, kNormal));
    EXPECT_DOUBLE_EQ(both[1].atMs, both[0].atMs + 3 + wireTimeMs(13, kNormal));

    unit.setWireTimeEmulation(false);
    EXPECT_DOUBLE_EQ(unit.receive(readRequest("11", "99"), kNormal, 100)[0].atMs, 103);
}

TEST(SimUnit, UnplugSilencesAndReplugComesBackInTheNormalFormat) {
    SimUnit unit = genericUnit();
    unit.receive(readRequest("11", "9>"), kNormal, 0);
    unit.receive({kEot, '1', '1'}, kEightBit, 0);  // half a request when the plug is pulled
    unit.unplug();
    EXPECT_FALSE(unit.plugged());
    EXPECT_TRUE(unit.receive(readRequest("11", "00"), kEightBit, 0).empty());
    EXPECT_TRUE(unit.receive(readRequest("11", "00"), kNormal, 0).empty());
    unit.replug();
    EXPECT_FALSE(unit.eightBitMode());
    EXPECT_TRUE(unit.receive({'0', '0', kEnq}, kNormal, 0).empty());
    EXPECT_EQ(joined(unit.receive(readRequest("11", "00"), kNormal, 0)), textAnswerFor("00", "1"));
}

TEST(SimUnit, ReplacementBringsItsOwnRegistersButKeepsAddressAndLine) {
    SimUnit unit = genericUnit();
    unit.setAddress("22");
    unit.receive(writeFrame("22", "05", "77"), kNormal, 0);
    unit.receive(readRequest("22", "9>"), kNormal, 0);
    UnitModel other = *findModel("generic");
    other.name = "other";
    other.softwareVersion = "AA459V01";
    other.registers.erase("05");
    unit.replaceModel(other);
    EXPECT_EQ(unit.model().name, "other");
    EXPECT_FALSE(unit.eightBitMode());
    EXPECT_EQ(joined(unit.receive(readRequest("22", "99"), kNormal, 0)),
              textAnswerFor("99", "AA459V01"));
    EXPECT_EQ(joined(unit.receive(readRequest("22", "05"), kNormal, 0)),
              (Bytes{kStx, '0', '5', kEot}));
}

TEST(SimUnit, SurvivesRandomInput) {
    std::mt19937 random(20240613);
    SimUnit unit(modelWithBlocks());
    const LineFormat lines[] = {kNormal, kEightBit, {4800, 'n', 8, 2}};
    // Bytes from a small alphabet around the protocol's own, so frames do form now and then.
    const std::uint8_t alphabet[] = {kEot, kEnq, kStx, kEtx, '1', '0', '9', '>', '?', 'a', 0xFF};
    double nowMs = 0;
    for (int delivery = 0; delivery < 5000; ++delivery) {
        Bytes bytes(random() % 40);
        for (std::uint8_t& b : bytes) {
            b = random() % 4 == 0 ? static_cast<std::uint8_t>(random())
                                  : alphabet[random() % std::size(alphabet)];
        }
        for (const Chunk& c : unit.receive(bytes, lines[random() % std::size(lines)], nowMs)) {
            EXPECT_GE(c.atMs, nowMs);
            EXPECT_FALSE(c.bytes.empty());
        }
        nowMs += 1;
    }
    unit.replug();
    unit.setRegisterValue("00", "1");
    EXPECT_EQ(joined(unit.receive(readRequest("11", "00"), kNormal, nowMs)),
              textAnswerFor("00", "1"));
}

}  // namespace
}  // namespace qu32::sim
