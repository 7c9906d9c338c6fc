#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/UnitModel.h"

namespace qu32::sim {

// How the unit shows a value: with a sign character or without, N digit characters, and P of
// them behind the decimal point. Hash is signed on the display with "#" as a third sign mark.
enum class Sign : std::uint8_t { Signed, Unsigned, Hash };

struct ValueFormat {
    Sign sign = Sign::Unsigned;
    int digits = 1;    // N
    int decimals = 0;  // P
};

enum class EntryKind : std::uint8_t { Parameter, Heading, Series };

// One row of a unit's parameter table. A series row stands for `last - first + 1` parameters
// with consecutive codes, all of the same format, range and value.
struct ParamRow {
    EntryKind kind = EntryKind::Parameter;
    std::string_view text;  // a series: the text in front of its number
    std::string_view code;  // empty: the code after the previous parameter's
    ValueFormat format{};
    std::int32_t minValue = 0;
    std::int32_t maxValue = 0;
    std::int32_t initialValue = 0;  // after power-up, and the default value the unit reports
    int first = 0;                  // a series: its numbers
    int last = 0;
    std::string_view suffix;  // a series: the text behind its number
};

constexpr ParamRow heading(std::string_view text) {
    ParamRow row;
    row.kind = EntryKind::Heading;
    row.text = text;
    return row;
}

constexpr ParamRow param(std::string_view text, std::string_view code, ValueFormat format,
                         std::int32_t minValue, std::int32_t maxValue, std::int32_t initialValue) {
    ParamRow row;
    row.text = text;
    row.code = code;
    row.format = format;
    row.minValue = minValue;
    row.maxValue = maxValue;
    row.initialValue = initialValue;
    return row;
}

constexpr ParamRow series(std::string_view prefix, int first, int last, std::string_view suffix,
                          std::string_view code, ValueFormat format, std::int32_t minValue,
                          std::int32_t maxValue, std::int32_t initialValue) {
    ParamRow row = param(prefix, code, format, minValue, maxValue, initialValue);
    row.kind = EntryKind::Series;
    row.first = first;
    row.last = last;
    row.suffix = suffix;
    return row;
}

// Lines of the parameter list a table makes: one per heading or parameter, one per series member.
constexpr std::size_t entryCount(std::span<const ParamRow> rows) {
    std::size_t count = 0;
    for (const ParamRow& row : rows) {
        count +=
            row.kind == EntryKind::Series
                ? static_cast<std::size_t>(row.last >= row.first ? row.last - row.first + 1 : 0)
                : 1;
    }
    return count;
}

struct InputRow {
    std::string_view name;
    bool serial = false;    // can be set from the PC
    bool external = false;  // a terminal input
};

// Everything a self-describing unit tells about itself.
struct DescriptionTable {
    std::span<const ParamRow> parameters;
    std::span<const InputRow> inputs;
    std::span<const std::string_view> outputs;
};

// The code of a heading line, which has no register.
inline constexpr char kNoRegisterCode[] = "xx";

// Description block codes.
inline constexpr char kParameterTextsCode[] = "9a";
inline constexpr char kInputTextsCode[] = "9b";
inline constexpr char kOutputTextsCode[] = "9c";
inline constexpr char kDefaultValuesCode[] = "9j";
inline constexpr char kMinValuesCode[] = "9<";
inline constexpr char kMaxValuesCode[] = "9=";
inline constexpr char kDigitsCode[] = "9;";
inline constexpr char kDecimalsCode[] = "9:";

// The PC takes a block answer into a 4001-byte buffer, 7 bytes of which are the frame.
inline constexpr std::size_t kMaxDescriptionBlockBytes = 3994;
// Numbers of a series travel as decimal text, of which the PC keeps four digits.
inline constexpr int kMaxSeriesNumber = 9999;

// One line of the parameter list, as the PC will decode it.
struct DescribedEntry {
    std::string text;
    std::string code;  // kNoRegisterCode for a heading
    ValueFormat format{};
    std::int32_t minValue = 0;
    std::int32_t maxValue = 0;
    std::int32_t initialValue = 0;
    bool isHeading() const { return code == kNoRegisterCode; }
};

struct BuiltDescription {
    std::vector<DescribedEntry> entries;
    // The parameters' registers with their power-up values in wire form and their ranges.
    std::map<std::string, RegisterDefinition> registers;
    std::map<std::string, std::vector<std::uint8_t>> blocks;
};

// The code after `code` in the unit's counting: "09" -> "10", "99" -> ":0".
std::string nextRegisterCode(std::string_view code);
// A value as the unit sends it: sign character (if any), then N digits, no decimal point.
std::string wireValue(const ValueFormat& format, long long value);
// The format byte of "9;": bit 7 for a sign character, bit 5 for "#", N in the low nibble.
std::uint8_t digitsByte(const ValueFormat& format);

// The list lines of a table, series expanded and codes counted.
std::vector<DescribedEntry> expandEntries(std::span<const ParamRow> rows);
// The register map and the description blocks of a table.
BuiltDescription buildDescription(const DescriptionTable& table);

}  // namespace qu32::sim
