#include "serial/PortMap.h"

#include <charconv>

namespace qu32 {

namespace {

#ifndef _WIN32
struct DefaultRange {
    int firstCom;
    const char* devicePrefix;
};
// Four numbers each for on-board ports, USB adapters and USB modems (CDC ACM).
constexpr int kDevicesPerRange = 4;
constexpr DefaultRange kDefaultRanges[] = {
    {1, "/dev/ttyS"},
    {5, "/dev/ttyUSB"},
    {9, "/dev/ttyACM"},
};
#endif

bool startsWithComPrefix(const std::string& text) {
    constexpr std::size_t kPrefixLength = 3;
    if (text.size() < kPrefixLength)
        return false;
    const char* prefix = "com";
    for (std::size_t i = 0; i < kPrefixLength; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

}  // namespace

PortMap::PortMap() {
#ifdef _WIN32
    for (int com = kMinCom; com <= kMaxCom; ++com)
        devices_[com] = "COM" + std::to_string(com);
#else
    for (const DefaultRange& range : kDefaultRanges) {
        for (int i = 0; i < kDevicesPerRange; ++i) {
            devices_[range.firstCom + i] = range.devicePrefix + std::to_string(i);
        }
    }
#endif
}

bool PortMap::fail(std::string message) {
    lastError_ = std::move(message);
    return false;
}

bool PortMap::set(int com, std::string device) {
    if (com < kMinCom || com > kMaxCom) {
        return fail("COM " + std::to_string(com) + " is not a port number from 1 to 15");
    }
    if (device.size() > kMaxDeviceLength) {
        return fail("the device path for COM " + std::to_string(com) + " is too long");
    }
    devices_[com] = std::move(device);
    return true;
}

std::optional<std::string> PortMap::device(int com) const {
    if (com < kMinCom || com > kMaxCom || devices_[com].empty())
        return std::nullopt;
    return devices_[com];
}

std::vector<PortMap::Entry> PortMap::entries() const {
    std::vector<Entry> result;
    for (int com = kMinCom; com <= kMaxCom; ++com) {
        if (!devices_[com].empty())
            result.push_back({com, devices_[com]});
    }
    return result;
}

bool PortMap::parseOverride(const std::string& text, int& com, std::string& device) {
    const std::string example = "expected NUMBER=DEVICE, for example 5=/dev/ttyUSB0";
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        return fail("port override '" + text + "': " + example);
    }
    const std::size_t numberStart = startsWithComPrefix(text) ? 3 : 0;
    const char* first = text.data() + numberStart;
    const char* last = text.data() + equals;
    int number = 0;
    const auto [end, ec] = std::from_chars(first, last, number);
    if (first == last || ec != std::errc() || end != last) {
        return fail("port override '" + text + "': '" + std::string(first, last) +
                    "' is not a port number; " + example);
    }
    if (number < kMinCom || number > kMaxCom) {
        return fail("port override '" + text + "': COM " + std::to_string(number) +
                    " is not a port number from 1 to 15");
    }
    std::string path = text.substr(equals + 1);
    if (path.empty()) {
        return fail("port override '" + text + "': no device given for COM " +
                    std::to_string(number));
    }
    if (path.size() > kMaxDeviceLength) {
        return fail("port override for COM " + std::to_string(number) +
                    ": the device path is too long");
    }
    com = number;
    device = std::move(path);
    return true;
}

bool PortMap::applyOverride(const std::string& text) {
    int com = 0;
    std::string path;
    return parseOverride(text, com, path) && set(com, std::move(path));
}

}  // namespace qu32
