#include "serial/Frames.h"
#include "serial/Transaction.h"

namespace qu32 {

namespace {
constexpr const char* kTransmitSource = "Transmit_Parameter";
constexpr const char* kSetFormatSource = "Set_UnitFormat";
constexpr int kWriteWaitMs = 100;
constexpr int kCommandWaitMs = 50;
}  // namespace

int SerialLink::Transmit_Parameter(const std::string& address, const std::string& code,
                                   const std::string& value) {
    if (!port_.isOpen())
        return fail(kErrPortNotOpen, kTransmitSource);
    const Bytes frame = buildWriteFrame(address, code, value);
    Transaction tx(*this);
    if (!tx.valid())
        return fail(tx.invalidCode(), kTransmitSource);
    port_.discardInput();
    send(frame);
    tx.restartTimer();
    bool acknowledged = false;
    while (!acknowledged) {
        if (tx.waitForBytes(kWriteWaitMs)) {
            tx.stopTimer();
            loop_.pumpPendingEvents();
            if (port_.bytesWaiting() <= 0)
                return fail(kErrNotAck, kTransmitSource);
            // Only the first byte counts; a NAK is a refusal at once, not a time-out later.
            const Bytes answer = takeWaiting();
            if (answer.empty() || answer.front() != ACK)
                return fail(kErrNotAck, kTransmitSource);
            acknowledged = true;
            tx.restartTimer();
        }
        loop_.pumpPendingEvents();
        if (tx.timedOut() && !acknowledged)
            return fail(kErrTimeoutHeader, kTransmitSource);
    }
    return 1;
}

int SerialLink::Set_UnitFormat(const std::string& address, const std::string& code) {
    if (!port_.isOpen())
        return fail(kErrPortNotOpen, kSetFormatSource);
    const Bytes request = buildReadRequest(address, code);
    Transaction tx(*this);
    if (!tx.valid())
        return fail(tx.invalidCode(), kSetFormatSource);
    discardWaiting();
    clearBuffer();
    send(request);
    tx.restartTimer();
    while (port_.bytesWaiting() <= 0) {
        if (tx.waitForBytes(kCommandWaitMs))
            tx.restartTimer();
        loop_.pumpPendingEvents();
        if (port_.bytesWaiting() <= 0 && tx.timedOut())
            return fail(kErrTimeoutHeader, kSetFormatSource);
    }
    const Bytes answer = takeWaiting();
    const std::size_t n = std::min(answer.size(), buffer_.size());
    std::copy_n(answer.begin(), n, buffer_.begin());
    // A data frame instead of the acknowledge is a refusal too.
    if (answer.empty() || answer.front() != ACK)
        return fail(kErrNotAck, kSetFormatSource);
    return 1;
}

}  // namespace qu32
