#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "operations/IBaseOperation.h"
#include "platform/Dialogs.h"

namespace qu32 {

// A single slot between the event handlers and the main cycle: user traffic on the line waits
// for the next tick instead of cutting into a polling exchange. While an operation waits,
// further ones are ignored, so a double click cannot queue the same command twice.
class clsScheduler {
  public:
    bool IsBusy() const { return busy_; }
    // Type of the waiting operation; empty when there is none or it cannot tell.
    std::string OperationType() const;
    // Takes the operation when the slot is free and drops it otherwise. Always returns true:
    // after the call something is waiting.
    bool Add(std::unique_ptr<IBaseOperation> operation);
    void Clean();
    // Empties the slot. Never returns null: an empty slot or an operation without a type
    // yields a neutral operation, which the main cycle does not run.
    std::unique_ptr<IBaseOperation> GetOperation();

  private:
    bool busy_ = false;
    std::unique_ptr<IBaseOperation> pending_;
};

// Whether a producer shows the hourglass until the main cycle has run its operation.
enum class PointerWhileWaiting { Hourglass, Unchanged };

// Producer side of a click, key or menu handler. `make` builds and fills the operation; it is
// called only when the slot is free, so a lost click costs nothing. True when handed over.
template <typename MakeOperation>
bool offerOperation(clsScheduler& scheduler, Dialogs& dialogs, PointerWhileWaiting pointer,
                    MakeOperation&& make) {
    if (scheduler.IsBusy())
        return false;
    std::unique_ptr<IBaseOperation> operation = std::forward<MakeOperation>(make)();
    if (!operation)
        return false;
    if (pointer == PointerWhileWaiting::Hourglass)
        dialogs.setMousePointer(MousePointer::Hourglass);
    scheduler.Add(std::move(operation));
    return true;
}

enum class PendingOutcome {
    Idle,           // nothing was waiting
    Executed,       // the operation ran; see result
    NotConforming,  // Test did not answer "BaseOperation"
    Disabled,       // a unit operation while communication is disabled
    NotRunnable,    // neutral or unknown type
};

struct PendingRun {
    PendingOutcome outcome = PendingOutcome::Idle;
    std::int32_t result = 0;  // Execute's result; kOperationAborted when it threw
};

// Consumer side, once per main-cycle tick: takes the waiting operation and runs it when its
// kind may run in the current state. Unit operations are dropped while communication is
// disabled; GUI operations always run. A fault inside the operation ends it with
// kOperationAborted and never reaches the tick.
PendingRun runPendingOperation(clsScheduler& scheduler, bool communicationDisabled,
                               Dialogs& dialogs);

}  // namespace qu32
