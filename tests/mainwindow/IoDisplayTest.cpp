#include <gtest/gtest.h>

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
    // Answers from the table (an empty entry stays silent, a missing one is "Unknown code.") after
    // the first `silentFirst` requests went unanswered; counts requests per register.
    void script(std::map<std::string, Bytes> table, int silentFirst = 0) {
        requests.clear();
        port.setResponder([this, table, silentFirst](const Bytes& request) {
            const std::string code{static_cast<char>(request[3]), static_cast<char>(request[4])};
            std::vector<sim::Chunk> chunks;
            if (++requests[code] <= silentFirst)
                return chunks;
            const auto it = table.find(code);
            if (it == table.end())
                chunks.push_back({5, Bytes{kStx, request[3], request[4], kEot}});
            else if (!it->second.empty())
                chunks.push_back({5, it->second});
            return chunks;
        });
    }

    ConnectedUnit unit{link};
    MainWindowControls controls;
    ValueDisplay value{controls};
    IoDisplay io{controls, unit, value};
    std::map<std::string, int> requests;
};

TEST(StatusRetry, CountsRejectionsAndOtherFailuresApart) {
    constexpr Result kOk = Result::Ok;
    constexpr Result kTimeout = Result::TimeoutHeader;
    constexpr Result kRefused = Result::NotAcknowledged;
    constexpr Result kUnknown = Result::UnknownCode;
    constexpr Result kLost = Result::LineFailed;
    const struct {
        std::vector<Result> results;
        Result expected;
        std::size_t attempts;
    } cases[] = {
        {{kOk}, kOk, 1},
        {{kTimeout, kTimeout, kTimeout, kTimeout, kOk}, kOk, 5},
        {{kTimeout, Result::BadBlockCheck, Result::PortNotOpen, Result::NotStatusAnswer,
          Result::TimeoutData},
         kLost,
         5},
        {{kRefused, kRefused, kRefused, kRefused, kRefused}, kRefused, 5},
        {{kRefused, kTimeout, kRefused, kTimeout, kRefused, kTimeout, kRefused, kTimeout, kRefused},
         kRefused,
         9},
        {{kTimeout, kRefused, kTimeout, kRefused, kTimeout, kRefused, kTimeout, kRefused, kTimeout},
         kLost,
         9},
        {{kTimeout, kRefused, kUnknown}, kUnknown, 3},
    };
    for (const auto& c : cases) {
        std::size_t used = 0;
        EXPECT_EQ(retryStatusRead([&] { return c.results.at(used++); }), c.expected)
            << c.results.size();
        EXPECT_EQ(used, c.attempts) << c.results.size();
    }
}

TEST_F(IoDisplayTest, SingleReadersLightOnlyTheirOwnPanelsAndOutputsUseTheMasksLoadedLast) {
    const std::pair<Result (IoDisplay::*)(), const char*> readers[] = {
        {&IoDisplay::showPcInputs, "86"},
        {&IoDisplay::showExternalInputs, "87"},
        {&IoDisplay::showBusInputs, "8C"},
    };
    for (std::size_t k = 0; k < std::size(readers); ++k) {
        const auto [read, code] = readers[k];
        io.clearLiveDisplay();
        script({{code, answerFrame(code, "H1000")}});  // bit 4096 is input 13
        ASSERT_EQ((io.*read)(), Result::Ok) << code;
        EXPECT_EQ(lit(controls.inputPcPanels) + lit(controls.inputExternalPanels) +
                      lit(controls.inputBusPanels),
                  std::string(16 * k, '0') + "0000000000000100" + std::string(32 - 16 * k, '0'))
            << code;
    }

    loadGroupRegisters(10, unit.group);  // outputs 128 .. 1
    loadGroupRegisters(1, unit.group);   // outputs 1, 2, 4, 8; 4 to 7 keep 8, 4, 2, 1
    for (const auto& [word, shown] :
         {std::pair{"H08", "00011000"}, {"H01", "10000001"}, {"H10", "00000000"}}) {
        script({{"85", answerFrame("85", word)}});
        ASSERT_EQ(io.showOutputs(), Result::Ok);
        EXPECT_EQ(lit(controls.outputPanels), shown) << word;
        EXPECT_EQ(controls.outputPanels[0].backColor(), shown[0] == '1' ? kRed : kWhite);
    }
}

