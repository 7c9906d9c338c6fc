#include <gtest/gtest.h>

#include "SimTestFrames.h"
#include "sim/SimUnit.h"
#include "support/LinkFixture.h"
#include "unit/UnitData.h"

namespace qu32::sim {
namespace {

using namespace qu32::sim::testing;

TEST(SimUnitStatus, StatusRegistersAnswerFourUpperCaseHexDigits) {
    SimUnit unit(*findModel("tq593"));
    unit.setStatus(
        {.serialInputs = 0xBEEF, .externalInputs = 0x0A0B, .busInputs = 0x8000, .outputs = 0x00C1});
    const struct {
        const char* code;
        const char* data;
    } cases[] = {{"86", "HBEEF"}, {"87", "H0A0B"}, {"8C", "H8000"}, {"85", "H00C1"}};
    for (const auto& c : cases) {
        EXPECT_EQ(joined(unit.receive(readRequest("11", c.code), kNormal, 0)),
                  textAnswerFor(c.code, c.data))
            << c.code;
    }
    // A unit without status registers does not know them.
    SimUnit generic(*findModel("generic"));
    EXPECT_EQ(joined(generic.receive(readRequest("11", "86"), kNormal, 0)),
              (Bytes{kStx, '8', '6', kEot}));
}

TEST(SimUnitStatus, ActualValueSwingsWithTimeUnlessHeld) {
    SimUnit unit(*findModel("vm628"));
    constexpr long long kQuarter = kActualValuePeriodMs / 4;
    const struct {
        long long atMs;
        const char* text;
    } cases[] = {
        {0, "+00000"},
        {kQuarter / 2, "+00500"},
        {kQuarter, "+01000"},
        {2 * kQuarter, "+00000"},
        {3 * kQuarter, "-01000"},
        {kActualValuePeriodMs + kQuarter, "+01000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(joined(unit.receive(readRequest("11", ":1"), kNormal, double(c.atMs))),
                  textAnswerFor(":1", c.text))
            << c.atMs;
    }
    unit.setStatusActualValue(-250);
    EXPECT_EQ(joined(unit.receive(readRequest("11", ":1"), kNormal, double(kQuarter))),
              textAnswerFor(":1", "-00250"));
    unit.setStatusActualValue(std::nullopt);
    EXPECT_EQ(unit.actualValueAt(double(kQuarter)), kActualValueSwing);
}

TEST(SimUnitStatus, InputCommandsSetAndReleaseTheirSerialInputBit) {
    const struct {
        const char* model;
        const char* code;
        std::uint16_t mask;
    } cases[] = {
        {"tq593", "58", 0x0200},                            // group 9 reset
        {"tq593", "69", 0x2000},  {"aa459", "60", 0x0080},  // group 1 reset
        {"um516x", "60", 0x0080}, {"um516x", "71", 0x1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.code);
        SimUnit unit(*findModel(c.model));
        const std::uint16_t before = unit.status().serialInputs;
        EXPECT_EQ(joined(unit.receive(writeFrame("11", c.code, "1"), kNormal, 0)), Bytes{kAck});
        EXPECT_EQ(unit.status().serialInputs, before | c.mask);
        EXPECT_EQ(joined(unit.receive(writeFrame("11", c.code, "2"), kNormal, 0)), Bytes{kNak});
        EXPECT_EQ(joined(unit.receive(writeFrame("11", c.code, "0"), kNormal, 0)), Bytes{kAck});
        EXPECT_EQ(unit.status().serialInputs, before & ~c.mask);
        // An input is written, never read.
        EXPECT_EQ(joined(unit.receive(readRequest("11", c.code), kNormal, 0)),
                  (Bytes{kStx, static_cast<std::uint8_t>(c.code[0]),
                         static_cast<std::uint8_t>(c.code[1]), kEot}));
    }
    // Activate and store stay commands where they share a code with an input.
    SimUnit unit(*findModel("tq593"));
    EXPECT_EQ(joined(unit.receive(writeFrame("11", "67", "1"), kNormal, 0)), Bytes{kAck});
    EXPECT_EQ(unit.status().serialInputs, 0);
}

TEST(SimUnitStatus, MultiReadKeepsEveryByteBelow128) {
    const auto data = encodeMultiRead({0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF});
    for (std::uint8_t b : data) {
        EXPECT_LT(b, 0x80);
    }
    // Bit 15 and bit 7 of word 0 travel as bit 2 of bytes 10 and 11.
    const auto word0 = encodeMultiRead({0x8080, 0, 0, 0, 0});
    EXPECT_EQ(word0, (std::array<std::uint8_t, kMultiReadBytes>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x04,
                                                                0x04}));
}

// The combined status read as the program decodes it, over the simulated line.
class MultiReadThroughProgram : public test::LinkFixture {
  protected:
    MultiReadThroughProgram() : LinkFixture("tq593") {}
    UnitData unitData{link};
};

TEST_F(MultiReadThroughProgram, WordsComeBackAsTheUnitHoldsThem) {
    const struct {
        UnitStatus status;
        std::int16_t actual;
    } cases[] = {
        {{0x0000, 0x0000, 0x0000, 0x0000}, 0},      {{0x8080, 0x0080, 0x8000, 0x00FF}, -1},
        {{0xFFFF, 0x7F7F, 0x1234, 0x8001}, 1000},   {{0x0200, 0xC3A5, 0x5A3C, 0x0081}, -1000},
        {{0x4000, 0x0100, 0x0040, 0x7FFF}, -32768},
    };
    for (const auto& c : cases) {
        unit.setStatus(c.status);
        unit.setStatusActualValue(c.actual);
        ASSERT_EQ(unitData.Multi_Read("test"), 1);
        const StatusWords& w = unitData.status;
        EXPECT_EQ(static_cast<std::uint16_t>(w.SerialInputWord), c.status.serialInputs);
        EXPECT_EQ(static_cast<std::uint16_t>(w.ExternalInputWord), c.status.externalInputs);
        EXPECT_EQ(static_cast<std::uint16_t>(w.StatusWord8C), c.status.busInputs);
        EXPECT_EQ(static_cast<std::uint16_t>(w.OutputWord), c.status.outputs);
        EXPECT_EQ(std::stoi(w.ActualValueText), c.actual);
    }
}

TEST_F(MultiReadThroughProgram, ResetWrittenByThePcShowsInTheStatusRead) {
    ASSERT_EQ(link.Transmit_Parameter("11", "58", "1"), 1);
    ASSERT_EQ(unitData.Multi_Read("test"), 1);
    EXPECT_EQ(unitData.status.SerialInputWord & 512, 512);
    std::int16_t word = 0;
    ASSERT_EQ(link.Read_Status("11", "86", word), 1);
    EXPECT_EQ(word & 512, 512);
}

}  // namespace
}  // namespace qu32::sim
