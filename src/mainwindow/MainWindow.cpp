#include "mainwindow/MainWindow.h"

#include <charconv>
#include <exception>

#include "settings/ProgramFolder.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {

constexpr char kConfigFileName[] = "Qu32_Config.xml";
constexpr char kDefaultTitleText[] = "QU 3.2 nimbus";
constexpr char kInitializing[] = "Initializing Communication ...";
constexpr std::size_t kValueTextLength = 12;
constexpr std::size_t kVersionLength = 8;
constexpr int kParameterAttempts = 6;
constexpr char kUnitAddressCode[] = "90";
constexpr char kSerialFormatRegister[] = "92";
constexpr int kMaxUnitAddress = 99;

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

}  // namespace

MainWindow::MainWindow(SerialPort& port, EventLoop& loop, Dialogs& dialogs, PortMap& portMapRef)
    : portMap(portMapRef),
      link(port, loop, dialogs, comm, company, form.linkControls()),
      unit(link),
      firmware(link, unit, dialogs),
      valueDisplay(form),
      io(form, unit, valueDisplay),
      list(form, unit.description, loop, dialogs),
      port_(port),
      loop_(loop),
      dialogs_(dialogs),
      MainInterrupt_(loop.createTimer()) {
    // Until a configuration file says otherwise, the program goes by the default file's title.
    company.titleText = kDefaultTitleText;
    MainInterrupt_->setInterval(kMainInterruptMs);
    MainInterrupt_->setEnabled(false);
    MainInterrupt_->setOnTick([this] { MainInterrupt_Timer(); });
    unit.setFirmwareSelector([this] { return firmware.SelectFirmwareDataSet(); });
    list.canEdit = [this] { return descriptionLoaded || !ParFileName.empty(); };
    list.schedulerBusy = [this] { return scheduler.IsBusy(); };
    list.parFileChanged = &ParFileChanged;
    list.changeRequested = [this](const std::string& code, const std::string& value, int index) {
        commands.ChangeParameter(code, value, index);
    };
}

MainWindow::~MainWindow() {
    MainInterrupt_->setEnabled(false);
}

std::string MainWindow::configPath() const {
    return programFile(kConfigFileName);
}

void MainWindow::setCaption(const std::string& text) {
    form.window.setCaption(company.titleText + "  -  " + text);
}

void MainWindow::Load() {
    trapped([&] {
        form.mnuDevelop.setEnabled(false);
        form.mnuDevelop.setVisible(false);
    });
    closeRequested = 0;
    if (useConfigFile) {
        trapped([&] { config.OpenConfigFile(configPath(), comm, company, portMap); });
    }
    if (afterConfigRead)
        trapped([&] { afterConfigRead(); });
    trapped([&] { link.SetSerial(); });
    trapped([&] {
        for (int r = 0; r < kListRows; ++r) {
            form.Label1[static_cast<std::size_t>(r)].setCaption("");
            form.Label11[static_cast<std::size_t>(r)].setCaption("");
        }
        for (auto& c : form.Command1)
            c.setCaption("");
        for (auto& c : form.Panel3D16)
            c.setCaption("");
    });
    trapped([&] { io.clearLiveDisplay(); });
    trapped([&] { list.reset(); });
    ParFileName.clear();
    descriptionLoaded = false;
    ParFileChanged = false;
    trapped([&] {
        form.mnOpen.setEnabled(true);
        for (Control* c : {&form.mnClose, &form.mnSave, &form.mnSaveAs, &form.mnPrint})
            c->setEnabled(false);
        for (Control* c :
             {&form.Re_Set, &form.StoreEEProm, &form.TransmitAll, &form.Transmit, &form.Read_Pars})
            c->setEnabled(false);
    });
    rememberedIdentity = kUnknownVersion;
    state_ = INIT;
    trapped([&] { refreshCaption(); });
    MainInterrupt_->setEnabled(true);
}

bool MainWindow::QueryUnload() {
    if (MainInterrupt_->enabled()) {
        MainInterrupt_->setEnabled(false);
        state_ = CLOSING;
        return true;
    }
    if (state_ != CLOSING) {
        // A tick is waiting on the line; it sees the flag and closes the window when it ends.
        closeRequested = -1;
        return false;
    }
    return true;
}

void MainWindow::Unload() {
    if (closed_)
        return;
    closed_ = true;
    MainInterrupt_->setEnabled(false);
    trapped([&] {
        if (port_.isOpen())
            port_.close();
    });
    if (useConfigFile) {
        trapped([&] { config.SaveSerialSettings(configPath(), comm); });
    }
    if (onClosed)
        onClosed();
}

void MainWindow::requestClose() {
    if (closed_)
        return;
    if (QueryUnload())
        Unload();
}

