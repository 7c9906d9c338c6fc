#pragma once

#include <string>

#include "operations/Operation.h"
#include "operations/OperationHost.h"

namespace qu32 {

// Drives one of the unit's PC-controlled inputs from its input button and shows the outcome on
// that button for a moment.
class InputOperation : public Operation {
  public:
    // Writes `value` to the input's command register `code`.
    InputOperation(OperationHost& host, Control& button, std::string code, std::string value,
                   std::string successInfo, std::string errorInfo)
        : host_(host),
          button_(button),
          code_(std::move(code)),
          value_(std::move(value)),
          successInfo_(std::move(successInfo)),
          errorInfo_(std::move(errorInfo)) {}

    OperationKind kind() const override { return OperationKind::Input; }
    const std::string& code() const { return code_; }
    const std::string& value() const { return value_; }

    // The last write result; Result::Aborted on a fault.
    Result execute() override;

  private:
    OperationHost& host_;
    Control& button_;
    std::string code_;
    std::string value_;
    std::string successInfo_;
    std::string errorInfo_;
};

}  // namespace qu32
