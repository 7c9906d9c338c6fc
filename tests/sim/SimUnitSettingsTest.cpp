// Working and stored values, activate, store, reset and the unit's own line settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "SimTestFrames.h"
#include "sim/SimUnit.h"
#include "support/LinkFixture.h"

namespace qu32::sim {
namespace {

using namespace qu32::sim::testing;

const Bytes kAckOnly{kAck};
const Bytes kNakOnly{kNak};

// An AA459 of group 1: activate "67", store "68", reset "60", line registers "90" to "92".
class UnitSettings : public ::testing::Test {
  protected:
    Bytes write(const std::string& address, const std::string& code, const std::string& value,
                const LineFormat& line = kNormal) {
        return joined(unit.receive(writeFrame(address, code, value), line, nowMs += kStepMs));
    }
    Bytes read(const std::string& address, const std::string& code,
               const LineFormat& line = kNormal) {
        return joined(unit.receive(readRequest(address, code), line, nowMs += kStepMs));
    }

    static constexpr double kStepMs = 100;
    SimUnit unit{*findModel("aa459")};
    double nowMs = 0;
};

TEST_F(UnitSettings, WrittenAddressIsReadBackButAnsweredOnlyOnceActivated) {
    EXPECT_EQ(write("11", "90", "12"), kAckOnly);
    EXPECT_EQ(read("11", "90"), textAnswerFor("90", "12"));
    EXPECT_TRUE(read("12", "90").empty());
    // Only a written "1" activates.
    EXPECT_EQ(read("11", "67"), kAckOnly);
    EXPECT_EQ(write("11", "67", "0"), kAckOnly);
    EXPECT_EQ(unit.address(), "11");

    EXPECT_EQ(write("11", "67", "1"), kAckOnly);
    EXPECT_EQ(unit.address(), "12");
    EXPECT_TRUE(read("11", "90").empty());
    EXPECT_EQ(read("12", "90"), textAnswerFor("90", "12"));
    // Active, but not stored yet.
    EXPECT_EQ(unit.storedAddress(), "11");
    EXPECT_EQ(
        unit.unstoredValues(),
        (std::vector<SimUnit::UnstoredValue>{{.code = "90", .working = "12", .stored = "11"}}));
}

TEST_F(UnitSettings, ActivateSwitchesTheLineAfterAcknowledgingInTheOldOne) {
    const struct {
        const char* code;
        const char* value;
        LineFormat line;
    } cases[] = {
        {"91", "1", {4800, 'e', 7, 1}},  {"91", "4", {600, 'e', 7, 1}},
        {"91", "5", {19200, 'e', 7, 1}}, {"91", "6", {38400, 'e', 7, 1}},
        {"92", "3", {9600, 'o', 7, 2}},  {"92", "4", {9600, 'n', 7, 1}},
        {"92", "7", {9600, 'o', 8, 1}},  {"92", "9", {9600, 'n', 8, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.code) + "=" + c.value);
        unit = SimUnit(*findModel("aa459"));
        ASSERT_EQ(write("11", c.code, c.value), kAckOnly);
        EXPECT_EQ(unit.line(), kNormal);

        const std::vector<Chunk> ack = unit.receive(writeFrame("11", "67", "1"), kNormal, nowMs);
        ASSERT_EQ(joined(ack), kAckOnly);
        EXPECT_DOUBLE_EQ(ack.back().atMs, nowMs + unit.turnaroundMs() + wireTimeMs(1, kNormal));
        EXPECT_EQ(unit.line(), c.line);
        EXPECT_TRUE(read("11", c.code, kNormal).empty());
        EXPECT_EQ(read("11", c.code, c.line), textAnswerFor(c.code, c.value));
    }
}

TEST_F(UnitSettings, PowerCycleWithoutStoreBringsBackTheOldValuesAndLine) {
    const LineFormat fast{19200, 'e', 7, 1};
    ASSERT_EQ(write("11", "00", "05000"), kAckOnly);
    ASSERT_EQ(write("11", "90", "12"), kAckOnly);
    ASSERT_EQ(write("11", "91", "5"), kAckOnly);
    ASSERT_EQ(write("11", "67", "1"), kAckOnly);
    ASSERT_EQ(read("12", "00", fast), textAnswerFor("00", "05000"));

    unit.unplug();
    unit.replug();
    EXPECT_EQ(unit.address(), "11");
    EXPECT_EQ(unit.line(), kNormal);
    EXPECT_EQ(read("11", "00"), textAnswerFor("00", "01200"));
    EXPECT_EQ(read("11", "90"), textAnswerFor("90", "11"));
    EXPECT_TRUE(unit.unstoredValues().empty());
}

TEST_F(UnitSettings, StoredValuesAndLineSurviveAPowerCycle) {
    const LineFormat fast{19200, 'o', 8, 1};
    ASSERT_EQ(write("11", "00", "05000"), kAckOnly);
    ASSERT_EQ(write("11", "90", "12"), kAckOnly);
    ASSERT_EQ(write("11", "91", "5"), kAckOnly);
    ASSERT_EQ(write("11", "92", "7"), kAckOnly);
    ASSERT_EQ(write("11", "67", "1"), kAckOnly);
    // The program follows the unit and stores under the new settings.
    EXPECT_EQ(write("12", "68", "1", fast), kAckOnly);
    EXPECT_TRUE(unit.unstoredValues().empty());

    unit.replug();
    EXPECT_EQ(unit.address(), "12");
    EXPECT_EQ(unit.line(), fast);
    EXPECT_EQ(read("12", "00", fast), textAnswerFor("00", "05000"));
}

TEST_F(UnitSettings, StoreKeepsWhatWasWrittenEvenBeforeItIsActivated) {
    ASSERT_EQ(write("11", "90", "34"), kAckOnly);
    ASSERT_EQ(write("11", "68", "1"), kAckOnly);
    EXPECT_EQ(unit.address(), "11");
    EXPECT_EQ(unit.storedAddress(), "34");
    unit.replug();
    EXPECT_EQ(unit.address(), "34");
    EXPECT_EQ(read("34", "90"), textAnswerFor("90", "34"));
}

TEST_F(UnitSettings, LineRegistersRefuseValuesTheUnitCannotTake) {
    const struct {
        const char* code;
        const char* value;
    } refused[] = {
        {"90", "100"}, {"90", "5"},  {"90", "+5"}, {"90", "-1"}, {"90", "1a"}, {"90", ""},
        {"91", "7"},   {"91", "-1"}, {"91", "x"},  {"92", "10"}, {"92", "-1"},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(write("11", c.code, c.value), kNakOnly) << c.code << "=" << c.value;
    }
    ASSERT_EQ(write("11", "67", "1"), kAckOnly);
    EXPECT_EQ(unit.address(), "11");
    EXPECT_EQ(unit.line(), kNormal);
    EXPECT_TRUE(unit.unstoredValues().empty());

    // The ends of the ranges are taken.
    for (const auto& [code, value] : {std::pair{"90", "00"},
                                      {"90", "99"},
                                      {"91", "0"},
                                      {"91", "6"},
                                      {"92", "0"},
                                      {"92", "9"}}) {
        EXPECT_EQ(write("11", code, value), kAckOnly) << code << "=" << value;
    }

    // Older firmware takes only what the PC's data set for it allows.
    unit = SimUnit(*findModel("aa45901"));
    EXPECT_EQ(write("11", "90", "10"), kNakOnly);
    EXPECT_EQ(write("11", "91", "5"), kNakOnly);
    EXPECT_EQ(write("11", "91", "4"), kAckOnly);
}

TEST_F(UnitSettings, SetUpAddressAndLineAreTheUnitsOwnAcrossPowerCycles) {
    const LineFormat line{38400, 'n', 7, 2};
    unit.setAddress("23");
    unit.setNormalLine(line);
    EXPECT_EQ(unit.registerValue("90"), "23");
    EXPECT_EQ(unit.registerValue("91"), "6");
    EXPECT_EQ(unit.registerValue("92"), "5");
    EXPECT_TRUE(unit.unstoredValues().empty());
    unit.replug();
    EXPECT_EQ(unit.address(), "23");
    EXPECT_EQ(unit.line(), line);

    // A replacement is set up like the unit it replaces, whatever was not stored.
    ASSERT_EQ(write("23", "90", "45", line), kAckOnly);
    ASSERT_EQ(write("23", "67", "1", line), kAckOnly);
    unit.replaceModel(*findModel("um516x"));
    EXPECT_EQ(unit.address(), "45");
    EXPECT_EQ(read("45", "90", line), textAnswerFor("90", "45"));
    unit.replug();
    EXPECT_EQ(unit.address(), "45");
    EXPECT_EQ(unit.line(), line);
}

// The reset input is set and released on the group's reset code and shows in the serial-input
// word, in its status register and in the combined status read.
TEST(UnitReset, FollowsWritesToTheResetCode) {
    const struct {
        const char* model;
        const char* code;
        std::uint16_t mask;
    } cases[] = {
        {"tq593", "58", 0x0200},  {"vm628", "58", 0x0200},     {"generic", "58", 0x0200},
        {"aa459", "60", 0x0080},  {"nt876", "60", 0x0080},     {"aa45911", "60", 0x0080},
        {"um516x", "60", 0x0080}, {"e81390710", "60", 0x0080},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        SimUnit unit(*findModel(c.model));
        unit.setStatusActualValue(0);
        ASSERT_TRUE(unit.model().commands);
        EXPECT_EQ(unit.model().commands->resetCode, c.code);
        const UnitStatus before = unit.status();
        ASSERT_EQ(before.serialInputs & c.mask, 0);

        EXPECT_EQ(joined(unit.receive(writeFrame("11", c.code, "1"), kNormal, 0)), kAckOnly);
        UnitStatus on = before;
        on.serialInputs = static_cast<std::uint16_t>(before.serialInputs | c.mask);
        EXPECT_EQ(unit.status(), on);
        if (const auto& layout = unit.model().status) {
            char word[8];
            std::snprintf(word, sizeof word, "H%04X", on.serialInputs);
            EXPECT_EQ(joined(unit.receive(readRequest("11", layout->serialInputCode), kNormal, 0)),
                      textAnswerFor(layout->serialInputCode, word));
        }
        if (unit.model().multiRead) {
            const Bytes answer = joined(unit.receive(readRequest("11", "9g"), kNormal, 0));
            const auto data =
                encodeMultiRead({on.serialInputs, on.externalInputs, on.busInputs, 0, on.outputs});
            ASSERT_EQ(answer.size(), 5 + data.size() + 2);
            EXPECT_TRUE(std::equal(data.begin(), data.end(), answer.begin() + 5));
        }

        EXPECT_EQ(joined(unit.receive(writeFrame("11", c.code, "2"), kNormal, 0)), kNakOnly);
        EXPECT_EQ(unit.status(), on);
        EXPECT_EQ(joined(unit.receive(writeFrame("11", c.code, "0"), kNormal, 0)), kAckOnly);
        EXPECT_EQ(unit.status(), before);

        // A power cycle releases it.
        unit.receive(writeFrame("11", c.code, "1"), kNormal, 0);
        unit.replug();
        EXPECT_EQ(unit.status(), before);
    }
}

// The program's own serial follow-up against the unit: the settings it writes, activates and
// then opens the port with.
class SettingsThroughProgram : public test::LinkFixture {
  protected:
    SettingsThroughProgram() : LinkFixture("aa459") {}
};

TEST_F(SettingsThroughProgram, PcFindsTheUnitUnderItsNewSettings) {
    ASSERT_EQ(link.Transmit_Parameter("11", "90", "12"), 1);
    ASSERT_EQ(link.Transmit_Parameter("11", "91", "5"), 1);
    ASSERT_EQ(link.Transmit_Parameter("11", "92", "6"), 1);
    ASSERT_EQ(link.Transmit_Parameter("11", "67", "1"), 1);

    std::string value(12, ' ');
    EXPECT_LT(link.Read_Parameter("11", "91", value), 0);
    settings.UnitAddress = "12";
    settings.BaudRateCode = 5;
    settings.SerialFormatCode = 6;
    ASSERT_EQ(link.SetSerial(), 1);
    value.assign(12, ' ');
    EXPECT_GT(link.Read_Parameter("12", "91", value), 0);
    EXPECT_EQ(value.substr(0, 1), "5");
    EXPECT_EQ(link.Transmit_Parameter("12", "68", "1"), 1);
    EXPECT_EQ(unit.storedLine(), (LineFormat{19200, 'e', 8, 1}));
}

}  // namespace
}  // namespace qu32::sim
