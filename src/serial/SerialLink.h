#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/SerialPort.h"
#include "serial/AnswerScanner.h"
#include "serial/OperatorObserver.h"
#include "serial/Result.h"
#include "serial/SerialSettings.h"

namespace qu32 {

// A value block holds at most this many 32-bit values.
inline constexpr std::size_t kMaxLongValues = 501;
// The text a register read may bring: every value the units keep fits.
inline constexpr std::size_t kRegisterTextLength = 12;
// A version register holds exactly this many characters.
inline constexpr std::size_t kVersionLength = 8;
inline constexpr int kDefaultAnswerTimeoutMs = 1000;
// How often a device that went away is looked for: a USB adapter takes a second or two to come
// back, and looking more often only costs system calls.
inline constexpr int kDeviceCheckIntervalMs = 1000;

// The one serial link of the program: the port and its settings, the answer timer and the
// transactions with the unit at the settings' unit address. Every transaction is one exchange:
// it sends its request and waits, keeping events flowing, until the answer is complete, faulty,
// or the unit has been silent for a whole answer time-out. Single-threaded: only one transaction
// waits at a time; one started from an event handler during the wait is refused.
class SerialLink {
  public:
    SerialLink(SerialPort& port, EventLoop& loop, SerialSettings& settings,
               OperatorObserver& observer);
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Opens `comPort` with the given line settings (closing it first). False for settings the
    // port cannot take or a port that does not open; the settings' COM number is then -1.
    bool configurePort(int comPort, int baud, int dataBits, int stopBits, int parityCode);
    // Opens the port with the serial settings and shows them; on failure says why and clears
    // them.
    bool openPort();
    // After the device went away under the open port: at most once per kDeviceCheckIntervalMs,
    // looks whether it is back and opens it again on the line it had when it went (which is
    // where the unit was talking then). Says nothing to the operator, since it may take many
    // tries. While the device is away, configurePort() and openPort() leave the port and the
    // settings alone and show no message. True when the port is open again.
    bool reopenLostPort();
    // Whether the port talks the configured line, rather than a passing one such as the 8-bit
    // phase of a description read.
    bool onConfiguredLine() const;
    // Back to the configured line without a word: false when the settings are not usable.
    bool restoreConfiguredLine();

    // One register as text: `value` gets the data characters (empty on failure). Data longer
    // than `maxLength` is refused as an internal fault.
    Result readRegister(const std::string& code, std::string& value,
                        std::size_t maxLength = kRegisterTextLength);
    // A version register: exactly kVersionLength characters, a shorter answer padded with spaces.
    Result readVersion(const std::string& code, std::string& version);
    // A status register: "H" and 2 or 4 hexadecimal digits.
    Result readStatus(const std::string& code, std::int16_t& word);
    Result writeRegister(const std::string& code, const std::string& value);
    // A data-format command of the unit ("9>", "9?").
    Result setUnitFormat(const std::string& command);
    // Long answers with a length header: raw bytes, or 32-bit values.
    Result readByteBlock(const std::string& code, Bytes& data);
    Result readLongBlock(const std::string& code, std::vector<std::int32_t>& values);

    const LinkError& lastError() const { return lastError_; }

    void setAnswerTimeoutMs(int ms);
    int answerTimeoutMs() const;

    SerialPort& port() { return port_; }
    EventLoop& loop() { return loop_; }
    SerialSettings& settings() { return settings_; }
    OperatorObserver& observer() { return observer_; }

    // Diagnostics: every block of bytes written (sent = true) or taken from the port.
    void setTrace(std::function<void(bool sent, const Bytes& bytes)> trace) {
        trace_ = std::move(trace);
    }
    // Diagnostics: every failure of a transaction, as lastError() then holds it.
    void setErrorTrace(std::function<void(const LinkError& error)> trace) {
        errorTrace_ = std::move(trace);
    }

  private:
    class WaitScope;

    Result exchange(Transaction transaction, const Bytes& request, AnswerScanner& scanner);
    Result request(Transaction transaction, const std::string& code, AnswerScanner& scanner);
    Result fail(Transaction transaction, Result result, const std::string& detail = {});
    void onReceive();
    Bytes takeWaiting();
    void discardWaiting();
    void send(const Bytes& bytes);
    void restartAnswerTimer();
    void stopAnswerTimer();
    void refuseSettings(const std::string& message);
    // "9600,e,7,1" from the serial settings; nothing when their codes are out of range.
    std::optional<std::string> configuredLine() const;

    SerialPort& port_;
    EventLoop& loop_;
    SerialSettings& settings_;
    OperatorObserver& observer_;
    std::unique_ptr<Timer> answerTimer_;
    std::unique_ptr<WakeEvent> receiveEvent_;  // non-null only while a transaction waits
    bool answerTimedOut_ = false;
    LinkError lastError_;
    std::function<void(bool, const Bytes&)> trace_;
    std::function<void(const LinkError&)> errorTrace_;
    std::optional<std::int64_t> lastDeviceCheckMs_;
};

}  // namespace qu32
