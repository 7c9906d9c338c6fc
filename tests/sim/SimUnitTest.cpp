#include "sim/SimUnit.h"

#include <gtest/gtest.h>

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

TEST(SimUnit, StaysSilentForAnotherAddressOrLine) {
    const struct {
        const char* what;
        std::string address;
        LineFormat pcLine;
    } cases[] = {
        {"address", "12", kNormal},          {"baud", "11", {19200, 'e', 7, 1}},
        {"parity", "11", {9600, 'o', 7, 1}}, {"no parity", "11", {9600, 'n', 7, 1}},
        {"data bits", "11", kEightBit},      {"stop bits", "11", {9600, 'e', 7, 2}},
    };
    for (const auto& c : cases) {
        SimUnit unit = genericUnit();
        EXPECT_TRUE(unit.receive(readRequest(c.address, "00"), c.pcLine, 0).empty()) << c.what;
        EXPECT_TRUE(unit.receive(writeFrame(c.address, "00", "5"), c.pcLine, 0).empty()) << c.what;
        EXPECT_EQ(unit.registerValue("00"), "1") << c.what;
        EXPECT_EQ(unit.requestsSeen(), 0) << c.what;
    }
}

// The line registers ("90" to "92") take only what the unit can be set to: two-digit addresses,
// its baud-rate and format codes; older firmware (aa45901) only what the PC's data set allows.
TEST(SimUnit, TakesWritesWithinTheRegistersRangeOnly) {
    const struct {
        const char* model;
        const char* code;
        const char* value;
        bool taken;
    } cases[] = {
        {"generic", "01", "+999999", true},   {"generic", "01", "1000000", false},
        {"generic", "04", "0", false},        {"generic", "02", "12a", false},
        {"generic", "03", "-", false},        {"generic", "08", "", false},
        {"generic", "05", "x y", true},       {"generic", "05", "", true},
        {"generic", "99", "XX000000", false}, {"generic", "33", "1", false},
        {"tq593", "20", "#000500", true},     {"tq593", "20", "-000001", false},
        {"tq593", "05", "-09999", true},      {"tq593", "05", "-10000", false},
        {"aa459", "90", "100", false},        {"aa459", "90", "5", false},
        {"aa459", "90", "+5", false},         {"aa459", "90", "", false},
        {"aa459", "91", "7", false},          {"aa459", "91", "-1", false},
        {"aa459", "92", "10", false},         {"aa459", "90", "00", true},
        {"aa459", "90", "99", true},          {"aa459", "91", "0", true},
        {"aa459", "92", "9", true},           {"aa45901", "90", "10", false},
        {"aa45901", "91", "5", false},        {"aa45901", "91", "4", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.code + "=" + c.value);
        SimUnit unit(*findModel(c.model));
        const auto before = unit.registerValue(c.code);
        EXPECT_EQ(ask(unit, writeFrame("11", c.code, c.value)), Bytes{c.taken ? kAck : kNak});
        EXPECT_EQ(unit.registerValue(c.code),
                  c.taken ? std::optional<std::string>(c.value) : before);
    }
    SimUnit unit = genericUnit();
    Bytes badCheck = writeFrame("11", "05", "3");
    badCheck.back() ^= 0x10;
    EXPECT_EQ(ask(unit, badCheck), Bytes{kNak});
    EXPECT_EQ(unit.registerValue("05"), "12");
}

TEST(SimUnit, SevenBitLineDropsTheEighthBitBothWays) {
    SimUnit unit = genericUnit();
    unit.setRegisterValue("05", "L\xE4nge");
    // 0xE4 leaves the unit as 0x64, and the block check is the one of the masked text.
    EXPECT_EQ(ask(unit, readRequest("11", "05")), textAnswerFor("05", "Ldnge"));
    // A request with the eighth bit set on every byte is read as the plain request.
    Bytes high = readRequest("11", "05");
    for (std::uint8_t& b : high)
        b |= 0x80;
    EXPECT_EQ(ask(unit, high), textAnswerFor("05", "Ldnge"));

    // On the 8-bit line the text comes through whole and the high request names another code.
    unit.receive(readRequest("11", "9>"), kNormal, 0);
    EXPECT_EQ(ask(unit, readRequest("11", "05"), kEightBit), textAnswerFor("05", "L\xE4nge"));
    EXPECT_TRUE(unit.receive(high, kEightBit, 0).empty());
}

