#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "operations/IBaseOperation.h"
#include "platform/Controls.h"
#include "unit/UnitDescription.h"

namespace qu32 {

class MainWindow;

// What a control operation does; the producers of the five command buttons set one of these.
inline constexpr char kTransmitOperation[] = "Transmit";
inline constexpr char kTransmitAllOperation[] = "TransmitAll";
inline constexpr char kReadAllParametersOperation[] = "ReadAllParameters";
inline constexpr char kStoreEEPromOperation[] = "StoreEEProm";
inline constexpr char kResetOperation[] = "Re_Set";

// Outcomes shown on the button that started a command.
inline constexpr char kOkInfo[] = "OK";
inline constexpr char kErrorInfo[] = "ERROR";
inline constexpr char kErrorsInfo[] = "ERRORS";
inline constexpr char kTimeoutInfo[] = "TIMEOUT";

// The command registers take this text to act.
inline constexpr char kCommandValue[] = "1";

// Bounds and pauses shared by the operations that talk to the unit.
inline constexpr int kWriteAttempts = 5;
inline constexpr int kReadBackAttempts = 5;
inline constexpr std::size_t kRegisterTextLength = 12;
inline constexpr int kActivateSettleMs = 100;
inline constexpr int kOutcomeShowMs = 500;
inline constexpr int kTransmitAllOutcomeShowMs = 1000;
inline constexpr int kAfterReopenTransmitMs = 500;
inline constexpr int kAfterReopenTransmitAllMs = 200;

// Small steps the operations are made of. Writes and reads go to the unit address of the
// settings, with no context text.
namespace steps {

// Writes `value` to `code`, up to `attempts` times, stopping at the first acknowledge. The last
// result: 1, kErrNotAck when the unit refused, another negative code when the line failed.
int writeRegister(MainWindow& window, const std::string& code, const std::string& value,
                  int attempts = 1);
// Reads `code` into `text`, up to `attempts` times, stopping at the first success. `text` is
// blank (kRegisterTextLength characters) unless a read succeeded. The last result.
int readRegister(MainWindow& window, const std::string& code, std::string& text, int attempts = 1);
// Pauses with window events flowing, so clicks and the port's notifications get through.
void pause(MainWindow& window, int ms);
// Shows `text` on `button` for `ms`, then gives it `restored`.
void showOnButton(MainWindow& window, Control& button, const std::string& text, int ms,
                  const std::string& restored);
// Progress of long work in the window caption, behind the application title.
void showProgress(MainWindow& window, const std::string& text);
// The parameter at `index` of the loaded description, or nullptr when there is none.
Parameter* parameterAt(MainWindow& window, int index);
// Number of entries of the loaded description, within its bound.
int parameterCount(const MainWindow& window);

}  // namespace steps

// A command of the "CONTROLS" frame: transmit the selected parameter or all of them, read all
// back, store the unit's data in its EEPROM, or toggle the unit's reset input. The outcome is
// shown on the button that started it.
class clsControlOperation : public IBaseOperation {
  public:
    explicit clsControlOperation(MainWindow& window) : window_(window) {}

    std::string OperationType() const override { return kControlOperationType; }

    // `activePar` is the parameter index; only "Transmit" uses it.
    void Add(const std::string& code, const std::string& value, Control& control,
             const std::string& operationName, std::optional<int> activePar = std::nullopt);

    const std::string& OperationName() const { return operationName_; }
    std::optional<int> ActivePar() const { return activePar_; }
    Control* control() const { return control_; }

    // Runs the procedure named by OperationName; an unknown name does nothing and gives 1.
    // 1 or the last unit result on success; kOperationAborted when the command failed or hit a
    // fault.
    std::int32_t Execute() override;

  private:
    std::int32_t Transmit();
    std::int32_t TransmitAll();
    std::int32_t transmitAllSteps(std::string& abortText);
    std::int32_t ReadAllParameters();
    std::int32_t StoreEEProm();
    std::int32_t Re_Set();
    Control& button() const;

    MainWindow& window_;
    std::string operationName_;
    Control* control_ = nullptr;
    std::optional<int> activePar_;
};

}  // namespace qu32
