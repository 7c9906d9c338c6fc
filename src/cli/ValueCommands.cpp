#include "cli/ValueCommands.h"

#include <cctype>
#include <cstdint>
#include <limits>

#include "cli/UnitSession.h"
#include "operations/ChangeParameterOperation.h"
#include "operations/OperationSteps.h"
#include "unit/LineSettings.h"
#include "unit/ValueEncoding.h"

namespace qu32::cli {

namespace {

constexpr std::size_t kCodeColumn = 4;
constexpr std::size_t kTextColumn = 28;
constexpr std::size_t kValueColumn = 12;
constexpr int kAfterReopenMs = 200;

int decimalsOf(const ParamFormat& format) {
    return format.decimalPos < 0 ? 0 : format.digits - format.decimalPos;
}

// Digit characters the display form has room for.
int digitRoom(const ParamFormat& format) {
    const int width = format.digits + 1;
    const int sign = format.signKind == kSignKindUnsigned ? 0 : 1;
    const int point = format.decimalPos < 0 ? 0 : 1;
    return width - sign - point;
}

}  // namespace

std::string rangeText(std::int32_t limit, const ParamFormat& format) {
    const bool negative = limit < 0;
    std::string digits = std::to_string(negative ? -static_cast<std::int64_t>(limit) : limit);
    const auto decimals = static_cast<std::size_t>(decimalsOf(format));
    if (decimals > 0) {
        if (digits.size() <= decimals)
            digits.insert(0, decimals + 1 - digits.size(), '0');
        digits.insert(digits.size() - decimals, ".");
    }
    return (negative ? "-" : "") + digits;
}

std::optional<std::string> typedValue(const std::string& typed, const Parameter& parameter,
                                      const ParamFormat* entry01, std::string& why) {
    const ParamFormat& f = parameter.format;
    std::string text = typed;
    char sign = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-' || text[0] == '#')) {
        sign = text[0];
        text.erase(0, 1);
    }
    if ((sign == '#' && f.signKind != kSignKindHash) ||
        (sign == '-' && f.signKind == kSignKindUnsigned)) {
        why = "'" + typed + "': this parameter takes no '" + std::string(1, sign) + "'.";
        return std::nullopt;
    }
    const std::size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    const auto isDigits = [](const std::string& s) {
        for (const char c : s) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
        }
        return true;
    };
    const auto decimals = static_cast<std::size_t>(decimalsOf(f));
    if ((whole.empty() && fraction.empty()) || !isDigits(whole) || !isDigits(fraction)) {
        why = "'" + typed + "' is not a number.";
        return std::nullopt;
    }
    if (fraction.size() > decimals) {
        why = "'" + typed + "' has more decimals than the " + std::to_string(decimals) +
              " this parameter shows.";
        return std::nullopt;
    }
    fraction.append(decimals - fraction.size(), '0');
    std::string digits = whole + fraction;
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (static_cast<int>(digits.size()) > digitRoom(f)) {
        why = "'" + typed + "' has more digits than this parameter shows.";
        return std::nullopt;
    }
    // Ten digits at most; the range check below sees the whole number.
    const std::int64_t magnitude = std::stoll(digits);
    const std::int64_t number = sign == '-' ? -magnitude : magnitude;
    const ParamFormat* range = sign == '#' ? entry01 : &f;
    if (range != nullptr && (number < range->minValue || number > range->maxValue)) {
        why = "'" + typed + "' is outside the range " + rangeText(range->minValue, f) + " .. " +
              rangeText(range->maxValue, f) + ".";
        return std::nullopt;
    }
    if (number > std::numeric_limits<std::uint32_t>::max()) {
        why = "'" + typed + "' is too large.";
        return std::nullopt;
    }
    const std::string wire = (sign == 0 ? std::string() : std::string(1, sign)) + digits;
    return formatValue(wire, f);
}

