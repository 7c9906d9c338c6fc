#include "settings/PortDiscovery.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "settings/LineChoices.h"

namespace qu32 {

namespace {

std::string hex4(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value & 0xFFFF);
    return text;
}

// The number the map gives `device`, by its path or its by-id name; 0 when it has none.
int mappedNumber(const PortMap& portMap, const SerialDeviceInfo& device) {
    for (const PortMap::Entry& e : portMap.entries()) {
        if (e.device == device.device || (!device.byIdPath.empty() && e.device == device.byIdPath))
            return e.com;
    }
    return 0;
}

int lowestFreeNumber(const PortMap& portMap) {
    for (int com = PortMap::kMinCom; com <= PortMap::kMaxCom; ++com) {
        if (!portMap.device(com))
            return com;
    }
    return 0;
}

std::string reasonOf(const SerialDeviceInfo& device, const std::string& portError) {
    switch (device.problem) {
        case DeviceProblem::NoPermission: {
            const std::string group =
                device.owningGroup.empty() ? std::string("dialout") : device.owningGroup;
            return "no permission to open " + device.device + " (it belongs to group " + group +
                   "); run: sudo usermod -aG " + group + " $USER, then log in again";
        }
        case DeviceProblem::Busy:
            return device.device + " is in use by another program";
        case DeviceProblem::Vanished:
            return device.device + " has vanished";
        case DeviceProblem::None:
            break;
    }
    return portError.empty() ? std::string("it does not open") : portError;
}

}  // namespace

std::size_t Discovery::usableCount() const {
    return static_cast<std::size_t>(
        std::count_if(ports.begin(), ports.end(), [](const PortEntry& p) { return p.usable; }));
}

bool testComPort(SerialPort& port, int number, std::string* why) {
    const int remembered = port.portNumber();
    if (number < kFirstTestablePort || number > kLastTestablePort) {
        if (why)
            *why = "COM " + std::to_string(number) + " is outside 1 to 16";
        return false;
    }
    bool opened = false;
    try {
        if (port.isOpen())
            port.close();
        port.setPortNumber(number);
        opened = port.open();
        if (!opened && why)
            *why = port.lastError();
    } catch (const std::exception& e) {
        opened = false;
        if (why)
            *why = e.what();
    } catch (...) {
        opened = false;
    }
    try {
        port.close();
        port.setPortNumber(remembered);
    } catch (...) {
        return false;
    }
    return opened;
}

Discovery discoverPorts(PortLister& lister, PortMap& portMap, SerialPort& port) {
    Discovery result;
    std::optional<std::vector<SerialDeviceInfo>> devices;
    try {
        devices = lister.listDevices();
    } catch (...) {
        devices.reset();
    }
    if (!devices) {
        result.listAvailable = false;
        return result;
    }
    for (SerialDeviceInfo& device : *devices) {
        PortEntry entry;
        int com = mappedNumber(portMap, device);
        if (com == 0) {
            com = lowestFreeNumber(portMap);
            // The by-id name follows the adapter to whatever ttyUSB number it gets next time.
            const std::string target = device.byIdPath.empty() ? device.device : device.byIdPath;
            if (com != 0 && portMap.set(com, target))
                result.newPairings.push_back({com, target});
            else
                com = 0;
        }
        entry.name = com != 0 ? "COM" + std::to_string(com) : device.device;
        entry.number = portNumberOfName(entry.name);
        entry.device = std::move(device);
        if (com == 0) {
            entry.whyUnusable =
                "no free COM number from 1 to 15 is left for " + entry.device.device;
        } else {
            std::string portError;
            entry.usable = testComPort(port, entry.number, &portError);
            if (!entry.usable)
                entry.whyUnusable = reasonOf(entry.device, portError);
        }
        result.ports.push_back(std::move(entry));
    }
    // Stable, so devices without a number keep the machine's order.
    std::stable_sort(result.ports.begin(), result.ports.end(),
                     [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });
    return result;
}

std::string describePort(const PortEntry& entry) {
    const SerialDeviceInfo& d = entry.device;
    std::string line = entry.name;
    if (d.device != entry.name)
        line += ": " + d.device;
    auto add = [&line](const std::string& label, const std::string& text) {
        if (!text.empty())
            line += ", " + label + text;
    };
    if (!d.byIdPath.empty()) {
        const std::size_t slash = d.byIdPath.find_last_of('/');
        add("by-id ", slash == std::string::npos ? d.byIdPath : d.byIdPath.substr(slash + 1));
    }
    add("", d.description);
    add("", d.manufacturer);
    add("serial ", d.serialNumber);
    if (d.vendorId && d.productId)
        add("", hex4(*d.vendorId) + ":" + hex4(*d.productId));
    return line;
}

std::string explainUnusable(const PortEntry& entry) {
    if (entry.usable)
        return {};
    return entry.name + " is not usable: " + entry.whyUnusable;
}

}  // namespace qu32