TEST_F(IoDisplayTest, CombinedReadPaintsEverythingWithinTheCountsAndShowsThePlainValue) {
    unit.identity.unitType = "TQ593";  // a percentage unit; the combined read still reads counts
    script({{"9g", combined({0x1000, 0x8001, 0x0080, 52, 0x000F})}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(requests["9g"], 1);
    EXPECT_EQ(lit(controls.inputPcPanels) + " " + lit(controls.inputExternalPanels) + " " +
                  lit(controls.inputBusPanels) + " " + lit(controls.outputPanels),
              "0000000000000100 1000000000000010 0000001000000000 11110000");
    EXPECT_EQ(controls.valueText.caption(), "+52");
    EXPECT_EQ(controls.barSegments[27].backColor(), kRed);

    script({{"9g", combined({0, 0, 0, 0xFF7F, 0})}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(controls.valueText.caption(), "-129");
    EXPECT_EQ(lit(controls.inputPcPanels) + lit(controls.outputPanels), std::string(24, '0'));

    // Only the unit's own inputs light; outputs as far as the group's masks go.
    unit.description.inputCount = 3;
    unit.description.outputCount = kMaxOutputTexts;
    script({{"9g", combined({0xFFFF, 0, 0, 0, 0xFFFF})}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(lit(controls.inputPcPanels) + lit(controls.outputPanels),
              "1110000000000000"
              "11110000");
}

TEST_F(IoDisplayTest, RetriesEndAtUnknownCodeOrTheFifthFailureAndOnlyTheSerialInputsRetry) {
    script({});  // "9g" unknown
    EXPECT_EQ(io.refreshAllIo(), Result::UnknownCode);
    EXPECT_EQ(requests["9g"], 1);
    script({{"9g", Bytes{}}});  // silent unit
    EXPECT_EQ(io.refreshAllIo(), Result::LineFailed);
    EXPECT_EQ(requests["9g"], 5);
    // Four lost answers are not yet a lost unit.
    script({{"9g", combined({0x1000, 0, 0, 0, 0})}}, 4);
    EXPECT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(requests["9g"], 5);
    EXPECT_EQ(controls.inputPcPanels[13].backColor(), kBlue);

    unit.status.outputs = 1;
    script({{"86", Bytes{}}, {"87", Bytes{}}, {"8C", answerFrame("8C", "X1000")}});
    EXPECT_EQ(io.showPcInputs(), Result::LineFailed);
    EXPECT_EQ(io.showExternalInputs(), Result::LineFailed);
    EXPECT_EQ(io.showBusInputs(), Result::LineFailed) << "an answer without H";
    EXPECT_EQ(io.showOutputs(), Result::UnknownCode);
    EXPECT_EQ((std::map<std::string, int>{{"86", 5}, {"87", 1}, {"8C", 1}, {"85", 1}}), requests);
    EXPECT_EQ(unit.status.outputs, 1) << "a failed read keeps the word";
}

TEST_F(IoDisplayTest, PanelsAreRepaintedOnlyWhenTheirStateChanges) {
    int colourWrites = 0;
    controls.forEachControl([&](Control& c) {
        c.setObserver([&](Control&, Control::Property p) {
            colourWrites += p == Control::Property::BackColor;
        });
    });
    script({{"9g", combined({0x1000, 0x8001, 0, 0, 0x0003})}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(colourWrites, 1 + 2 + 2 + 2);  // inputs, outputs, the two centre segments
    colourWrites = 0;
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    EXPECT_EQ(colourWrites, 0);
}

TEST_F(IoDisplayTest, MonitorLayoutByUnitType) {
    const struct {
        const char* before;
        const char* type;
        const char* title;
        bool segments;
        const char* marks;  // left, centre and right; empty where hidden
        bool lines;
    } cases[] = {
        {"", "ER628", "OUTPUT VALUE", true, "-100%|0%|+100%|", true},
        {"", "Display Unit", "DISPLAY VALUE", false, "|||", false},
        {"ZH876", "TQ593", "OUTPUT VALUE", true, "-100%|0%|+100%|", true},
        {"", "QR929", "DIFFERENTIAL COUNTER", true, "-50|0|+50|", true},
        {"TQ593", "KQ780", "Input VALUE", true, "-100%|0%||", false},
        {"NT628", "KQ780", "Input VALUE", false, "|||", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        MainWindowControls f;
        IoDisplay display(f, unit, value);
        unit.identity.unitType = c.before;
        display.applyMonitorLayout();
        unit.identity.unitType = c.type;
        display.applyMonitorLayout();
        EXPECT_EQ(f.monitorTitle.caption(), c.title);
        std::string marks;
        for (const auto& m : f.scaleMarks)
            marks += (m.visible() ? m.caption() : std::string()) + "|";
        EXPECT_EQ(marks, c.marks);
        for (const auto& s : f.barSegments)
            EXPECT_EQ(s.visible(), c.segments);
        for (const auto& l : f.scaleLines)
            EXPECT_EQ(l.visible(), c.lines);
    }
}

TEST_F(IoDisplayTest, DescriptionCaptionsButtonsAndClearingTheLiveDisplay) {
    controls.inputButtons[5].setCaption("old unit");
    unit.description.inputCount = 3;
    unit.description.inputs[0] = {"Reset", true, false};
    unit.description.inputs[1] = {"Start", false, true};
    unit.description.inputs[2] = {"Stop", true, false};
    unit.description.inputs[3] = {"beyond", true, false};
    unit.description.outputCount = 2;
    unit.description.outputTexts[1] = "Term. 22";
    io.showDescription();
    io.enableSerialInputButtons();
    EXPECT_EQ(controls.inputButtons[0].caption() + controls.inputButtons[1].caption() +
                  controls.inputButtons[2].caption() + controls.inputButtons[5].caption(),
              "ResetStartStop");
    EXPECT_EQ(controls.outputPanels[1].caption(), "Term. 22");
    std::string enabled;
    for (const auto& b : controls.inputButtons)
        enabled += b.enabled() ? '1' : '0';
    EXPECT_EQ(enabled, "1010000000000000");

    script({{"9g", combined({0xFFFF, 0xFFFF, 0xFFFF, 8, 0xFFFF})}});
    ASSERT_EQ(io.refreshAllIo(), Result::Ok);
    io.clearLiveDisplay();
    EXPECT_EQ(lit(controls.inputPcPanels) + lit(controls.inputExternalPanels) +
                  lit(controls.inputBusPanels) + lit(controls.outputPanels),
              std::string(3 * 16 + 8, '0'));
    for (const auto& b : controls.inputButtons)
        EXPECT_FALSE(b.enabled());
    EXPECT_EQ(controls.inputButtons[0].caption(), "Reset") << "texts stay until a new description";
    EXPECT_EQ(controls.valueText.caption(), "+8") << "the value display is not part of it";
}

}  // namespace
}  // namespace qu32::test
