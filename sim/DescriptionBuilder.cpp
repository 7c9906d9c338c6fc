#include "sim/DescriptionBuilder.h"

#include <algorithm>

namespace qu32::sim {

namespace {

// The list counts its codes from here.
constexpr char kFirstCode[] = "00";
constexpr std::uint8_t kSignedBit = 0x80;
constexpr std::uint8_t kHashBit = 0x20;
constexpr std::uint8_t kDigitCountMask = 0x0F;
constexpr char kCodeOpen = '[';
constexpr char kCodeClose = ']';
constexpr char kHeadingOpen = '{';
constexpr char kEntryEnd = '}';
constexpr char kSeriesMark = '|';
constexpr char kFlagsOpen = '{';
constexpr char kFlagsClose = '}';

using Block = std::vector<std::uint8_t>;

void append(Block& block, std::string_view text) {
    block.insert(block.end(), text.begin(), text.end());
}

void appendLong(Block& block, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) {
        block.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
}

// Walks the rows once for both the list lines and the text block, so the two cannot disagree.
// A "[code]" marker is written only where the code does not follow from the counting.
Block walkRows(std::span<const ParamRow> rows, std::vector<DescribedEntry>& entries) {
    Block texts;
    std::string current = kFirstCode;
    auto placeCode = [&](std::string_view code) {
        if (!code.empty() && code != current) {
            texts.push_back(kCodeOpen);
            append(texts, code);
            texts.push_back(kCodeClose);
            current = std::string(code);
        }
    };
    auto addEntry = [&](std::string text, const ParamRow& row) {
        entries.push_back(DescribedEntry{std::move(text), current, row.format, row.minValue,
                                         row.maxValue, row.initialValue});
        current = nextRegisterCode(current);
    };
    for (const ParamRow& row : rows) {
        switch (row.kind) {
            case EntryKind::Heading:
                texts.push_back(kHeadingOpen);
                append(texts, row.text);
                texts.push_back(kEntryEnd);
                entries.push_back(
                    DescribedEntry{.text = std::string(row.text), .code = kNoRegisterCode});
                break;
            case EntryKind::Parameter:
                placeCode(row.code);
                append(texts, row.text);
                texts.push_back(kEntryEnd);
                addEntry(std::string(row.text), row);
                break;
            case EntryKind::Series: {
                // An empty series would make nothing on the PC either; leave it out altogether.
                if (row.last < row.first || row.first < 0 || row.last > kMaxSeriesNumber) {
                    break;
                }
                placeCode(row.code);
                append(texts, row.text);
                texts.push_back(kSeriesMark);
                append(texts, std::to_string(row.first) + "-" + std::to_string(row.last));
                texts.push_back(kSeriesMark);
                append(texts, row.suffix);
                texts.push_back(kEntryEnd);
                for (int m = row.first; m <= row.last; ++m) {
                    addEntry(std::string(row.text) + std::to_string(m) + std::string(row.suffix),
                             row);
                }
                break;
            }
        }
    }
    return texts;
}

}  // namespace

std::string nextRegisterCode(std::string_view code) {
    std::string next = code.size() == 2 ? std::string(code) : std::string(kFirstCode);
    if (next[1] >= '9') {
        next[0] = static_cast<char>(next[0] + 1);
        next[1] = '0';
    } else {
        next[1] = static_cast<char>(next[1] + 1);
    }
    return next;
}

std::string wireValue(const ValueFormat& format, long long value) {
    const unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                   : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude);
    if (digits.size() < static_cast<std::size_t>(format.digits)) {
        digits.insert(0, static_cast<std::size_t>(format.digits) - digits.size(), '0');
    }
    switch (format.sign) {
        case Sign::Signed:
            return (value < 0 ? "-" : "+") + digits;
        case Sign::Hash:
            return (value < 0 ? "-" : "#") + digits;
        case Sign::Unsigned:
            break;
    }
    return digits;
}

std::uint8_t digitsByte(const ValueFormat& format) {
    auto byte = static_cast<std::uint8_t>(format.digits & kDigitCountMask);
    if (format.sign == Sign::Signed) {
        byte |= kSignedBit;
    } else if (format.sign == Sign::Hash) {
        byte |= kSignedBit | kHashBit;
    }
    return byte;
}

std::vector<DescribedEntry> expandEntries(std::span<const ParamRow> rows) {
    std::vector<DescribedEntry> entries;
    walkRows(rows, entries);
    return entries;
}

BuiltDescription buildDescription(const DescriptionTable& table) {
    BuiltDescription built;
    built.blocks[kParameterTextsCode] = walkRows(table.parameters, built.entries);

    // Values and format bytes go to the parameters only, in list order; headings take none.
    Block defaults, minimums, maximums, digits, decimals;
    for (const DescribedEntry& e : built.entries) {
        if (e.isHeading()) {
            continue;
        }
        appendLong(defaults, e.initialValue);
        appendLong(minimums, e.minValue);
        appendLong(maximums, e.maxValue);
        digits.push_back(digitsByte(e.format));
        decimals.push_back(static_cast<std::uint8_t>(std::max(0, e.format.decimals)));
        built.registers[e.code] = RegisterDefinition{wireValue(e.format, e.initialValue),
                                                     ValueRange{e.minValue, e.maxValue}, true};
    }
    built.blocks[kDefaultValuesCode] = std::move(defaults);
    built.blocks[kMinValuesCode] = std::move(minimums);
    built.blocks[kMaxValuesCode] = std::move(maximums);
    built.blocks[kDigitsCode] = std::move(digits);
    built.blocks[kDecimalsCode] = std::move(decimals);

    Block inputs;
    for (const InputRow& in : table.inputs) {
        append(inputs, in.name);
        inputs.push_back(kFlagsOpen);
        if (in.serial) {
            inputs.push_back('S');
        }
        if (in.external) {
            inputs.push_back('E');
        }
        inputs.push_back(kFlagsClose);
    }
    built.blocks[kInputTextsCode] = std::move(inputs);

    Block outputs;
    for (std::string_view name : table.outputs) {
        append(outputs, name);
        outputs.push_back(kEntryEnd);
    }
    built.blocks[kOutputTextsCode] = std::move(outputs);
    return built;
}

}  // namespace qu32::sim
