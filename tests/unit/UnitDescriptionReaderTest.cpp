#include <gtest/gtest.h>

#include "support/LinkFixture.h"
#include "unit/ConnectedUnit.h"

namespace qu32::test {
namespace {

class DescriptionReader : public LinkFixture {
  protected:
    explicit DescriptionReader(const std::string& model = "tq593") : LinkFixture(model) {}
    void SetUp() override {
        LinkFixture::SetUp();
        link.setAnswerTimeoutMs(1000);
    }
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
    void expectBackOnConfiguredLine() {
        EXPECT_EQ(port.settings(), "9600,e,7,1");
        EXPECT_EQ(observer.serialSettings, "COM 1 | Unit 11 | 9600, 7, 1, E");
    }

    ConnectedUnit data{link};
};

TEST_F(DescriptionReader, WholeSequenceWithItsCaptionsInOrder) {
    ASSERT_EQ(data.readUnitDescription(), Result::Ok);
    EXPECT_GT(data.description.parameterCount, 60);
    EXPECT_FALSE(unit.eightBitMode());
    expectBackOnConfiguredLine();
    const std::vector<std::string> expected = {
        "Read UnitData: switch to 8 bit: 1",
        "Read UnitData: switch  PC-COM to 8 bit: ",
        "Read UnitData: check switching to 8 bit: 1",
        "Read UnitData: read Data ParameterTexts :1",
        "Read UnitData: read Data ParameterTexts :1 Res= 1",
        "Read UnitData: read Data InputTexts :1",
        "Read UnitData: read Data InputTexts :1 Res= 1",
        "Read UnitData: read Data OutTexts :1",
        "Read UnitData: read Data OutputTexts :1 Res= 1",
        "Read Default Values: read Data Read_Default_Values :1",
        "Read Default Values: read Data Read_Default_Values :1 Res= 1",
        "Read UnitData: read Data MinValues :1",
        "Read UnitData: read Data MinValues :1 Res= 1",
        "Read UnitData: read Data MaxValues :1",
        "Read UnitData: read Data MaxValues :1 Res= 1",
        "Read UnitData: read Data Stellenzahl :1",
        "Read UnitData: read Data Stellenzahl :1 Res= 1",
        "Read UnitData: read Data Chars :1",
        "Read UnitData: read Data Chars :1 Res= 1",
        "Read UnitData: set Data format back :1",
        "Read UnitData: set Com format back",
        "Read UnitData: Test Com:1",
    };
    EXPECT_EQ(steps(), expected);
    EXPECT_EQ(observer.progress.front(),
              "Initializing Communication ... Read UnitData: switch to 8 bit: 1");
    // The texts arrived with all eight bits.
    bool umlaut = false;
    for (int i = 0; i < data.description.parameterCount; ++i) {
        for (char c : data.description.parameters[static_cast<std::size_t>(i)].text)
            umlaut |= static_cast<unsigned char>(c) > 127;
    }
    EXPECT_TRUE(umlaut);
}

TEST_F(DescriptionReader, EightBitSwitchGivesUpAfterTheSixthFailure) {
    injectFault(sim::FaultKind::NoAnswer, "9>", 6);
    const int requestsBefore = unit.requestsSeen();
    EXPECT_EQ(data.readUnitDescription(), Result::TimeoutHeader);
    EXPECT_EQ(data.lastMessage, "Error during switch to 8 bits.");
    EXPECT_EQ(unit.requestsSeen() - requestsBefore, 6);
    expectBackOnConfiguredLine();
    EXPECT_EQ(steps().back(), "Read UnitData: switch to 8 bit: 6");
}

TEST_F(DescriptionReader, AnswerAtTheSixthAttemptStillSucceeds) {
    injectFault(sim::FaultKind::NoAnswer, "9>", 5);
    EXPECT_EQ(data.readUnitDescription(), Result::Ok);
    injectFault(sim::FaultKind::BadBcc, "9<", 5);
    EXPECT_EQ(data.readUnitDescription(), Result::Ok);
    expectBackOnConfiguredLine();
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
    ASSERT_EQ(data.probeParameterList(), Result::Ok);
    const UnitDescription& d = data.description;
    EXPECT_EQ(d.parameters[0].text, "DATA-IN");
    EXPECT_EQ(d.parameters[1].text, "Parameter 00");
    EXPECT_EQ(d.parameters[1].code, "00");
    const Parameter* setUp = nullptr;
    int blankBeforeSetUp = 0;
    for (int i = 1; i < d.parameterCount; ++i) {
        if (d.parameters[static_cast<std::size_t>(i)].text == "SET-UP") {
            setUp = &d.parameters[static_cast<std::size_t>(i)];
            blankBeforeSetUp = d.parameters[static_cast<std::size_t>(i - 1)].text.empty();
        }
    }
    ASSERT_NE(setUp, nullptr);
    EXPECT_TRUE(setUp->isHeading());
    EXPECT_TRUE(blankBeforeSetUp);
    EXPECT_EQ(d.parameters[static_cast<std::size_t>(d.parameterCount - 1)].code, "92");
    EXPECT_EQ(d.inputCount, 9);
    EXPECT_EQ(d.inputs[0].text, "C60/Term. 9");
    EXPECT_EQ(d.outputCount, 4);
    EXPECT_EQ(d.outputTexts[3], "Term. 24");
}

TEST_F(OldUnitReader, ProbingStopsWhenTheUnitGoesAway) {
    ASSERT_EQ(data.identifyUnit(), Result::Ok);
    link.setAnswerTimeoutMs(100);
    unit.unplug();
    EXPECT_EQ(data.probeParameterList(), Result::LineFailed);
}

}  // namespace
}  // namespace qu32::test
