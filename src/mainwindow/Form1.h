#pragma once

#include <array>
#include <string>

#include "platform/Controls.h"
#include "serial/SerialLink.h"

namespace qu32 {

inline constexpr int kListRows = 25;
inline constexpr int kInputButtons = 16;
inline constexpr int kOutputPanels = 8;
inline constexpr int kBarSegments = 28;
inline constexpr int kScaleMarks = 3;

// The controls of the main window as the window logic sees them. The Qt window mirrors them;
// tests read them directly.
struct Form1 {
    Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Every control, for mirroring and layout.
    template <typename F>
    void forEachControl(F f);

    LinkControls linkControls() { return {portPanel, unitPanel, formatPanel, window}; }

    Control window{Control::Kind::Window, "Form1"};

    // Frames.
    Control Frame3D1{Control::Kind::Frame, "Frame3D1"};  // PARAMETERS
    Control Frame3D2{Control::Kind::Frame, "Frame3D2"};  // CONTROLS
    Control Frame3D3{Control::Kind::Frame, "Frame3D3"};  // INPUTS
    Control Frame3D4{Control::Kind::Frame, "Frame3D4"};  // OUTPUTS
    Control Frame3D5{Control::Kind::Frame, "Frame3D5"};  // monitor
    Control Frame3D6{Control::Kind::Frame, "Frame3D6"};  // SERIAL SETTINGS

    // Parameter list.
    std::array<Control, kListRows> Label1;   // texts
    std::array<Control, kListRows> Label11;  // values
    Control VScroll1{Control::Kind::ScrollBar, "VScroll1"};
    Control Line4{Control::Kind::Line, "Line4"};  // the edit cursor

    // Inputs: buttons and the three panels per input (PC-driven, external, bus).
    std::array<Control, kInputButtons> Command1;
    std::array<Control, kInputButtons> Panel3D1;
    std::array<Control, kInputButtons> Panel3D2;
    std::array<Control, kInputButtons> Panel3D3;
    // Outputs.
    std::array<Control, kOutputPanels> Panel3D16;

    // Monitor: bar segments, value text, title, scale marks and lines.
    std::array<Control, kBarSegments> Panel3D4;
    Control Panel3D5{Control::Kind::Panel3D, "Panel3D5"};
    Control monitorTitle{Control::Kind::Panel3D, "Panel3D15"};
    std::array<Control, kScaleMarks> Panel3D10;  // left, centre, right scale marks
    std::array<Control, kScaleMarks> scaleLines;

    // Serial settings: blink panel and the three status panels.
    Control Panel3D20{Control::Kind::Panel3D, "Panel3D20"};
    Control portPanel{Control::Kind::Panel3D, "Panel3D21"};
    Control unitPanel{Control::Kind::Panel3D, "Panel3D22"};
    Control formatPanel{Control::Kind::Panel3D, "Panel3D19"};

    // Command buttons.
    Control Read_Pars{Control::Kind::Button, "Read_Pars"};
    Control Transmit{Control::Kind::Button, "Transmit"};
    Control TransmitAll{Control::Kind::Button, "TransmitAll"};
    Control StoreEEProm{Control::Kind::Button, "StoreEEProm"};
    Control Re_Set{Control::Kind::Button, "Re_Set"};

    // Menus.
    Control mnFile{Control::Kind::MenuEntry, "mnFile"};
    Control mnOpen{Control::Kind::MenuEntry, "mnOpen"};
    Control mnClose{Control::Kind::MenuEntry, "mnClose"};
    Control mnSave{Control::Kind::MenuEntry, "mnSave"};
    Control mnSaveAs{Control::Kind::MenuEntry, "mnSaveAs"};
    Control mnPrint{Control::Kind::MenuEntry, "mnPrint"};
    Control mnDisable{Control::Kind::MenuEntry, "mnDisable"};
    Control mnExit{Control::Kind::MenuEntry, "mnExit"};
    Control mnCommS{Control::Kind::MenuEntry, "mnCommS"};
    Control mnCommSettings{Control::Kind::MenuEntry, "mnCommSettings"};
    Control mnTools{Control::Kind::MenuEntry, "mnTools"};
    Control mnuTesting2{Control::Kind::MenuEntry, "mnuTesting2"};
    Control mnuDevelop{Control::Kind::MenuEntry, "mnuDevelop"};
    Control mnHelp{Control::Kind::MenuEntry, "mnHelp"};
    Control mnInfo{Control::Kind::MenuEntry, "mnInfo"};
};

template <typename F>
void Form1::forEachControl(F f) {
    f(window);
    for (Control* c : {&Frame3D1, &Frame3D2, &Frame3D3, &Frame3D4, &Frame3D5, &Frame3D6}) f(*c);
    for (auto* arr : {&Label1, &Label11}) {
        for (auto& c : *arr) f(c);
    }
    f(VScroll1);
    f(Line4);
    for (auto* arr : {&Command1, &Panel3D1, &Panel3D2, &Panel3D3}) {
        for (auto& c : *arr) f(c);
    }
    for (auto& c : Panel3D16) f(c);
    for (auto& c : Panel3D4) f(c);
    f(Panel3D5);
    f(monitorTitle);
    for (auto& c : Panel3D10) f(c);
    for (auto& c : scaleLines) f(c);
    for (Control* c : {&Panel3D20, &portPanel, &unitPanel, &formatPanel, &Read_Pars, &Transmit,
                       &TransmitAll, &StoreEEProm, &Re_Set})
        f(*c);
    for (Control* c :
         {&mnFile, &mnOpen, &mnClose, &mnSave, &mnSaveAs, &mnPrint, &mnDisable, &mnExit, &mnCommS,
          &mnCommSettings, &mnTools, &mnuTesting2, &mnuDevelop, &mnHelp, &mnInfo})
        f(*c);
}

}  // namespace qu32
