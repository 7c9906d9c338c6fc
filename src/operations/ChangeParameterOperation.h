#pragma once

#include <string>

#include "operations/Operation.h"
#include "operations/OperationHost.h"

namespace qu32 {

inline constexpr char kTransmissionErrorText[] = "Transmission error!";
// Time the unit takes to put a value into its EEPROM before it is read back.
inline constexpr int kStoreSettleMs = 300;

// Sends one edited parameter to the unit: written, activated, stored in the unit's EEPROM and
// read back. Any failure ends it with a message box.
class ChangeParameterOperation : public Operation {
  public:
    // `code` and `value` in wire form; `index` is the parameter's index in the description.
    ChangeParameterOperation(OperationHost& host, std::string code, std::string value, int index)
        : host_(host), code_(std::move(code)), value_(std::move(value)), index_(index) {}

    OperationKind kind() const override { return OperationKind::ChangeParameter; }
    const std::string& code() const { return code_; }
    const std::string& value() const { return value_; }
    int index() const { return index_; }

    // Ok when the value is in the unit and shown as read back; Result::Aborted otherwise.
    Result execute() override;

  private:
    bool sendAndReadBack();
    Result fail(const std::string& text);

    OperationHost& host_;
    std::string code_;
    std::string value_;
    int index_ = -1;
};

}  // namespace qu32
