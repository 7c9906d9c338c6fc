#include "operations/ChangeParameterOperation.h"

#include <exception>

#include "operations/OperationSteps.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

Result ChangeParameterOperation::execute() {
    try {
        return sendAndReadBack() ? Result::Ok : fail(kTransmissionErrorText);
    } catch (const std::exception& e) {
        return fail(e.what());
    } catch (...) {
        return fail(kTransmissionErrorText);
    }
}

// Stops at the first step that fails; the edited text then stays on the screen.
bool ChangeParameterOperation::sendAndReadBack() {
    Parameter* p = steps::parameterAt(host_, index_);
    if (p == nullptr)
        return false;
    const GroupRegisters& group = host_.unit().group;
    if (steps::write(host_, code_, value_, kWriteAttempts) != Result::Ok)
        return false;
    if (steps::write(host_, group.activateCode, kCommandValue) != Result::Ok)
        return false;
    steps::pause(host_, kActivateSettleMs);
    // The store command and the read-back must reach the unit where it listens now.
    if (host_.followSerialChange({{code_, value_}}))
        steps::pause(host_, kAfterReopenTransmitMs);
    if (steps::write(host_, group.storeCode, kCommandValue) != Result::Ok)
        return false;
    steps::pause(host_, kStoreSettleMs);
    std::string text;
    if (steps::read(host_, code_, text) != Result::Ok)
        return false;
    p->unitValue = p->value;
    p->value = formatValue(text, p->format);
    host_.repaintList();
    return true;
}

Result ChangeParameterOperation::fail(const std::string& text) {
    host_.dialogs().beep();
    host_.link().observer().showMessage(text, MsgButtons::Ok, MsgIcon::Exclamation);
    return Result::Aborted;
}

}  // namespace qu32
