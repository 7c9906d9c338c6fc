#include "settings/SerialSettingsDialog.h"

#include <exception>

#include "settings/LineChoices.h"

namespace qu32 {

namespace {

constexpr char kDefaultUnit[] = "11";
constexpr char kDefaultBaud[] = "9600";
constexpr char kWaitForDiscovery[] = "Please wait .. \r\nChecking available ComPorts .. ";
constexpr char kScanRunningWarning[] =
    "Warning: The scanning process is still running.\r\n"
    "For abort press the >Abort Scanning< button please";
constexpr char kScanStartedText[] =
    "Scanning serial device.\r\n"
    "Please press the ABORT button for stopping.\r\n"
    "NOTE: during the scanning the serial device cann't be configuring.";
// The unit field's numbers.
constexpr int kMaxUnit = 99;
constexpr std::size_t kUnitDigits = 2;

// A fault inside a command of the dialog ends that command; the dialog stays usable.
template <typename F>
void guarded(F&& step) {
    try {
        step();
    } catch (const std::exception&) {
    } catch (...) {
    }
}

std::string twoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

void ChoiceList::clear() {
    items.clear();
    toolTips.clear();
    selected = -1;
    text.clear();
}

void ChoiceList::add(std::string item, std::string toolTip) {
    items.push_back(std::move(item));
    toolTips.push_back(std::move(toolTip));
}

void ChoiceList::select(int index) {
    if (index < 0 || index >= static_cast<int>(items.size())) {
        selected = -1;
        return;
    }
    selected = index;
    text = items[static_cast<std::size_t>(index)];
}

bool ChoiceList::selectText(const std::string& item) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == item) {
            select(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

SerialSettingsDialog::SerialSettingsDialog(SerialLink& link, PortLister& lister, PortMap& portMap)
    : link_(link), port_(link.port()), lister_(lister), portMap_(portMap), scan_(link) {
    window.setCaption(kSettingsWindowCaption);
    settingsFrame.setCaption("Serial Setting");
    portLabel.setCaption("ComPorts:");
    baudLabel.setCaption("Baud Rate:");
    formatLabel.setCaption("Serial Settings:");
    unitLabel.setCaption("Unit Number:");
    unitField.setCaption(kDefaultUnit);
    okButton.setCaption("Ok");
    defaultsButton.setCaption("Set &Default Values");
    updateButton.setCaption("&Update ComPort List");
    logFrame.setCaption("Logging");
    scanFrame.setCaption("Scanning");
    scanOptionsFrame.setCaption("Scan for what?");
    startScanButton.setCaption("Start Scanning");
    abortScanButton.setCaption("Abort Scanning");
    abortScanButton.setEnabled(false);
    progress.setEnabled(false);
    progress.setVisible(false);
    fileMenu.setCaption("&File");
    exitEntry.setCaption("E&xit");
    toolsMenu.setCaption("&Tools");
    updateEntry.setCaption("&Update ComPort List");
    portTestEntry.setCaption("&ComPort test");
    defaultsEntry.setCaption("Set &Default");
    clearLogEntry.setCaption("Clear Logging");
    layoutSerialSettings(*this);

    scan_.started = [this] { scanStarted(); };
    scan_.stepping = [this](std::size_t position, std::size_t total) {
        progressToolTip = "Scan step " + std::to_string(position + 1) + "/" + std::to_string(total);
        progress.setValue(static_cast<int>(position));
    };
    scan_.probing = [this](const ScanEntry& entry) {
        settingsStatus.setCaption(port_.settings());
        unitStatus.setCaption("Unit = " + entry.unitAddress);
    };
    scan_.ended = [this](const std::string& message, bool completed) {
        scanEnded(message, completed);
    };
    scan_.ticked = [this] { showRedrawn(); };
}

SerialSettingsDialog::~SerialSettingsDialog() {
    scan_.stopTimer();
}

void SerialSettingsDialog::load() {
    mapOnLoad_ = portMap_;
    newPairings_.clear();
    keptPairings_.clear();
    confirmed_ = false;
    dialogSettings_ = link_.settings();
    portStatus.setCaption("Com" + std::to_string(port_.portNumber()));
    settingsStatus.setCaption(port_.settings());
    unitStatus.setCaption("Unit = " + dialogSettings_.unitAddress);
    baudList.clear();
    for (const char* baud : kOfferedBauds)
        baudList.add(baud);
    formatList.clear();
    for (const FormatChoice& f : kFormatChoices)
        formatList.add(f.text);
    guarded([&] { discoverPorts(); });
    guarded([&] { showPortSettings(); });
    loaded_ = true;
}

void SerialSettingsDialog::discoverPorts() {
    ports_.clear();
    portList.clear();
    const Discovery found = qu32::discoverPorts(lister_, portMap_, port_);
    newPairings_.insert(newPairings_.end(), found.newPairings.begin(), found.newPairings.end());
    if (!found.listAvailable) {
        portList.add(kNoUsablePort);
        return;
    }
    std::string lines;
    for (const PortEntry& p : found.ports) {
        lines += describePort(p) + kLogLineBreak;
        if (!p.usable)
            lines += explainUnusable(p) + kLogLineBreak;
    }
    ports_ = found.ports;
    for (const PortEntry& p : ports_) {
        if (p.usable)
            portList.add(p.name, describePort(p));
    }
    if (portList.items.empty()) {
        portList.add(kNoUsablePort);
        setLog(kNoUsablePortWarning + std::string(kLogLineBreak) + lines);
        portList.select(0);
        return;
    }
    setLog(lines);
    // A lone port is offered but not chosen for the operator.
    if (ports_.size() > 1)
        portList.select(0);
}

void SerialSettingsDialog::apply() {
    if (!beginsWithCom(portList.text))
        return;
    const int number = leadingNumber(portList.text, 3);
    const std::string settings = baudList.text + "," + settingsPartOfChoice(formatList.text);
    if (port_.isOpen())
        port_.close();
    port_.setPortNumber(number);
    port_.setSettings(settings);
    store(number, baudList.text, formatList.text, unitField.caption());
    refreshStatus();
}

void SerialSettingsDialog::store(int port, const std::string& baudText,
                                 const std::string& formatText, const std::string& unitText) {
    dialogSettings_.comPort = port;
    dialogSettings_.baudRateCode = baudCodeOfText(baudText);
    dialogSettings_.formatCode = formatCodeOfChoice(formatText);
    if (unitText.size() == 1)
        dialogSettings_.unitAddress = "0" + unitText;
    else if (unitText.size() >= kUnitDigits)
        dialogSettings_.unitAddress = unitText.substr(0, kUnitDigits);
    else
        unitField.setCaption(link_.settings().unitAddress);
}

void SerialSettingsDialog::showPortSettings() {
    if (beginsWithCom(portList.text)) {
        const std::string settings = port_.settings();
        const std::size_t comma = settings.find(',');
        const std::string baud = settings.substr(0, comma);
        const std::string formatPart =
            comma == std::string::npos ? std::string() : settings.substr(comma + 1);
        if (!baudList.selectText(baud))
            baudList.selectText(kDefaultBaud);
        int format = 0;
        for (std::size_t i = 0; i < kFormatChoices.size(); ++i) {
            if (formatPart == kFormatChoices[i].settingsPart)
                format = static_cast<int>(i);
        }
        formatList.select(format);
        if (!portList.selectText("COM" + std::to_string(port_.portNumber())))
            portList.select(0);
        portStatus.setCaption("Com" + std::to_string(port_.portNumber()));
        settingsStatus.setCaption(port_.settings());
    }
    unitField.setCaption(dialogSettings_.unitAddress);
}

void SerialSettingsDialog::refreshStatus() {
    portStatus.setCaption("Com" + std::to_string(port_.portNumber()));
    settingsStatus.setCaption(port_.settings());
    unitStatus.setCaption("Unit = " + dialogSettings_.unitAddress);
}

void SerialSettingsDialog::setLog(const std::string& text) {
    log.setCaption(text);
}

void SerialSettingsDialog::showRedrawn() {
    if (redraw)
        redraw();
}

void SerialSettingsDialog::setDefaultFields() {
    unitField.setCaption(kDefaultUnit);
    baudList.selectText(kDefaultBaud);
    formatList.select(0);
}

void SerialSettingsDialog::okClicked() {
    if (!okButton.enabled())
        return;
    guarded([&] { apply(); });
    confirmed_ = true;
    requestClose();
}

void SerialSettingsDialog::defaultsClicked() {
    if (!defaultsButton.enabled())
        return;
    setDefaultFields();
    guarded([&] { apply(); });
}

void SerialSettingsDialog::defaultsChosen() {
    if (defaultsEntry.enabled())
        setDefaultFields();
}

void SerialSettingsDialog::updatePortListClicked() {
    if (!updateButton.enabled() || !updateEntry.enabled())
        return;
    updateButton.setEnabled(false);
    updateEntry.setEnabled(false);
    setLog(kWaitForDiscovery);
    showRedrawn();
    // The log then holds what the discovery found rather than nothing.
    setLog({});
    guarded([&] { discoverPorts(); });
    showRedrawn();
    updateButton.setEnabled(true);
    updateEntry.setEnabled(true);
}

void SerialSettingsDialog::portTestChosen() {
    if (!portTestEntry.enabled())
        return;
    const int remembered = port_.portNumber();
    guarded([&] {
        if (portList.text == "ERROR: NO ComPort")
            return;
        std::string lines;
        for (PortEntry& p : ports_) {
            std::string why;
            p.usable = testComPort(port_, p.number, &why);
            p.whyUnusable = p.usable ? std::string() : (why.empty() ? "it does not open" : why);
            lines += describePort(p) + kLogLineBreak;
            if (!p.usable)
                lines += explainUnusable(p) + kLogLineBreak;
        }
        setLog(lines);
    });
    port_.setPortNumber(remembered);
}

void SerialSettingsDialog::clearLogChosen() {
    setLog({});
}

void SerialSettingsDialog::startScanClicked() {
    if (!startScanButton.enabled() || scan_.running())
        return;
    scan_.options = {scanUnits.checked, scanBauds.checked, scanFormats.checked};
    scan_.start();
}

void SerialSettingsDialog::abortScanClicked() {
    if (abortScanButton.enabled())
        scan_.abort();
}

bool SerialSettingsDialog::requestClose() {
    if (!loaded_)
        return true;
    if (scan_.running()) {
        setLog(kScanRunningWarning);
        return false;
    }
    closeDialog();
    return true;
}

void SerialSettingsDialog::closeDialog() {
    scan_.stopTimer();
    keptPairings_.clear();
    for (const PortMap::Entry& pairing : newPairings_) {
        if (confirmed_ || pairing.com == dialogSettings_.comPort) {
            keptPairings_.push_back(pairing);
        } else {
            // Numbers the operator did not confirm mean again what they meant before.
            portMap_.set(pairing.com, mapOnLoad_.device(pairing.com).value_or(std::string()));
        }
    }
    link_.settings() = dialogSettings_;
    loaded_ = false;
    if (closed)
        closed();
}

void SerialSettingsDialog::portListKeyPressed() {
    if (!beginsWithCom(portList.text))
        return;
    const int number = leadingNumber(portList.text, 3);
    guarded([&] {
        if (port_.isOpen())
            port_.close();
        port_.setPortNumber(number);
    });
    dialogSettings_.comPort = number;
    portStatus.setCaption("Com" + std::to_string(port_.portNumber()));
}

void SerialSettingsDialog::enterPressed(const ChoiceList& list) {
    if (!list.text.empty())
        guarded([&] { apply(); });
}

bool SerialSettingsDialog::unitKeyPressed(const KeyEvent& key) {
    if (key.key == Key::Enter) {
        if (!unitField.caption().empty())
            guarded([&] { apply(); });
        return false;
    }
    return key.key == Key::Backspace || isDigit(key.ch);
}

void SerialSettingsDialog::spinUnit(bool up) {
    const std::string& text = unitField.caption();
    if (text.empty() || text.size() > kUnitDigits)
        return;
    int number = 0;
    for (char c : text) {
        // Only the field's digits make a number; pasted text stays as it is.
        if (!isDigit(c))
            return;
        number = number * 10 + (c - '0');
    }
    if (up && number < kMaxUnit)
        ++number;
    else if (!up && number > 0)
        --number;
    unitField.setCaption(twoDigits(number));
    showRedrawn();
}

void SerialSettingsDialog::enableSettings(bool enabled) {
    for (Control* c :
         {&updateButton, &defaultsButton, &okButton, &portLabel, &baudLabel, &formatLabel,
          &unitLabel, &portList.control, &baudList.control, &formatList.control, &unitField,
          &unitSpin, &settingsFrame, &portTestEntry, &defaultsEntry, &updateEntry})
        c->setEnabled(enabled);
}

void SerialSettingsDialog::scanStarted() {
    enableSettings(false);
    for (CheckBox* box : {&scanUnits, &scanBauds, &scanFormats})
        box->control.setEnabled(false);
    progress.setMaximum(static_cast<int>(scan_.entries().size()));
    progress.setValue(0);
    progress.setEnabled(true);
    progress.setVisible(true);
    startScanButton.setEnabled(false);
    abortScanButton.setEnabled(true);
    setLog(kScanStartedText);
}

void SerialSettingsDialog::scanEnded(const std::string& message, bool completed) {
    enableSettings(true);
    for (CheckBox* box : {&scanUnits, &scanBauds, &scanFormats})
        box->control.setEnabled(true);
    progress.setEnabled(false);
    progress.setVisible(false);
    startScanButton.setEnabled(true);
    abortScanButton.setEnabled(false);
    setLog(message);
    // Found or exhausted, the lists show the settings the port was left with.
    if (completed)
        guarded([&] { showPortSettings(); });
}

void layoutSerialSettings(SerialSettingsDialog& d) {
    constexpr int kLabelLeft = 16, kLabelWidth = 104, kFieldLeft = 122, kFieldWidth = 218;
    constexpr int kRowHeight = 24, kFirstRow = 32, kRowStep = 32;
    d.window.setGeometry({0, 0, 660, 530});
    d.settingsFrame.setGeometry({8, 8, 340, 250});
    Control* labels[] = {&d.portLabel, &d.baudLabel, &d.formatLabel, &d.unitLabel};
    Control* fields[] = {&d.portList.control, &d.baudList.control, &d.formatList.control,
                         &d.unitField};
    for (int row = 0; row < 4; ++row) {
        const int top = kFirstRow + row * kRowStep;
        labels[row]->setGeometry({kLabelLeft, top, kLabelWidth, kRowHeight});
        fields[row]->setGeometry({kFieldLeft, top, kFieldWidth, kRowHeight});
    }
    d.unitField.setGeometry({kFieldLeft, kFirstRow + 3 * kRowStep, 60, kRowHeight});
    d.unitSpin.setGeometry({kFieldLeft + 62, kFirstRow + 3 * kRowStep, 20, kRowHeight});
    d.okButton.setGeometry({16, 172, 110, 30});
    d.defaultsButton.setGeometry({134, 172, 206, 30});
    d.updateButton.setGeometry({16, 212, 324, 30});

    d.scanFrame.setGeometry({356, 8, 296, 250});
    d.scanOptionsFrame.setGeometry({368, 30, 272, 110});
    d.scanUnits.control.setGeometry({384, 54, 240, 24});
    d.scanBauds.control.setGeometry({384, 80, 240, 24});
    d.scanFormats.control.setGeometry({384, 106, 240, 24});
    d.startScanButton.setGeometry({368, 152, 132, 30});
    d.abortScanButton.setGeometry({508, 152, 132, 30});
    d.progress.setGeometry({368, 196, 272, 22});

    d.logFrame.setGeometry({8, 266, 644, 230});
    d.log.setGeometry({16, 288, 628, 200});
    d.portStatus.setGeometry({0, 504, 150, 26});
    d.settingsStatus.setGeometry({150, 504, 280, 26});
    d.unitStatus.setGeometry({430, 504, 230, 26});
}

}  // namespace qu32
