#pragma once

#include <cstdint>
#include <string>

#include "platform/SerialPort.h"

namespace qu32 {

// One line of a frame trace: time, direction, the bytes in hex and as printable text.
// "   12.345 TX 04 31 31 30 30 05  |.1100.|"
std::string formatTraceLine(double ms, bool sent, const Bytes& bytes);

}  // namespace qu32
