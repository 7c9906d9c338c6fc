#pragma once

#include <cstdint>
#include <optional>
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

// The unit's own codes for its line settings, as its registers hold them: baud-rate codes 0 to 6
// and serial-format codes 0 to 9. Nothing for a code outside the table or a line it cannot name.
std::optional<int> baudForCode(long long code);
std::optional<int> baudCodeFor(int baud);
// `line` with the format (parity, data bits, stop bits) the code names; its baud rate kept.
std::optional<LineFormat> withFormatCode(const LineFormat& line, long long code);
std::optional<int> formatCodeFor(const LineFormat& line);

}  // namespace qu32::sim
