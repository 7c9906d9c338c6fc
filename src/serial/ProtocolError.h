#pragma once

#include <string>

namespace qu32 {

// Result codes of the serial transactions. Success is 1 (or a count of data characters).
enum ProtocolErrorCode : int {
    kErrPortNotOpen = -99,
    kErrNoWakeEvent = -100,
    kErrNotAck = -2,
    kErrUnknownCode = -3,
    kErrTimeoutHeader = -4,
    kErrNotStx = -10,
    kErrCodeHigh = -11,
    kErrCodeLow = -12,
    kErrTimeoutData = -13,
    kErrEtx = -14,
    kErrBcc = -15,
    kErrPacketTooShort = -16,
    kErrNotH = -17,
    kErrStatusLength = -18,
    kErrStatusDigit = -19,
    // An answer that does not fit the buffer it is collected in. Not a unit error: the program
    // refuses to write past its own bounds.
    kErrInternalFault = -98,
};

// The fixed message of an error code; empty for codes without one.
const char* protocolErrorMessage(int code);

// The last failure of a transaction, for diagnostics: code, message (with any detail) and the
// qualified name of the procedure that raised it.
struct ProtocolError {
    int code = 0;
    std::string description;
    std::string source;
};

}  // namespace qu32
