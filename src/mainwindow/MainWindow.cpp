#include "mainwindow/MainWindow.h"

#include <exception>

#include <filesystem>

#include "mainwindow/FileCommentDialog.h"
#include "serial/Retry.h"
#include "unit/LineSettings.h"
#include "unit/RegisterCodes.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {

constexpr char kConfigFileName[] = "Qu32_Config.xml";
constexpr char kInitializing[] = "Initializing Communication ...";
constexpr int kParameterAttempts = 6;
constexpr char kDisableCommunicationCaption[] = "&Disable Communication";
constexpr char kEnableCommunicationCaption[] = "&Enable Communication";
constexpr int kCommunicationSettleMs = 100;
// The line of the unit's 8-bit data phase, as the description read sets it.
constexpr int kEightBitBaud = 9600;
constexpr int kEightBitDataBits = 8;
constexpr int kEightBitStopBits = 1;

// A fault inside one step of start-up, shut-down or a tick is dropped and the sequence goes on
// with the next step, so the window always opens, closes and keeps cycling.
template <typename F>
void trapped(F&& step) {
    try {
        step();
    } catch (const std::exception&) {
    } catch (...) {
    }
}

bool isNumeric(const std::string& s) {
    std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
    if (i >= s.size())
        return false;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
    }
    return true;
}

// Stands in for the machine's device list where none was attached.
class NoPortList : public PortLister {
  public:
    std::optional<std::vector<SerialDeviceInfo>> listDevices() override { return std::nullopt; }
};

}  // namespace

// What the operations may use of the window, and nothing more.
class MainWindow::Host : public OperationHost {
  public:
    explicit Host(MainWindow& window) : window_(window) {}

    SerialLink& link() override { return window_.link; }
    ConnectedUnit& unit() override { return window_.unit; }
    Dialogs& dialogs() override { return window_.dialogs_; }
    void repaintList() override { window_.list.paint(); }
    void refreshCaption() override { window_.refreshCaption(); }
    void markFileChanged() override { window_.file.changed = true; }
    bool followSerialChange(const std::vector<WrittenValue>& written) override {
        return window_.followSerialChange(written);
    }
    bool runGuiCommand(GuiCommand command, Control& entry) override {
        return window_.runGuiCommand(command, entry);
    }

  private:
    MainWindow& window_;
};

MainWindow::MainWindow(SerialPort& port, EventLoop& loop, Dialogs& dialogs, PortMap& portMapRef,
                       std::string programFolder)
    : portMap(portMapRef),
      observer(controls, dialogs, company),
      link(port, loop, serial, observer),
      unit(link),
      firmware(link, unit, programFolder),
      valueDisplay(controls),
      io(controls, unit, valueDisplay),
      list(controls, unit.description, loop, dialogs),
      fileCommands(dialogs, files, company, programFolder, unit.description, unit.identity, file),
      port_(port),
      loop_(loop),
      dialogs_(dialogs),
      programFolder_(std::move(programFolder)),
      mainTimer_(loop.createTimer()),
      host_(std::make_unique<Host>(*this)) {
    // Until a configuration file says otherwise, the program goes by the default file's title.
    company.titleText = kDefaultTitleText;
    mainTimer_->setInterval(kMainTickMs);
    mainTimer_->setEnabled(false);
    mainTimer_->setOnTick([this] { onMainTick(); });
    unit.setDescriptionSource([this] { return firmware.selectDescription(); });
    list.canEdit = [this] { return descriptionLoaded || !file.path.empty(); };
    list.schedulerBusy = [this] { return scheduler.isBusy(); };
    list.fileChanged = &file.changed;
    list.changeRequested = [this](const std::string& code, const std::string& value, int index) {
        commands.changeParameter(code, value, index);
    };
    fileCommands.communicating = [this] { return state_ != CycleState::Init; };
    fileCommands.askComment = [this](const std::string& path) {
        FileCommentDialog dialog(path);
        dialogs_.showFileComment(dialog);
        return dialog.result();
    };
    fileCommands.opened = [this](bool converted) { showOpenedFile(converted); };
    fileCommands.pause = [this](int ms) { loop_.wait(ms); };
    commands.printList = [this] { fileCommands.print(std::chrono::system_clock::now()); };
    link.setTrace([this](bool sent, const Bytes& bytes) {
        protocolTrace.frame(static_cast<double>(loop_.nowMs()), sent, bytes);
    });
    link.setErrorTrace([this](const LinkError& error) {
        protocolTrace.error(static_cast<double>(loop_.nowMs()), error);
    });
}

