#include "mainwindow/Form1.h"

namespace qu32 {

namespace {

template <std::size_t N>
void nameArray(std::array<Control, N>& controls, const char* name, Control::Kind kind) {
    for (std::size_t i = 0; i < N; ++i)
        controls[i].setIdentity(kind, std::string(name) + "(" + std::to_string(i) + ")");
}

void caption(Control& c, const char* text) {
    c.setCaption(text);
}

}  // namespace

Form1::Form1() {
    nameArray(Label1, "Label1", Control::Kind::Label);
    nameArray(Label11, "Label11", Control::Kind::Label);
    nameArray(Command1, "Command1", Control::Kind::Button);
    nameArray(Panel3D1, "Panel3D1", Control::Kind::Panel3D);
    nameArray(Panel3D2, "Panel3D2", Control::Kind::Panel3D);
    nameArray(Panel3D3, "Panel3D3", Control::Kind::Panel3D);
    nameArray(Panel3D16, "Panel3D16", Control::Kind::Panel3D);
    nameArray(Panel3D4, "Panel3D4", Control::Kind::Panel3D);
    nameArray(Panel3D10, "Panel3D10", Control::Kind::Label);
    nameArray(scaleLines, "Line", Control::Kind::Line);

    // Design-time captions.
    caption(Frame3D1, "PARAMETERS");
    caption(Frame3D2, "CONTROLS");
    caption(Frame3D3, "INPUTS");
    caption(Frame3D4, "OUTPUTS");
    caption(Frame3D5, "MONITOR");
    caption(Frame3D6, "SERIAL SETTINGS");
    caption(Read_Pars, "&Read");
    caption(Transmit, "Tra&nsmit");
    caption(TransmitAll, "Transmit &All");
    caption(StoreEEProm, "&Store EEProm");
    caption(Re_Set, "R&eset is Off");
    caption(mnFile, "&File");
    caption(mnOpen, "&Open ....");
    caption(mnClose, "&Close");
    caption(mnSave, "&Save");
    caption(mnSaveAs, "Save &As ....");
    caption(mnPrint, "&Print ....");
    caption(mnDisable, "&Disable Communication");
    caption(mnExit, "E&xit");
    caption(mnCommS, "&Comms");
    caption(mnCommSettings, "Comm &Settings ....");
    caption(mnTools, "&Tools");
    caption(mnuTesting2, "ReInit");
    caption(mnuDevelop, "develop");
    caption(mnHelp, "&?");
    caption(mnInfo, "&Info ...");
    caption(monitorTitle, "DIFFERENTIAL COUNTER");
    // The blink panel shows the main cycle's heartbeat by turning its text bold and back.
    caption(Panel3D20, "COMM");
    Line4.setVisible(false);
}

}  // namespace qu32
