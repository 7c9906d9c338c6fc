#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qu32 {

using Bytes = std::vector<std::uint8_t>;

// The one serial port of the program. Settings are a text like "9600,e,7,1" (baud, parity letter,
// data bits, stop bits). Failures are reported by return value; lastError() says why in plain
// words.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    virtual void setPortNumber(int comNumber) = 0;
    virtual int portNumber() const = 0;
    // Takes effect at the next open(); applied to an open port as far as the device allows.
    virtual bool setSettings(const std::string& settings) = 0;
    virtual std::string settings() const = 0;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual std::string lastError() const = 0;

    // The device went away under the open port (hung up, removed, stopped working): the port is
    // closed, but nobody asked for it. Stays so until close() or an open() that succeeds; a
    // failed open() keeps it, since the device has not come back.
    virtual bool deviceGone() const { return false; }
    // Whether the device of the port number exists right now; cheap, and opens nothing.
    virtual bool deviceExists() const { return true; }

    virtual int bytesWaiting() const = 0;
    // All waiting bytes; the input buffer is empty afterwards.
    virtual Bytes readAll() = 0;
    virtual void discardInput() = 0;
    virtual bool write(const Bytes& bytes) = 0;
    virtual int inputBufferSize() const = 0;

    // Called from the event loop whenever bytes have arrived (the port's receive notification).
    virtual void setReceiveCallback(std::function<void()> callback) = 0;
};

}  // namespace qu32
