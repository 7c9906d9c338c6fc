#include "operations/Scheduler.h"

namespace qu32 {

namespace {

bool isUnitOperation(const std::string& type) {
    return type == kInputOperationType || type == kChangeParameterOperationType ||
           type == kControlOperationType;
}

// An operation that cannot even name its type is treated like one without a type.
std::string typeOf(const IBaseOperation& operation) {
    try {
        return operation.OperationType();
    } catch (...) {
        return {};
    }
}

std::string testOf(const IBaseOperation& operation) {
    try {
        return operation.Test();
    } catch (...) {
        return {};
    }
}

}  // namespace

std::string clsScheduler::OperationType() const {
    return pending_ ? typeOf(*pending_) : std::string();
}

bool clsScheduler::Add(std::unique_ptr<IBaseOperation> operation) {
    if (!busy_) {
        pending_ = std::move(operation);
        busy_ = true;
    }
    return busy_;
}

void clsScheduler::Clean() {
    pending_.reset();
    busy_ = false;
}

std::unique_ptr<IBaseOperation> clsScheduler::GetOperation() {
    std::unique_ptr<IBaseOperation> operation = std::move(pending_);
    busy_ = false;
    if (!operation || typeOf(*operation).empty())
        operation = std::make_unique<IBaseOperation>();
    return operation;
}

PendingRun runPendingOperation(clsScheduler& scheduler, bool communicationDisabled,
                               Dialogs& dialogs) {
    PendingRun run;
    if (!scheduler.IsBusy())
        return run;
    // The slot is empty before the operation runs: a click handled while it waits on the line
    // may already offer the next one.
    std::unique_ptr<IBaseOperation> operation = scheduler.GetOperation();
    if (testOf(*operation) != kBaseOperationType) {
        run.outcome = PendingOutcome::NotConforming;
    } else {
        const std::string type = typeOf(*operation);
        if (isUnitOperation(type) && communicationDisabled) {
            run.outcome = PendingOutcome::Disabled;
        } else if (isUnitOperation(type) || type == kGuiOperationType) {
            run.outcome = PendingOutcome::Executed;
            try {
                run.result = operation->Execute();
            } catch (...) {
                run.result = kOperationAborted;
            }
        } else {
            run.outcome = PendingOutcome::NotRunnable;
        }
    }
    operation.reset();
    dialogs.setMousePointer(MousePointer::Default);
    return run;
}

}  // namespace qu32
