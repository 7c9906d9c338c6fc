#include "serial/ProtocolError.h"

#include <iterator>

namespace qu32 {

namespace {

struct ErrorEntry {
    int code;
    const char* message;
};

constexpr ErrorEntry kErrorTable[] = {
    {kErrPortNotOpen, "Com port is not open."},
    {kErrNoWakeEvent, ""},
    {kErrNotAck, "Response is not ACK."},
    {kErrUnknownCode, "Unknown code."},
    {kErrTimeoutHeader, "Timeout during reading header."},
    {kErrNotStx, "1.Byte is not STX."},
    {kErrCodeHigh, "High byte of code is not correct."},
    {kErrCodeLow, "low byte of code is not correct."},
    {kErrTimeoutData, "Timeout during reading data."},
    {kErrEtx, "ETX error."},
    {kErrBcc, "BCC incorrect."},
    {kErrPacketTooShort, "Length of packet is smaller than 5 bytes."},
    {kErrNotH, "4te char isn't Asc(H)"},
    {kErrStatusLength, "Number of char is incorrect."},
    {kErrStatusDigit, "Didn't pass Data check."},
    {kErrInternalFault, "Internal fault: the answer does not fit its buffer."},
};

}  // namespace

const char* protocolErrorMessage(int code) {
    for (const auto& e : kErrorTable) {
        if (e.code == code)
            return e.message;
    }
    return "";
}

}  // namespace qu32
