#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "mainwindow/IoDisplay.h"
#include "support/Answers.h"
#include "support/LinkFixture.h"
#include "unit/UnitGroups.h"

namespace qu32::test {
namespace {

// The combined read's answer for the serial, external and bus input words, the actual value and
// the output word.
Bytes combined(std::array<std::uint16_t, 5> words) {
    const auto data = sim::encodeMultiRead(words);
    return blockFrame("9g", Bytes(data.begin(), data.end()));
}

// Lit panels as a string of 0 and 1, panel 0 first.
template <std::size_t N>
std::string lit(const std::array<Control, N>& panels) {
    std::string s;
    for (const auto& p : panels)
        s += p.backColor() == kWhite ? '0' : '1';
    return s;
}

class IoDisplayTest : public LinkFixture {
  protected:
    void SetUp() override {
        LinkFixture::SetUp();
        loadGroupRegisters(1, unit.group);
        unit.description.inputCount = kInputButtons;
        unit.description.outputCount = kOutputPanels;
    }
    // Each register gives its answers in turn and over again (an empty one stays silent); one
    // without answers is unknown. Counts the requests per register.
    void script(std::map<std::string, std::vector<Bytes>> answers) {
        requests.clear();
        port.setResponder([this, answers](const Bytes& request) {
            const std::string code{char(request[3]), char(request[4])};
            const auto n = std::size_t(requests[code]++);
            const auto it = answers.find(code);
            const Bytes answer = it == answers.end() || it->second.empty()
                                     ? Bytes{kStx, request[3], request[4], kEot}
                                     : it->second[n % it->second.size()];
            return answer.empty() ? std::vector<sim::Chunk>{}
                                  : std::vector<sim::Chunk>{{5, answer}};
        });
    }
    // Serial, external and bus inputs, then the outputs.
    std::string panels() {
        return lit(controls.inputPcPanels) + " " + lit(controls.inputExternalPanels) + " " +
               lit(controls.inputBusPanels) + " " + lit(controls.outputPanels);
    }

