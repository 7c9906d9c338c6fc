#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace qu32 {

// The program speaks of COM numbers everywhere; this table turns them into the device the
// operating system opens. Linux has no COM names, so numbers map to device paths by default
// and can be pointed elsewhere (configuration file, command line, simulated unit).
class PortMap {
  public:
    static constexpr int kMinCom = 1;
    static constexpr int kMaxCom = 15;
    // Longest device path accepted; matches the usual PATH_MAX of Linux.
    static constexpr std::size_t kMaxDeviceLength = 4096;

    struct Entry {
        int com = 0;
        std::string device;
        bool operator==(const Entry&) const = default;
    };

    // Starts with the default devices of the platform.
    PortMap();

    // Points `com` at `device`; an empty device removes the mapping. False for a COM number
    // outside 1..15 or an over-long path.
    bool set(int com, std::string device);
    // The device of `com`, or nothing when the number is unmapped or out of range.
    std::optional<std::string> device(int com) const;
    // Every mapped number in ascending order.
    std::vector<Entry> entries() const;

    // Reads an override like "5=/dev/pts/7" (a leading "COM" is allowed). Does not change the map.
    bool parseOverride(const std::string& text, int& com, std::string& device);
    // parseOverride() followed by set().
    bool applyOverride(const std::string& text);

    const std::string& lastError() const { return lastError_; }

  private:
    bool fail(std::string message);

    std::array<std::string, kMaxCom + 1> devices_;  // index 0 unused; empty = unmapped
    std::string lastError_;
};

}  // namespace qu32
