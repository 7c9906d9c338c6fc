#pragma once

#include <optional>

#include "operations/Operation.h"
#include "operations/OperationHost.h"

namespace qu32 {

// A window command run by the main cycle between two polling steps, in every state.
class GuiOperation : public Operation {
  public:
    // `entry` is the menu entry that started the command. `followUp` runs in the same tick once
    // the command has done its work, so that nothing can come between them (re-initialisation
    // after the save of the close prompt); it does not run when the command did not get its work
    // done (a save that wrote nothing).
    GuiOperation(OperationHost& host, GuiCommand command, Control& entry,
                 std::optional<GuiCommand> followUp = std::nullopt)
        : host_(host), command_(command), entry_(entry), followUp_(followUp) {}

    OperationKind kind() const override { return OperationKind::Gui; }
    GuiCommand command() const { return command_; }
    std::optional<GuiCommand> followUp() const { return followUp_; }

    // Ok, or Result::Aborted on a fault.
    Result execute() override;

  private:
    OperationHost& host_;
    GuiCommand command_;
    Control& entry_;
    std::optional<GuiCommand> followUp_;
};

}  // namespace qu32
