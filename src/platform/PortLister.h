#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qu32 {

// Why the machine's serial device cannot be used, as far as the lister can tell without
// opening it.
enum class DeviceProblem {
    None,
    NoPermission,  // the user may not open it; `owningGroup` says which group may
    Busy,          // another program holds it
    Vanished,      // listed a moment ago, gone now
};

// One serial device of the machine, with what the operator needs to recognise it.
struct SerialDeviceInfo {
    std::string device;        // what the port opens: /dev/ttyUSB0, or COM3 on Windows
    std::string byIdPath;      // /dev/serial/by-id/... when the system offers one
    std::string description;   // "FT232R USB UART"
    std::string manufacturer;  // "FTDI"
    std::string serialNumber;
    std::optional<int> vendorId;
    std::optional<int> productId;
    DeviceProblem problem = DeviceProblem::None;
    std::string owningGroup;  // with NoPermission: the group that owns the device
};

// The machine's list of serial devices.
class PortLister {
  public:
    virtual ~PortLister() = default;
    // Nothing when the machine offers no list at all (which differs from an empty one).
    virtual std::optional<std::vector<SerialDeviceInfo>> listDevices() = 0;
};

}  // namespace qu32
