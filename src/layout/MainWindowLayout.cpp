#include "layout/MainWindowLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/Files.h"

namespace qu32 {

namespace {

// The window itself; the frame and title bar come on top, so it stays clear of a task bar on a
// 1366 x 768 screen.
constexpr Box kWindow{0.05, 0.04, 0.9, 0.88};

// Three columns: parameters, then controls / serial settings / outputs, then inputs / monitor.
// Everything ends above 0.84 H so that a menu bar fits in the window on the smallest screens.
constexpr Box kParametersFrame{0.005, 0.008, 0.37, 0.815};
constexpr Box kControlsFrame{0.382, 0.008, 0.14, 0.322};
constexpr Box kSerialFrame{0.382, 0.338, 0.14, 0.2};
constexpr Box kOutputsFrame{0.382, 0.55, 0.14, 0.273};
constexpr Box kInputsFrame{0.53, 0.008, 0.365, 0.53};
constexpr Box kMonitorFrame{0.53, 0.55, 0.365, 0.273};

// Parameter rows: the text label spans the whole row and the value label lies on its right
// part, so a selected row is blue from end to end.
constexpr double kRowTop = 0.045;
constexpr double kRowPitch = 0.03;
constexpr double kRowHeight = 0.027;
constexpr Box kTextLabel{0.012, kRowTop, 0.339, kRowHeight};
constexpr Box kValueLabel{0.255, kRowTop, 0.096, kRowHeight};
constexpr Box kScrollBar{0.355, kRowTop, 0.013, (kListRows - 1) * kRowPitch + kRowHeight};

// Command buttons: one column.
constexpr double kButtonLeft = 0.392;
constexpr double kButtonWidth = 0.12;
constexpr double kButtonTop = 0.053;
constexpr double kButtonPitch = 0.0566;
constexpr double kButtonHeight = 0.0417;

// Serial settings: blink panel, port, unit number, line format.
constexpr Box kSerialPanel{kButtonLeft, 0.375, kButtonWidth, 0.034};
constexpr double kSerialPitch = 0.04;

// Outputs.
constexpr Box kOutputPanel{kButtonLeft, 0.585, kButtonWidth, 0.026};
constexpr double kOutputPitch = 0.029;

// Inputs: the button with the input's text, then its three live panels.
constexpr double kInputTop = 0.045;
constexpr double kInputPitch = 0.0302;
constexpr double kInputHeight = 0.0275;
constexpr Box kInputButton{0.538, kInputTop, 0.215, kInputHeight};
constexpr Box kInputPanel{0.76, kInputTop, 0.04, kInputHeight};
constexpr double kInputColumnPitch = 0.045;
constexpr double kHeadingTop = 0.017;
constexpr double kHeadingHeight = 0.024;

// Monitor: title, value, a bar of 28 segments from the centre outwards, scale lines and marks.
constexpr double kBarLeft = 0.5375;
constexpr double kBarWidth = 0.35;
constexpr double kBarTop = 0.69;
constexpr double kBarHeight = 0.04;
constexpr double kSegmentPitch = kBarWidth / kBarSegments;
constexpr double kSegmentWidth = 0.0115;
constexpr Box kMonitorTitle{0.5875, 0.58, 0.25, 0.04};
constexpr Box kValueText{0.6375, 0.63, 0.15, 0.045};
constexpr double kScaleLineTop = 0.735;
constexpr double kScaleLineHeight = 0.015;
constexpr double kScaleMarkWidth = 0.06;
constexpr Box kScaleMark{kBarLeft, 0.755, kScaleMarkWidth, 0.03};

// Design fonts (points).
constexpr int kRowFontPt = 10;
constexpr int kButtonFontPt = 9;
constexpr int kFrameFontPt = 9;
constexpr int kPanelFontPt = 9;
constexpr int kValueFontPt = 16;
constexpr int kOtherFontPt = 8;

void setFont(Control& c, int pt, ScreenSize s, bool bold = false) {
    c.setFontSize(grownFontSize(pt, s));
    c.setBold(bold);
}

// Element k of a series stands k pitches from the first, down a column (&Box::top) or along a
// row (&Box::left).
template <std::size_t N>
void placeSeries(std::array<Control, N>& controls, const Box& first, double Box::*direction,
                 double pitch, ScreenSize s) {
    for (std::size_t k = 0; k < N; ++k) {
        Box b = first;
        b.*direction += static_cast<double>(k) * pitch;
        controls[k].setGeometry(place(b, s));
    }
}

template <std::size_t N>
void placeColumn(std::array<Control, N>& controls, const Box& first, double pitch, ScreenSize s) {
    placeSeries(controls, first, &Box::top, pitch, s);
}

template <std::size_t N>
void placeRow(std::array<Control, N>& controls, const Box& first, double pitch, ScreenSize s) {
    placeSeries(controls, first, &Box::left, pitch, s);
}

template <std::size_t N>
void setFonts(std::array<Control, N>& controls, int pt, ScreenSize s) {
    for (Control& c : controls)
        setFont(c, pt, s);
}

}  // namespace

int scaledFontSize(int designPt, int screenWidth) {
    const double factor = static_cast<double>(screenWidth) * kTwipsPerScreenUnit /
                          static_cast<double>(kFontReferenceWidthTwips);
    return std::max(1, static_cast<int>(std::lround(designPt * factor)));
}

double largeScreenFactor(ScreenSize s) {
    const double x = static_cast<double>(s.width) / kDesignScreen.width;
    const double y = static_cast<double>(s.height) / kDesignScreen.height;
    return std::max(1.0, std::min(x, y));
}

int grownFontSize(int designPt, ScreenSize s) {
    return std::max(1, static_cast<int>(std::lround(designPt * largeScreenFactor(s))));
}

int grownPixels(int designPixels, ScreenSize s) {
    return static_cast<int>(std::lround(designPixels * largeScreenFactor(s)));
}

void layoutMainWindow(MainWindowControls& controls, ScreenSize s) {
    // Everything without a design font of its own (menus, the window's title) grows too.
    controls.forEachControl([&](Control& c) { c.setFontSize(grownFontSize(kOtherFontPt, s)); });
    controls.window.setGeometry(place(kWindow, s));

    const std::pair<Control*, Box> frames[] = {
        {&controls.parameterFrame, kParametersFrame}, {&controls.commandFrame, kControlsFrame},
        {&controls.inputFrame, kInputsFrame},         {&controls.outputFrame, kOutputsFrame},
        {&controls.monitorFrame, kMonitorFrame},      {&controls.serialFrame, kSerialFrame},
    };
    for (const auto& [frame, box] : frames) {
        frame->setGeometry(place(box, s));
        setFont(*frame, kFrameFontPt, s, true);
    }

    placeColumn(controls.rowTexts, kTextLabel, kRowPitch, s);
    placeColumn(controls.rowValues, kValueLabel, kRowPitch, s);
    setFonts(controls.rowTexts, kRowFontPt, s);
    setFonts(controls.rowValues, kRowFontPt, s);
    controls.listScroll.setGeometry(place(kScrollBar, s));

    Control* const buttons[] = {&controls.readAllButton, &controls.transmitButton,
                                &controls.transmitAllButton, &controls.storeButton,
                                &controls.resetButton};
    for (std::size_t k = 0; k < std::size(buttons); ++k) {
        const double top = kButtonTop + static_cast<double>(k) * kButtonPitch;
        buttons[k]->setGeometry(place({kButtonLeft, top, kButtonWidth, kButtonHeight}, s));
        setFont(*buttons[k], kButtonFontPt, s);
    }

    Control* const serial[] = {&controls.activityPanel, &controls.portPanel, &controls.unitPanel,
                               &controls.formatPanel};
    for (std::size_t k = 0; k < std::size(serial); ++k) {
        Box b = kSerialPanel;
        b.top += static_cast<double>(k) * kSerialPitch;
        serial[k]->setGeometry(place(b, s));
    }
    setFont(controls.activityPanel, kPanelFontPt, s);
    // These grow by their own rule, with the screen's width at every size.
    for (Control* c : {&controls.portPanel, &controls.unitPanel, &controls.formatPanel})
        c->setFontSize(scaledFontSize(kScaledPanelDesignFontPt, s.width));

    placeColumn(controls.outputPanels, kOutputPanel, kOutputPitch, s);
    setFonts(controls.outputPanels, kPanelFontPt, s);

    placeColumn(controls.inputButtons, kInputButton, kInputPitch, s);
    setFonts(controls.inputButtons, kButtonFontPt, s);
    std::array<Control, kInputButtons>* const inputPanels[] = {
        &controls.inputPcPanels, &controls.inputExternalPanels, &controls.inputBusPanels};
    for (std::size_t column = 0; column < std::size(inputPanels); ++column) {
        Box first = kInputPanel;
        first.left += static_cast<double>(column) * kInputColumnPitch;
        placeColumn(*inputPanels[column], first, kInputPitch, s);
        setFonts(*inputPanels[column], kPanelFontPt, s);
    }

    controls.monitorTitle.setGeometry(place(kMonitorTitle, s));
    controls.monitorTitle.setFontSize(scaledFontSize(kScaledPanelDesignFontPt, s.width));
    controls.monitorTitle.setBold(true);
    controls.valueText.setGeometry(place(kValueText, s));
    setFont(controls.valueText, kValueFontPt, s, true);
    placeRow(controls.barSegments, {kBarLeft, kBarTop, kSegmentWidth, kBarHeight}, kSegmentPitch,
             s);
    // Lines at the left end, the centre and the right end of the bar; the marks beneath them
    // share one width, the outer two flush with the bar's ends.
    placeRow(controls.scaleLines, {kBarLeft, kScaleLineTop, 0, kScaleLineHeight}, kBarWidth / 2, s);
    placeRow(controls.scaleMarks, kScaleMark, (kBarWidth - kScaleMarkWidth) / 2, s);
    setFonts(controls.scaleMarks, kPanelFontPt, s);
}

std::array<Geometry, kInputPanelColumns> inputColumnHeadings(ScreenSize s) {
    std::array<Geometry, kInputPanelColumns> headings;
    for (std::size_t column = 0; column < headings.size(); ++column) {
        const double left = kInputPanel.left + static_cast<double>(column) * kInputColumnPitch;
        headings[column] = place({left, kHeadingTop, kInputPanel.width, kHeadingHeight}, s);
    }
    return headings;
}

std::string windowIconPath(const std::string& folder, const std::string& iconFile) {
    // Configuration files come from systems that ignore case in file names.
    return findFileInFolder(folder, iconFile);
}

}  // namespace qu32
