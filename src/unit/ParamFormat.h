#pragma once

#include <cstdint>

namespace qu32 {

// Sign kinds of a parameter's display text.
inline constexpr int kSignKindSigned = 0;    // "+" or "-" in front
inline constexpr int kSignKindUnsigned = 1;  // no sign character
inline constexpr int kSignKindHash = 2;      // "+", "-" or "#" in front, unsigned 32-bit magnitude

// No decimal point in the display text.
inline constexpr int kNoDecimalPoint = -1;

// How one parameter is shown and limited.
struct ParamFormat {
    int digits = 0;                    // display width minus 1
    int signKind = kSignKindSigned;    // one of the kSignKind values
    int decimalPos = kNoDecimalPoint;  // index of "." in the display text (sign counts)
    std::int32_t minValue = 0;         // range as an integer, decimal point ignored
    std::int32_t maxValue = 0;
};

// Decodes the unit's two format bytes of a parameter. The low nibble of the digits byte is the
// number of digit characters; bit 7 marks a sign character, bit 5 (only with bit 7) the "#" kind.
// The decimal byte is the number of digits behind the point; the point takes one more character.
// The range is not part of these bytes and is left 0.
constexpr ParamFormat formatFromBytes(std::uint8_t digitsByte, std::uint8_t decimalByte) {
    constexpr std::uint8_t kSignedBit = 0x80;
    constexpr std::uint8_t kHashBit = 0x20;
    constexpr std::uint8_t kDigitCountMask = 0x0F;

    ParamFormat format;
    const int digitCount = digitsByte & kDigitCountMask;
    if ((digitsByte & kSignedBit) != 0) {
        format.signKind = (digitsByte & kHashBit) != 0 ? kSignKindHash : kSignKindSigned;
        format.digits = digitCount;
    } else {
        format.signKind = kSignKindUnsigned;
        format.digits = digitCount - 1;
    }
    if (decimalByte == 0) {
        format.decimalPos = kNoDecimalPoint;
    } else {
        format.digits += 1;
        format.decimalPos = format.digits - decimalByte;
    }
    return format;
}

}  // namespace qu32
