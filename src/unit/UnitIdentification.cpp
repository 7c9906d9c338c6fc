#include <algorithm>
#include <array>
#include <cctype>

#include "unit/UnitData.h"
#include "unit/UnitGroups.h"

namespace qu32 {

namespace {
constexpr std::size_t kVersionLength = 8;
constexpr std::size_t kModelCodeLength = 5;
constexpr std::size_t kVariantTextLength = 12;
constexpr std::size_t kMultiReadWords = 6;
constexpr std::size_t kActualValueField = 12;

bool plausibleCoprocessorVersion(const std::string& v) {
    return std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= 'z'; });
}

// 1 read, 0 unknown register, -1 the line failed.
int readVersion(SerialLink& link, const std::string& address, const char* code, std::string& out) {
    std::string text(kVersionLength, ' ');
    const int r = link.Read_Version(address, code, text);
    if (r > 0) {
        out = text;
        return 1;
    }
    return r == kErrUnknownCode ? 0 : -1;
}
}  // namespace

int UnitData::Identify_Unit(const std::string&) {
    const std::string address = link_.settings().UnitAddress;
    UnitIdentity& id = identity;
    std::string text;
    switch (readVersion(link_, address, "99", text)) {
        case 1:
            id.SoftwareVersion = text;
            break;
        case 0:
            id.SoftwareVersion = kUnknownVersion;
            break;
        default:
            return -2;
    }
    switch (readVersion(link_, address, "98", text)) {
        case 1:
            id.StandardVersion = text;
            break;
        case 0:
            id.StandardVersion = kUnknownVersion;
            break;
        default:
            return -2;
    }
    switch (readVersion(link_, address, "9/", text)) {
        case 1:
            id.CoprocessorVersion = plausibleCoprocessorVersion(text) ? text : "";
            break;
        case 0:
            id.CoprocessorVersion.clear();
            break;
        default:
            return -2;
    }
    const int multi = Multi_Read("Identify_Unit");
    if (multi == 1)
        id.MultiReadCapable = true;
    if (multi == kErrUnknownCode || multi == kErrTimeoutHeader)
        id.MultiReadCapable = false;

    if (id.SoftwareVersion == kUnknownVersion) {
        id.UnitType = "516 Series";
        id.VersionForm = 2;
        id.SoftwareVersionText.clear();
        id.UnitGroup = 3;
        return 1;
    }
    if (std::isdigit(static_cast<unsigned char>(id.SoftwareVersion[0]))) {
        id.UnitType = id.StandardVersion.substr(0, kModelCodeLength);
        id.VersionForm = 1;
    } else {
        id.VersionForm = 0;
        const std::string own = id.SoftwareVersion.substr(0, kModelCodeLength);
        id.UnitType = (own == "AA459" || id.StandardVersion == kUnknownVersion)
                          ? own
                          : id.StandardVersion.substr(0, kModelCodeLength);
    }
    id.SoftwareVersionText = id.SoftwareVersion;
    id.UnitGroup = unitGroupOf(id.UnitType, id.StandardVersion);

    const std::string variantCode = variantRegister(id.UnitType);
    if (!variantCode.empty()) {
        std::string value(kVariantTextLength, ' ');
        const int r = link_.Read_Parameter(address, variantCode, value);
        if (r > 0) {
            const std::string digits = value.substr(0, static_cast<std::size_t>(r));
            int v = 0;
            bool numeric = !digits.empty();
            for (char c : digits) {
                if (c < '0' || c > '9' || v > 1000) {
                    numeric = false;
                    break;
                }
                v = v * 10 + (c - '0');
            }
            const std::string model = numeric ? variantModel(id.UnitType, v) : std::string();
            if (!model.empty())
                id.UnitType = model;
        }
    }
    return 1;
}

int UnitData::Multi_Read(const std::string&) {
    int count = 0;
    const int r = link_.Read_IntData(link_.settings().UnitAddress, "9g", count);
    if (r != 1)
        return r;
    // Bytes past a short block are what is left of its frame, not data: they count as zeros.
    std::array<std::uint8_t, 2 * kMultiReadWords> b{};
    std::copy_n(link_.ReceiveBuffer().begin(),
                std::min(b.size(), static_cast<std::size_t>(std::max(count, 0))), b.begin());
    std::uint16_t words[kMultiReadWords];
    for (std::size_t k = 0; k < kMultiReadWords; ++k)
        words[k] = static_cast<std::uint16_t>((b[2 * k] & 127) * 256 + (b[2 * k + 1] & 127));
    // Seven-bit bytes cannot carry bits 15 and 7 of the words; the last word brings them.
    for (std::size_t k = 0; k < 5; ++k) {
        if (words[5] & (1u << (10 + k)))
            words[k] |= 0x8000;
        if (b[11] & (1u << (2 + k)))
            words[k] |= 0x0080;
    }
    status.SerialInputWord = static_cast<std::int16_t>(words[0]);
    status.ExternalInputWord = static_cast<std::int16_t>(words[1]);
    status.StatusWord8C = static_cast<std::int16_t>(words[2]);
    std::string value = std::to_string(static_cast<std::int16_t>(words[3]));
    value.resize(std::max(value.size(), kActualValueField), ' ');
    status.ActualValueText = value;
    status.OutputWord = static_cast<std::int16_t>(words[4]);
    return 1;
}

void UnitData::ApplyGroupSettings() {
    applyGroupSettings(identity.UnitGroup, group);
    if (identity.UnitGroup == 0) {
        const std::string& title = link_.company().titleText;
        const std::string tail = title.size() > 6 ? title.substr(title.size() - 6) : title;
        link_.dialogs().messageBox(
            "The connected device could not be identified. Some functions of " + tail +
                " might not work properly!",
            title, MsgButtons::Ok, MsgIcon::Stop);
    }
}

}  // namespace qu32
