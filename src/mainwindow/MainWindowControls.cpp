#include "mainwindow/MainWindowControls.h"

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

MainWindowControls::MainWindowControls() {
    nameArray(rowTexts, "rowTexts", Control::Kind::Label);
    nameArray(rowValues, "rowValues", Control::Kind::Label);
    nameArray(inputButtons, "inputButtons", Control::Kind::Button);
    nameArray(inputPcPanels, "inputPcPanels", Control::Kind::Panel);
    nameArray(inputExternalPanels, "inputExternalPanels", Control::Kind::Panel);
    nameArray(inputBusPanels, "inputBusPanels", Control::Kind::Panel);
    nameArray(outputPanels, "outputPanels", Control::Kind::Panel);
    nameArray(barSegments, "barSegments", Control::Kind::Panel);
    nameArray(scaleMarks, "scaleMarks", Control::Kind::Label);
    nameArray(scaleLines, "scaleLines", Control::Kind::Line);

    // Design-time captions.
    caption(parameterFrame, "PARAMETERS");
    caption(commandFrame, "CONTROLS");
    caption(inputFrame, "INPUTS");
    caption(outputFrame, "OUTPUTS");
    caption(monitorFrame, "MONITOR");
    caption(serialFrame, "SERIAL SETTINGS");
    caption(readAllButton, "&Read");
    caption(transmitButton, "Tra&nsmit");
    caption(transmitAllButton, "Transmit &All");
    caption(storeButton, "&Store EEProm");
    caption(resetButton, "R&eset is Off");
    caption(fileMenu, "&File");
    caption(openEntry, "&Open ....");
    caption(closeEntry, "&Close");
    caption(saveEntry, "&Save");
    caption(saveAsEntry, "Save &As ....");
    caption(printEntry, "&Print ....");
    caption(disableEntry, "&Disable Communication");
    caption(exitEntry, "E&xit");
    caption(commsMenu, "&Comms");
    caption(serialSettingsEntry, "Comm &Settings ....");
    caption(toolsMenu, "&Tools");
    caption(reinitEntry, "ReInit");
    caption(developEntry, "develop");
    caption(traceEntry, "Protocol &Trace");
    caption(helpMenu, "&?");
    caption(infoEntry, "&Info ...");
    caption(monitorTitle, "DIFFERENTIAL COUNTER");
    // The activity panel shows the main cycle's heartbeat by turning its text bold and back.
    caption(activityPanel, "COMM");
    editCursor.setVisible(false);
}

}  // namespace qu32
