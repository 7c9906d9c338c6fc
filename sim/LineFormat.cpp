#include "sim/LineFormat.h"

#include <array>
#include <charconv>

namespace qu32::sim {

namespace {

// Rates a unit's serial interface can be set to.
constexpr std::array<int, 10> kBaudRates = {300,  600,   1200,  2400,  4800,
                                            9600, 19200, 38400, 57600, 115200};
constexpr std::size_t kMaxSettingsChars = 16;

// Baud rates by the unit's baud-rate code.
constexpr std::array<int, 7> kBaudByCode = {9600, 4800, 2400, 1200, 600, 19200, 38400};

struct FormatByCode {
    char parity;
    int dataBits;
    int stopBits;
};
// Parity, data bits and stop bits by the unit's serial-format code.
constexpr std::array<FormatByCode, 10> kFormatByCode = {{{'e', 7, 1},
                                                         {'e', 7, 2},
                                                         {'o', 7, 1},
                                                         {'o', 7, 2},
                                                         {'n', 7, 1},
                                                         {'n', 7, 2},
                                                         {'e', 8, 1},
                                                         {'o', 8, 1},
                                                         {'n', 8, 1},
                                                         {'n', 8, 2}}};

bool parseInt(std::string_view text, int& out) {
    if (text.empty()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool parseLineFormat(const std::string& settings, LineFormat& out) {
    if (settings.size() > kMaxSettingsChars) {
        return false;
    }
    std::array<std::string_view, 4> fields;
    std::string_view rest = settings;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t comma = rest.find(',');
        const bool last = i + 1 == fields.size();
        if (last != (comma == std::string_view::npos)) {
            return false;
        }
        fields[i] = rest.substr(0, comma);
        rest = last ? std::string_view() : rest.substr(comma + 1);
    }
    LineFormat f;
    if (!parseInt(fields[0], f.baud) || !parseInt(fields[2], f.dataBits) ||
        !parseInt(fields[3], f.stopBits) || fields[1].size() != 1) {
        return false;
    }
    f.parity = fields[1][0];
    bool knownBaud = false;
    for (int rate : kBaudRates) {
        knownBaud = knownBaud || rate == f.baud;
    }
    if (!knownBaud || (f.parity != 'e' && f.parity != 'o' && f.parity != 'n') ||
        (f.dataBits != 7 && f.dataBits != 8) || (f.stopBits != 1 && f.stopBits != 2)) {
        return false;
    }
    out = f;
    return true;
}

std::string toString(const LineFormat& f) {
    return std::to_string(f.baud) + ',' + f.parity + ',' + std::to_string(f.dataBits) + ',' +
           std::to_string(f.stopBits);
}

double wireTimeMs(std::size_t characters, const LineFormat& f) {
    if (f.baud <= 0) {
        return 0.0;
    }
    const int bitsPerCharacter = 1 + f.dataBits + (f.parity != 'n' ? 1 : 0) + f.stopBits;
    return static_cast<double>(characters) * bitsPerCharacter * 1000.0 / f.baud;
}

std::optional<int> baudForCode(long long code) {
    if (code < 0 || code >= static_cast<long long>(kBaudByCode.size())) {
        return std::nullopt;
    }
    return kBaudByCode[static_cast<std::size_t>(code)];
}

std::optional<int> baudCodeFor(int baud) {
    for (std::size_t i = 0; i < kBaudByCode.size(); ++i) {
        if (kBaudByCode[i] == baud) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

std::optional<LineFormat> withFormatCode(const LineFormat& line, long long code) {
    if (code < 0 || code >= static_cast<long long>(kFormatByCode.size())) {
        return std::nullopt;
    }
    const FormatByCode& f = kFormatByCode[static_cast<std::size_t>(code)];
    return LineFormat{line.baud, f.parity, f.dataBits, f.stopBits};
}

std::optional<int> formatCodeFor(const LineFormat& line) {
    for (std::size_t i = 0; i < kFormatByCode.size(); ++i) {
        const FormatByCode& f = kFormatByCode[i];
        if (f.parity == line.parity && f.dataBits == line.dataBits && f.stopBits == line.stopBits) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

}  // namespace qu32::sim
