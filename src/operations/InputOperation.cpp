#include "operations/InputOperation.h"

#include "mainwindow/MainWindow.h"
#include "operations/ControlOperation.h"

namespace qu32 {

void clsInputOperation::Add(const std::string& code, const std::string& value,
                            Control& controlObject, const std::string& successInfo,
                            const std::string& errorInfo) {
    setCode(code);
    setValue(value);
    controlObject_ = &controlObject;
    successInfo_ = successInfo;
    errorInfo_ = errorInfo;
}

std::int32_t clsInputOperation::Execute() {
    try {
        if (controlObject_ == nullptr)
            return kOperationAborted;
        Control& button = *controlObject_;
        // The button shows its input's text; it gets it back after the outcome.
        const std::string caption = button.caption();
        const int r = steps::writeRegister(window_, Code(), Value(), kWriteAttempts);
        steps::showOnButton(window_, button, r == 1 ? successInfo_ : errorInfo_, kOutcomeShowMs,
                            caption);
        return r;
    } catch (...) {
        return kOperationAborted;
    }
}

}  // namespace qu32
