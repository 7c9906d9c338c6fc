#pragma once

#include "serial/Result.h"

namespace qu32 {

// The kinds of operations, as the main cycle tells them apart: unit operations talk to the unit
// and wait while communication is disabled; GUI operations run in every state.
enum class OperationKind { Neutral, Input, ChangeParameter, Control, Gui };

// One piece of user work that the main cycle runs between two polling steps. The class itself is
// the neutral operation: it does nothing, and the main cycle does not run it.
class Operation {
  public:
    Operation() = default;
    virtual ~Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    virtual OperationKind kind() const { return OperationKind::Neutral; }
    // Ok, the unit's result, or Result::Aborted when the work ended on a fault.
    virtual Result execute() { return Result::Ok; }
};

}  // namespace qu32
