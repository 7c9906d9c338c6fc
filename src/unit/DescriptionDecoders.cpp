#include "unit/DescriptionDecoders.h"

namespace qu32 {

namespace {

// A series number keeps at most its last four digits.
constexpr std::size_t kSeriesDigits = 4;

// Parses "first-last" of a numbered series, digits only.
bool parseSeries(std::string_view range, int& first, int& last) {
    const auto dash = range.find('-');
    if (dash == std::string_view::npos)
        return false;
    auto number = [](std::string_view part, int& out) {
        std::string digits;
        for (char c : part) {
            if (c >= '0' && c <= '9')
                digits += c;
        }
        if (digits.empty())
            return false;
        if (digits.size() > kSeriesDigits)
            digits = digits.substr(digits.size() - kSeriesDigits);
        out = std::stoi(digits);
        return true;
    };
    return number(range.substr(0, dash), first) && number(range.substr(dash + 1), last);
}

template <typename Apply>
void forEachNonHeading(UnitDescription& d, std::size_t count, Apply apply) {
    std::size_t k = 0;
    for (int i = 0; i < d.parameterCount && k < count; ++i) {
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            p.digitsByte = 0;
            p.decimalByte = 0;
            continue;
        }
        apply(p, k++);
    }
}

}  // namespace

std::string nextCode(const std::string& code) {
    std::string c = code.size() == 2 ? code : "00";
    if (static_cast<unsigned char>(c[1]) >= '9') {
        c[0] = static_cast<char>(c[0] + 1);
        c[1] = '0';
    } else {
        c[1] = static_cast<char>(c[1] + 1);
    }
    return c;
}

Result decodeParameterTexts(std::span<const std::uint8_t> data, UnitDescription& d,
                            std::vector<std::string>& notes) {
    int n = 0;
    std::string code = "00";
    std::string text;
    bool heading = false;
    auto addEntry = [&](const std::string& entryText, const std::string& entryCode) {
        if (n >= kMaxParameters)
            return false;
        Parameter& p = d.parameters[static_cast<std::size_t>(n++)];
        p = Parameter{};
        p.text = entryText;
        p.code = entryCode;
        return true;
    };
    auto overflow = [&] {
        d.parameterCount = n;
        notes.push_back("Parameter texts hold more than " + std::to_string(kMaxParameters) +
                        " entries.");
        return Result::InternalFault;
    };

    const std::size_t size = data.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char b = static_cast<char>(data[i]);
        switch (b) {
            case '?':
                break;
            case '[':
                if (i + 3 < size && data[i + 3] == ']') {
                    code =
                        std::string{static_cast<char>(data[i + 1]), static_cast<char>(data[i + 2])};
                    i += 3;
                } else {
                    text += b;
                }
                break;
            case '{':
                heading = true;
                break;
            case '|': {
                std::size_t close = i + 1;
                while (close < size && data[close] != '|')
                    ++close;
                std::size_t end = close + 1;
                while (end < size && data[end] != '}')
                    ++end;
                const std::string range(
                    data.begin() + static_cast<std::ptrdiff_t>(i + 1),
                    data.begin() + static_cast<std::ptrdiff_t>(std::min(close, size)));
                const std::string suffix =
                    close < size
                        ? std::string(
                              data.begin() + static_cast<std::ptrdiff_t>(close + 1),
                              data.begin() + static_cast<std::ptrdiff_t>(std::min(end, size)))
                        : std::string();
                int first = 0;
                int last = 0;
                if (!parseSeries(range, first, last) || first > last) {
                    // An empty or reversed series makes no entries; counting down or without
                    // numbers would only guess at what the unit meant.
                    notes.push_back("Numbered series '" + range + "' after '" + text +
                                    "' makes no entries.");
                } else {
                    for (int m = first; m <= last; ++m) {
                        if (!addEntry(text + std::to_string(m) + suffix, code))
                            return overflow();
                        code = nextCode(code);
                    }
                }
                text.clear();
                heading = false;
                i = end;  // continue after the "}"
                break;
            }
            case '}':
                if (!addEntry(text, heading ? kHeadingCode : code))
                    return overflow();
                if (!heading)
                    code = nextCode(code);
                text.clear();
                heading = false;
                break;
            default:
                text += b;
        }
    }
    d.parameterCount = n;
    return Result::Ok;
}

Result decodeInputTexts(std::span<const std::uint8_t> data, UnitDescription& d) {
    for (int k = 0; k < kMaxInputButtons; ++k) {
        d.inputs[static_cast<std::size_t>(k)].pcSettable = false;
        d.inputs[static_cast<std::size_t>(k)].external = false;
    }
    int count = 0;
    bool inBraces = false;
    std::string name;
    for (std::uint8_t byte : data) {
        const char b = static_cast<char>(byte);
        if (count >= kMaxInputs)
            return Result::InternalFault;
        Input& in = d.inputs[static_cast<std::size_t>(count)];
        if (b == '{') {
            inBraces = true;
        } else if (b == '}') {
            in.text = name;
            name.clear();
            inBraces = false;
            ++count;
        } else if (inBraces) {
            if (b == 's' || b == 'S')
                in.pcSettable = true;
            if (b == 'e' || b == 'E')
                in.external = true;
        } else {
            name += b;
        }
    }
    d.inputCount = count;
    for (int k = count; k < kMaxInputButtons; ++k) {
        d.inputs[static_cast<std::size_t>(k)].pcSettable = false;
        d.inputs[static_cast<std::size_t>(k)].external = false;
    }
    return Result::Ok;
}

Result decodeOutputTexts(std::span<const std::uint8_t> data, UnitDescription& d) {
    int count = 0;
    std::string name;
    for (std::uint8_t byte : data) {
        if (byte == '}') {
            if (count >= kMaxOutputTexts)
                return Result::InternalFault;
            d.outputTexts[static_cast<std::size_t>(count++)] = name;
            name.clear();
        } else {
            name += static_cast<char>(byte);
        }
    }
    d.outputCount = std::min(count, kMaxOutputs);
    return Result::Ok;
}

void applyMinValues(std::span<const std::int32_t> values, UnitDescription& d) {
    forEachNonHeading(d, values.size(),
                      [&](Parameter& p, std::size_t k) { p.format.minValue = values[k]; });
}

void applyMaxValues(std::span<const std::int32_t> values, UnitDescription& d) {
    forEachNonHeading(d, values.size(),
                      [&](Parameter& p, std::size_t k) { p.format.maxValue = values[k]; });
}

void applyDigitsBytes(std::span<const std::uint8_t> bytes, UnitDescription& d) {
    forEachNonHeading(d, bytes.size(), [&](Parameter& p, std::size_t k) {
        const ParamFormat f = formatFromBytes(bytes[k], 0);
        p.digitsByte = bytes[k];
        p.format.digits = f.digits;
        p.format.signKind = f.signKind;
        p.format.decimalPos = kNoDecimalPoint;
    });
}

void applyDecimalBytes(std::span<const std::uint8_t> bytes, UnitDescription& d) {
    forEachNonHeading(d, bytes.size(), [&](Parameter& p, std::size_t k) {
        p.decimalByte = bytes[k];
        if (bytes[k] == 0) {
            p.format.decimalPos = kNoDecimalPoint;
        } else {
            p.format.digits += 1;
            p.format.decimalPos = p.format.digits - bytes[k];
        }
    });
}

}  // namespace qu32
