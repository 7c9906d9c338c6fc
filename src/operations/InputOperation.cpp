#include "operations/InputOperation.h"

#include "operations/OperationSteps.h"

namespace qu32 {

Result InputOperation::execute() {
    try {
        // The button shows its input's text; it gets it back after the outcome.
        const std::string caption = button_.caption();
        const Result r = steps::write(host_, code_, value_, kWriteAttempts);
        steps::showOnButton(host_, button_, r == Result::Ok ? successInfo_ : errorInfo_,
                            kOutcomeShowMs, caption);
        return r;
    } catch (...) {
        return Result::Aborted;
    }
}

}  // namespace qu32