MainWindow::~MainWindow() {
    mainTimer_->setEnabled(false);
}

std::string MainWindow::configPath() const {
    return (std::filesystem::path(programFolder_) / kConfigFileName).string();
}

void MainWindow::warnUnidentified() {
    dialogs_.messageBox("The connected device could not be identified. Some functions of " +
                            titleTail(company.titleText) + " might not work properly!",
                        company.titleText, MsgButtons::Ok, MsgIcon::Stop);
}

void MainWindow::setCaption(const std::string& text) {
    controls.window.setCaption(company.titleText + "  -  " + text);
}

void MainWindow::load() {
    trapped([&] {
        controls.developEntry.setEnabled(false);
        controls.developEntry.setVisible(false);
    });
    closeRequested = 0;
    if (useConfigFile) {
        trapped([&] { config.open(configPath(), serial, company, portMap); });
    }
    if (afterConfigRead)
        trapped([&] { afterConfigRead(); });
    trapped([&] { link.openPort(); });
    trapped([&] {
        for (int r = 0; r < kListRows; ++r) {
            controls.rowTexts[static_cast<std::size_t>(r)].setCaption("");
            controls.rowValues[static_cast<std::size_t>(r)].setCaption("");
        }
        for (auto& c : controls.inputButtons)
            c.setCaption("");
        for (auto& c : controls.outputPanels)
            c.setCaption("");
    });
    trapped([&] { io.clearLiveDisplay(); });
    trapped([&] { list.reset(); });
    file = ParameterFileState{};
    descriptionLoaded = false;
    trapped([&] {
        controls.openEntry.setEnabled(true);
        for (Control* c : {&controls.closeEntry, &controls.saveEntry, &controls.saveAsEntry,
                           &controls.printEntry})
            c->setEnabled(false);
        for (Control* c :
             {&controls.resetButton, &controls.storeButton, &controls.transmitAllButton,
              &controls.transmitButton, &controls.readAllButton})
            c->setEnabled(false);
    });
    rememberedIdentity = kUnknownVersion;
    state_ = CycleState::Init;
    trapped([&] { refreshCaption(); });
    mainTimer_->setEnabled(true);
}

bool MainWindow::queryUnload() {
    if (mainTimer_->enabled()) {
        mainTimer_->setEnabled(false);
        state_ = CycleState::Closing;
        return true;
    }
    if (state_ != CycleState::Closing) {
        // A tick is waiting on the line; it sees the flag and closes the window when it ends.
        closeRequested = -1;
        return false;
    }
    return true;
}

void MainWindow::unload() {
    if (closed_)
        return;
    closed_ = true;
    mainTimer_->setEnabled(false);
    trapped([&] {
        if (port_.isOpen())
            port_.close();
    });
    if (useConfigFile) {
        trapped([&] { config.saveSerialSettings(configPath(), serial); });
    }
    if (onClosed)
        onClosed();
}

void MainWindow::requestClose() {
    if (closed_)
        return;
    if (queryUnload())
        unload();
}

void MainWindow::refreshCaption() {
    const std::string& title = company.titleText;
    if (state_ == CycleState::Disabled) {
        controls.window.setCaption(title);
        return;
    }
    std::string caption = title;
    if (state_ == CycleState::Init) {
        // A device that went away is waited for, not switched off.
        caption += port_.isOpen() || port_.deviceGone() ? "   (Offline)" : "   (Disabled)";
    } else {
        const UnitIdentity& id = unit.identity;
        caption += "  -  " + id.unitType;
        if (id.softwareVersion != kUnknownVersion) {
            if (id.versionForm == 0)
                caption += " Version " + id.softwareVersionText;
            if (id.versionForm == 1)
                caption += "/Sp Version " + id.softwareVersionText;
            if ((id.versionForm == 0 || id.versionForm == 1) && !id.coprocessorVersion.empty())
                caption += "/" + id.coprocessorVersion;
        }
    }
    if (!file.path.empty())
        caption += "  -  " + file.path;
    controls.window.setCaption(caption);
}

void MainWindow::returnToInit() {
    state_ = CycleState::Init;
    trapped([&] { refreshCaption(); });
    trapped([&] { io.clearLiveDisplay(); });
}

