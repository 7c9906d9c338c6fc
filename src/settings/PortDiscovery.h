#pragma once

#include <string>
#include <vector>

#include "platform/PortLister.h"
#include "platform/SerialPort.h"
#include "serial/PortMap.h"

namespace qu32 {

// The port test accepts one number more than the program can select, as it always has; such a
// port is listed but never chosen by the map.
inline constexpr int kFirstTestablePort = 1;
inline constexpr int kLastTestablePort = 16;

// A serial port as discovery found it.
struct PortEntry {
    std::string name;  // "COM3"; the device itself when it has no COM number
    int number = 0;    // from the name; 0 when the name has none
    bool usable = false;
    SerialDeviceInfo device;
    // Why it is not usable, for the log; empty when it is.
    std::string whyUnusable;
};

struct Discovery {
    // False when the machine offers no list of serial devices at all.
    bool listAvailable = true;
    // Sorted by number; as many as the machine reported.
    std::vector<PortEntry> ports;
    // Numbers given by this discovery to devices the map did not know yet; they are in the map
    // already, so the ports can be tested and opened.
    std::vector<PortMap::Entry> newPairings;
    std::size_t usableCount() const;
};

// Opens and closes port `number` on `port`, then selects the port number it had before. The
// port is closed afterwards even when it was open. Numbers outside 1..16 fail at once. `why`
// gets the port's reason on failure.
bool testComPort(SerialPort& port, int number, std::string* why = nullptr);

// Lists the machine's serial devices as COM numbers through `portMap`: a device the map does
// not know gets the lowest free number up to 15 (that pairing is entered in the map and
// reported). Every port is tested on `port`.
Discovery discoverPorts(PortLister& lister, PortMap& portMap, SerialPort& port);

// "COM5: /dev/ttyUSB0, by-id usb-FTDI_..., FT232R USB UART, FTDI, serial A50285BI, 0403:6001"
std::string describePort(const PortEntry& entry);
// "COM5 is not usable: ..." with what helps; empty for a usable port.
std::string explainUnusable(const PortEntry& entry);

}  // namespace qu32