    ConnectedUnit unit{link};
    MainWindowControls controls;
    ValueDisplay value{controls};
    IoDisplay io{controls, unit, value};
    std::map<std::string, int> requests;
};

// The fifth refusal or the fifth other failure ends the read, whichever comes first.
TEST(StatusRetry, CountsRefusalsAndOtherFailuresApart) {
    constexpr Result kRefused = Result::NotAcknowledged;
    constexpr Result kLost = Result::TimeoutHeader;
    for (const auto& [odd, even, expected] :
         {std::tuple{kRefused, kLost, kRefused}, {kLost, kRefused, Result::LineFailed}}) {
        int calls = 0;
        EXPECT_EQ(retryStatusRead([&] { return ++calls % 2 ? odd : even; }), expected);
        EXPECT_EQ(calls, 9);
    }
}

TEST_F(IoDisplayTest, CombinedReadRetriesAndPaintsEverythingWithinTheCountsAndThePlainValue) {
    unit.identity.unitType = "TQ593";  // a percentage unit; the combined read still reads counts
    // Failures of every kind count together: five make a lost unit, four do not; an unknown
    // register ends the read at once.
    Bytes badCheck = combined({});
    badCheck.back() ^= 1;
    script({{"9g", {badCheck, {}}}});
    EXPECT_EQ(io.refreshAllIo(), Result::LineFailed);
    EXPECT_EQ(requests["9g"], 5);
    script({{"9g", {{}, {kStx, '9', 'g', kEot}}}});
    EXPECT_EQ(io.refreshAllIo(), Result::UnknownCode);
    EXPECT_EQ(requests["9g"], 2);
    script({{"9g", {{}, badCheck, {}, {}, combined({0x1000, 0x8001, 0x0080, 52, 0x000F})}}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(requests["9g"], 5);
    EXPECT_EQ(panels(), "0000000000000100 1000000000000010 0000001000000000 11110000");
    EXPECT_EQ(controls.valueText.caption(), "+52");
    EXPECT_EQ(controls.barSegments[27].backColor(), kRed);

    script({{"9g", {combined({0, 0, 0, 0xFF7F, 0})}}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(controls.valueText.caption(), "-129");
    EXPECT_EQ(panels().find('1'), std::string::npos);

    // Only the unit's own inputs light; outputs as far as the group's masks go.
    unit.description.inputCount = 3;
    unit.description.outputCount = kMaxOutputTexts;
    script({{"9g", {combined({0xFFFF, 0, 0, 0, 0xFFFF})}}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(lit(controls.inputPcPanels) + lit(controls.outputPanels),
              "1110000000000000"
              "11110000");
}

// Each single read lights only its own panels. Only the serial inputs are read with retries; an
// unknown register is told apart, and a failed read keeps the word read before.
TEST_F(IoDisplayTest, SingleReadsLightTheirOwnPanelsAndOnlyTheSerialInputsRetry) {
    const struct {
        Result (IoDisplay::*read)();
        const char* code;
        std::int16_t StatusWords::*word;
        int attempts;
    } readers[] = {
        {&IoDisplay::showPcInputs, "86", &StatusWords::pcInputs, 5},
        {&IoDisplay::showExternalInputs, "87", &StatusWords::externalInputs, 1},
        {&IoDisplay::showBusInputs, "8C", &StatusWords::busInputs, 1},
    };
    for (std::size_t k = 0; k < std::size(readers); ++k) {
        const auto& r = readers[k];
        io.clearLiveDisplay();
        script({{r.code, {answerFrame(r.code, "H1000")}}});  // bit 4096 is input 13
        ASSERT_EQ((io.*r.read)(), Result::Ok) << r.code;
        EXPECT_EQ(lit(controls.inputPcPanels) + lit(controls.inputExternalPanels) +
                      lit(controls.inputBusPanels),
                  std::string(16 * k, '0') + "0000000000000100" + std::string(32 - 16 * k, '0'));

        script({{r.code, {{}}}});
        EXPECT_EQ((io.*r.read)(), Result::LineFailed) << r.code;
        EXPECT_EQ(requests[r.code], r.attempts) << r.code;
        EXPECT_EQ(unit.status.*r.word, 0x1000) << r.code;
        script({});
        EXPECT_EQ((io.*r.read)(), Result::UnknownCode) << r.code;
        EXPECT_EQ(requests[r.code], 1) << r.code;
    }

    loadGroupRegisters(10, unit.group);  // outputs 128 .. 1
    loadGroupRegisters(1, unit.group);   // outputs 1, 2, 4, 8; 4 to 7 keep 8, 4, 2, 1
    for (const auto& [word, shown] :
         {std::pair{"H08", "00011000"}, {"H01", "10000001"}, {"H10", "00000000"}}) {
        script({{"85", {answerFrame("85", word)}}});
        ASSERT_EQ(io.showOutputs(), Result::Ok);
        EXPECT_EQ(lit(controls.outputPanels), shown) << word;
        EXPECT_EQ(controls.outputPanels[0].backColor(), shown[0] == '1' ? kRed : kWhite);
    }
}

// The title, the scale marks left, centre and right (empty where hidden), and how many of the
// bar segments and of the scale lines show, after a layout for the unit type before.
TEST_F(IoDisplayTest, MonitorLayoutByUnitType) {
    const char* const cases[][3] = {
        {"", "Display Unit", "DISPLAY VALUE || bar: lines:"},
        {"ZH876", "TQ593", "OUTPUT VALUE -100%|0%|+100% bar:all lines:all"},
        {"", "QR929", "DIFFERENTIAL COUNTER -50|0|+50 bar:all lines:all"},
        {"TQ593", "KQ780", "Input VALUE -100%|0%| bar:all lines:"},
        {"NT628", "KQ780", "Input VALUE || bar: lines:"},
    };
    const auto showing = [](const auto& controls) {
        const auto n = std::count_if(controls.begin(), controls.end(),
                                     [](const Control& c) { return c.visible(); });
        return n == 0 ? "" : n == std::ssize(controls) ? "all" : "some";
    };
    for (const auto& [before, type, shown] : cases) {
        MainWindowControls f;
        IoDisplay display(f, unit, value);
        unit.identity.unitType = before;
        display.applyMonitorLayout();
        unit.identity.unitType = type;
        display.applyMonitorLayout();
        std::string s = f.monitorTitle.caption();
        for (const auto& m : f.scaleMarks)
            s += (&m == &f.scaleMarks[0] ? " " : "|") + (m.visible() ? m.caption() : "");
        EXPECT_EQ(s + " bar:" + showing(f.barSegments) + " lines:" + showing(f.scaleLines), shown);
    }
}

TEST_F(IoDisplayTest, DescriptionCaptionsTheButtonsAndClearingLeavesThem) {
    controls.inputButtons[5].setCaption("old unit");
    unit.description.inputCount = 3;
    unit.description.inputs[0] = {"Reset", true, false};
    unit.description.inputs[1] = {"Start", false, true};
    unit.description.inputs[2] = {"Stop", true, false};
    unit.description.inputs[3] = {"beyond", true, false};
    unit.description.outputCount = 2;
    unit.description.outputTexts[1] = "Term. 22";
    io.showDescription();
    EXPECT_EQ(controls.inputButtons[0].caption() + controls.inputButtons[1].caption() +
                  controls.inputButtons[2].caption() + controls.inputButtons[3].caption() +
                  controls.inputButtons[5].caption(),
              "ResetStartStop");
    EXPECT_EQ(controls.outputPanels[1].caption(), "Term. 22");

    script({{"9g", {combined({0xFFFF, 0xFFFF, 0xFFFF, 8, 0xFFFF})}}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    io.clearLiveDisplay();
    EXPECT_EQ(panels().find('1'), std::string::npos);
    EXPECT_EQ(controls.inputButtons[0].caption(), "Reset") << "texts stay until a new description";
    EXPECT_EQ(controls.valueText.caption(), "+8") << "the value display is not part of it";
}

}  // namespace
}  // namespace qu32::test
