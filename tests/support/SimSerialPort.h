#pragma once

#include <set>
#include <string>

#include "platform/SerialPort.h"
#include "sim/SimUnit.h"
#include "support/VirtualEventLoop.h"

namespace qu32::test {

// The PC's serial port wired to a simulated unit on the virtual clock. Settings travel with the
// bytes, so data bits and parity matter here as on a real line.
class SimSerialPort : public SerialPort {
  public:
    static constexpr int kInputBufferSize = 16384;

    SimSerialPort(VirtualEventLoop& loop, sim::SimUnit& unit) : loop_(loop), unit_(unit) {}

    void setPortNumber(int comNumber) override;
    int portNumber() const override { return port_; }
    bool setSettings(const std::string& settings) override;
    std::string settings() const override { return settings_; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    std::string lastError() const override { return error_; }
    bool deviceGone() const override { return gone_; }
    bool deviceExists() const override;
    int bytesWaiting() const override { return static_cast<int>(input_.size()); }
    Bytes readAll() override;
    void discardInput() override { input_.clear(); }
    bool write(const Bytes& bytes) override;
    int inputBufferSize() const override { return kInputBufferSize; }
    void setReceiveCallback(std::function<void()> callback) override {
        callback_ = std::move(callback);
    }

    // The USB adapter is pulled: the device vanishes, an open port loses it at once (as a hang-up
    // reports it) and answers on their way are lost. plugDevice() puts it back.
    void pullDevice();
    void plugDevice() { pulled_ = false; }
    // How often the program looked whether the device exists.
    int deviceChecks() const { return deviceChecks_; }

    // Which COM numbers exist on this simulated PC (COM1 by default).
    void setExistingPorts(std::set<int> ports) { existing_ = std::move(ports); }
    const sim::LineFormat& line() const { return line_; }
    // Everything the PC wrote, for checking frames on the wire.
    const Bytes& written() const { return written_; }
    void clearWritten() { written_.clear(); }
    // Replaces the unit by scripted answers: given the request, the chunks to deliver (times
    // relative to the request's arrival). Lets tests send answers no sound unit would.
    using Responder = std::function<std::vector<sim::Chunk>(const Bytes& request)>;
    void setResponder(Responder responder) { responder_ = std::move(responder); }
    // Bytes delivered to the PC outside any answer (line noise, a late answer of another unit).
    void injectBytes(const Bytes& bytes, double afterMs = 0);

  private:
    void deliver(const Bytes& bytes, unsigned generation);

    VirtualEventLoop& loop_;
    sim::SimUnit& unit_;
    int port_ = 0;
    std::string settings_ = "9600,e,7,1";
    sim::LineFormat line_;
    bool open_ = false;
    bool gone_ = false;
    bool pulled_ = false;
    mutable int deviceChecks_ = 0;
    unsigned generation_ = 0;
    std::string error_;
    std::set<int> existing_{1};
    Bytes input_;
    Bytes written_;
    double transmitterFreeAtMs_ = 0;
    std::function<void()> callback_;
    Responder responder_;
};

}  // namespace qu32::test
