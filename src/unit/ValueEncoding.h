#pragma once

#include <cstdint>
#include <string>

#include "unit/ParamFormat.h"

// Conversions between the wire form of a value (digits with an optional leading "+", "-" or "#",
// no decimal point) and its display form (fixed width, sign and decimal point in place).
// All of them are pure; none throws on odd text and none overflows on long text.
namespace qu32 {

// The wire form: keeps "0" to "9", "+", "-" and "#", drops everything else.
std::string CleanValue(const std::string& text);

// The display form of a value read from the unit or typed: Digits + 1 characters for the usual
// widths, the sign in front for the signed kinds, "." at DecimalPos. An empty text shows zeros.
// Applying it to its own result changes nothing (for widths of up to 11 digit characters; wider
// fields pad at most 10 zeros per call).
std::string FormatValue(const std::string& raw, const ParamFormat& format);

// The display form of an edited value, limited to the parameter's range. Ten-digit values are
// limited to the 32-bit bounds, shorter ones to MinValue..MaxValue. A "-0" stays "-0" for the
// signed kind. A "#" value of a signed kind is formatted but not limited here: its range belongs
// to another parameter (see LimitHashValue).
std::string LimitValue(const std::string& edited, const ParamFormat& format);

// Keeps the decimal digits, and a "+" or "-" only when it is the very first character.
std::string KeepDigitsAndSign(const std::string& text);

// Limits a "#" value ("#" and digits) to the range of the first parameter whose register code is
// "01"; `entry01` is that parameter's format, or nullptr when the list has none (the text is then
// returned as it is, as it is when the characters after "#" are not a whole number).
std::string LimitHashValue(const std::string& text, const ParamFormat* entry01);

// Big-endian two's complement: b1 is the most significant byte.
constexpr std::int32_t BytesToLong(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                                   std::uint8_t b4) {
    const std::uint32_t bits = (std::uint32_t{b1} << 24) | (std::uint32_t{b2} << 16) |
                               (std::uint32_t{b3} << 8) | std::uint32_t{b4};
    // Conversion to a signed type is modular, so 80 00 00 00 is the lowest value.
    return static_cast<std::int32_t>(bits);
}

constexpr std::int32_t Max(std::int32_t a, std::int32_t b) {
    return a > b ? a : b;
}
constexpr std::int32_t Min(std::int32_t a, std::int32_t b) {
    return a < b ? a : b;
}

}  // namespace qu32