void MainWindow::refreshCaption() {
    const std::string& title = company.titleText;
    if (state_ == DISABLED) {
        form.window.setCaption(title);
        return;
    }
    std::string caption = title;
    if (state_ == INIT) {
        caption += port_.isOpen() ? "   (Offline)" : "   (Disabled)";
    } else {
        const UnitIdentity& id = unit.identity;
        caption += "  -  " + id.UnitType;
        if (id.SoftwareVersion != kUnknownVersion) {
            if (id.VersionForm == 0)
                caption += " Version " + id.SoftwareVersionText;
            if (id.VersionForm == 1)
                caption += "/Sp Version " + id.SoftwareVersionText;
            if ((id.VersionForm == 0 || id.VersionForm == 1) && !id.CoprocessorVersion.empty())
                caption += "/" + id.CoprocessorVersion;
        }
    }
    if (!ParFileName.empty())
        caption += "  -  " + ParFileName;
    form.window.setCaption(caption);
}

void MainWindow::returnToInit() {
    state_ = INIT;
    trapped([&] { refreshCaption(); });
    trapped([&] { io.clearLiveDisplay(); });
}

bool MainWindow::ChangeSerial(const std::vector<std::pair<std::string, std::string>>& written) {
    bool follow = false;
    for (const auto& [code, value] : written) {
        const std::string wire = CleanValue(value);
        const char* first = wire.data() + (!wire.empty() && wire[0] == '+' ? 1 : 0);
        int n = -1;
        const auto [end, ec] = std::from_chars(first, wire.data() + wire.size(), n);
        // A setting the PC cannot take would only cut it off from the unit.
        if (ec != std::errc() || end != wire.data() + wire.size() || n < 0)
            continue;
        if (code == kUnitAddressCode && n <= kMaxUnitAddress) {
            comm.UnitAddress = std::string{char('0' + n / 10), char('0' + n % 10)};
        } else if (code == kBaudRateCode && n < kBaudRateCodeCount) {
            comm.BaudRateCode = n;
        } else if (code == kSerialFormatRegister && n < kSerialFormatCount) {
            comm.SerialFormatCode = n;
        } else {
            continue;
        }
        follow = true;
    }
    if (follow)
        link.SetSerial();
    return follow;
}

