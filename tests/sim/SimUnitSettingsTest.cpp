// Working and stored values, activate, store and the unit's own line settings.
#include <gtest/gtest.h>

#include "SimTestFrames.h"
#include "sim/SimUnit.h"

namespace qu32::sim {
namespace {

using namespace qu32::sim::testing;

const Bytes kAckOnly{kAck};

// An AA459 of group 1: activate "67", store "68", line registers "90" to "92".
class UnitSettings : public ::testing::Test {
  protected:
    Bytes write(const std::string& address, const std::string& code, const std::string& value,
                const LineFormat& line = kNormal) {
        return joined(unit.receive(writeFrame(address, code, value), line, nowMs += 100));
    }
    Bytes read(const std::string& address, const std::string& code,
               const LineFormat& line = kNormal) {
        return joined(unit.receive(readRequest(address, code), line, nowMs += 100));
    }

    SimUnit unit{*findModel("aa459")};
    double nowMs = 0;
};

// A written setting reads back at once but takes effect only when a written "1" activates it;
// the acknowledge of that still goes out in the old settings.
TEST_F(UnitSettings, ActivateSwitchesAddressAndLineAfterAcknowledgingInTheOldOnes) {
    const struct {
        const char* code;
        const char* value;
        const char* address;
        LineFormat line;
    } cases[] = {
        {"90", "12", "12", kNormal},          {"91", "1", "11", {4800, 'e', 7, 1}},
        {"91", "4", "11", {600, 'e', 7, 1}},  {"91", "6", "11", {38400, 'e', 7, 1}},
        {"92", "3", "11", {9600, 'o', 7, 2}}, {"92", "4", "11", {9600, 'n', 7, 1}},
        {"92", "9", "11", {9600, 'n', 8, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.code) + "=" + c.value);
        unit = SimUnit(*findModel("aa459"));
        const std::string before = *unit.registerValue(c.code);
        ASSERT_EQ(write("11", c.code, c.value), kAckOnly);
        EXPECT_EQ(read("11", c.code), textAnswerFor(c.code, c.value));
        EXPECT_EQ(read("11", "67"), kAckOnly);
        EXPECT_EQ(write("11", "67", "0"), kAckOnly);
        EXPECT_EQ(unit.line(), kNormal);
        EXPECT_EQ(unit.address(), "11");

        const std::vector<Chunk> ack = unit.receive(writeFrame("11", "67", "1"), kNormal, nowMs);
        ASSERT_EQ(joined(ack), kAckOnly);
        EXPECT_DOUBLE_EQ(ack.back().atMs, nowMs + unit.turnaroundMs() + wireTimeMs(1, kNormal));
        EXPECT_EQ(unit.line(), c.line);
        EXPECT_EQ(unit.address(), c.address);
        EXPECT_TRUE(read("11", c.code, kNormal).empty());
        EXPECT_EQ(read(c.address, c.code, c.line), textAnswerFor(c.code, c.value));
        // Active, but not stored yet.
        EXPECT_EQ(unit.unstoredValues(),
                  (std::vector<SimUnit::UnstoredValue>{
                      {.code = c.code, .working = c.value, .stored = before}}));
    }
}

TEST_F(UnitSettings, PowerCycleBringsBackWhatWasStored) {
    const LineFormat fast{19200, 'o', 8, 1};
    for (const auto& [code, value] :
         {std::pair{"00", "05000"}, {"90", "12"}, {"91", "5"}, {"92", "7"}, {"67", "1"}})
        ASSERT_EQ(write("11", code, value), kAckOnly) << code;
    ASSERT_EQ(read("12", "00", fast), textAnswerFor("00", "05000"));
    SimUnit unstored = unit;

    // Without a store the old values, address and line return.
    unstored.replug();
    EXPECT_EQ(unstored.address(), "11");
    EXPECT_EQ(unstored.line(), kNormal);
    EXPECT_EQ(unstored.registerValue("00"), "01200");
    EXPECT_TRUE(unstored.unstoredValues().empty());

    // The program follows the unit and stores under the new settings.
    EXPECT_EQ(write("12", "68", "1", fast), kAckOnly);
    EXPECT_TRUE(unit.unstoredValues().empty());
    unit.unplug();
    unit.replug();
    EXPECT_EQ(unit.address(), "12");
    EXPECT_EQ(unit.line(), fast);
    EXPECT_EQ(read("12", "00", fast), textAnswerFor("00", "05000"));

    // What is stored is what was written, activated or not.
    ASSERT_EQ(write("12", "90", "34", fast), kAckOnly);
    ASSERT_EQ(write("12", "68", "1", fast), kAckOnly);
    EXPECT_EQ(unit.address(), "12");
    unit.replug();
    EXPECT_EQ(read("34", "90", fast), textAnswerFor("90", "34"));
}

TEST_F(UnitSettings, SetUpAddressAndLineAreTheUnitsOwnAcrossPowerCyclesAndReplacement) {
    const LineFormat line{38400, 'n', 7, 2};
    unit.setAddress("23");
    unit.setNormalLine(line);
    EXPECT_EQ(unit.registerValue("90"), "23");
    EXPECT_EQ(unit.registerValue("91"), "6");
    EXPECT_EQ(unit.registerValue("92"), "5");
    EXPECT_TRUE(unit.unstoredValues().empty());
    unit.receive(readRequest("23", "9>"), line, 0);
    // A replacement brings its own registers and powers up in the normal format, but was set up
    // like the unit it replaces.
    unit.replaceModel(*findModel("um516x"));
    EXPECT_EQ(read("23", "44", line), unknownFor("44"));
    unit.replug();
    EXPECT_EQ(unit.address(), "23");
    EXPECT_EQ(unit.line(), line);
    EXPECT_EQ(read("23", "90", line), textAnswerFor("90", "23"));
}

}  // namespace
}  // namespace qu32::sim
