#pragma once

#include <cstdint>
#include <string>

#include "platform/SerialPort.h"

namespace qu32 {

inline constexpr std::uint8_t STX = 0x02;
inline constexpr std::uint8_t ETX = 0x03;
inline constexpr std::uint8_t EOT = 0x04;
inline constexpr std::uint8_t ENQ = 0x05;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t NAK = 0x15;

// EOT, address (2), code (2), ENQ. Also the unit commands ("9>", "9?").
Bytes buildReadRequest(const std::string& address, const std::string& code);
// EOT, address (2), STX, code (2), value, ETX, BCC.
Bytes buildWriteFrame(const std::string& address, const std::string& code,
                      const std::string& value);
// Exclusive-or of bytes [from, to] inclusive.
std::uint8_t blockCheck(const std::uint8_t* data, std::size_t from, std::size_t to);

}  // namespace qu32
