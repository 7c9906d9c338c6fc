#include "support/SimSerialPort.h"

#include <algorithm>

namespace qu32::test {

bool SimSerialPort::setSettings(const std::string& settings) {
    sim::LineFormat f;
    if (!sim::parseLineFormat(settings, f)) {
        error_ = "invalid settings " + settings;
        return false;
    }
    settings_ = settings;
    line_ = f;
    // As on a real port, bytes on their way while the line changes never arrive as sent.
    if (open_) {
        ++generation_;
        input_.clear();
    }
    return true;
}

void SimSerialPort::setPortNumber(int comNumber) {
    if (comNumber != port_)
        gone_ = false;
    port_ = comNumber;
}

bool SimSerialPort::deviceExists() const {
    ++deviceChecks_;
    return !pulled_ && existing_.count(port_) != 0;
}

void SimSerialPort::pullDevice() {
    pulled_ = true;
    if (!open_)
        return;
    close();
    gone_ = true;
    error_ = "COM " + std::to_string(port_) + ": the device hung up";
}

bool SimSerialPort::open() {
    if (open_)
        return true;
    if (pulled_ || !existing_.count(port_)) {
        error_ = "COM " + std::to_string(port_) + ": no such device";
        return false;
    }
    open_ = true;
    gone_ = false;
    ++generation_;
    input_.clear();
    return true;
}

void SimSerialPort::close() {
    open_ = false;
    gone_ = false;
    ++generation_;
    input_.clear();
}

Bytes SimSerialPort::readAll() {
    Bytes out;
    out.swap(input_);
    return out;
}

bool SimSerialPort::write(const Bytes& bytes) {
    if (!open_)
        return false;
    written_.insert(written_.end(), bytes.begin(), bytes.end());
    // The request reaches the unit once its last character has crossed the line.
    const double start = std::max(loop_.nowMsExact(), transmitterFreeAtMs_);
    const double arrival = start + sim::wireTimeMs(bytes.size(), line_);
    transmitterFreeAtMs_ = arrival;
    const sim::LineFormat pcLine = line_;
    const unsigned generation = generation_;
    loop_.postAt(arrival, [this, bytes, pcLine, generation] {
        const double now = loop_.nowMsExact();
        std::vector<sim::Chunk> chunks;
        if (responder_) {
            chunks = responder_(bytes);
            for (auto& c : chunks)
                c.atMs += now;
        } else {
            chunks = unit_.receive(bytes, pcLine, now);
        }
        for (auto& chunk : chunks) {
            loop_.postAt(chunk.atMs, [this, data = std::move(chunk.bytes), generation] {
                deliver(data, generation);
            });
        }
    });
    return true;
}

void SimSerialPort::injectBytes(const Bytes& bytes, double afterMs) {
    const unsigned generation = generation_;
    loop_.postAfter(afterMs, [this, bytes, generation] { deliver(bytes, generation); });
}

void SimSerialPort::deliver(const Bytes& bytes, unsigned generation) {
    // A port closed or reopened since the request no longer hears the old answer.
    if (!open_ || generation != generation_)
        return;
    for (std::uint8_t b : bytes) {
        if (input_.size() >= static_cast<std::size_t>(kInputBufferSize))
            break;
        input_.push_back(line_.dataBits == 7 ? static_cast<std::uint8_t>(b & 0x7F) : b);
    }
    if (callback_)
        callback_();
}

}  // namespace qu32::test