void MainWindow::MainInterrupt_Timer() {
    if (closed_)
        return;
    trapped([&] { form.Panel3D20.setBold(state_ == DISABLED ? false : !form.Panel3D20.bold()); });
    MainInterrupt_->setEnabled(false);
    trapped([&] { loop_.pumpPendingEvents(); });
    if (closed_)
        return;
    trapped([&] { runPendingOperation(scheduler, state_ == DISABLED, dialogs_); });
    if (closed_)
        return;
    if (closeRequested == -1)
        state_ = CLOSING;

    StepEnd end = StepEnd::Normal;
    trapped([&] {
        switch (state_) {
            case INIT:
                end = stepInit();
                break;
            case SERIALINPUTS_IN:
            case EXTINPUTS_IN:
            case BUSINPUTS_IN:
            case OUTPUTS_IN:
                stepPolling();
                break;
            case VALUE_IN:
                stepValue();
                break;
            case VERSION_CHECK:
                stepVersionCheck();
                break;
            case CLOSING:
                Unload();
                end = StepEnd::Closed;
                break;
            case DISABLED:
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
        MainInterrupt_->setEnabled(true);
    if (afterTick && !closed_)
        afterTick();
}

void MainWindow::endInitAtOnce() {
    if (closeRequested == -1)
        state_ = CLOSING;
    MainInterrupt_->setEnabled(true);
}

MainWindow::StepEnd MainWindow::stepInit() {
    const std::string& address = comm.UnitAddress;
    dialogs_.setMousePointer(MousePointer::Default);
    rememberedIdentity.clear();
    unit.identity.SoftwareVersionText.clear();
    link.tmrTimeout().setInterval(kProbeTimeoutMs);

    std::string probe(kValueTextLength, ' ');
    if (link.Read_Parameter(address, "00", probe) <= 0) {
        loop_.pumpPendingEvents();
        io.clearLiveDisplay();
        endInitAtOnce();
        return StepEnd::AtOnce;
    }

    link.tmrTimeout().setInterval(kIdentifyTimeoutMs);
    dialogs_.setMousePointer(MousePointer::Hourglass);
    setCaption(kInitializing);
    if (unit.Identify_Unit("") != 1) {
        // The unit went away between the probe and its identification; show it as offline.
        refreshCaption();
        dialogs_.setMousePointer(MousePointer::Default);
        if (closeRequested == -1)
            state_ = CLOSING;
        return StepEnd::Normal;
    }

    setCaption(std::string(kInitializing) + " Read UnitData");
    link.tmrTimeout().setInterval(kDescriptionTimeoutMs);
    int r = unit.Read_UnitData("");
    if (r == kErrUnknownCode)
        r = unit.Build_ParameterList();
    if (r != 1) {
        dialogs_.setMousePointer(MousePointer::Default);
        refreshCaption();
        endInitAtOnce();
        return StepEnd::AtOnce;
    }

    if (readAllParameters() == StepEnd::AtOnce)
        return StepEnd::AtOnce;

    unit.ApplyGroupSettings();
    io.applyMonitorLayout();
    int firstReal = 0;
    for (int i = 0; i < unit.description.ParamCount; ++i) {
        if (!unit.description.params[static_cast<std::size_t>(i)].isHeading()) {
            firstReal = i;
            break;
        }
    }
    form.VScroll1.setMaximum(std::max(0, unit.scrollMax));
    descriptionLoaded = true;
    form.mnSaveAs.setEnabled(true);
    form.mnPrint.setEnabled(true);
    list.selectAfterLoad(firstReal);
    io.showDescription();
    rememberedIdentity = unit.identity.SoftwareVersionText;

    state_ = SERIALINPUTS_IN;
    refreshCaption();
    for (Control* c :
         {&form.Re_Set, &form.StoreEEProm, &form.TransmitAll, &form.Transmit, &form.Read_Pars})
        c->setEnabled(true);
    io.enableSerialInputButtons();
    dialogs_.setMousePointer(MousePointer::Default);
    if (closeRequested == -1)
        state_ = CLOSING;
    return StepEnd::Normal;
}

MainWindow::StepEnd MainWindow::readAllParameters() {
    UnitDescription& d = unit.description;
    for (int i = 0; i < d.ParamCount && i < kMaxParameters; ++i) {
        Parameter& p = d.params[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            p.ParamValue.clear();
            continue;
        }
        std::string text(kValueTextLength, ' ');
        int r = 0;
        for (int attempt = 1; attempt <= kParameterAttempts; ++attempt) {
            setCaption(std::string(kInitializing) + " Read Parameter[" + std::to_string(i) +
                       "] : Retry " + std::to_string(attempt));
            text.assign(kValueTextLength, ' ');
            r = link.Read_Parameter(comm.UnitAddress, p.ParamCode, text);
            if (r > 0)
                break;
        }
        if (r <= 0) {
            dialogs_.setMousePointer(MousePointer::Default);
            refreshCaption();
            endInitAtOnce();
            return StepEnd::AtOnce;
        }
        p.ParamValue = FormatValue(text, p.format);
        p.UnitValue = p.ParamValue;
    }
    return StepEnd::Normal;
}

void MainWindow::stepPolling() {
    int r = 0;
    int next = state_;
    switch (state_) {
        case SERIALINPUTS_IN:
            r = unit.identity.MultiReadCapable ? io.Set_All_IOs("") : io.Set_SerialInputs("");
            next = unit.identity.MultiReadCapable ? VERSION_CHECK : EXTINPUTS_IN;
            break;
        case EXTINPUTS_IN:
            r = io.Set_ExternalInputs("");
            next = BUSINPUTS_IN;
            break;
        case BUSINPUTS_IN:
            r = io.Set_BusInputs("form1.MainInterrupt_Timer State: BUSINPUTS_IN");
            next = OUTPUTS_IN;
            break;
        case OUTPUTS_IN:
            r = io.Set_Outputs("form1.MainInterrupt_Timer State: OUTPUTS_IN");
            next = VALUE_IN;
            break;
        default:
            return;
    }
    if (r == -1 || r == -2) {
        returnToInit();
        return;
    }
    if (state_ == SERIALINPUTS_IN)
        io.showResetState();
    state_ = next;
}

void MainWindow::stepValue() {
    std::string text(kValueTextLength, ' ');
    const int r = link.Read_Parameter(comm.UnitAddress, unit.group.ActualValueCode, text);
    if (r > 0) {
        const std::string value = KeepDigitsAndSign(text);
        if (isNumeric(value)) {
            // Values beyond 32 bits are shown at the bound rather than wrapped.
            const long long v = std::clamp<long long>(
                std::stoll(value.size() > 12 ? value.substr(0, 12) : value), INT32_MIN, INT32_MAX);
            valueDisplay.showActualValue(unit.identity.UnitType, static_cast<std::int32_t>(v));
        }
        state_ = VERSION_CHECK;
        return;
    }
    if (r == kErrUnknownCode) {
        state_ = VERSION_CHECK;
        return;
    }
    returnToInit();
}

void MainWindow::stepVersionCheck() {
    std::string version(kVersionLength, ' ');
    const int r = link.Read_Version(comm.UnitAddress, "99", version);
    if (r == kErrUnknownCode) {
        state_ = SERIALINPUTS_IN;
        return;
    }
    // A failed read leaves the text empty, which differs as well.
    if (version != rememberedIdentity) {
        returnToInit();
        return;
    }
    state_ = SERIALINPUTS_IN;
}

}  // namespace qu32
