#include "unit/ValueEncoding.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace qu32 {

namespace {

// What an empty value shows: wide enough for every field the units describe.
constexpr std::string_view kEmptyValueText = "000000000000";
// Zeros added in front of a short value by one formatting pass.
constexpr std::size_t kMaxValuePadZeros = 10;
// Zeros added in front of a limited "#" value.
constexpr std::size_t kMaxHashPadZeros = 12;

// Texts of this many digits can leave the 32-bit range; shorter ones never do.
constexpr std::size_t kTenDigits = 10;
constexpr std::string_view kUnsignedMaxDigits = "4294967295";
constexpr std::string_view kSignedMaxDigits = "2147483647";
constexpr std::string_view kSignedMinDigits = "2147483648";

// Any magnitude above this is far outside 32 bits; reading stops growing there so that text of
// any length is read without overflow.
constexpr std::int64_t kMagnitudeCap = 1'000'000'000'000;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSignChar(char c) {
    return c == '+' || c == '-' || c == '#';
}

// A wire-form value taken apart: its leading sign character (0 when none) and the digits of the
// rest. Stray sign characters after the first place carry no value and are left out.
struct SplitValue {
    char sign = 0;
    std::string digits;
    std::size_t bodyLength = 0;  // characters after the sign, as they stand in the text
};

SplitValue splitValue(const std::string& wire) {
    SplitValue value;
    std::size_t start = 0;
    if (!wire.empty() && isSignChar(wire.front())) {
        value.sign = wire.front();
        start = 1;
    }
    value.bodyLength = wire.size() - start;
    for (std::size_t i = start; i < wire.size(); ++i) {
        if (isDigit(wire[i])) {
            value.digits.push_back(wire[i]);
        }
    }
    return value;
}

// Numeric comparison of a digit string with a ten-digit bound (no leading zero): negative, 0 or
// positive. For exactly ten digits this is the digit-by-digit comparison; longer text with leading
// zeros compares by its value instead of by its first ten characters.
int compareMagnitude(const std::string& digits, std::string_view bound) {
    const std::size_t firstSignificant = std::min(digits.find_first_not_of('0'), digits.size());
    const std::string_view significant = std::string_view(digits).substr(firstSignificant);
    if (significant.size() != bound.size()) {
        return significant.size() < bound.size() ? -1 : 1;
    }
    return significant.compare(bound);
}

std::int64_t magnitudeOf(const std::string& digits) {
    std::int64_t magnitude = 0;
    for (const char c : digits) {
        if (magnitude >= kMagnitudeCap) {
            break;
        }
        magnitude = magnitude * 10 + (c - '0');
    }
    return magnitude;
}

std::int32_t clampToRange(std::int64_t value, const ParamFormat& format) {
    if (value < format.minValue) {
        return format.minValue;
    }
    if (value > format.maxValue) {
        return format.maxValue;
    }
    return static_cast<std::int32_t>(value);
}

std::string zeros(std::size_t wanted, std::size_t have, std::size_t maxZeros) {
    return wanted > have ? std::string(std::min(wanted - have, maxZeros), '0') : std::string();
}

}  // namespace

std::string cleanValue(const std::string& text) {
    std::string wire;
    wire.reserve(text.size());
    for (const char c : text) {
        if (isDigit(c) || isSignChar(c)) {
            wire.push_back(c);
        }
    }
    return wire;
}

std::string formatValue(const std::string& raw, const ParamFormat& format) {
    std::string text = cleanValue(raw);
    if (text.empty()) {
        text = kEmptyValueText;
    }
    char sign = 0;
    if (isSignChar(text.front())) {
        sign = text.front();
        text.erase(0, 1);
    }

    const bool isUnsigned = format.signKind == kSignKindUnsigned;
    const bool hasPoint = format.decimalPos != kNoDecimalPoint;
    // The sign and the point take places of the display width that digits cannot use.
    const std::int64_t extra = (isUnsigned ? 0 : 1) + (hasPoint ? 1 : 0);
    const std::int64_t digitPlaces = std::int64_t{format.digits} + 1 - extra;
    const std::size_t width = digitPlaces > 0 ? static_cast<std::size_t>(digitPlaces) : 0;

    if (text.size() > width) {
        text.erase(0, text.size() - width);
    } else {
        text.insert(0, zeros(width, text.size(), kMaxValuePadZeros));
    }

    if (!isUnsigned) {
        text.insert(text.begin(), sign == '-' || sign == '#' ? sign : '+');
    }
    // An unsigned field has no place for a sign, so one sent by the unit is dropped.

    if (hasPoint && format.decimalPos >= 0 &&
        static_cast<std::size_t>(format.decimalPos) < text.size() &&
        text[static_cast<std::size_t>(format.decimalPos)] != '.') {
        text.insert(static_cast<std::size_t>(format.decimalPos), 1, '.');
    }
    return text;
}

