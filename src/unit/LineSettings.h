#pragma once

#include <string>
#include <vector>

#include "serial/SerialSettings.h"

namespace qu32 {

// A value the unit took, by register code, in wire form.
struct WrittenValue {
    std::string code;
    std::string value;
};

// The unit moves to a new address, baud-rate code or serial-format code as soon as such a value
// is activated; the PC follows by taking them into its settings. Other codes, and values the PC
// cannot use, are passed over. True when a setting was taken (the port is then to be reopened).
bool adoptLineSettings(const std::vector<WrittenValue>& written, SerialSettings& settings);

}  // namespace qu32
