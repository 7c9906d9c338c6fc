#include "mainwindow/IoDisplay.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "operations/ControlOperation.h"
#include "serial/Retry.h"
#include "unit/RegisterCodes.h"
#include "unit/StatusWords.h"

namespace qu32 {

namespace {

constexpr Color kInputOnColor = kBlue;
constexpr Color kOutputOnColor = kRed;
constexpr Color kOffColor = kWhite;

// Unit types whose monitor shows a signed output value in percent.
constexpr std::string_view kOutputValueTypes[] = {
    "TQ593", "CU593", "CU847", "CB593", "CB847", "NK593", "AM593",
    "YV593", "VM628", "VM858", "TS858", "TS628", "AQ858", "AQ628",
    "YQ628", "YQ858", "FD678", "OH858", "OH628", "ER858", "ER628",
};
// Unit types that only display a value: no bar, no scale.
constexpr std::string_view kDisplayValueTypes[] = {
    "NT628", "HJ628", "VI628", "VQ628", "CP628", "NC628", "ZH628", "XK628", "LP628", "HJ876",
    "HJ948", "NT642", "NT876", "NT948", "NT883", "NT594", "ZH642", "ZH876", "ZH948", "Display Unit",
};
constexpr std::string_view kInputValueType = "KQ780";

constexpr std::size_t kLeftMark = 0;
constexpr std::size_t kCentreMark = 1;
constexpr std::size_t kRightMark = 2;

template <std::size_t N>
bool listed(const std::string_view (&types)[N], const std::string& unitType) {
    return std::find(std::begin(types), std::end(types), unitType) != std::end(types);
}

// A single read without retries: refusals and unknown registers are told apart, every other
// failure is a lost line.
Result statusResult(Result r) {
    if (r == Result::Ok || r == Result::UnknownCode || r == Result::NotAcknowledged)
        return r;
    return Result::LineFailed;
}

// A control passes on only what changed, so a panel in its colour already is not repainted.
void paintPanel(Control& panel, bool on, Color onColor) {
    panel.setBackColor(on ? onColor : kOffColor);
}

// The decimal text of the combined read: blanks around an optionally signed number.
std::optional<std::int32_t> parseActualValue(const std::string& text) {
    constexpr std::size_t kMaxDigits = 9;  // stays inside 32 bits
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return std::nullopt;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    std::int32_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (++digits > kMaxDigits)
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (digits == 0 || text.find_first_not_of(' ', i) != std::string::npos)
        return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

Result retryStatusRead(const std::function<Result()>& attempt) {
    int rejected = 0;
    int failed = 0;
    const auto outcome = retry(kStatusReadAttempts, [&](int) -> std::optional<Result> {
        const Result r = attempt();
        if (r == Result::Ok || r == Result::UnknownCode)
            return r;
        if (r == Result::NotAcknowledged) {
            if (++rejected == kStatusFailuresToGiveUp)
                return r;
        } else if (++failed == kStatusFailuresToGiveUp) {
            return Result::LineFailed;
        }
        return std::nullopt;
    });
    // Ten attempts always reach one of the two limits; the fallback is for the bound's sake.
    return outcome.value_or(Result::LineFailed);
}

Result IoDisplay::refreshAllIo() {
    const Result r = retryStatusRead([&] { return unit_.readCombinedStatus(); });
    if (r != Result::Ok)
        return r;
    const StatusWords& status = unit_.status;
    paintInputs(controls_.inputPcPanels, status.pcInputs);
    paintInputs(controls_.inputExternalPanels, status.externalInputs);
    paintInputs(controls_.inputBusPanels, status.busInputs);
    paintOutputs();
    if (const auto value = parseActualValue(status.actualValueText))
        value_.showPlain(*value);
    return Result::Ok;
}

Result IoDisplay::showPcInputs() {
    const Result r = readStatusWord(unit_.group.pcInputCode, unit_.status.pcInputs, true);
    if (r == Result::Ok)
        paintInputs(controls_.inputPcPanels, unit_.status.pcInputs);
    return r;
}

Result IoDisplay::showExternalInputs() {
    const Result r =
        readStatusWord(unit_.group.externalInputCode, unit_.status.externalInputs, false);
    if (r == Result::Ok)
        paintInputs(controls_.inputExternalPanels, unit_.status.externalInputs);
    return r;
}

Result IoDisplay::showBusInputs() {
    const Result r = readStatusWord(kBusInputRegister, unit_.status.busInputs, false);
    if (r == Result::Ok)
        paintInputs(controls_.inputBusPanels, unit_.status.busInputs);
    return r;
}

Result IoDisplay::showOutputs() {
    const Result r = readStatusWord(unit_.group.outputCode, unit_.status.outputs, false);
    if (r == Result::Ok)
        paintOutputs();
    return r;
}

Result IoDisplay::readStatusWord(const std::string& code, std::int16_t& word, bool withRetries) {
    // A failed read must not disturb the word last read.
    std::int16_t read = 0;
    const auto attempt = [&] { return unit_.link().readStatus(code, read); };
    const Result r = withRetries ? retryStatusRead(attempt) : statusResult(attempt());
    if (r == Result::Ok)
        word = read;
    return r;
}

int IoDisplay::inputPanelCount() const {
    return std::clamp(unit_.description.inputCount, 0, kInputButtons);
}

int IoDisplay::outputPanelCount() const {
    return std::clamp(unit_.description.outputCount, 0, kOutputPanels);
}

void IoDisplay::paintInputs(std::array<Control, kInputButtons>& panels, std::int16_t word) {
    const int count = inputPanelCount();
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        paintPanel(panels[i], isBitSet(word, unit_.group.inputMasks[i]), kInputOnColor);
    }
}

void IoDisplay::paintOutputs() {
    const int count = outputPanelCount();
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        paintPanel(controls_.outputPanels[i],
                   isBitSet(unit_.status.outputs, unit_.group.outputMasks[i]), kOutputOnColor);
    }
}

std::string IoDisplay::resetCaption() const {
    return isBitSet(unit_.status.pcInputs, unit_.group.resetMask) ? kResetOnCaption
                                                                  : kResetOffCaption;
}

void IoDisplay::showResetState() {
    controls_.resetButton.setCaption(resetCaption());
}

void IoDisplay::applyMonitorLayout() {
    const std::string& type = unit_.identity.unitType;
    auto setMarks = [&](const char* left, const char* centre, const char* right) {
        controls_.scaleMarks[kLeftMark].setCaption(left);
        controls_.scaleMarks[kCentreMark].setCaption(centre);
        controls_.scaleMarks[kRightMark].setCaption(right);
    };
    auto setScale = [&](bool visible) {
        for (auto& c : controls_.barSegments)
            c.setVisible(visible);
        for (auto& c : controls_.scaleMarks)
            c.setVisible(visible);
        for (auto& c : controls_.scaleLines)
            c.setVisible(visible);
    };

    if (listed(kOutputValueTypes, type)) {
        setScale(true);
        setMarks("-100%", "0%", "+100%");
        controls_.monitorTitle.setCaption("OUTPUT VALUE");
    } else if (listed(kDisplayValueTypes, type)) {
        setScale(false);
        controls_.monitorTitle.setCaption("DISPLAY VALUE");
    } else if (type == kInputValueType) {
        // Only the right end of the scale goes; the bar keeps whatever the last layout left.
        controls_.scaleMarks[kRightMark].setVisible(false);
        for (auto& c : controls_.scaleLines)
            c.setVisible(false);
        controls_.monitorTitle.setCaption("Input VALUE");
    } else {
        setScale(true);
        setMarks("-50", "0", "+50");
        controls_.monitorTitle.setCaption("DIFFERENTIAL COUNTER");
    }
}

void IoDisplay::showDescription() {
    const UnitDescription& d = unit_.description;
    // Buttons beyond the described inputs lose the texts of a previous unit.
    const int inputs = inputPanelCount();
    for (int k = 0; k < kInputButtons; ++k) {
        const auto i = static_cast<std::size_t>(k);
        controls_.inputButtons[i].setCaption(k < inputs ? d.inputs[i].text : std::string());
    }
    const int outputs = outputPanelCount();
    for (int k = 0; k < kOutputPanels; ++k) {
        const auto i = static_cast<std::size_t>(k);
        controls_.outputPanels[i].setCaption(k < outputs ? d.outputTexts[i] : std::string());
    }
}

void IoDisplay::enableSerialInputButtons() {
    const int inputs = inputPanelCount();
    for (int k = 0; k < kInputButtons; ++k) {
        const auto i = static_cast<std::size_t>(k);
        controls_.inputButtons[i].setEnabled(k < inputs && unit_.description.inputs[i].pcSettable);
    }
}

void IoDisplay::clearLiveDisplay() {
    for (auto* panels :
         {&controls_.inputPcPanels, &controls_.inputExternalPanels, &controls_.inputBusPanels}) {
        for (auto& panel : *panels)
            paintPanel(panel, false, kInputOnColor);
    }
    for (auto& panel : controls_.outputPanels)
        paintPanel(panel, false, kOutputOnColor);
    for (auto& button : controls_.inputButtons)
        button.setEnabled(false);
}

}  // namespace qu32
