#pragma once

#include <optional>
#include <string>

#include "operations/Operation.h"
#include "operations/OperationHost.h"

namespace qu32 {

// The commands of the "CONTROLS" frame.
enum class ControlCommand { Transmit, TransmitAll, ReadAll, Store, Reset };

inline constexpr char kResetOnCaption[] = "R&eset is ON";
inline constexpr char kResetOffCaption[] = "R&eset is OFF";

// A command of the "CONTROLS" frame: transmit the selected parameter or all of them, read all
// back, store the unit's data in its EEPROM, or toggle the unit's reset input. The outcome is
// shown on the button that started it.
class ControlOperation : public Operation {
  public:
    // `code` and `value` (wire form) are the register and value the command writes, where it
    // writes one; `index` is the parameter Transmit sends.
    ControlOperation(OperationHost& host, ControlCommand command, Control& button,
                     std::string code = {}, std::string value = {},
                     std::optional<int> index = std::nullopt)
        : host_(host),
          command_(command),
          button_(button),
          code_(std::move(code)),
          value_(std::move(value)),
          index_(index) {}

    OperationKind kind() const override { return OperationKind::Control; }
    ControlCommand command() const { return command_; }
    const std::string& code() const { return code_; }
    const std::string& value() const { return value_; }
    std::optional<int> index() const { return index_; }
    Control& button() const { return button_; }

    // Ok or the last unit result on success; Result::Aborted when the command failed or hit a
    // fault.
    Result execute() override;

  private:
    Result transmit();
    // Written, activated, read back and shown; false at the first step that failed.
    bool transmitAndReadBack(Parameter& parameter);
    Result transmitAll();
    Result transmitAllSteps(std::string& abortText);
    Result readAll();
    Result store();
    Result reset();

    OperationHost& host_;
    ControlCommand command_;
    Control& button_;
    std::string code_;
    std::string value_;
    std::optional<int> index_;
};

}  // namespace qu32
