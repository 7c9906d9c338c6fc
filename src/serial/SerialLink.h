#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/EventLoop.h"
#include "platform/SerialPort.h"
#include "serial/ProtocolError.h"
#include "settings/AppSettings.h"

namespace qu32 {

inline constexpr std::size_t kReceiveBufferSize = 4001;
inline constexpr std::size_t kLongValueCount = 501;
inline constexpr int kDefaultAnswerTimeoutMs = 1000;

// The controls of the main window that the link writes: the three serial-status panels and the
// window itself, whose caption shows the progress of long block reads.
struct LinkControls {
    Control& portPanel;
    Control& unitPanel;
    Control& formatPanel;
    Control& window;
};

// The one serial link of the program: the port, its settings, the answer timer, the wake-up event
// of a waiting transaction and the shared receive buffer, with the transactions that use them.
// Single-threaded: only one transaction runs at a time; callers guarantee that.
class SerialLink {
  public:
    SerialLink(SerialPort& port, EventLoop& loop, Dialogs& dialogs, CommSettings& settings,
               const CompanyInfo& company, LinkControls controls);
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Port set-up.
    int ConfigurePort(int port, int baud, int dataBits, int stopBits, int parityCode);
    int SetSerial();
    void wait(int& ms) { loop_.wait(ms); }
    void PumpPendingEvents() { loop_.pumpPendingEvents(); }
    // Writes the three status panels (also used while the unit is in its 8-bit phase).
    void showStatusPanels(const std::string& formatText);

    // Register reads.
    int Read_Parameter(const std::string& address, const std::string& code, std::string& result);
    int Read_Version(const std::string& address, const std::string& code, std::string& result);
    int Read_Status(const std::string& address, const std::string& code, std::int16_t& status);
    // Writes and unit commands.
    int Transmit_Parameter(const std::string& address, const std::string& code,
                           const std::string& value);
    int Set_UnitFormat(const std::string& address, const std::string& code);
    // Block reads: data in ReceiveBuffer() (Read_IntData) or LongValues() (Read_LongData).
    int Read_IntData(const std::string& address, const std::string& code, int& count);
    int Read_LongData(const std::string& address, const std::string& code, int& count);

    const std::array<std::uint8_t, kReceiveBufferSize>& ReceiveBuffer() const { return buffer_; }
    const std::array<std::int32_t, kLongValueCount>& LongValues() const { return longValues_; }
    const ProtocolError& lastError() const { return lastError_; }

    Timer& tmrTimeout() { return *answerTimer_; }
    bool answerTimedOut() const { return answerTimedOut_; }
    SerialPort& port() { return port_; }
    EventLoop& loop() { return loop_; }
    CommSettings& settings() { return settings_; }
    const CompanyInfo& company() const { return company_; }
    Dialogs& dialogs() { return dialogs_; }
    LinkControls& controls() { return controls_; }

    // Diagnostics: every block of bytes written (sent = true) or taken from the port.
    void setTrace(std::function<void(bool sent, const Bytes& bytes)> trace) {
        trace_ = std::move(trace);
    }

    // The port's receive notification; public so the port adapter's callback can reach it.
    void onReceive();

  private:
    class Transaction;
    friend class Transaction;
    enum class ReadKind { Parameter, Version, Status };

    int readRegister(ReadKind kind, const char* source, const std::string& address,
                     const std::string& code, std::size_t capacity);
    int blockRead(bool longData, const std::string& address, const std::string& code, int& count);
    int fail(int code, const char* source, const std::string& detail = {});
    Bytes takeWaiting();
    void discardWaiting();
    void send(const Bytes& bytes);
    void clearBuffer();
    void message(const std::string& text);
    void clearStatusPanels();

    SerialPort& port_;
    EventLoop& loop_;
    Dialogs& dialogs_;
    CommSettings& settings_;
    const CompanyInfo& company_;
    LinkControls controls_;

    std::unique_ptr<Timer> answerTimer_;
    std::unique_ptr<WakeEvent> receiveEvent_;  // non-null only while a transaction waits
    bool answerTimedOut_ = false;
    std::array<std::uint8_t, kReceiveBufferSize> buffer_{};
    std::array<std::int32_t, kLongValueCount> longValues_{};
    ProtocolError lastError_;
    std::function<void(bool, const Bytes&)> trace_;
};

}  // namespace qu32
