#include <gtest/gtest.h>

#include <regex>

#include "support/LinkFixture.h"
#include "unit/UnitData.h"

namespace qu32::test {
namespace {

class DescriptionReader : public LinkFixture {
  protected:
    explicit DescriptionReader(const std::string& model = "tq593") : LinkFixture(model) {}
    void SetUp() override {
        LinkFixture::SetUp();
        window.setObserver([this](Control& c, Control::Property p) {
            if (p == Control::Property::Caption)
                captions.push_back(c.caption());
        });
        link.tmrTimeout().setInterval(1000);
    }
    // The step captions, without the block reads' " - n/m" progress.
    std::vector<std::string> stepCaptions() const {
        static const std::regex progress(".* - [0-9]+/[0-9]+$");
        std::vector<std::string> out;
        for (const auto& c : captions) {
            if (std::regex_match(c, progress))
                continue;
            // The block read puts the step's caption back after its progress.
            const std::string step = c.substr(c.find("... ") + 4);
            if (out.empty() || out.back() != step)
                out.push_back(step);
        }
        return out;
    }
    void injectFault(sim::FaultKind kind, const std::string& code, int count) {
        unit.injectFault({kind, code, count});
    }
    void expectBackOnConfiguredLine() {
        EXPECT_EQ(port.settings(), "9600,e,7,1");
        EXPECT_EQ(formatPanel.caption(), "9600, 7, 1, E");
    }

    UnitData data{link};
    std::vector<std::string> captions;
};

TEST_F(DescriptionReader, WholeSequenceWithItsCaptionsInOrder) {
    ASSERT_EQ(data.Read_UnitData(""), 1);
    EXPECT_GT(data.description.ParamCount, 60);
    EXPECT_EQ(data.scrollMax, data.description.ParamCount - 1);
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
    EXPECT_EQ(stepCaptions(), expected);
    EXPECT_EQ(captions.front(),
              "QU 3.2  -  Initializing Communication ... Read UnitData: switch to 8 bit: 1");
    // The texts arrived with all eight bits.
    bool umlaut = false;
    for (int i = 0; i < data.description.ParamCount; ++i) {
        for (char c : data.description.params[static_cast<std::size_t>(i)].ParamText)
            umlaut |= static_cast<unsigned char>(c) > 127;
    }
    EXPECT_TRUE(umlaut);
}

TEST_F(DescriptionReader, EightBitSwitchGivesUpAfterTheSixthFailure) {
    injectFault(sim::FaultKind::NoAnswer, "9>", 6);
    const int requestsBefore = unit.requestsSeen();
    EXPECT_EQ(data.Read_UnitData(""), -2);
    EXPECT_EQ(data.lastMessage, "Error during switch to 8 bits.");
    EXPECT_EQ(unit.requestsSeen() - requestsBefore, 6);
    expectBackOnConfiguredLine();
    EXPECT_EQ(captions.back(),
              "QU 3.2  -  Initializing Communication ... Read UnitData: switch to 8 bit: 6");
}

TEST_F(DescriptionReader, AnswerAtTheSixthAttemptStillSucceeds) {
    injectFault(sim::FaultKind::NoAnswer, "9>", 5);
    EXPECT_EQ(data.Read_UnitData(""), 1);
    injectFault(sim::FaultKind::BadBcc, "9<", 5);
    EXPECT_EQ(data.Read_UnitData(""), 1);
    expectBackOnConfiguredLine();
}

TEST_F(DescriptionReader, BlockThatNeverArrivesLeavesTheUnitAndThePcOnSevenBits) {
    injectFault(sim::FaultKind::BadBcc, "9=", -1);
    EXPECT_EQ(data.Read_UnitData(""), -2);
    EXPECT_EQ(data.lastMessage, "Error: Read ParameterTexts failed.");
    EXPECT_FALSE(unit.eightBitMode()) << "the unit is asked back before the PC gives up";
    expectBackOnConfiguredLine();
    std::string text(12, ' ');
    EXPECT_GT(link.Read_Parameter("11", "00", text), 0);
}

TEST_F(DescriptionReader, UnitLostWhileSwitchingBackEndsWithZero) {
    injectFault(sim::FaultKind::NoAnswer, "9?", -1);
    EXPECT_EQ(data.Read_UnitData(""), 0);
    expectBackOnConfiguredLine();
}

TEST_F(DescriptionReader, SelectorThatInstallsADescriptionSkipsTheUnit) {
    int asked = 0;
    data.setFirmwareSelector([&] {
        ++asked;
        return true;
    });
    const int before = unit.requestsSeen();
    EXPECT_EQ(data.Read_UnitData(""), 1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(unit.requestsSeen(), before);
}

class OldUnitReader : public DescriptionReader {
  protected:
    OldUnitReader() : DescriptionReader("aa459") {}
};

TEST_F(OldUnitReader, NoTextBlocksFallsBackToProbingOnSevenBits) {
    ASSERT_EQ(data.Identify_Unit(""), 1);
    EXPECT_EQ(data.Read_UnitData(""), -3);
    EXPECT_EQ(data.lastMessage, "Error: Unknow Code");
    EXPECT_FALSE(unit.eightBitMode());
    expectBackOnConfiguredLine();
    ASSERT_EQ(data.Build_ParameterList(), 1);
    const UnitDescription& d = data.description;
    EXPECT_EQ(d.params[0].ParamText, "DATA-IN");
    EXPECT_EQ(d.params[1].ParamText, "Parameter 00");
    EXPECT_EQ(d.params[1].ParamCode, "00");
    const Parameter* setUp = nullptr;
    int blankBeforeSetUp = 0;
    for (int i = 1; i < d.ParamCount; ++i) {
        if (d.params[static_cast<std::size_t>(i)].ParamText == "SET-UP") {
            setUp = &d.params[static_cast<std::size_t>(i)];
            blankBeforeSetUp = d.params[static_cast<std::size_t>(i - 1)].ParamText.empty();
        }
    }
    ASSERT_NE(setUp, nullptr);
    EXPECT_TRUE(setUp->isHeading());
    EXPECT_TRUE(blankBeforeSetUp);
    EXPECT_EQ(d.params[static_cast<std::size_t>(d.ParamCount - 1)].ParamCode, "92");
    EXPECT_EQ(d.InputCount, 9);
    EXPECT_EQ(d.inputs[0].InputText, "C60/Term. 9");
    EXPECT_EQ(d.OutputCount, 4);
    EXPECT_EQ(d.OutputText[3], "Term. 24");
}

TEST_F(OldUnitReader, ProbingStopsWhenTheUnitGoesAway) {
    ASSERT_EQ(data.Identify_Unit(""), 1);
    link.tmrTimeout().setInterval(100);
    unit.unplug();
    EXPECT_EQ(data.Build_ParameterList(), -1);
}

}  // namespace
}  // namespace qu32::test