TEST(SimUnit, FormatCommandsSwitchAfterTheAcknowledge) {
    SimUnit unit = genericUnit();
    unit.setTurnaroundMs(0);
    const auto ack = unit.receive(readRequest("11", "9>"), kNormal, 100);
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(ack[0].bytes, Bytes{kAck});
    EXPECT_DOUBLE_EQ(ack[0].atMs, 100 + wireTimeMs(1, kNormal));  // sent in the old format
    EXPECT_EQ(unit.line(), kEightBit);
    EXPECT_TRUE(unit.receive(readRequest("11", "00"), kNormal, 200).empty());
    EXPECT_EQ(ask(unit, readRequest("11", "00"), kEightBit, 300), textAnswerFor("00", "1"));

    const auto back = unit.receive(readRequest("11", "9?"), kEightBit, 400);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_DOUBLE_EQ(back[0].atMs, 400 + wireTimeMs(1, kEightBit));
    EXPECT_FALSE(unit.eightBitMode());
    EXPECT_TRUE(unit.receive(readRequest("11", "00"), kEightBit, 500).empty());

    // A request sent right behind the switch, still in the old format, is lost.
    const Bytes both = cat(readRequest("11", "9>"), readRequest("11", "00"));
    EXPECT_EQ(ask(unit, both, kNormal, 600), Bytes{kAck});
    EXPECT_EQ(unit.requestsSeen(), 4);

    // Unplugged it hears nothing; power back, it talks the normal format, half a request lost.
    unit.receive({kEot, '1', '1'}, kEightBit, 700);
    unit.unplug();
    EXPECT_TRUE(unit.receive(readRequest("11", "00"), kEightBit, 800).empty());
    unit.replug();
    EXPECT_TRUE(unit.receive({'0', '0', kEnq}, kNormal, 900).empty());
    EXPECT_EQ(ask(unit, readRequest("11", "00"), kNormal, 900), textAnswerFor("00", "1"));

    UnitModel m = *findModel("generic");
    m.formatCommands = false;
    SimUnit old(m);
    EXPECT_EQ(joined(old.receive(readRequest("11", "9>"), kNormal, 0)), unknownFor("9>"));
    EXPECT_FALSE(old.eightBitMode());
}

TEST(SimUnit, BlocksAnswerOnlyInTheEightBitPhaseAndMultiReadInAnyFormat) {
    SimUnit unit(modelWithBlocks());
    EXPECT_EQ(ask(unit, readRequest("11", "9a")), unknownFor("9a"));

    unit.receive(readRequest("11", "9>"), kNormal, 0);
    // STX code L(2) data ETX BCC, the data kept whole (ETX and bytes above 127 included).
    const Bytes expected{kStx, '9',  'a',  0,   8,    '[',  '0', '1',
                         ']',  0x03, 0xE4, '}', 0xFF, kEtx, 0x31};
    EXPECT_EQ(ask(unit, readRequest("11", "9a"), kEightBit), expected);
    EXPECT_EQ(ask(unit, readRequest("11", "9c"), kEightBit),
              (Bytes{kStx, '9', 'c', 0, 0, kEtx, '9' ^ 'c' ^ kEtx}));

    UnitModel m = *findModel("generic");
    EXPECT_EQ(joined(SimUnit(m).receive(readRequest("11", "9g"), kNormal, 0)), unknownFor("9g"));
    m.multiRead = true;
    const Bytes block = joined(SimUnit(m).receive(readRequest("11", "9g"), kNormal, 0));
    ASSERT_EQ(block.size(), 19u);
    EXPECT_EQ(block[4], 12);
    EXPECT_EQ(block[17], kEtx);
}

