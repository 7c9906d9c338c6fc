#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Keys.h"
#include "platform/PortLister.h"
#include "serial/PortMap.h"
#include "serial/SerialLink.h"
#include "settings/PortDiscovery.h"
#include "settings/UnitScan.h"

namespace qu32 {

// A drop-down list the operator picks from or types into.
struct ChoiceList {
    explicit ChoiceList(std::string name) : control(Control::Kind::List, std::move(name)) {}
    Control control;  // enabled, visible, geometry
    std::vector<std::string> items;
    std::vector<std::string> toolTips;  // one per item; may be empty
    int selected = -1;
    std::string text;  // the edit field

    void clear();
    void add(std::string item, std::string toolTip = {});
    // Selects item `index` and shows it in the edit field; out of range clears the selection.
    void select(int index);
    // Selects the item that equals `item`; false (nothing changed) when there is none.
    bool selectText(const std::string& item);
};

struct CheckBox {
    CheckBox(std::string name, std::string caption, bool initially)
        : control(Control::Kind::Button, std::move(name)), checked(initially) {
        control.setCaption(std::move(caption));
    }
    Control control;
    bool checked;
};

inline constexpr char kSettingsWindowCaption[] = "Com Settings";
inline constexpr char kNoUsablePort[] = "NO ComPort useable";
inline constexpr char kNoUsablePortWarning[] = "WARNING: NO COMPORT USEABLE !!!!!";
inline constexpr char kOkToolTip[] = "Set the comport to the select settings.";
inline constexpr char kDefaultsToolTip[] = "Set the select comport to default values.";
// Lines in the log box.
inline constexpr char kLogLineBreak[] = "\r\n";

// The serial settings dialog: the operator picks port, baud rate, format and unit number, or
// lets a scan find the unit. It works on a copy of the program's serial settings and on the
// program's own port, which it leaves closed except while testing or probing; the copy goes
// back to the program whatever closes the dialog. It never shows a message box: its log and its
// status bar say everything.
class SerialSettingsDialog {
  public:
    SerialSettingsDialog(SerialLink& link, PortLister& lister, PortMap& portMap);
    ~SerialSettingsDialog();
    SerialSettingsDialog(const SerialSettingsDialog&) = delete;
    SerialSettingsDialog& operator=(const SerialSettingsDialog&) = delete;

    // Copies the settings, fills the lists and discovers the ports.
    void load();
    bool isLoaded() const { return loaded_; }

    // Buttons and menu entries. A disabled one does nothing, as the window would not deliver it.
    void okClicked();
    void defaultsClicked();
    void defaultsChosen();  // menu: the defaults shown, not applied
    void updatePortListClicked();
    void portTestChosen();
    void clearLogChosen();
    void startScanClicked();
    void abortScanClicked();
    // Exit and the close box. False when a running scan keeps the dialog open.
    bool requestClose();

    // A key in the port list, after the list's text has taken it.
    void portListKeyPressed();
    // Enter in the baud or the format list, or Enter in the unit field.
    void enterPressed(const ChoiceList& list);
    // A key in the unit field: true when the field takes it (digits, backspace); Enter applies.
    bool unitKeyPressed(const KeyEvent& key);
    void spinUnit(bool up);

    Control window{Control::Kind::Window, "serialSettings"};
    Control settingsFrame{Control::Kind::Frame, "settingsFrame"};
    Control portLabel{Control::Kind::Label, "portLabel"};
    Control baudLabel{Control::Kind::Label, "baudLabel"};
    Control formatLabel{Control::Kind::Label, "formatLabel"};
    Control unitLabel{Control::Kind::Label, "unitLabel"};
    ChoiceList portList{"portList"};
    ChoiceList baudList{"baudList"};
    ChoiceList formatList{"formatList"};
    Control unitField{Control::Kind::TextBox, "unitField"};  // caption: the text
    Control unitSpin{Control::Kind::ScrollBar, "unitSpin"};
    Control okButton{Control::Kind::Button, "okButton"};
    Control defaultsButton{Control::Kind::Button, "defaultsButton"};
    Control updateButton{Control::Kind::Button, "updateButton"};
    Control logFrame{Control::Kind::Frame, "logFrame"};
    Control log{Control::Kind::TextBox, "log"};  // caption: the text, lines end in CR LF