bool MainWindow::runGuiCommand(GuiCommand command, Control& entry) {
    switch (command) {
        case GuiCommand::Save:
            return fileCommands.save();
        case GuiCommand::SaveAs:
            if (!fileCommands.saveAs())
                return false;
            controls.closeEntry.setEnabled(true);
            controls.saveEntry.setEnabled(true);
            refreshCaption();
            return true;
        case GuiCommand::SerialSettings:
            return openSerialSettings();
        case GuiCommand::Reinitialise:
            reinitialise();
            return true;
        case GuiCommand::Disable:
            toggleCommunication(entry);
            return true;
    }
    return false;
}

// The settings dialog takes the line: the port is closed and the main cycle rests until the
// dialog gives the settings back. Until a window can show it, the command does nothing rather
// than pretend.
bool MainWindow::openSerialSettings() {
    if (settingsDialog_ && settingsDialog_->isLoaded())
        return true;
    if (!commands.showSerialSettings)
        return false;
    trapped([&] {
        if (port_.isOpen())
            port_.close();
    });
    state_ = CycleState::Disabled;
    static NoPortList noPortList;
    settingsDialog_ = std::make_unique<SerialSettingsDialog>(
        link, portLister != nullptr ? *portLister : noPortList, portMap);
    settingsDialog_->closed = [this] { serialSettingsClosed(); };
    settingsDialog_->load();
    commands.showSerialSettings();
    return true;
}

// The port opens with the settings the dialog gave back; whether or not it does, the main cycle
// starts again from probing and reports a closed port through its own errors.
void MainWindow::serialSettingsClosed() {
    if (useConfigFile) {
        for (const PortMap::Entry& pairing : settingsDialog_->keptPairings())
            trapped([&] { config.rememberPortPairing(pairing.com, pairing.device); });
    }
    trapped([&] { link.openPort(); });
    trapped([&] {
        if (!port_.isOpen())
            port_.open();
    });
    state_ = CycleState::Init;
    controls.disableEntry.setCaption(kDisableCommunicationCaption);
    trapped([&] { refreshCaption(); });
    mainTimer_->setEnabled(true);
}

void MainWindow::openParameterFile() {
    fileCommands.open();
}

// The file's rows stand in the list: every file command is open, the list starts at the first
// parameter (a converted file at its second row) and has the focus.
void MainWindow::showOpenedFile(bool converted) {
    for (Control* c :
         {&controls.closeEntry, &controls.saveEntry, &controls.saveAsEntry, &controls.printEntry})
        c->setEnabled(true);
    list.fitScrollBar();
    int top = converted ? 1 : 0;
    if (!converted) {
        const UnitDescription& d = unit.description;
        for (int i = 0; i < d.parameterCount && i < kListRows; ++i) {
            if (!d.parameters[static_cast<std::size_t>(i)].isHeading()) {
                top = i;
                break;
            }
        }
    }
    list.showAt(top, 0);
    refreshCaption();
    list.takeFocus();
}

void MainWindow::reinitialise() {
    state_ = CycleState::Init;
    file.path.clear();
    refreshCaption();
    io.clearLiveDisplay();
    rememberedIdentity.clear();
}

// The operator's switch for the line: closes the port (the main cycle rests) or opens it again
// (the main cycle probes for the unit).
void MainWindow::toggleCommunication(Control& entry) {
    // While a pulled adapter is away the line still counts as on: switching it off must stop
    // the waiting for it.
    if (port_.isOpen() || port_.deviceGone()) {
        entry.setCaption(kEnableCommunicationCaption);
        port_.close();
        state_ = CycleState::Disabled;
    } else {
        entry.setCaption(kDisableCommunicationCaption);
        port_.open();
        state_ = CycleState::Init;
    }
    // Lets the port settle after it was opened or closed, before the caption tells about it.
    loop_.wait(kCommunicationSettleMs);
    refreshCaption();
    io.clearLiveDisplay();
}

bool MainWindow::followSerialChange(const std::vector<WrittenValue>& written) {
    if (!adoptLineSettings(written, serial))
        return false;
    link.openPort();
    return true;
}