int listValues(SerialLink& link, const CommandOptions& options, std::FILE* out, std::FILE* err) {
    UnitSession session(link, options, err);
    if (const int status = session.readAllValues(); status != kExitDone)
        return status;
    const UnitDescription& d = session.unit.description;
    std::fprintf(out, "%s %s %s  range\n", localPadded("text", kTextColumn).constData(),
                 localPadded("code", kCodeColumn).constData(),
                 localPadded("value", kValueColumn).constData());
    for (int i = 0; i < d.parameterCount; ++i) {
        const Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            std::fprintf(out, "%s\n", local(p.text).constData());
            continue;
        }
        std::fprintf(out, "  %s %s %s  %s .. %s\n",
                     localPadded(p.text, kTextColumn - 2).constData(),
                     localPadded(p.code, kCodeColumn).constData(),
                     localPadded(p.value, kValueColumn).constData(),
                     rangeText(p.format.minValue, p.format).c_str(),
                     rangeText(p.format.maxValue, p.format).c_str());
    }
    return kExitDone;
}

int setValue(SerialLink& link, const std::string& code, const std::string& typed,
             const CommandOptions& options, std::FILE* out, std::FILE* err) {
    UnitSession session(link, options, err);
    if (!session.identify())
        return kExitFailed;
    if (const int status = session.describe(); status != kExitDone)
        return status;
    const UnitDescription& d = session.unit.description;
    const Parameter* p = d.find(code);
    // Heading rows share one code and are no parameter to set.
    if (p == nullptr || p->isHeading()) {
        std::fprintf(err, "The unit has no parameter %s (qu32-cli values lists them).\n",
                     local(code).constData());
        return kExitUsage;
    }
    std::string why;
    const Parameter* entry01 = d.find("01");
    const auto shown = typedValue(typed, *p, entry01 ? &entry01->format : nullptr, why);
    if (!shown) {
        std::fprintf(err, "%s %s: %s Nothing was sent.\n", local(code).constData(),
                     local(p->text).constData(), local(why).constData());
        return kExitUsage;
    }
    std::string before;
    if (readWithRetries(link, code, before) != Result::Ok)
        return reportFailure(link, err);

    // As Enter in the window's list: written, activated, stored in the EEPROM, read back.
    const std::string wire = cleanValue(*shown);
    const Result written = writeWithRetries(link, code, wire);
    if (written == Result::NotAcknowledged) {
        std::fprintf(err, "%s %s: the unit refused %s.\n", local(code).constData(),
                     local(p->text).constData(), local(*shown).constData());
        return kExitFailed;
    }
    const GroupRegisters& group = session.unit.group;
    if (written != Result::Ok ||
        writeWithRetries(link, group.activateCode, kCommandValue) != Result::Ok)
        return reportFailure(link, err);
    link.loop().wait(kActivateSettleMs);
    // The unit listens at its new address or speed once these are active.
    if (adoptLineSettings({{code, wire}}, link.settings())) {
        link.openPort();
        link.loop().wait(kAfterReopenMs);
    }
    if (writeWithRetries(link, group.storeCode, kCommandValue) != Result::Ok)
        return reportFailure(link, err);
    link.loop().wait(kStoreSettleMs);
    std::string after;
    if (readWithRetries(link, code, after) != Result::Ok)
        return reportFailure(link, err);
    const std::string now = formatValue(after, p->format);
    std::fprintf(out, "%s %s: %s -> %s, stored in the EEPROM\n", local(code).constData(),
                 local(p->text).constData(), local(formatValue(before, p->format)).constData(),
                 local(now).constData());
    if (now != *shown) {
        std::fprintf(err, "The unit holds %s, not %s.\n", local(now).constData(),
                     local(*shown).constData());
        return kExitFailed;
    }
    return kExitDone;
}

int storeValues(SerialLink& link, const CommandOptions& options, std::FILE* out, std::FILE* err) {
    UnitSession session(link, options, err);
    if (!session.identify())
        return kExitFailed;
    session.learnRegisters();
    if (writeWithRetries(link, session.unit.group.storeCode, kCommandValue) != Result::Ok)
        return reportFailure(link, err);
    std::fprintf(out, "The unit's values are stored in its EEPROM.\n");
    return kExitDone;
}

}  // namespace qu32::cli
