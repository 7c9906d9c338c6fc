#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/PortLister.h"
#include "serial/PortMap.h"

namespace qu32 {

// The machine's serial devices from QSerialPortInfo, with their /dev/serial/by-id names and what
// keeps one from being used. Devices the port map was pointed at for this run (a pseudo-terminal,
// a path given on the command line) are listed too when they exist, since the system's list
// does not know them.
class QtPortLister : public PortLister {
  public:
    static constexpr const char* kByIdFolder = "/dev/serial/by-id";

    // `portMap`, when given, must outlive the lister.
    explicit QtPortLister(const PortMap* portMap = nullptr, std::string byIdFolder = kByIdFolder)
        : portMap_(portMap), byIdFolder_(std::move(byIdFolder)) {}

    std::optional<std::vector<SerialDeviceInfo>> listDevices() override;

    // Fills in `byIdPath` and `problem` (with `owningGroup`) for `info.device`.
    void diagnose(SerialDeviceInfo& info) const;

  private:
    const PortMap* portMap_;
    std::string byIdFolder_;
};

}  // namespace qu32
