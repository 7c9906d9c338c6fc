#include "unit/ValueEncoding.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace qu32 {

namespace {

// No unit field is wider than 17 characters; a description that asks for more is broken and
// its values are shown at this width rather than as a page of zeros.
constexpr std::size_t kMaxDisplayWidth = 40;

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

// Where the characters of a display text go: its width, the sign place, the digit places and
// the index of the point (npos when there is none).
struct DisplayLayout {
    std::size_t width = 0;
    bool hasSign = false;
    std::size_t digitPlaces = 0;
    std::size_t pointAt = std::string::npos;
};

DisplayLayout layoutOf(const ParamFormat& format) {
    DisplayLayout layout;
    layout.width = format.digits < 0
                       ? 0
                       : std::min(static_cast<std::size_t>(format.digits) + 1, kMaxDisplayWidth);
    layout.hasSign = format.signKind != kSignKindUnsigned && layout.width > 0;
    const std::size_t signPlaces = layout.hasSign ? 1 : 0;
    // A point the format puts before the sign or past the end stands as near to that place as
    // the text allows: the sign always leads, and every character keeps its place.
    if (format.decimalPos != kNoDecimalPoint && layout.width > signPlaces) {
        const auto wanted = static_cast<std::int64_t>(format.decimalPos);
        layout.pointAt = static_cast<std::size_t>(
            std::clamp<std::int64_t>(wanted, static_cast<std::int64_t>(signPlaces),
                                     static_cast<std::int64_t>(layout.width) - 1));
    }
    layout.digitPlaces = layout.width - signPlaces - (layout.pointAt != std::string::npos ? 1 : 0);
    return layout;
}

std::string zeros(std::size_t wanted, std::size_t have) {
    return wanted > have ? std::string(wanted - have, '0') : std::string();
}

}  // namespace

std::string cleanValue(const std::string& text) {
    // A sign counts only in front of the digits: one anywhere else would reach the unit as part
    // of the value (files and hand-typed texts carry them in any place).
    std::string wire;
    wire.reserve(text.size());
    for (const char c : text) {
        if (isDigit(c) || (wire.empty() && isSignChar(c))) {
            wire.push_back(c);
        }
    }
    return wire;
}

std::string formatValue(const std::string& raw, const ParamFormat& format) {
    const SplitValue value = splitValue(cleanValue(raw));
    const DisplayLayout layout = layoutOf(format);

    std::string text = value.digits;
    if (text.size() > layout.digitPlaces) {
        text.erase(0, text.size() - layout.digitPlaces);
    } else {
        // Zeros up to the full width, so that a short answer of a wide field keeps its width.
        text.insert(0, layout.digitPlaces - text.size(), '0');
    }
    if (layout.hasSign) {
        text.insert(text.begin(), value.sign == '-' || value.sign == '#' ? value.sign : '+');
    }
    // An unsigned field has no place for a sign, so one sent by the unit is dropped.
    if (layout.pointAt != std::string::npos) {
        text.insert(layout.pointAt, 1, '.');
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
    // never converted; a value at or above the bound becomes the bound. A field with fewer
    // places cannot show such a value at all: a long text there is limited to the range like
    // any other, or the field would show its last digits, beyond the range.
    const bool tenDigitField = layoutOf(format).digitPlaces >= kTenDigits;
    if (!tenDigitField) {
        // Limited to minValue..maxValue below.
    } else if (format.signKind == kSignKindUnsigned) {
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
        if (!zero.empty()) {
            zero.front() = '-';
        }
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
    if (text.empty()) {
        return text;
    }
    // The text keeps its width: "#", a minus right behind it when the value is negative, the
    // digits, and a point where it stood. Anything else typed or read in between is dropped.
    const std::string rest = text.substr(1);
    if (rest.empty()) {
        return text;
    }
    const std::size_t pointAt = rest.find('.');
    const bool negative = !rest.empty() && rest.front() == '-';
    std::string digits;
    for (const char c : rest) {
        if (isDigit(c)) {
            digits.push_back(c);
        }
    }

    // Only a whole number is limited; one with a point has a scale the range does not know.
    if (entry01 != nullptr && pointAt == std::string::npos) {
        const std::int64_t magnitude = magnitudeOf(digits);
        const std::int32_t limited = clampToRange(negative ? -magnitude : magnitude, *entry01);
        // A negative bound keeps its minus right behind the "#"; the minus takes one of the
        // places so that the value keeps its width when the digits fit ("#-005").
        const bool limitedNegative = limited < 0;
        const std::string limitedDigits =
            std::to_string(limitedNegative ? -std::int64_t{limited} : limited);
        const std::size_t width = limitedNegative ? rest.size() - 1 : rest.size();
        return std::string("#") + (limitedNegative ? "-" : "") +
               zeros(width, limitedDigits.size()) + limitedDigits;
    }

    const std::size_t signPlaces = negative ? 1 : 0;
    const std::size_t pointPlaces = pointAt != std::string::npos ? 1 : 0;
    std::string out = zeros(rest.size() - signPlaces - pointPlaces, digits.size()) + digits;
    if (pointAt != std::string::npos) {
        out.insert(std::min(pointAt - signPlaces, out.size()), 1, '.');
    }
    return std::string("#") + (negative ? "-" : "") + out;
}

}  // namespace qu32
