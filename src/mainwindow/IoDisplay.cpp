#include "mainwindow/IoDisplay.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "serial/ProtocolError.h"

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

int statusResult(int r) {
    if (r == kIoOk || r == kIoUnknownCode || r == kIoRejected)
        return r;
    return kIoFailed;
}

void paintPanel(Control& panel, bool on, Color onColor) {
    const Color color = on ? onColor : kOffColor;
    // Repainting a panel in the colour it already shows makes it flicker.
    if (panel.backColor() != color)
        panel.setBackColor(color);
}

bool bitSet(std::int16_t word, int mask) {
    return (static_cast<std::uint16_t>(word) & static_cast<unsigned>(mask)) != 0;
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

int retryStatusRead(const std::function<int()>& attempt) {
    int rejected = 0;
    int failed = 0;
    for (int i = 0; i < kStatusReadAttempts; ++i) {
        const int r = attempt();
        if (r == kIoOk)
            return kIoOk;
        if (r == kErrUnknownCode)
            return kIoUnknownCode;
        if (r == kErrNotAck) {
            if (++rejected == kStatusFailuresToGiveUp)
                return kIoRejected;
        } else if (++failed == kStatusFailuresToGiveUp) {
            return kIoFailed;
        }
    }
    // Ten attempts always reach one of the two limits; kept for the bound's sake.
    return kIoFailed;
}

int IoDisplay::Set_All_IOs(const std::string& caller) {
    const int r = retryStatusRead([&] { return unit_.Multi_Read(caller); });
    if (r != kIoOk)
        return r;
    const StatusWords& status = unit_.status;
    paintInputs(form_.Panel3D1, status.SerialInputWord);
    paintInputs(form_.Panel3D2, status.ExternalInputWord);
    paintInputs(form_.Panel3D3, status.StatusWord8C);
    paintOutputs();
    if (const auto value = parseActualValue(status.ActualValueText))
        value_.showPlain(*value);
    return kIoOk;
}

int IoDisplay::Set_SerialInputs(const std::string&) {
    const int r = readStatusWord(unit_.group.SerialInputCode, unit_.status.SerialInputWord, true);
    if (r == kIoOk)
        paintInputs(form_.Panel3D1, unit_.status.SerialInputWord);
    return r;
}

int IoDisplay::Set_ExternalInputs(const std::string&) {
    const int r =
        readStatusWord(unit_.group.ExternalInputCode, unit_.status.ExternalInputWord, false);
    if (r == kIoOk)
        paintInputs(form_.Panel3D2, unit_.status.ExternalInputWord);
    return r;
}

int IoDisplay::Set_BusInputs(const std::string&) {
    const int r = readStatusWord(kBusInputCode, unit_.status.StatusWord8C, false);
    if (r == kIoOk)
        paintInputs(form_.Panel3D3, unit_.status.StatusWord8C);
    return r;
}

int IoDisplay::Set_Outputs(const std::string&) {
    const int r = readStatusWord(unit_.group.OutputCode, unit_.status.OutputWord, false);
    if (r == kIoOk)
        paintOutputs();
    return r;
}

int IoDisplay::readStatusWord(const std::string& code, std::int16_t& word, bool retry) {
    SerialLink& link = unit_.link();
    // A failed read must not disturb the word last read.
    std::int16_t read = 0;
    const auto attempt = [&] { return link.Read_Status(link.settings().UnitAddress, code, read); };
    const int r = retry ? retryStatusRead(attempt) : statusResult(attempt());
    if (r == kIoOk)
        word = read;
    return r;
}

int IoDisplay::inputPanelCount() const {
    return std::clamp(unit_.description.InputCount, 0, kInputButtons);
}

int IoDisplay::outputPanelCount() const {
    return std::clamp(unit_.description.OutputCount, 0, kOutputPanels);
}

void IoDisplay::paintInputs(std::array<Control, kInputButtons>& panels, std::int16_t word) {
    const int count = inputPanelCount();
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        paintPanel(panels[i], bitSet(word, unit_.group.InputMask[i]), kInputOnColor);
    }
}

void IoDisplay::paintOutputs() {
    const int count = outputPanelCount();
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        paintPanel(form_.Panel3D16[i], bitSet(unit_.status.OutputWord, unit_.group.OutputMask[i]),
                   kOutputOnColor);
    }
}

std::string IoDisplay::resetCaption() const {
    return bitSet(unit_.status.SerialInputWord, unit_.group.ResetMask) ? kResetOnCaption
                                                                       : kResetOffCaption;
}

void IoDisplay::showResetState() {
    form_.Re_Set.setCaption(resetCaption());
}

void IoDisplay::applyMonitorLayout() {
    const std::string& type = unit_.identity.UnitType;
    auto setMarks = [&](const char* left, const char* centre, const char* right) {
        form_.Panel3D10[kLeftMark].setCaption(left);
        form_.Panel3D10[kCentreMark].setCaption(centre);
        form_.Panel3D10[kRightMark].setCaption(right);
    };
    auto setScale = [&](bool visible) {
        for (auto& c : form_.Panel3D4)
            c.setVisible(visible);
        for (auto& c : form_.Panel3D10)
            c.setVisible(visible);
        for (auto& c : form_.scaleLines)
            c.setVisible(visible);
    };

    if (listed(kOutputValueTypes, type)) {
        setScale(true);
        setMarks("-100%", "0%", "+100%");
        form_.monitorTitle.setCaption("OUTPUT VALUE");
    } else if (listed(kDisplayValueTypes, type)) {
        setScale(false);
        form_.monitorTitle.setCaption("DISPLAY VALUE");
    } else if (type == kInputValueType) {
        // Only the right end of the scale goes; the bar keeps whatever the last layout left.
        form_.Panel3D10[kRightMark].setVisible(false);
        for (auto& c : form_.scaleLines)
            c.setVisible(false);
        form_.monitorTitle.setCaption("Input VALUE");
    } else {
        setScale(true);
        setMarks("-50", "0", "+50");
        form_.monitorTitle.setCaption("DIFFERENTIAL COUNTER");
    }
}

void IoDisplay::showDescription() {
    const UnitDescription& d = unit_.description;
    // Buttons beyond the described inputs lose the texts of a previous unit.
    const int inputs = inputPanelCount();
    for (int k = 0; k < kInputButtons; ++k) {
        const auto i = static_cast<std::size_t>(k);
        form_.Command1[i].setCaption(k < inputs ? d.inputs[i].InputText : std::string());
    }
    const int outputs = outputPanelCount();
    for (int k = 0; k < kOutputPanels; ++k) {
        const auto i = static_cast<std::size_t>(k);
        form_.Panel3D16[i].setCaption(k < outputs ? d.OutputText[i] : std::string());
    }
}

void IoDisplay::enableSerialInputButtons() {
    const int inputs = inputPanelCount();
    for (int k = 0; k < kInputButtons; ++k) {
        const auto i = static_cast<std::size_t>(k);
        form_.Command1[i].setEnabled(k < inputs && unit_.description.inputs[i].InputSerial != 0);
    }
}

void IoDisplay::clearLiveDisplay() {
    for (auto* panels : {&form_.Panel3D1, &form_.Panel3D2, &form_.Panel3D3}) {
        for (auto& panel : *panels)
            paintPanel(panel, false, kInputOnColor);
    }
    for (auto& panel : form_.Panel3D16)
        paintPanel(panel, false, kOutputOnColor);
    for (auto& button : form_.Command1)
        button.setEnabled(false);
}

}  // namespace qu32
