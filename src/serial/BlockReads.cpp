#include <string>

#include "serial/Frames.h"
#include "serial/Transaction.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {
constexpr const char* kIntDataSource = "Read_IntData";
constexpr const char* kLongDataSource = "Read_LongData";
constexpr std::size_t kBlockOverhead = 7;  // STX, code (2), length (2), ETX, BCC
constexpr std::size_t kBlockDataOffset = 5;
constexpr std::size_t kUnknownAnswerLength = 4;  // STX, code (2), EOT
constexpr int kDataWaitMs = 50;
}  // namespace

int SerialLink::Read_IntData(const std::string& address, const std::string& code, int& count) {
    return blockRead(false, address, code, count);
}

int SerialLink::Read_LongData(const std::string& address, const std::string& code, int& count) {
    return blockRead(true, address, code, count);
}

int SerialLink::blockRead(bool longData, const std::string& address, const std::string& code,
                          int& count) {
    const char* source = longData ? kLongDataSource : kIntDataSource;
    if (!port_.isOpen())
        return fail(kErrPortNotOpen, source);
    const Bytes request = buildReadRequest(address, code);
    Transaction tx(*this);
    if (!tx.valid())
        return fail(tx.invalidCode(), source);
    discardWaiting();
    clearBuffer();
    send(request);
    tx.restartTimer();

    // Header phase: wait until the length is known.
    const int headerBytes = longData ? 5 : 6;
    const int headerWaitMs = longData ? 50 : 100;
    while (port_.bytesWaiting() < headerBytes) {
        if (tx.waitForBytes(headerWaitMs))
            tx.restartTimer();
        loop_.pumpPendingEvents();
        if (tx.timedOut()) {
            const Bytes got = takeWaiting();
            if (got.size() == kUnknownAnswerLength && got[3] == EOT)
                return fail(kErrUnknownCode, source);
            return fail(kErrTimeoutHeader, source);
        }
    }
    tx.stopTimer();
    Bytes got = takeWaiting();
    if (got.size() > buffer_.size())
        return fail(kErrInternalFault, source);
    std::copy(got.begin(), got.end(), buffer_.begin());
    std::size_t received = got.size();
    if (buffer_[0] != STX)
        return fail(kErrNotStx, source);
    if (buffer_[1] != request[3])
        return fail(kErrCodeHigh, source);
    if (buffer_[2] != request[4])
        return fail(kErrCodeLow, source);
    const std::size_t length = 256u * buffer_[3] + buffer_[4];
    const std::size_t total = length + kBlockOverhead;
    // A length the buffer cannot hold is refused before a single data byte is stored.
    if (total > buffer_.size()) {
        return fail(kErrInternalFault, source,
                    " Block of " + std::to_string(length) + " bytes exceeds the receive buffer.");
    }

    // Data phase, with progress in the window caption.
    Control& window = controls_.window;
    const std::string caption = window.caption();
    tx.restartTimer();
    while (received < total) {
        if (tx.waitForBytes(kDataWaitMs)) {
            tx.stopTimer();
            got = takeWaiting();
            if (received + got.size() > buffer_.size())
                return fail(kErrInternalFault, source);
            std::copy(got.begin(), got.end(), buffer_.begin() + received);
            received += got.size();
            window.setCaption(caption + " - " + std::to_string(received) + "/" +
                              std::to_string(total));
            tx.restartTimer();
        }
        loop_.pumpPendingEvents();
        if (tx.timedOut() && received < total)
            return fail(kErrTimeoutData, source);
    }
    tx.stopTimer();
    window.setCaption(caption);

    if (buffer_[length + 5] != ETX)
        return fail(kErrEtx, source);
    const std::uint8_t bcc = blockCheck(buffer_.data(), 1, length + 5);
    if (bcc != buffer_[length + 6]) {
        return fail(
            kErrBcc, source,
            " - DataLength = " + std::to_string(length) + "; Calc BCC = " + std::to_string(bcc));
    }
    std::copy(buffer_.begin() + kBlockDataOffset, buffer_.begin() + kBlockDataOffset + length,
              buffer_.begin());
    if (!longData) {
        count = static_cast<int>(length);
        return 1;
    }
    const std::size_t values = length / 4;
    if (values > longValues_.size()) {
        return fail(kErrInternalFault, source,
                    " Block of " + std::to_string(values) + " values exceeds the value table.");
    }
    for (std::size_t i = 0; i < values; ++i) {
        longValues_[i] =
            BytesToLong(buffer_[4 * i], buffer_[4 * i + 1], buffer_[4 * i + 2], buffer_[4 * i + 3]);
    }
    count = static_cast<int>(values);
    return 1;
}

}  // namespace qu32