std::string limitValue(const std::string& edited, const ParamFormat& format) {
    const std::string wire = cleanValue(edited);
    const SplitValue value = splitValue(wire);

    if (format.signKind != kSignKindUnsigned && value.sign == '#') {
        return formatValue(wire, format);
    }

    // Ten-digit values may not fit 32 bits, so they are compared as digits with the bound and
    // never converted; a value at or above the bound becomes the bound.
    if (format.signKind == kSignKindUnsigned) {
        // No sign place: a sign character takes no part in the comparison.
        if (wire.size() >= kTenDigits) {
            return compareMagnitude(value.digits, kUnsignedMaxDigits) < 0
                       ? formatValue(wire, format)
                       : formatValue(std::string(kUnsignedMaxDigits), format);
        }
    } else if (format.signKind == kSignKindHash) {
        // The sign of this kind marks the value; its magnitude has the unsigned 32-bit range.
        // So the ten digits are compared like an unsigned value and the sign stays as typed.
        if (value.bodyLength >= kTenDigits) {
            const char sign = value.sign == '-' ? '-' : '+';
            return compareMagnitude(value.digits, kUnsignedMaxDigits) < 0
                       ? formatValue(wire, format)
                       : formatValue(sign + std::string(kUnsignedMaxDigits), format);
        }
    } else if (wire.size() > kTenDigits) {
        // A text without a sign is positive.
        const bool negative = value.sign == '-';
        const std::string_view bound = negative ? kSignedMinDigits : kSignedMaxDigits;
        return compareMagnitude(value.digits, bound) < 0
                   ? formatValue(wire, format)
                   : formatValue((negative ? '-' : '+') + std::string(bound), format);
    }

    const std::int64_t magnitude = magnitudeOf(value.digits);
    const std::int64_t number = value.sign == '-' ? -magnitude : magnitude;
    const std::int32_t limited = clampToRange(number, format);

    // The operator may type "-" over a zero on the way to a negative value; keep it shown.
    if (format.signKind == kSignKindSigned && value.sign == '-' && number == 0 && limited == 0) {
        // A signed display always starts with its sign character.
        std::string zero = formatValue("0", format);
        zero.front() = '-';
        return zero;
    }
    return formatValue(std::to_string(limited), format);
}

std::string keepDigitsAndSign(const std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c) || (i == 0 && (c == '+' || c == '-'))) {
            kept.push_back(c);
        }
    }
    return kept;
}

std::string limitHashValue(const std::string& text, const ParamFormat* entry01) {
    if (entry01 == nullptr || text.empty()) {
        return text;
    }
    const std::string rest = text.substr(1);

    // Only a whole number is limited; anything else (a decimal point, letters) stays as typed.
    const std::size_t start = !rest.empty() && (rest.front() == '+' || rest.front() == '-') ? 1 : 0;
    if (rest.size() <= start ||
        !std::all_of(rest.begin() + static_cast<std::ptrdiff_t>(start), rest.end(), isDigit)) {
        return text;
    }

    const std::int64_t magnitude = magnitudeOf(rest.substr(start));
    const std::int64_t number = rest.front() == '-' ? -magnitude : magnitude;
    const std::int32_t limited = clampToRange(number, *entry01);

    // A negative bound keeps its minus right behind the "#"; the minus takes one of the places so
    // that the value keeps its width when the digits fit ("#-005").
    const bool negative = limited < 0;
    const std::string digits = std::to_string(negative ? -std::int64_t{limited} : limited);
    const std::size_t width = negative ? rest.size() - 1 : rest.size();
    return std::string("#") + (negative ? "-" : "") +
           zeros(width, digits.size(), kMaxHashPadZeros) + digits;
}

}  // namespace qu32
