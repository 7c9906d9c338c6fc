#include "operations/ControlOperation.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

#include "mainwindow/MainWindow.h"
#include "serial/ProtocolError.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {

constexpr char kTransmitCaption[] = "Tra&nsmit";
constexpr char kTransmitAllCaption[] = "Transmit &All";
constexpr char kReadCaption[] = "&Read";
// The store button comes back with this spelling after showing its outcome.
constexpr char kStoreEEPromAfterCaption[] = "&Store EEprom";
constexpr char kResetRelease[] = "0";
constexpr char kResetSet[] = "1";
constexpr char kProgressSeparator[] = "  -  ";

std::string indexed(const char* text, int index) {
    return std::string(text) + "[" + std::to_string(index) + "]";
}

bool bitSet(std::int16_t word, int mask) {
    return (static_cast<std::uint16_t>(word) & static_cast<unsigned>(mask)) != 0;
}

}  // namespace

namespace steps {

int writeRegister(MainWindow& window, const std::string& code, const std::string& value,
                  int attempts) {
    int r = kErrTimeoutHeader;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        r = window.link.Transmit_Parameter(window.comm.UnitAddress, code, value);
        if (r == 1)
            break;
    }
    return r;
}

int readRegister(MainWindow& window, const std::string& code, std::string& text, int attempts) {
    int r = kErrTimeoutHeader;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        text.assign(kRegisterTextLength, ' ');
        r = window.link.Read_Parameter(window.comm.UnitAddress, code, text);
        if (r > 0)
            return r;
    }
    // The link empties the text of a failed read; callers format it like a blank answer.
    text.assign(kRegisterTextLength, ' ');
    return r;
}

void pause(MainWindow& window, int ms) {
    window.link.loop().waitMs(ms);
}

void showOnButton(MainWindow& window, Control& button, const std::string& text, int ms,
                  const std::string& restored) {
    button.setCaption(text);
    pause(window, ms);
    button.setCaption(restored);
}

void showProgress(MainWindow& window, const std::string& text) {
    window.form.window.setCaption(window.company.titleText + kProgressSeparator + text);
}

int parameterCount(const MainWindow& window) {
    return std::clamp(window.unit.description.ParamCount, 0, kMaxParameters);
}

Parameter* parameterAt(MainWindow& window, int index) {
    if (index < 0 || index >= parameterCount(window))
        return nullptr;
    return &window.unit.description.params[static_cast<std::size_t>(index)];
}

}  // namespace steps

void clsControlOperation::Add(const std::string& code, const std::string& value, Control& control,
                              const std::string& operationName, std::optional<int> activePar) {
    setCode(code);
    setValue(value);
    control_ = &control;
    operationName_ = operationName;
    activePar_ = activePar;
}

Control& clsControlOperation::button() const {
    if (control_ == nullptr)
        throw std::logic_error("control operation without its button");
    return *control_;
}

std::int32_t clsControlOperation::Execute() {
    try {
        if (operationName_ == kTransmitOperation)
            return Transmit();
        if (operationName_ == kTransmitAllOperation)
            return TransmitAll();
        if (operationName_ == kReadAllParametersOperation)
            return ReadAllParameters();
        if (operationName_ == kStoreEEPromOperation)
            return StoreEEProm();
        if (operationName_ == kResetOperation)
            return Re_Set();
        return kNeutralOperationResult;
    } catch (...) {
        // The button keeps whatever it showed when the fault struck.
        return kOperationAborted;
    }
}

std::int32_t clsControlOperation::Transmit() {
    Control& control = button();
    Parameter* p = steps::parameterAt(window_, activePar_.value_or(-1));
    // A failed transmission leaves the button and the value as they were.
    if (p == nullptr)
        return kOperationAborted;
    if (steps::writeRegister(window_, Code(), Value(), kWriteAttempts) != 1)
        return kOperationAborted;
    if (steps::writeRegister(window_, window_.unit.group.ActivateCode, kCommandValue) != 1)
        return kOperationAborted;
    steps::pause(window_, kActivateSettleMs);
    // The unit answers at its new address or speed from now on; read back there.
    if (window_.ChangeSerial(Code(), Value()))
        steps::pause(window_, kAfterReopenTransmitMs);
    std::string text;
    if (steps::readRegister(window_, Code(), text, kReadBackAttempts) <= 0)
        return kOperationAborted;
    p->UnitValue = p->ParamValue;
    p->ParamValue = FormatValue(text, p->format);
    control.setCaption(kOkInfo);
    window_.list.paint();
    steps::pause(window_, kOutcomeShowMs);
    control.setCaption(kTransmitCaption);
    return 1;
}

std::int32_t clsControlOperation::TransmitAll() {
    Control& control = button();
    if (steps::parameterCount(window_) < 1)
        return kOperationAborted;
    std::string abortText = kTimeoutInfo;
    std::int32_t r = kOperationAborted;
    try {
        r = transmitAllSteps(abortText);
    } catch (const std::exception& e) {
        abortText = e.what();
    } catch (...) {
        abortText = kErrorInfo;
    }
    if (r == 1)
        return r;
    window_.refreshCaption();
    window_.link.dialogs().beep();
    steps::showOnButton(window_, control, abortText, kOutcomeShowMs, kTransmitAllCaption);
    return kOperationAborted;
}

