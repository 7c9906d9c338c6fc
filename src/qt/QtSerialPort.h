#pragma once

#include <memory>

#include "platform/SerialPort.h"
#include "serial/PortMap.h"

class QSerialPort;

namespace qu32 {

// The real serial port on QSerialPort. COM numbers become devices through the PortMap, which
// must outlive this object.
class QtSerialPort : public SerialPort {
  public:
    // What the receive handler compares the waiting byte count against to detect an overflow.
    // Qt buffers without limit. A description block is up to 4001 bytes and may arrive in one
    // notification, so the limit sits well above that; only runaway input trips it.
    static constexpr int kInputBufferSize = 16384;

    explicit QtSerialPort(const PortMap& portMap);
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    // Takes effect at the next open().
    void setPortNumber(int comNumber) override;
    int portNumber() const override { return comNumber_; }
    // "BAUD,PARITY,DATA,STOP", e.g. "9600,e,7,1". An open port is closed, set and reopened,
    // because a pseudo-terminal refuses data-bit and parity changes while open.
    bool setSettings(const std::string& settings) override;
    std::string settings() const override { return settings_; }

    // Opens the mapped device with the current settings; an open port is closed first.
    bool open() override;
    void close() override;
    bool isOpen() const override;
    std::string lastError() const override { return lastError_; }
    bool deviceGone() const override { return closedByDevice_; }
    // Looks the mapped device up without opening it; a by-id link counts once it leads to a
    // device again.
    bool deviceExists() const override;

    int bytesWaiting() const override;
    Bytes readAll() override;
    void discardInput() override;
    bool write(const Bytes& bytes) override;
    int inputBufferSize() const override { return kInputBufferSize; }

    void setReceiveCallback(std::function<void()> callback) override;

  private:
    std::string portLabel() const;
    bool fail(const std::string& why);
    std::string describeOpenFailure(const std::string& device) const;
    void onPortError(int error);
    bool hungUp() const;
    void finishLostPort();

    const PortMap& portMap_;
    std::unique_ptr<QSerialPort> port_;
    int comNumber_ = PortMap::kMinCom;
    std::string settings_ = "9600,e,7,1";
    std::string lastError_;
    std::function<void()> onReceive_;
    // Set when the device vanished or hung up; the QSerialPort is closed once Qt has left its
    // handler.
    bool lost_ = false;
    // Set when the device closed the port; cleared when the program closes it or opens it
    // again, or points the port at another number.
    bool closedByDevice_ = false;
};

}  // namespace qu32
