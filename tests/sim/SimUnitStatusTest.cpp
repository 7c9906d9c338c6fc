// Status registers, the actual value, serial inputs with the reset among them, and the combined
// status read.
#include <gtest/gtest.h>

#include <cstdio>

#include "SimTestFrames.h"
#include "sim/SimUnit.h"

namespace qu32::sim {
namespace {

using namespace qu32::sim::testing;

TEST(SimUnitStatus, StatusRegistersAnswerHexWordsAndTheSwingingActualValue) {
    SimUnit unit(*findModel("vm628"));
    unit.setStatus(
        {.serialInputs = 0xBEEF, .externalInputs = 0x0A0B, .busInputs = 0x8000, .outputs = 0x00C1});
    constexpr double kQuarter = kActualValuePeriodMs / 4;
    const struct {
        const char* code;
        double atMs;
        const char* data;
    } cases[] = {
        {"86", 0, "HBEEF"},
        {"87", 0, "H0A0B"},
        {"8C", 0, "H8000"},
        {"85", 0, "H00C1"},
        {":1", 0, "+00000"},
        {":1", kQuarter / 2, "+00500"},
        {":1", kQuarter, "+01000"},
        {":1", 3 * kQuarter, "-01000"},
        {":1", kActualValuePeriodMs + kQuarter, "+01000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ask(unit, readRequest("11", c.code), kNormal, c.atMs),
                  textAnswerFor(c.code, c.data))
            << c.code << " at " << c.atMs;
    unit.setStatusActualValue(-250);
    EXPECT_EQ(ask(unit, readRequest("11", ":1"), kNormal, kQuarter), textAnswerFor(":1", "-00250"));
}

// Input commands and the group's reset set their bit with "1" and release it with "0"; it shows in
// the serial-input register and the combined read, and a power cycle releases it.
TEST(SimUnitStatus, InputCommandsAndResetSetTheirSerialInputBit) {
    const struct {
        const char* model;
        const char* code;
        std::uint16_t mask;
    } cases[] = {
        {"tq593", "58", 0x0200},  {"generic", "58", 0x0200},   {"aa459", "60", 0x0080},
        {"um516x", "60", 0x0080}, {"e81390710", "60", 0x0080}, {"tq593", "69", 0x2000},
        {"um516x", "71", 0x1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.code);
        SimUnit unit(*findModel(c.model));
        unit.setStatusActualValue(0);
        const UnitStatus before = unit.status();
        ASSERT_EQ(before.serialInputs & c.mask, 0);
        EXPECT_EQ(ask(unit, writeFrame("11", c.code, "1")), Bytes{kAck});
        UnitStatus on = before;
        on.serialInputs = static_cast<std::uint16_t>(before.serialInputs | c.mask);
        EXPECT_EQ(unit.status(), on);
        if (const auto& layout = unit.model().status) {
            char word[8];
            std::snprintf(word, sizeof word, "H%04X", on.serialInputs);
            EXPECT_EQ(ask(unit, readRequest("11", layout->pcInputCode)),
                      textAnswerFor(layout->pcInputCode, word));
        }
        if (unit.model().multiRead) {
            const Bytes answer = ask(unit, readRequest("11", "9g"));
            const auto data =
                encodeMultiRead({on.serialInputs, on.externalInputs, on.busInputs, 0, on.outputs});
            ASSERT_EQ(answer.size(), 5 + data.size() + 2);
            EXPECT_TRUE(std::equal(data.begin(), data.end(), answer.begin() + 5));
        }
        // Nothing but "0" and "1" is taken, and an input is written, never read.
        EXPECT_EQ(ask(unit, writeFrame("11", c.code, "2")), Bytes{kNak});
        EXPECT_EQ(ask(unit, readRequest("11", c.code)), unknownFor(c.code));
        EXPECT_EQ(ask(unit, writeFrame("11", c.code, "0")), Bytes{kAck});
        EXPECT_EQ(unit.status(), before);
        unit.receive(writeFrame("11", c.code, "1"), kNormal, 0);
        unit.replug();
        EXPECT_EQ(unit.status(), before);
    }
    // Activate stays a command where it shares a code with an input.
    SimUnit unit(*findModel("tq593"));
    EXPECT_EQ(ask(unit, writeFrame("11", "67", "1")), Bytes{kAck});
    EXPECT_EQ(unit.status().serialInputs, 0);
}

}  // namespace
}  // namespace qu32::sim