void MainWindow::onMainTick() {
    if (closed_)
        return;
    trapped([&] {
        controls.activityPanel.setBold(
            state_ == CycleState::Disabled ? false : !controls.activityPanel.bold());
    });
    mainTimer_->setEnabled(false);
    trapped([&] { loop_.pumpPendingEvents(); });
    if (closed_)
        return;
    trapped([&] { runPendingOperation(scheduler, state_ == CycleState::Disabled, dialogs_); });
    if (closed_)
        return;
    if (closeRequested == -1)
        state_ = CycleState::Closing;

    StepEnd end = StepEnd::Normal;
    trapped([&] {
        switch (state_) {
            case CycleState::Init:
                end = stepInit();
                break;
            case CycleState::PcInputs:
            case CycleState::ExternalInputs:
            case CycleState::BusInputs:
            case CycleState::Outputs:
                stepPolling();
                break;
            case CycleState::ActualValue:
                stepValue();
                break;
            case CycleState::VersionCheck:
                stepVersionCheck();
                break;
            case CycleState::Closing:
                unload();
                end = StepEnd::Closed;
                break;
            case CycleState::Disabled:
                loop_.pumpPendingEvents();
                break;
            default:
                break;
        }
    });
    if (end == StepEnd::AtOnce && afterTick && !closed_)
        afterTick();
    if (end != StepEnd::Normal || closed_)
        return;
    trapped([&] { loop_.pumpPendingEvents(); });
    if (!closed_)
        mainTimer_->setEnabled(true);
    if (afterTick && !closed_)
        afterTick();
}

void MainWindow::endInitAtOnce() {
    if (closeRequested == -1)
        state_ = CycleState::Closing;
    mainTimer_->setEnabled(true);
}

MainWindow::StepEnd MainWindow::stepInit() {
    dialogs_.setMousePointer(MousePointer::Default);
    rememberedIdentity.clear();
    unit.identity.softwareVersionText.clear();
    link.setAnswerTimeoutMs(kProbeTimeoutMs);
    // A pulled adapter that is back is opened here, so this very probe may find the unit.
    link.reopenLostPort();

    std::string probe;
    Result probed = link.readRegister(kProbeRegister, probe);
    // After an adapter pulled during a passing line format (the 8-bit phase) the unit is looked
    // for on that line first, as it may still talk it, and then at once on the configured line.
    if (probed != Result::Ok && port_.isOpen() && !link.onConfiguredLine() &&
        link.restoreConfiguredLine())
        probed = link.readRegister(kProbeRegister, probe);
    if (probed != Result::Ok && port_.isOpen() && unitMayBeInEightBits_) {
        // Every other silent tick, so that an absent unit costs one probe per tick on average.
        eightBitProbeTurn_ = !eightBitProbeTurn_;
        if (eightBitProbeTurn_ && bringBackFromEightBits())
            probed = link.readRegister(kProbeRegister, probe);
    }
    if (probed != Result::Ok) {
        loop_.pumpPendingEvents();
        io.clearLiveDisplay();
        endInitAtOnce();
        return StepEnd::AtOnce;
    }

    link.setAnswerTimeoutMs(kIdentifyTimeoutMs);
    dialogs_.setMousePointer(MousePointer::Hourglass);
    setCaption(kInitializing);
    if (unit.identifyUnit() != Result::Ok) {
        // The unit went away between the probe and its identification; show it as offline.
        refreshCaption();
        dialogs_.setMousePointer(MousePointer::Default);
        if (closeRequested == -1)
            state_ = CycleState::Closing;
        return StepEnd::Normal;
    }

    setCaption(std::string(kInitializing) + " Read UnitData");
    link.setAnswerTimeoutMs(kDescriptionTimeoutMs);
    Result r = unit.readUnitDescription();
    if (r == Result::UnknownCode)
        r = unit.probeParameterList();
    if (r != Result::Ok) {
        unitMayBeInEightBits_ = true;
        dialogs_.setMousePointer(MousePointer::Default);
        refreshCaption();
        endInitAtOnce();
        return StepEnd::AtOnce;
    }

    if (readAllParameters() == StepEnd::AtOnce)
        return StepEnd::AtOnce;

    unit.applyGroupRegisters();
    if (unit.identity.unitGroup == 0)
        warnUnidentified();
    io.applyMonitorLayout();
    int firstReal = 0;
    for (int i = 0; i < unit.description.parameterCount; ++i) {
        if (!unit.description.parameters[static_cast<std::size_t>(i)].isHeading()) {
            firstReal = i;
            break;
        }
    }
    list.fitScrollBar();
    descriptionLoaded = true;
    controls.saveAsEntry.setEnabled(true);
    controls.printEntry.setEnabled(true);
    list.selectAfterLoad(firstReal);
    io.showDescription();
    rememberedIdentity = unit.identity.softwareVersionText;

    // An answer to one probe may be a stray; a finished start-up proves the unit's format.
    unitMayBeInEightBits_ = false;
    state_ = CycleState::PcInputs;
    refreshCaption();
    for (Control* c : {&controls.resetButton, &controls.storeButton, &controls.transmitAllButton,
                       &controls.transmitButton, &controls.readAllButton})
        c->setEnabled(true);
    io.enableSerialInputButtons();
    dialogs_.setMousePointer(MousePointer::Default);
    if (closeRequested == -1)
        state_ = CycleState::Closing;
    return StepEnd::Normal;
}

