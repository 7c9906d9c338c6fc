#pragma once

#include <memory>
#include <utility>

#include "operations/Operation.h"
#include "platform/Dialogs.h"

namespace qu32 {

// A single slot between the event handlers and the main cycle: user traffic on the line waits
// for the next tick instead of cutting into a polling exchange. While an operation waits,
// further ones are ignored, so a double click cannot queue the same command twice.
class Scheduler {
  public:
    bool isBusy() const { return pending_ != nullptr; }
    // Kind of the waiting operation; Neutral when there is none.
    OperationKind pendingKind() const;
    // Takes the operation when the slot is free and drops it otherwise.
    void offer(std::unique_ptr<Operation> operation);
    void clear() { pending_.reset(); }
    // Empties the slot. Never returns null: an empty slot yields a neutral operation, which the
    // main cycle does not run.
    std::unique_ptr<Operation> takeOperation();

  private:
    std::unique_ptr<Operation> pending_;
};

// Whether a producer shows the hourglass until the main cycle has run its operation.
enum class PointerWhileWaiting { Hourglass, Unchanged };

// Producer side of a click, key or menu handler. `make` builds the operation; it is called only
// when the slot is free, so a lost click costs nothing. True when handed over.
template <typename MakeOperation>
bool offerOperation(Scheduler& scheduler, Dialogs& dialogs, PointerWhileWaiting pointer,
                    MakeOperation&& make) {
    if (scheduler.isBusy())
        return false;
    std::unique_ptr<Operation> operation = std::forward<MakeOperation>(make)();
    if (!operation)
        return false;
    if (pointer == PointerWhileWaiting::Hourglass)
        dialogs.setMousePointer(MousePointer::Hourglass);
    scheduler.offer(std::move(operation));
    return true;
}

enum class PendingOutcome {
    Idle,         // nothing was waiting
    Executed,     // the operation ran; see result
    Disabled,     // a unit operation while communication is disabled
    NotRunnable,  // a neutral operation
};

struct PendingRun {
    PendingOutcome outcome = PendingOutcome::Idle;
    Result result = Result::Ok;  // the operation's result; Result::Aborted when it threw
};

// Consumer side, once per main-cycle tick: takes the waiting operation and runs it when its
// kind may run in the current state. Unit operations are dropped while communication is
// disabled; GUI operations always run. A fault inside the operation ends it with
// Result::Aborted and never reaches the tick.
PendingRun runPendingOperation(Scheduler& scheduler, bool communicationDisabled, Dialogs& dialogs);

}  // namespace qu32
