#pragma once

#include <string>

#include "unit/ParamFormat.h"

// Conversions between the wire form of a value (digits with an optional leading "+", "-" or "#",
// no decimal point) and its display form (fixed width, sign and decimal point in place).
// All of them are pure; none throws on odd text and none overflows on long text.
namespace qu32 {

// The wire form: keeps "0" to "9", and one "+", "-" or "#" when it comes before every digit;
// drops everything else.
std::string cleanValue(const std::string& text);

// The display form of a value read from the unit, a file or the keyboard: digits + 1 characters
// (at most 40), the sign in front for the signed kinds, digits, and "." at decimalPos (kept
// between the sign and the end when the format puts it outside). An empty text shows zeros.
// Whatever text comes in, the result has this form, and applying it to its own result changes
// nothing.
std::string formatValue(const std::string& raw, const ParamFormat& format);

// The display form of an edited value, limited to the parameter's range. Ten-digit values are
// limited to the 32-bit bounds, shorter ones to minValue..maxValue. A "-0" stays "-0" for the
// signed kind. A "#" value of a signed kind is formatted but not limited here: its range belongs
// to another parameter (see limitHashValue).
std::string limitValue(const std::string& edited, const ParamFormat& format);

// Keeps the decimal digits, and a "+" or "-" only when it is the very first character.
std::string keepDigitsAndSign(const std::string& text);

// Limits a "#" value ("#" and digits) to the range of the first parameter whose register code is
// "01"; `entry01` is that parameter's format, or nullptr when the list has none. The result is
// "#", a minus when negative, digits and the point where the text had one, at the text's width
// (a limited number too wide for it is written whole). Without `entry01`, or with a point, the
// value is not limited, only cleaned.
std::string limitHashValue(const std::string& text, const ParamFormat* entry01);

}  // namespace qu32