// A unit whose description read was cut off in the 8-bit phase (line cut, adapter pulled,
// answers lost) keeps talking 8 bits and never hears a probe on the configured line. It is
// looked for on the 8-bit line and asked back to its own format; the port returns to the
// configured line either way. No message: this runs while the window is offline.
bool MainWindow::bringBackFromEightBits() {
    // A port that will not reopen here is no reason to give up the configured port number.
    const int com = serial.comPort;
    link.configurePort(port_.portNumber(), kEightBitBaud, kEightBitDataBits, kEightBitStopBits,
                       kParityEven);
    serial.comPort = com;
    std::string probe;
    bool back = false;
    if (port_.isOpen() && link.readRegister(kProbeRegister, probe) == Result::Ok)
        back = link.setUnitFormat(kNormalFormatCommand) == Result::Ok;
    link.restoreConfiguredLine();
    if (!port_.isOpen() && !port_.deviceGone())
        link.openPort();
    if (back)
        unitMayBeInEightBits_ = false;
    return back;
}

MainWindow::StepEnd MainWindow::readAllParameters() {
    UnitDescription& d = unit.description;
    for (int i = 0; i < d.parameterCount && i < kMaxParameters; ++i) {
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            p.value.clear();
            continue;
        }
        std::string text;
        const auto read = retry(kParameterAttempts, [&](int attempt) -> std::optional<Result> {
            setCaption(std::string(kInitializing) + " Read Parameter[" + std::to_string(i) +
                       "] : Retry " + std::to_string(attempt));
            const Result r = link.readRegister(p.code, text);
            return r == Result::Ok ? std::optional(r) : std::nullopt;
        });
        if (!read) {
            dialogs_.setMousePointer(MousePointer::Default);
            refreshCaption();
            endInitAtOnce();
            return StepEnd::AtOnce;
        }
        p.value = formatValue(text, p.format);
        p.unitValue = p.value;
    }
    return StepEnd::Normal;
}

void MainWindow::stepPolling() {
    Result r = Result::Ok;
    CycleState next = state_;
    const bool combined = unit.identity.hasCombinedStatusRead;
    switch (state_) {
        case CycleState::PcInputs:
            r = combined ? io.refreshAllIo() : io.showPcInputs();
            next = combined ? CycleState::VersionCheck : CycleState::ExternalInputs;
            break;
        case CycleState::ExternalInputs:
            r = io.showExternalInputs();
            next = CycleState::BusInputs;
            break;
        case CycleState::BusInputs:
            r = io.showBusInputs();
            next = CycleState::Outputs;
            break;
        case CycleState::Outputs:
            r = io.showOutputs();
            next = CycleState::ActualValue;
            break;
        default:
            return;
    }
    // An unknown status register is not a lost unit; the polling goes on without it.
    if (r == Result::LineFailed || r == Result::NotAcknowledged) {
        returnToInit();
        return;
    }
    if (state_ == CycleState::PcInputs)
        io.showResetState();
    state_ = next;
}

void MainWindow::stepValue() {
    std::string text;
    const Result r = link.readRegister(unit.group.actualValueCode, text);
    if (r == Result::Ok) {
        const std::string value = keepDigitsAndSign(text);
        if (isNumeric(value)) {
            // Values beyond 32 bits are shown at the bound rather than wrapped.
            const long long v = std::clamp<long long>(
                std::stoll(value.size() > 12 ? value.substr(0, 12) : value), INT32_MIN, INT32_MAX);
            valueDisplay.showActualValue(unit.identity.unitType, static_cast<std::int32_t>(v));
        }
        state_ = CycleState::VersionCheck;
        return;
    }
    if (r == Result::UnknownCode) {
        state_ = CycleState::VersionCheck;
        return;
    }
    returnToInit();
}

void MainWindow::stepVersionCheck() {
    std::string version;
    const Result r = link.readVersion(kSoftwareVersionRegister, version);
    if (r == Result::UnknownCode) {
        state_ = CycleState::PcInputs;
        return;
    }
    // A failed read leaves the text empty, which differs as well.
    if (version != rememberedIdentity) {
        returnToInit();
        return;
    }
    state_ = CycleState::PcInputs;
}

}  // namespace qu32
