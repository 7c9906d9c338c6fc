#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/SerialPort.h"

namespace qu32 {

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kEot = 0x04;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

// EOT, address (2), code (2), ENQ. Also the unit commands ("9>", "9?").
Bytes buildReadRequest(const std::string& address, const std::string& code);
// EOT, address (2), STX, code (2), value, ETX, BCC.
Bytes buildWriteFrame(const std::string& address, const std::string& code,
                      const std::string& value);
// Exclusive-or of bytes [from, to] inclusive.
std::uint8_t blockCheck(const std::uint8_t* data, std::size_t from, std::size_t to);

// A 32-bit value of a block answer: big-endian two's complement, b1 the most significant byte.
constexpr std::int32_t bytesToLong(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                                   std::uint8_t b4) {
    const std::uint32_t bits = (std::uint32_t{b1} << 24) | (std::uint32_t{b2} << 16) |
                               (std::uint32_t{b3} << 8) | std::uint32_t{b4};
    // Conversion to a signed type is modular, so 80 00 00 00 is the lowest value.
    return static_cast<std::int32_t>(bits);
}

}  // namespace qu32
