#include "operations/Scheduler.h"

namespace qu32 {

namespace {

bool isUnitOperation(OperationKind kind) {
    return kind == OperationKind::Input || kind == OperationKind::ChangeParameter ||
           kind == OperationKind::Control;
}

}  // namespace

OperationKind Scheduler::pendingKind() const {
    return pending_ ? pending_->kind() : OperationKind::Neutral;
}

void Scheduler::offer(std::unique_ptr<Operation> operation) {
    if (!pending_)
        pending_ = std::move(operation);
}

std::unique_ptr<Operation> Scheduler::takeOperation() {
    std::unique_ptr<Operation> operation = std::move(pending_);
    if (!operation)
        operation = std::make_unique<Operation>();
    return operation;
}

PendingRun runPendingOperation(Scheduler& scheduler, bool communicationDisabled, Dialogs& dialogs) {
    PendingRun run;
    if (!scheduler.isBusy())
        return run;
    // The slot is empty before the operation runs: a click handled while it waits on the line
    // may already offer the next one.
    std::unique_ptr<Operation> operation = scheduler.takeOperation();
    const OperationKind kind = operation->kind();
    if (isUnitOperation(kind) && communicationDisabled) {
        run.outcome = PendingOutcome::Disabled;
    } else if (isUnitOperation(kind) || kind == OperationKind::Gui) {
        run.outcome = PendingOutcome::Executed;
        try {
            run.result = operation->execute();
        } catch (...) {
            run.result = Result::Aborted;
        }
    } else {
        run.outcome = PendingOutcome::NotRunnable;
    }
    operation.reset();
    dialogs.setMousePointer(MousePointer::Default);
    return run;
}

}  // namespace qu32
