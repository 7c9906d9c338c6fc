#pragma once

#include <cstdint>
#include <string>

namespace qu32::sim {

// One side's serial line settings.
struct LineFormat {
    int baud = 9600;
    char parity = 'e';  // 'e', 'o' or 'n'
    int dataBits = 7;
    int stopBits = 1;
    bool operator==(const LineFormat&) const = default;
};

// Parses "9600,e,7,1"; returns false (and leaves `out` alone) for anything else.
bool parseLineFormat(const std::string& settings, LineFormat& out);
std::string toString(const LineFormat& f);

// Time the given number of characters take on the wire: start bit, data bits, parity bit, stop
// bits.
double wireTimeMs(std::size_t characters, const LineFormat& f);

}  // namespace qu32::sim