    Control scanFrame{Control::Kind::Frame, "scanFrame"};
    Control scanOptionsFrame{Control::Kind::Frame, "scanOptionsFrame"};
    CheckBox scanUnits{"scanUnits", "Unit Number", ScanOptions{}.unitNumbers};
    CheckBox scanBauds{"scanBauds", "Baud Rate", ScanOptions{}.bauds};
    CheckBox scanFormats{"scanFormats", "Data Format", ScanOptions{}.formats};
    Control startScanButton{Control::Kind::Button, "startScanButton"};
    Control abortScanButton{Control::Kind::Button, "abortScanButton"};
    Control progress{Control::Kind::Panel, "progress"};  // value, maximum
    std::string progressToolTip;

    Control portStatus{Control::Kind::Panel, "portStatus"};
    Control settingsStatus{Control::Kind::Panel, "settingsStatus"};
    Control unitStatus{Control::Kind::Panel, "unitStatus"};

    Control fileMenu{Control::Kind::MenuEntry, "fileMenu"};
    Control exitEntry{Control::Kind::MenuEntry, "exitEntry"};
    Control toolsMenu{Control::Kind::MenuEntry, "toolsMenu"};
    Control updateEntry{Control::Kind::MenuEntry, "updateEntry"};
    Control portTestEntry{Control::Kind::MenuEntry, "portTestEntry"};
    Control defaultsEntry{Control::Kind::MenuEntry, "defaultsEntry"};
    Control clearLogEntry{Control::Kind::MenuEntry, "clearLogEntry"};

    // Every plain control, for mirroring.
    template <typename F>
    void forEachControl(F f);

    // The settings as the dialog holds them; the program gets them when the dialog closes.
    const SerialSettings& dialogSettings() const { return dialogSettings_; }
    const std::vector<PortEntry>& ports() const { return ports_; }
    const UnitScan& scan() const { return scan_; }
    // The COM numbers this dialog gave to devices, to be kept: all of them after Ok, otherwise
    // only the one the settings point at. Valid once closed.
    const std::vector<PortMap::Entry>& keptPairings() const { return keptPairings_; }

    // Called once the dialog has given its settings back; the program reopens its port there.
    std::function<void()> closed;
    // Called where the dialog must show itself now (around discovery, after each scan tick).
    std::function<void()> redraw;

  private:
    void discoverPorts();
    void apply();
    void store(int port, const std::string& baudText, const std::string& formatText,
               const std::string& unitText);
    void showPortSettings();
    void setDefaultFields();
    void closeDialog();
    void refreshStatus();
    void setLog(const std::string& text);
    void showRedrawn();
    void enableSettings(bool enabled);
    void scanStarted();
    void scanEnded(const std::string& message, bool completed);

    SerialLink& link_;
    SerialPort& port_;
    PortLister& lister_;
    PortMap& portMap_;
    PortMap mapOnLoad_;
    SerialSettings dialogSettings_;
    std::vector<PortEntry> ports_;
    std::vector<PortMap::Entry> newPairings_;
    std::vector<PortMap::Entry> keptPairings_;
    UnitScan scan_;
    bool loaded_ = false;
    bool confirmed_ = false;
};

template <typename F>
void SerialSettingsDialog::forEachControl(F f) {
    for (Control* c : {&window,
                       &settingsFrame,
                       &portLabel,
                       &baudLabel,
                       &formatLabel,
                       &unitLabel,
                       &portList.control,
                       &baudList.control,
                       &formatList.control,
                       &unitField,
                       &unitSpin,
                       &okButton,
                       &defaultsButton,
                       &updateButton,
                       &logFrame,
                       &log,
                       &scanFrame,
                       &scanOptionsFrame,
                       &scanUnits.control,
                       &scanBauds.control,
                       &scanFormats.control,
                       &startScanButton,
                       &abortScanButton,
                       &progress,
                       &portStatus,
                       &settingsStatus,
                       &unitStatus,
                       &fileMenu,
                       &exitEntry,
                       &toolsMenu,
                       &updateEntry,
                       &portTestEntry,
                       &defaultsEntry,
                       &clearLogEntry})
        f(*c);
}

// Places the dialog's controls for a window of its design size.
void layoutSerialSettings(SerialSettingsDialog& dialog);

}  // namespace qu32
