#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "unit/ConnectedUnit.h"
#include "unit/RegisterCodes.h"
#include "unit/UnitGroups.h"

namespace qu32 {

namespace {

constexpr std::size_t kModelCodeLength = 5;
constexpr std::size_t kCombinedStatusWords = 6;
constexpr std::size_t kActualValueField = 12;
// Word 5 of the combined status read carries the eighth bits of words 0 to 4.
constexpr std::size_t kWordsWithEighthBits = 5;
constexpr unsigned kSevenBits = 127;

bool plausibleCoprocessorVersion(const std::string& v) {
    return std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= 'z'; });
}

// A version register: its text, kUnknownVersion when the unit does not know it, or nothing when
// the line failed (`failure` then holds why).
std::optional<std::string> readVersionOrUnknown(SerialLink& link, const char* code,
                                                const std::string& unknown, Result& failure) {
    std::string text;
    failure = link.readVersion(code, text);
    if (failure == Result::Ok)
        return text;
    if (failure == Result::UnknownCode)
        return unknown;
    return std::nullopt;
}

// The variant register's answer as a whole number: "2", " 2", "+0002" and "0002" are all 2.
std::optional<int> variantNumber(const std::string& answer) {
    const std::size_t first = answer.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::nullopt;
    const std::size_t last = answer.find_last_not_of(' ');
    const char* begin = answer.data() + first;
    const char* end = answer.data() + last + 1;
    // from_chars knows no "+".
    if (*begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    int value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

}  // namespace

Result ConnectedUnit::identifyUnit() {
    UnitIdentity& id = identity;
    Result failure = Result::Ok;
    const auto software =
        readVersionOrUnknown(link_, kSoftwareVersionRegister, kUnknownVersion, failure);
    if (!software)
        return failure;
    id.softwareVersion = *software;
    const auto standard =
        readVersionOrUnknown(link_, kStandardVersionRegister, kUnknownVersion, failure);
    if (!standard)
        return failure;
    id.standardVersion = *standard;
    const auto coprocessor = readVersionOrUnknown(link_, kCoprocessorVersionRegister, "", failure);
    if (!coprocessor)
        return failure;
    id.coprocessorVersion = plausibleCoprocessorVersion(*coprocessor) ? *coprocessor : "";

    // Any other failure says nothing about the read itself, so what was known stays.
    const Result combined = readCombinedStatus();
    if (combined == Result::Ok)
        id.hasCombinedStatusRead = true;
    if (combined == Result::UnknownCode || combined == Result::TimeoutHeader)
        id.hasCombinedStatusRead = false;

    if (id.softwareVersion == kUnknownVersion) {
        id.unitType = "516 Series";
        id.versionForm = 2;
        id.softwareVersionText.clear();
        id.unitGroup = 3;
        return Result::Ok;
    }
    if (std::isdigit(static_cast<unsigned char>(id.softwareVersion[0]))) {
        id.unitType = id.standardVersion.substr(0, kModelCodeLength);
        id.versionForm = 1;
    } else {
        id.versionForm = 0;
        const std::string own = id.softwareVersion.substr(0, kModelCodeLength);
        id.unitType = (own == "AA459" || id.standardVersion == kUnknownVersion)
                          ? own
                          : id.standardVersion.substr(0, kModelCodeLength);
    }
    id.softwareVersionText = id.softwareVersion;
    id.unitGroup = unitGroupOf(id.unitType, id.standardVersion);

    // A failing variant read leaves the model as it is.
    const std::string variantCode = variantRegister(id.unitType);
    std::string answer;
    if (!variantCode.empty() && link_.readRegister(variantCode, answer) == Result::Ok) {
        if (const auto n = variantNumber(answer)) {
            const std::string model = variantModel(id.unitType, *n);
            if (!model.empty())
                id.unitType = model;
        }
    }
    return Result::Ok;
}

Result ConnectedUnit::readCombinedStatus() {
    Bytes data;
    const Result r = link_.readByteBlock(kCombinedStatusRegister, data);
    if (r != Result::Ok)
        return r;
    // A short block brings fewer words; the missing bytes count as zeros.
    std::array<std::uint8_t, 2 * kCombinedStatusWords> b{};
    std::copy_n(data.begin(), std::min(b.size(), data.size()), b.begin());
    std::array<std::uint16_t, kCombinedStatusWords> words{};
    for (std::size_t k = 0; k < kCombinedStatusWords; ++k)
        words[k] =
            static_cast<std::uint16_t>((b[2 * k] & kSevenBits) * 256 + (b[2 * k + 1] & kSevenBits));
    // Seven-bit bytes cannot carry bits 15 and 7 of the words; the last word brings them.
    for (std::size_t k = 0; k < kWordsWithEighthBits; ++k) {
        if (words[5] & (1u << (10 + k)))
            words[k] |= 0x8000;
        if (b[11] & (1u << (2 + k)))
            words[k] |= 0x0080;
    }
    status.pcInputs = static_cast<std::int16_t>(words[0]);
    status.externalInputs = static_cast<std::int16_t>(words[1]);
    status.busInputs = static_cast<std::int16_t>(words[2]);
    std::string value = std::to_string(static_cast<std::int16_t>(words[3]));
    value.resize(std::max(value.size(), kActualValueField), ' ');
    status.actualValueText = value;
    status.outputs = static_cast<std::int16_t>(words[4]);
    return Result::Ok;
}

void ConnectedUnit::applyGroupRegisters() {
    loadGroupRegisters(identity.unitGroup, group);
}

}  // namespace qu32
