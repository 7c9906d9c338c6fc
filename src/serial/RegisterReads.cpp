#include "serial/Frames.h"
#include "serial/Transaction.h"

namespace qu32 {

namespace {
// The answer of a single-register read is short; more bytes without an ETX mean it is not ours.
constexpr std::size_t kShortAnswerLimit = 20;
constexpr int kReadWaitMs = 50;
constexpr std::size_t kVersionBufferSize = 31;
constexpr std::size_t kVersionLength = 8;

constexpr const char* kReadParameterSource = "Serial.Read_Parameter";
constexpr const char* kReadVersionSource = "Serial.Read_Version";
constexpr const char* kReadStatusSource = "Read_Status";
}  // namespace

// Sends a read request and collects the answer into ReceiveBuffer, checking it byte by byte as it
// arrives. Returns the frame length L (STX up to and including ETX) or an error code.
int SerialLink::readRegister(ReadKind kind, const char* source, const std::string& address,
                             const std::string& code, std::size_t capacity) {
    if (!port_.isOpen())
        return fail(kErrPortNotOpen, source);
    const Bytes request = buildReadRequest(address, code);
    Transaction tx(*this);
    if (!tx.valid())
        return fail(tx.invalidCode(), source);
    clearBuffer();
    discardWaiting();
    send(request);

    const std::uint8_t codeHigh = request[3];
    const std::uint8_t codeLow = request[4];
    std::size_t received = 0;
    std::size_t scan = 0;
    std::size_t etxPos = 0;
    bool etxSeen = false;
    bool complete = false;
    tx.restartTimer();
    for (;;) {
        if (tx.waitForBytes(kReadWaitMs)) {
            tx.stopTimer();
            const Bytes in = takeWaiting();
            if (received + in.size() > capacity)
                return fail(kErrInternalFault, source);
            std::copy(in.begin(), in.end(), buffer_.begin() + received);
            received += in.size();
            for (; scan < received && !etxSeen; ++scan) {
                const std::uint8_t b = buffer_[scan];
                if (scan == 0 && b != STX)
                    return fail(kErrNotStx, source);
                if (scan == 1 && b != codeHigh)
                    return fail(kErrCodeHigh, source);
                if (scan == 2 && b != codeLow)
                    return fail(kErrCodeLow, source);
                if (scan == 3 && b == EOT)
                    return fail(kErrUnknownCode, source);
                if (scan == 3 && kind == ReadKind::Status && b != 'H')
                    return fail(kErrNotH, source);
                if (b == ETX) {
                    etxSeen = true;
                    etxPos = scan;
                }
            }
            complete = etxSeen && received >= etxPos + 2;
            tx.restartTimer();
        }
        loop_.pumpPendingEvents();
        if (tx.timedOut() && !complete)
            return fail(kErrTimeoutHeader, source);
        if (complete || received >= kShortAnswerLimit)
            break;
    }
    tx.stopTimer();
    if (!complete)
        return fail(kErrBcc, source);
    const int length = static_cast<int>(etxPos) + 1;
    if (kind == ReadKind::Status) {
        if (length != 7 && length != 9)
            return fail(kErrStatusLength, source);
    } else if (length < 5) {
        return fail(kErrPacketTooShort, source);
    }
    if (blockCheck(buffer_.data(), 1, etxPos) != buffer_[etxPos + 1])
        return fail(kErrBcc, source);
    return length;
}

int SerialLink::Read_Parameter(const std::string& address, const std::string& code,
                               std::string& result) {
    const char* source = kReadParameterSource;
    const int length = readRegister(ReadKind::Parameter, source, address, code, kReceiveBufferSize);
    if (length < 0) {
        result.clear();
        return length;
    }
    const std::size_t dataCount = static_cast<std::size_t>(length) - 4;
    // The caller sizes the text for the value it expects; a longer answer is not written past it.
    if (dataCount > result.size()) {
        result.clear();
        return fail(kErrInternalFault, source, " Data longer than the expected text.");
    }
    for (std::size_t i = 0; i < dataCount; ++i)
        result[i] = static_cast<char>(buffer_[3 + i]);
    return static_cast<int>(dataCount);
}

int SerialLink::Read_Version(const std::string& address, const std::string& code,
                             std::string& result) {
    const int length =
        readRegister(ReadKind::Version, kReadVersionSource, address, code, kVersionBufferSize);
    if (length < 0) {
        result.clear();
        return length;
    }
    // Exactly eight characters; a shorter version is padded with spaces rather than with the
    // frame's ETX and block check.
    const std::size_t dataCount = static_cast<std::size_t>(length) - 4;
    result.assign(kVersionLength, ' ');
    for (std::size_t i = 0; i < kVersionLength && i < dataCount; ++i)
        result[i] = static_cast<char>(buffer_[3 + i]);
    return 1;
}

int SerialLink::Read_Status(const std::string& address, const std::string& code,
                            std::int16_t& status) {
    const char* source = kReadStatusSource;
    const int length = readRegister(ReadKind::Status, source, address, code, kReceiveBufferSize);
    if (length < 0)
        return length;
    int value = 0;
    int weight = 1;
    for (int pos = length - 2; pos >= 4; --pos) {
        const std::uint8_t c = buffer_[pos];
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return fail(kErrStatusDigit, source);
        }
        value += digit * weight;
        weight *= 16;
    }
    if (value > 32767)
        value -= 65536;
    status = static_cast<std::int16_t>(value);
    return 1;
}

}  // namespace qu32
