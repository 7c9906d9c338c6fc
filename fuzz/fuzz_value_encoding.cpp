// The value encoding with any text and any format: whatever comes in, what comes out is a value
// the unit can take and the list can show, and a second pass changes nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "unit/ParamFormat.h"
#include "unit/ValueEncoding.h"

namespace {

using qu32::ParamFormat;
using qu32::fuzz::FuzzInput;

// The widest display the encoding produces, whatever the format asks.
constexpr std::size_t kMaxDisplayWidth = 40;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSign(char c) {
    return c == '+' || c == '-' || c == '#';
}

ParamFormat formatFrom(FuzzInput& in) {
    ParamFormat format;
    if (in.flag()) {
        // As a unit describes it.
        const std::uint8_t digitsByte = in.byte();
        format = qu32::formatFromBytes(digitsByte, in.byte());
    } else {
        // As a description or parameter file may set it, odd values included.
        format.digits = static_cast<std::int8_t>(in.byte());
        format.signKind = in.byte() % 4;
        format.decimalPos = static_cast<std::int8_t>(in.byte());
    }
    format.minValue = in.int32();
    format.maxValue = in.int32();
    return format;
}

// Width, sign place, digits and point: the display form of `format`.
void checkDisplay(const std::string& shown, const ParamFormat& format, const char* what) {
    const std::size_t width =
        format.digits < 0 ? 0
                          : std::min(static_cast<std::size_t>(format.digits) + 1, kMaxDisplayWidth);
    QU32_FUZZ_CHECK(shown.size() == width, what);
    const bool hasSign = format.signKind != qu32::kSignKindUnsigned && width > 0;
    std::size_t points = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const char c = shown[i];
        if (i == 0 && hasSign) {
            QU32_FUZZ_CHECK(isSign(c), what);
        } else if (c == '.') {
            ++points;
        } else {
            QU32_FUZZ_CHECK(isDigit(c), what);
        }
    }
    QU32_FUZZ_CHECK(points <= 1, what);
    // A point the format places inside the text stands exactly there.
    if (format.decimalPos >= (hasSign ? 1 : 0) &&
        static_cast<std::size_t>(format.decimalPos) < shown.size())
        QU32_FUZZ_CHECK(shown[static_cast<std::size_t>(format.decimalPos)] == '.', what);
    if (format.decimalPos == qu32::kNoDecimalPoint)
        QU32_FUZZ_CHECK(points == 0, what);
}

std::size_t decimalDigits(std::int64_t value) {
    return std::to_string(value < 0 ? -value : value).size();
}

// Limiting settles only when the field can show its own bounds: a range wider than the field,
// upside down, or negative for a field without a sign is a broken description, and its cut
// digits read differently the next time.
bool rangeFits(const ParamFormat& format) {
    if (format.digits < 0 || format.minValue > format.maxValue)
        return false;
    const bool isUnsigned = format.signKind == qu32::kSignKindUnsigned;
    if (isUnsigned && format.minValue < 0)
        return false;
    const std::size_t width =
        std::min(static_cast<std::size_t>(format.digits) + 1, kMaxDisplayWidth);
    const std::size_t used =
        (isUnsigned ? 0 : 1) + (format.decimalPos == qu32::kNoDecimalPoint ? 0 : 1);
    if (width <= used)
        return false;
    const std::size_t places = width - used;
    // Ten places and more are held to the 32-bit bounds, which need ten digits.
    return places >= 10 ||
           (decimalDigits(format.minValue) <= places && decimalDigits(format.maxValue) <= places);
}

void checkWire(const std::string& wire, const char* what) {
    for (std::size_t i = 0; i < wire.size(); ++i)
        QU32_FUZZ_CHECK(isDigit(wire[i]) || (i == 0 && isSign(wire[i])), what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const ParamFormat format = formatFrom(in);
    const std::string text(in.rest());

    const std::string wire = qu32::cleanValue(text);
    checkWire(wire, "cleaned value not a wire value");
    QU32_FUZZ_CHECK(qu32::cleanValue(wire) == wire, "cleaning twice differs");

    const std::string kept = qu32::keepDigitsAndSign(text);
    for (std::size_t i = 0; i < kept.size(); ++i)
        QU32_FUZZ_CHECK(isDigit(kept[i]) || (i == 0 && (kept[i] == '+' || kept[i] == '-')),
                        "kept text has a stray character");

    const std::string shown = qu32::formatValue(text, format);
    checkDisplay(shown, format, "formatted value not in display form");
    QU32_FUZZ_CHECK(qu32::formatValue(shown, format) == shown, "formatting twice differs");
    QU32_FUZZ_CHECK(qu32::formatValue(wire, format) == shown, "wire and text format differently");
    checkWire(qu32::cleanValue(shown), "wire form of a display text");

    const std::string limited = qu32::limitValue(text, format);
    checkDisplay(limited, format, "limited value not in display form");
    QU32_FUZZ_CHECK(qu32::formatValue(limited, format) == limited, "limited value not formatted");
    if (rangeFits(format))
        QU32_FUZZ_CHECK(qu32::limitValue(limited, format) == limited, "limiting twice differs");

    // "#" values as the list edits them: "#" in front, the text's width.
    const std::string hashText = "#" + text.substr(std::min<std::size_t>(text.size(), 1));
    for (const ParamFormat* entry01 : {static_cast<const ParamFormat*>(nullptr), &format}) {
        const std::string hash = qu32::limitHashValue(hashText, entry01);
        QU32_FUZZ_CHECK(!hash.empty() && hash.front() == '#', "limited # value lost its #");
        std::size_t points = 0;
        for (std::size_t i = 1; i < hash.size(); ++i) {
            if (hash[i] == '.')
                ++points;
            else
                QU32_FUZZ_CHECK(isDigit(hash[i]) || (i == 1 && hash[i] == '-'),
                                "limited # value has a stray character");
        }
        QU32_FUZZ_CHECK(points <= 1, "limited # value has two points");
        QU32_FUZZ_CHECK(
            entry01 == nullptr ? hash.size() == hashText.size() : hash.size() >= hashText.size(),
            "limited # value lost its width");
        // A range upside down (a broken description) has no fixed point to settle on.
        if (entry01 == nullptr || format.minValue <= format.maxValue)
            QU32_FUZZ_CHECK(qu32::limitHashValue(hash, entry01) == hash,
                            "limiting # twice differs");
    }
    return 0;
}
