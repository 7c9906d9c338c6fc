#include "settings/LineChoices.h"

#include <cctype>
#include <optional>

namespace qu32 {

namespace {

// Longer digit runs are not port numbers; refusing them keeps the arithmetic in range.
constexpr std::size_t kMaxNumberDigits = 5;
constexpr int kNamedPortOffset = 100;
constexpr std::size_t kComPrefixLength = 3;
constexpr std::size_t kOtherPrefixLength = 4;

std::optional<int> plainNumber(const std::string& text) {
    if (text.empty() || text.size() > kMaxNumberDigits)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

int baudCodeOfText(const std::string& text) {
    for (int code = 0; code < kBaudRateCodeCount; ++code) {
        if (text == std::to_string(kBaudRates[code]))
            return code;
    }
    return 0;
}

int formatCodeOfChoice(const std::string& text) {
    for (std::size_t code = 0; code < kFormatChoices.size(); ++code) {
        if (text == kFormatChoices[code].text)
            return static_cast<int>(code);
    }
    return 0;
}

std::string settingsPartOfChoice(const std::string& text) {
    return kFormatChoices[static_cast<std::size_t>(formatCodeOfChoice(text))].settingsPart;
}

bool beginsWithCom(const std::string& text) {
    if (text.size() < kComPrefixLength)
        return false;
    return std::toupper(static_cast<unsigned char>(text[0])) == 'C' &&
           std::toupper(static_cast<unsigned char>(text[1])) == 'O' &&
           std::toupper(static_cast<unsigned char>(text[2])) == 'M';
}

int leadingNumber(const std::string& text, std::size_t from) {
    std::string digits;
    for (std::size_t i = from; i < text.size() && digits.size() <= kMaxNumberDigits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            break;
        digits += text[i];
    }
    return plainNumber(digits).value_or(0);
}

int portNumberOfName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t com = upper.find("COM");
    if (com != std::string::npos) {
        const auto n = plainNumber(name.size() > kComPrefixLength ? name.substr(kComPrefixLength)
                                                                  : std::string());
        return n.value_or(0);
    }
    const auto n = plainNumber(name.size() > kOtherPrefixLength ? name.substr(kOtherPrefixLength)
                                                                : std::string());
    return n ? *n + kNamedPortOffset : 0;
}

}  // namespace qu32
