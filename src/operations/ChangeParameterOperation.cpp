#include "operations/ChangeParameterOperation.h"

#include <exception>

#include "mainwindow/MainWindow.h"
#include "operations/ControlOperation.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

void clsChangeParameterOperation::Add(const std::string& code, const std::string& value,
                                      int activePar) {
    setCode(code);
    setValue(value);
    activePar_ = activePar;
}

std::int32_t clsChangeParameterOperation::Execute() {
    try {
        return sendAndReadBack() ? 1 : fail(kTransmissionErrorText);
    } catch (const std::exception& e) {
        return fail(e.what());
    } catch (...) {
        return fail(kTransmissionErrorText);
    }
}

// Stops at the first step that fails; the edited text then stays on the screen.
bool clsChangeParameterOperation::sendAndReadBack() {
    Parameter* p = steps::parameterAt(window_, activePar_);
    if (p == nullptr)
        return false;
    const GroupSettings& group = window_.unit.group;
    if (steps::writeRegister(window_, Code(), Value(), kWriteAttempts) != 1)
        return false;
    if (steps::writeRegister(window_, group.ActivateCode, kCommandValue) != 1)
        return false;
    steps::pause(window_, kActivateSettleMs);
    // The store command and the read-back must reach the unit where it listens now.
    if (window_.ChangeSerial(Code(), Value()))
        steps::pause(window_, kAfterReopenTransmitMs);
    if (steps::writeRegister(window_, group.StoreCode, kCommandValue) != 1)
        return false;
    steps::pause(window_, kStoreSettleMs);
    std::string text;
    if (steps::readRegister(window_, Code(), text) < 0)
        return false;
    p->UnitValue = p->ParamValue;
    p->ParamValue = FormatValue(text, p->format);
    window_.list.paint();
    return true;
}

std::int32_t clsChangeParameterOperation::fail(const std::string& text) {
    Dialogs& dialogs = window_.link.dialogs();
    dialogs.beep();
    dialogs.messageBox(text, window_.company.titleText, MsgButtons::Ok, MsgIcon::Exclamation);
    return kOperationAborted;
}

}  // namespace qu32
