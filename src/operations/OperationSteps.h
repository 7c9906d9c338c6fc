#pragma once

#include <string>

#include "operations/OperationHost.h"

namespace qu32 {

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
inline constexpr int kActivateSettleMs = 100;
inline constexpr int kOutcomeShowMs = 500;
inline constexpr int kTransmitAllOutcomeShowMs = 1000;
inline constexpr int kAfterReopenTransmitMs = 500;
inline constexpr int kAfterReopenTransmitAllMs = 200;

// Small steps the operations are made of.
namespace steps {

// Writes `value` to `code`, up to `attempts` times, stopping at the first acknowledge. The last
// result: Ok, NotAcknowledged when the unit refused, another failure when the line failed.
Result write(OperationHost& host, const std::string& code, const std::string& value,
             int attempts = 1);
// Reads `code` into `value`, up to `attempts` times, stopping at the first success; `value` is
// empty unless a read succeeded. The last result.
Result read(OperationHost& host, const std::string& code, std::string& value, int attempts = 1);
// Pauses with window events flowing, so clicks and the port's notifications get through.
void pause(OperationHost& host, int ms);
// Shows `text` on `button` for `ms`, then gives it `restored`.
void showOnButton(OperationHost& host, Control& button, const std::string& text, int ms,
                  const std::string& restored);
// Progress of long work in the window caption.
void showProgress(OperationHost& host, const std::string& text);
// The parameter at `index` of the loaded description, or nullptr when there is none.
Parameter* parameterAt(OperationHost& host, int index);
// Number of entries of the loaded description, within its bound.
int parameterCount(OperationHost& host);

}  // namespace steps

}  // namespace qu32