TEST(SimUnit, TimesAnswersByTurnaroundAndWireTimeAndDeliversLongOnesInPieces) {
    SimUnit unit(modelWithBlocks());
    unit.setTurnaroundMs(3);
    const auto version = unit.receive(readRequest("11", "99"), kNormal, 100);
    ASSERT_EQ(version.size(), 1u);
    EXPECT_DOUBLE_EQ(version[0].atMs, 100 + 3 + 13 * 10 * 1000.0 / 9600);

    // Two requests in one delivery: the second answer follows the first on the line.
    const auto both =
        unit.receive(cat(readRequest("11", "00"), readRequest("11", "99")), kNormal, 0);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_DOUBLE_EQ(both[0].atMs, 3 + wireTimeMs(6, kNormal));
    EXPECT_DOUBLE_EQ(both[1].atMs, both[0].atMs + 3 + wireTimeMs(13, kNormal));

    // A long answer (a block of 300 bytes: length 1 * 256 + 44) reaches the PC as it crosses the
    // line, kDeliveryBytes at a time.
    unit.receive(readRequest("11", "9>"), kNormal, 0);
    const auto pieces = unit.receive(readRequest("11", "9<"), kEightBit, 1000);
    const Bytes big = joined(pieces);
    ASSERT_EQ(big.size(), 307u);
    EXPECT_EQ(big[3], 1);
    EXPECT_EQ(big[4], 44);
    EXPECT_EQ(big[305], kEtx);
    ASSERT_EQ(pieces.size(), (307 + kDeliveryBytes - 1) / kDeliveryBytes);
    std::size_t sent = 0;
    for (const Chunk& c : pieces) {
        EXPECT_LE(c.bytes.size(), kDeliveryBytes);
        sent += c.bytes.size();
        EXPECT_DOUBLE_EQ(c.atMs, 1000 + 3 + wireTimeMs(sent, kEightBit));
    }

    unit.setWireTimeEmulation(false);
    EXPECT_DOUBLE_EQ(unit.receive(readRequest("11", "99"), kEightBit, 100)[0].atMs, 103);
}

TEST(SimUnit, CollectsSplitRequestsSkipsNoiseAndStartsOverAtEveryEot) {
    SimUnit unit = genericUnit();
    const Bytes stream = cat(cat({'x', 0xFF, kEnq, kStx}, readRequest("11", "01")),
                             cat({'n', 'o', kEtx, 'i', 's', 'e'}, writeFrame("11", "05", "42")));
    Bytes answers;
    for (std::size_t i = 0; i < stream.size(); ++i)
        answers = cat(answers, ask(unit, {stream[i]}, kNormal, static_cast<double>(i)));
    EXPECT_EQ(answers, cat(textAnswerFor("01", "+001234"), {kAck}));
    EXPECT_EQ(unit.registerValue("05"), "42");

    Bytes flood{kEot, '1', '1', kStx, '0', '5'};
    flood.resize(kMaxFrameBytes * 3, '7');
    const Bytes broken[] = {
        {kEot},                                      // lone EOT
        {kEot, '1', '1', '0'},                       // cut read
        {kEot, '1', '1', '0', '0', 'X'},             // read without ENQ
        {kEot, '1', '1', kStx, '0', '5', '9', '9'},  // cut write
        flood,                                       // overlong write
        {kEtx, '0' ^ '5' ^ kEtx},                    // the flood's end must not make a write
    };
    for (const Bytes& b : broken) {
        EXPECT_TRUE(unit.receive(b, kNormal, 0).empty()) << b.size();
        EXPECT_EQ(ask(unit, readRequest("11", "00")), textAnswerFor("00", "1")) << b.size();
    }
    EXPECT_EQ(unit.registerValue("05"), "42");
}

}  // namespace
}  // namespace qu32::sim
