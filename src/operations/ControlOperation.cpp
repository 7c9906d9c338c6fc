#include "operations/ControlOperation.h"

#include <exception>
#include <vector>

#include "operations/OperationSteps.h"
#include "unit/StatusWords.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {

constexpr char kTransmitCaption[] = "Tra&nsmit";
constexpr char kTransmitAllCaption[] = "Transmit &All";
constexpr char kReadCaption[] = "&Read";
// The store button comes back with this spelling after showing its outcome.
constexpr char kStoreAfterCaption[] = "&Store EEprom";
constexpr char kResetRelease[] = "0";
constexpr char kResetSet[] = "1";

std::string indexed(const char* text, int index) {
    return std::string(text) + "[" + std::to_string(index) + "]";
}

}  // namespace

Result ControlOperation::execute() {
    try {
        switch (command_) {
            case ControlCommand::Transmit:
                return transmit();
            case ControlCommand::TransmitAll:
                return transmitAll();
            case ControlCommand::ReadAll:
                return readAll();
            case ControlCommand::Store:
                return store();
            case ControlCommand::Reset:
                return reset();
        }
        return Result::Ok;
    } catch (...) {
        // The button keeps whatever it showed when the fault struck.
        return Result::Aborted;
    }
}

Result ControlOperation::transmit() {
    Parameter* p = steps::parameterAt(host_, index_.value_or(-1));
    if (p == nullptr)
        return Result::Aborted;
    if (!transmitAndReadBack(*p)) {
        // The value stays as typed, and the operator hears and sees that it did not reach the
        // unit.
        host_.dialogs().beep();
        steps::showOnButton(host_, button_, kErrorInfo, kOutcomeShowMs, kTransmitCaption);
        return Result::Aborted;
    }
    button_.setCaption(kOkInfo);
    host_.repaintList();
    steps::pause(host_, kOutcomeShowMs);
    button_.setCaption(kTransmitCaption);
    return Result::Ok;
}

bool ControlOperation::transmitAndReadBack(Parameter& parameter) {
    if (steps::write(host_, code_, value_, kWriteAttempts) != Result::Ok)
        return false;
    if (steps::write(host_, host_.unit().group.activateCode, kCommandValue) != Result::Ok)
        return false;
    steps::pause(host_, kActivateSettleMs);
    // The unit answers at its new address or speed from now on; read back there.
    if (host_.followSerialChange({{code_, value_}}))
        steps::pause(host_, kAfterReopenTransmitMs);
    std::string text;
    if (steps::read(host_, code_, text, kReadBackAttempts) != Result::Ok)
        return false;
    parameter.unitValue = parameter.value;
    parameter.value = formatValue(text, parameter.format);
    return true;
}

Result ControlOperation::transmitAll() {
    if (steps::parameterCount(host_) < 1)
        return Result::Aborted;
    std::string abortText = kTimeoutInfo;
    Result r = Result::Aborted;
    try {
        r = transmitAllSteps(abortText);
    } catch (const std::exception& e) {
        abortText = e.what();
    } catch (...) {
        abortText = kErrorInfo;
    }
    if (r == Result::Ok)
        return r;
    host_.refreshCaption();
    host_.dialogs().beep();
    steps::showOnButton(host_, button_, abortText, kOutcomeShowMs, kTransmitAllCaption);
    return Result::Aborted;
}

Result ControlOperation::transmitAllSteps(std::string& abortText) {
    UnitDescription& d = host_.unit().description;
    const int count = steps::parameterCount(host_);
    int errors = 0;
    // Only what the unit took may move the PC to new serial settings.
    std::vector<WrittenValue> accepted;

    for (int i = 0; i < count; ++i) {
        steps::showProgress(host_, indexed("... Transmit Parameter", i));
        const Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading())
            continue;
        const std::string wire = cleanValue(p.value);
        const Result r = steps::write(host_, p.code, wire, kWriteAttempts);
        if (r == Result::NotAcknowledged) {
            ++errors;
            continue;
        }
        if (r != Result::Ok) {
            abortText = kTimeoutInfo;
            return Result::Aborted;
        }
        accepted.push_back({p.code, wire});
    }

    steps::showProgress(host_, "... Activate Data");
    if (steps::write(host_, host_.unit().group.activateCode, kCommandValue) != Result::Ok) {
        abortText = kTimeoutInfo;
        return Result::Aborted;
    }
    steps::pause(host_, kActivateSettleMs);
    if (host_.followSerialChange(accepted))
        steps::pause(host_, kAfterReopenTransmitAllMs);

    for (int i = 0; i < count; ++i) {
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        p.unitValue = p.value;
    }

    for (int i = 0; i < count; ++i) {
        steps::showProgress(host_, indexed("... Read Parameter", i));
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading())
            continue;
        std::string text;
        const Result r = steps::read(host_, p.code, text);
        if (r == Result::Ok) {
            p.value = formatValue(text, p.format);
        } else if (r == Result::UnknownCode) {
            ++errors;
        } else {
            abortText = kTimeoutInfo;
            return Result::Aborted;
        }
    }

    host_.repaintList();
    if (errors == 0) {
        steps::showOnButton(host_, button_, kOkInfo, kTransmitAllOutcomeShowMs,
                            kTransmitAllCaption);
    } else {
        host_.dialogs().beep();
        steps::showOnButton(host_, button_, kErrorsInfo, kTransmitAllOutcomeShowMs,
                            kTransmitAllCaption);
    }
    host_.refreshCaption();
    return Result::Ok;
}

Result ControlOperation::readAll() {
    UnitDescription& d = host_.unit().description;
    const int count = steps::parameterCount(host_);
    host_.markFileChanged();
    Result last = Result::Ok;
    // A register that cannot be read is shown and passed over; the rest of the list is still
    // worth reading.
    for (int i = 0; i < count; ++i) {
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            p.value.clear();
            continue;
        }
        std::string text;
        last = steps::read(host_, p.code, text);
        steps::showProgress(host_, indexed("... Read Parameter", i));
        if (last != Result::Ok) {
            host_.dialogs().beep();
            steps::showOnButton(host_, button_, kErrorInfo, kOutcomeShowMs, kReadCaption);
            host_.dialogs().setMousePointer(MousePointer::Default);
            // The value shown stays what it was: a blank read shown as zeros would be taken
            // for the unit's value and sent back by the next Transmit All.
            continue;
        }
        p.value = formatValue(text, p.format);
    }
    host_.repaintList();
    host_.refreshCaption();
    steps::showOnButton(host_, button_, kOkInfo, kOutcomeShowMs, kReadCaption);
    return last;
}

Result ControlOperation::store() {
    const Result r = steps::write(host_, code_, value_);
    if (r != Result::Ok)
        host_.dialogs().beep();
    steps::showOnButton(host_, button_, r == Result::Ok ? kOkInfo : kErrorInfo, kOutcomeShowMs,
                        kStoreAfterCaption);
    return r;
}

Result ControlOperation::reset() {
    const bool wasOn = isBitSet(host_.unit().status.pcInputs, host_.unit().group.resetMask);
    const Result r = steps::write(host_, code_, wasOn ? kResetRelease : kResetSet, kWriteAttempts);
    if (r != Result::Ok)
        host_.dialogs().beep();
    // After a failed write the unit keeps the state it had before the click.
    const bool nowOn = r == Result::Ok ? !wasOn : wasOn;
    steps::showOnButton(host_, button_, r == Result::Ok ? kOkInfo : kErrorInfo, kOutcomeShowMs,
                        nowOn ? kResetOnCaption : kResetOffCaption);
    return r;
}

}  // namespace qu32
