#include <gtest/gtest.h>

#include "serial/Frames.h"
#include "support/LinkFixture.h"
#include "unit/ConnectedUnit.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

class DescriptionReader : public LinkFixture {
  protected:
    explicit DescriptionReader(const std::string& model = "tq593") : LinkFixture(model) {}
    // The step texts without their common beginning.
    std::vector<std::string> steps() const {
        std::vector<std::string> out;
        for (const auto& text : observer.progress)
            out.push_back(text.substr(text.find("... ") + 4));
        return out;
    }
    void injectFault(sim::FaultKind kind, const std::string& code, int count) {
        unit.injectFault({kind, code, count});
    }
    // The registers the PC asked the unit for, in order.
    std::vector<std::string> requestedCodes() const {
        std::vector<std::string> codes;
        const Bytes& w = port.written();
        for (std::size_t i = 0; i + 5 < w.size(); ++i) {
            if (w[i] == kEot && w[i + 5] == kEnq)
                codes.push_back({static_cast<char>(w[i + 3]), static_cast<char>(w[i + 4])});
        }
        return codes;
    }
    void expectBackOnConfiguredLine() {
        EXPECT_EQ(port.settings(), "9600,e,7,1");
        EXPECT_EQ(observer.serialSettings, "COM 1 | Unit 11 | 9600, 7, 1, E");
    }

    ConnectedUnit data{link};
};

TEST_F(DescriptionReader, WholeSequenceAsksForEveryBlockAndEndsOnSevenBits) {
    port.clearWritten();
    ASSERT_EQ(data.readUnitDescription(), Result::Ok);
    EXPECT_GT(data.description.parameterCount, 60);
    // Into the 8-bit phase and checked, the blocks (the default values too, because the unit
    // expects it), back and checked.
    EXPECT_EQ(requestedCodes(), (std::vector<std::string>{"9>", "00", "9a", "9b", "9c", "9j", "9<",
                                                          "9=", "9;", "9:", "9?", "00"}));
    EXPECT_FALSE(unit.eightBitMode());
    expectBackOnConfiguredLine();
    // Every step says what it does; a block read its attempt and its result.
    const std::vector<std::string> shown = steps();
    ASSERT_EQ(shown.size(), 22u);
    EXPECT_EQ(observer.progress.front(),
              "Initializing Communication ... Read UnitData: switch to 8 bit: 1");
    EXPECT_EQ(shown[4], "Read UnitData: read Data ParameterTexts :1 Res= 1");
    EXPECT_EQ(shown.back(), "Read UnitData: Test Com:1");
}

// Every step is tried six times.
TEST_F(DescriptionReader, EightBitSwitchGivesUpAfterTheSixthFailure) {
    injectFault(sim::FaultKind::NoAnswer, "9>", 5);
    EXPECT_EQ(data.readUnitDescription(), Result::Ok);
    injectFault(sim::FaultKind::BadBcc, "9<", 5);
    EXPECT_EQ(data.readUnitDescription(), Result::Ok);

    injectFault(sim::FaultKind::NoAnswer, "9>", 6);
    const int requestsBefore = unit.requestsSeen();
    EXPECT_EQ(data.readUnitDescription(), Result::TimeoutHeader);
    EXPECT_EQ(data.lastMessage, "Error during switch to 8 bits.");
    EXPECT_EQ(unit.requestsSeen() - requestsBefore, 6);
    expectBackOnConfiguredLine();
    EXPECT_EQ(steps().back(), "Read UnitData: switch to 8 bit: 6");
}

TEST_F(DescriptionReader, BlockThatNeverArrivesLeavesTheUnitAndThePcOnSevenBits) {
    injectFault(sim::FaultKind::BadBcc, "9=", -1);
    EXPECT_EQ(data.readUnitDescription(), Result::BadBlockCheck);
    EXPECT_EQ(data.lastMessage, "Error: Read ParameterTexts failed.");
    EXPECT_FALSE(unit.eightBitMode()) << "the unit is asked back before the PC gives up";
    expectBackOnConfiguredLine();
    std::string text;
    EXPECT_EQ(link.readRegister("00", text), Result::Ok);
}

TEST_F(DescriptionReader, UnitLostWhileSwitchingBackIsGivenUpAtOnce) {
    injectFault(sim::FaultKind::NoAnswer, "9?", -1);
    const int requestsBefore = unit.requestsSeen();
    EXPECT_EQ(data.readUnitDescription(), Result::TimeoutHeader);
    expectBackOnConfiguredLine();
    // One "9?" after the blocks, not retried and not repeated on the way out.
    EXPECT_EQ(steps().back(), "Read UnitData: set Data format back :1");
    EXPECT_EQ(unit.requestsSeen() - requestsBefore, 11);
}

TEST_F(DescriptionReader, SelectorThatInstallsADescriptionSkipsTheUnit) {
    int asked = 0;
    data.setDescriptionSource([&] {
        ++asked;
        return true;
    });
    const int before = unit.requestsSeen();
    EXPECT_EQ(data.readUnitDescription(), Result::Ok);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(unit.requestsSeen(), before);
}

class OldUnitReader : public DescriptionReader {
  protected:
    OldUnitReader() : DescriptionReader("aa459") {}
};

TEST_F(OldUnitReader, NoTextBlocksFallsBackToProbingOnSevenBits) {
    ASSERT_EQ(data.identifyUnit(), Result::Ok);
    EXPECT_EQ(data.readUnitDescription(), Result::UnknownCode);
    EXPECT_EQ(data.lastMessage, "Error: Unknow Code");
    EXPECT_FALSE(unit.eightBitMode());
    expectBackOnConfiguredLine();
    // Each data and set-up register the unit has becomes a line under its heading, shown and
    // limited in the shape of the value it answered.
    ASSERT_EQ(data.probeParameterList(), Result::Ok);
    const UnitDescription& d = data.description;
    std::vector<std::string> lines;
    for (int i = 0; i < d.parameterCount; ++i) {
        const Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        lines.push_back(p.isHeading() ? p.text : p.code + "=" + limitValue(p.value, p.format));
    }
    std::vector<std::string> expected = {"DATA-IN"};
    for (const auto& [code, reg] : unit.model().registers) {
        if (code == "40")
            expected.insert(expected.end(), {"", "SET-UP"});
        expected.push_back(code + "=" + reg.initialValue);
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(d.parameters[1].text, "Parameter 00");
    // The inputs and outputs of its group.
    EXPECT_EQ(d.inputCount, 9);
    EXPECT_EQ(d.outputCount, 4);
}

TEST_F(OldUnitReader, ProbingStopsWhenTheUnitGoesAway) {
    ASSERT_EQ(data.identifyUnit(), Result::Ok);
    link.setAnswerTimeoutMs(100);
    unit.unplug();
    EXPECT_EQ(data.probeParameterList(), Result::LineFailed);
}

}  // namespace
}  // namespace qu32::test
