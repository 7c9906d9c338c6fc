#pragma once

#include <cstdint>
#include <string>

#include "operations/IBaseOperation.h"

namespace qu32 {

class MainWindow;

inline constexpr char kTransmissionErrorText[] = "Transmission error!";
// Time the unit takes to put a value into its EEPROM before it is read back.
inline constexpr int kStoreSettleMs = 300;

// Sends one edited parameter to the unit: written, activated, stored in the unit's EEPROM and
// read back. Any failure ends it with a message box.
class clsChangeParameterOperation : public IBaseOperation {
  public:
    explicit clsChangeParameterOperation(MainWindow& window) : window_(window) {}

    std::string OperationType() const override { return kChangeParameterOperationType; }

    // `code` and `value` in wire form; `activePar` is the parameter's index in the description.
    void Add(const std::string& code, const std::string& value, int activePar);

    int ActivePar() const { return activePar_; }

    // 1 when the value is in the unit and shown as read back; kOperationAborted otherwise.
    std::int32_t Execute() override;

  private:
    bool sendAndReadBack();
    std::int32_t fail(const std::string& text);

    MainWindow& window_;
    int activePar_ = -1;
};

}  // namespace qu32
