#pragma once

#include <array>
#include <string>

#include "platform/Controls.h"

namespace qu32 {

inline constexpr int kListRows = 25;
inline constexpr int kInputButtons = 16;
inline constexpr int kOutputPanels = 8;
inline constexpr int kBarSegments = 28;
inline constexpr int kScaleMarks = 3;

// The controls of the main window as the window logic sees them. The Qt window mirrors them;
// tests read them directly.
struct MainWindowControls {
    MainWindowControls();
    MainWindowControls(const MainWindowControls&) = delete;
    MainWindowControls& operator=(const MainWindowControls&) = delete;

    // Every control, for mirroring and layout.
    template <typename F>
    void forEachControl(F f);

    Control window{Control::Kind::Window, "window"};

    Control parameterFrame{Control::Kind::Frame, "parameterFrame"};
    Control commandFrame{Control::Kind::Frame, "commandFrame"};
    Control inputFrame{Control::Kind::Frame, "inputFrame"};
    Control outputFrame{Control::Kind::Frame, "outputFrame"};
    Control monitorFrame{Control::Kind::Frame, "monitorFrame"};
    Control serialFrame{Control::Kind::Frame, "serialFrame"};

    // Parameter list: a text and a value per row, the scroll bar and the edit cursor under the
    // character being typed over.
    std::array<Control, kListRows> rowTexts;
    std::array<Control, kListRows> rowValues;
    Control listScroll{Control::Kind::ScrollBar, "listScroll"};
    Control editCursor{Control::Kind::Line, "editCursor"};

    // Inputs: a button and three panels per input (set from the PC, at the terminal, from the
    // bus).
    std::array<Control, kInputButtons> inputButtons;
    std::array<Control, kInputButtons> inputPcPanels;
    std::array<Control, kInputButtons> inputExternalPanels;
    std::array<Control, kInputButtons> inputBusPanels;
    std::array<Control, kOutputPanels> outputPanels;

    // Monitor: bar segments, value text, title, scale marks and lines.
    std::array<Control, kBarSegments> barSegments;
    Control valueText{Control::Kind::Panel, "valueText"};
    Control monitorTitle{Control::Kind::Panel, "monitorTitle"};
    std::array<Control, kScaleMarks> scaleMarks;  // left, centre, right
    std::array<Control, kScaleMarks> scaleLines;

    // Serial settings: the activity panel (the main cycle's heartbeat) and the three status
    // panels.
    Control activityPanel{Control::Kind::Panel, "activityPanel"};
    Control portPanel{Control::Kind::Panel, "portPanel"};
    Control unitPanel{Control::Kind::Panel, "unitPanel"};
    Control formatPanel{Control::Kind::Panel, "formatPanel"};

    // Command buttons.
    Control readAllButton{Control::Kind::Button, "readAllButton"};
    Control transmitButton{Control::Kind::Button, "transmitButton"};
    Control transmitAllButton{Control::Kind::Button, "transmitAllButton"};
    Control storeButton{Control::Kind::Button, "storeButton"};
    Control resetButton{Control::Kind::Button, "resetButton"};

    // Menus.
    Control fileMenu{Control::Kind::MenuEntry, "fileMenu"};
    Control openEntry{Control::Kind::MenuEntry, "openEntry"};
    Control closeEntry{Control::Kind::MenuEntry, "closeEntry"};
    Control saveEntry{Control::Kind::MenuEntry, "saveEntry"};
    Control saveAsEntry{Control::Kind::MenuEntry, "saveAsEntry"};
    Control printEntry{Control::Kind::MenuEntry, "printEntry"};
    Control disableEntry{Control::Kind::MenuEntry, "disableEntry"};
    Control exitEntry{Control::Kind::MenuEntry, "exitEntry"};
    Control commsMenu{Control::Kind::MenuEntry, "commsMenu"};
    Control serialSettingsEntry{Control::Kind::MenuEntry, "serialSettingsEntry"};
    Control toolsMenu{Control::Kind::MenuEntry, "toolsMenu"};
    Control reinitEntry{Control::Kind::MenuEntry, "reinitEntry"};
    Control developEntry{Control::Kind::MenuEntry, "developEntry"};
    Control traceEntry{Control::Kind::MenuEntry, "traceEntry"};
    Control helpMenu{Control::Kind::MenuEntry, "helpMenu"};
    Control infoEntry{Control::Kind::MenuEntry, "infoEntry"};
};

template <typename F>
void MainWindowControls::forEachControl(F f) {
    f(window);
    for (Control* c :
         {&parameterFrame, &commandFrame, &inputFrame, &outputFrame, &monitorFrame, &serialFrame})
        f(*c);
    for (auto* arr : {&rowTexts, &rowValues}) {
        for (auto& c : *arr)
            f(c);
    }
    f(listScroll);
    f(editCursor);
    for (auto* arr : {&inputButtons, &inputPcPanels, &inputExternalPanels, &inputBusPanels}) {
        for (auto& c : *arr)
            f(c);
    }
    for (auto& c : outputPanels)
        f(c);
    for (auto& c : barSegments)
        f(c);
    f(valueText);
    f(monitorTitle);
    for (auto& c : scaleMarks)
        f(c);
    for (auto& c : scaleLines)
        f(c);
    for (Control* c : {&activityPanel, &portPanel, &unitPanel, &formatPanel, &readAllButton,
                       &transmitButton, &transmitAllButton, &storeButton, &resetButton})
        f(*c);
    for (Control* c : {&fileMenu, &openEntry, &closeEntry, &saveEntry, &saveAsEntry, &printEntry,
                       &disableEntry, &exitEntry, &commsMenu, &serialSettingsEntry, &toolsMenu,
                       &reinitEntry, &developEntry, &traceEntry, &helpMenu, &infoEntry})
        f(*c);
}

}  // namespace qu32