std::int32_t clsControlOperation::transmitAllSteps(std::string& abortText) {
    Control& control = button();
    UnitDescription& d = window_.unit.description;
    const int count = steps::parameterCount(window_);
    int errors = 0;
    // Only what the unit took may move the PC to new serial settings.
    std::vector<std::pair<std::string, std::string>> accepted;

    for (int i = 0; i < count; ++i) {
        steps::showProgress(window_, indexed("... Transmit Parameter", i));
        const Parameter& p = d.params[static_cast<std::size_t>(i)];
        if (p.isHeading())
            continue;
        const std::string wire = CleanValue(p.ParamValue);
        const int r = steps::writeRegister(window_, p.ParamCode, wire, kWriteAttempts);
        if (r == kErrNotAck) {
            ++errors;
            continue;
        }
        if (r != 1) {
            abortText = kTimeoutInfo;
            return kOperationAborted;
        }
        accepted.emplace_back(p.ParamCode, wire);
    }

    steps::showProgress(window_, "... Activate Data");
    if (steps::writeRegister(window_, window_.unit.group.ActivateCode, kCommandValue) != 1) {
        abortText = kTimeoutInfo;
        return kOperationAborted;
    }
    steps::pause(window_, kActivateSettleMs);
    if (window_.ChangeSerial(accepted))
        steps::pause(window_, kAfterReopenTransmitAllMs);

    for (int i = 0; i < count; ++i) {
        Parameter& p = d.params[static_cast<std::size_t>(i)];
        p.UnitValue = p.ParamValue;
    }

    for (int i = 0; i < count; ++i) {
        steps::showProgress(window_, indexed("... Read Parameter", i));
        Parameter& p = d.params[static_cast<std::size_t>(i)];
        if (p.isHeading())
            continue;
        std::string text;
        const int r = steps::readRegister(window_, p.ParamCode, text);
        if (r > 0) {
            p.ParamValue = FormatValue(text, p.format);
        } else if (r == kErrUnknownCode) {
            ++errors;
        } else {
            abortText = kTimeoutInfo;
            return kOperationAborted;
        }
    }

    window_.list.paint();
    if (errors == 0) {
        steps::showOnButton(window_, control, kOkInfo, kTransmitAllOutcomeShowMs,
                            kTransmitAllCaption);
    } else {
        window_.link.dialogs().beep();
        steps::showOnButton(window_, control, kErrorsInfo, kTransmitAllOutcomeShowMs,
                            kTransmitAllCaption);
    }
    window_.refreshCaption();
    return 1;
}

std::int32_t clsControlOperation::ReadAllParameters() {
    Control& control = button();
    UnitDescription& d = window_.unit.description;
    const int count = steps::parameterCount(window_);
    window_.ParFileChanged = true;
    int last = 1;
    // A register that cannot be read is shown and passed over; the rest of the list is still
    // worth reading.
    for (int i = 0; i < count; ++i) {
        Parameter& p = d.params[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            p.ParamValue.clear();
            continue;
        }
        std::string text;
        last = steps::readRegister(window_, p.ParamCode, text);
        steps::showProgress(window_, indexed("... Read Parameter", i));
        if (last <= 0) {
            window_.link.dialogs().beep();
            steps::showOnButton(window_, control, kErrorInfo, kOutcomeShowMs, kReadCaption);
            window_.link.dialogs().setMousePointer(MousePointer::Default);
        }
        p.ParamValue = FormatValue(text, p.format);
    }
    window_.list.paint();
    window_.refreshCaption();
    steps::showOnButton(window_, control, kOkInfo, kOutcomeShowMs, kReadCaption);
    return last;
}

std::int32_t clsControlOperation::StoreEEProm() {
    Control& control = button();
    const int r = steps::writeRegister(window_, Code(), Value());
    if (r != 1)
        window_.link.dialogs().beep();
    steps::showOnButton(window_, control, r == 1 ? kOkInfo : kErrorInfo, kOutcomeShowMs,
                        kStoreEEPromAfterCaption);
    return r;
}

std::int32_t clsControlOperation::Re_Set() {
    Control& control = button();
    const bool wasOn = bitSet(window_.unit.status.SerialInputWord, window_.unit.group.ResetMask);
    const int r =
        steps::writeRegister(window_, Code(), wasOn ? kResetRelease : kResetSet, kWriteAttempts);
    if (r != 1)
        window_.link.dialogs().beep();
    // After a failed write the unit keeps the state it had before the click.
    const bool nowOn = r == 1 ? !wasOn : wasOn;
    steps::showOnButton(window_, control, r == 1 ? kOkInfo : kErrorInfo, kOutcomeShowMs,
                        nowOn ? kResetOnCaption : kResetOffCaption);
    return r;
}

}  // namespace qu32
