#include <array>

#include "unit/UnitData.h"

namespace qu32 {

namespace {

constexpr int kAttemptsPerCode = 10;
constexpr int kFailureLimit = 5;
constexpr std::size_t kProbeTextLength = 12;
constexpr std::size_t kMaxNines = 10;

constexpr std::array<const char*, 8> kGroup3Outputs = {"Pin 14", "Pin  2", "Pin 15", "Pin  3",
                                                       "Pin 16", "Pin  4", "Pin 17", "Pin  5"};
constexpr std::array<const char*, 4> kGroup1Outputs = {"Term. 21", "Term. 22", "Term. 23",
                                                       "Term. 24"};
constexpr std::array<const char*, 12> kGroup3Inputs = {
    "C60/Pin 13", "C61/Pin 25", "C62/Pin 12", "C63/Pin 24", "C64/Pin 11", "C65/Pin 23",
    "C66/Pin 10", "C67/Pin 22", "C68/Pin  9", "C69/Pin 21", "C70/Pin  8", "C71/Pin 20"};
constexpr std::array<const char*, 9> kGroup1Inputs = {"C60/Term. 9", "C61/Term. 8", "C62/Term. 7",
                                                      "C63",         "C64",         "C65/Term. 6",
                                                      "C66/Term. 5", "C67",         "C68/Term. 10"};

std::string twoDigits(int n) {
    return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

// The format a value's own shape implies: signed when it starts with a sign, as wide as it is,
// and the widest range its digits can hold.
ParamFormat formatOfValue(const std::string& value) {
    ParamFormat f;
    const bool isSigned = !value.empty() && (value[0] == '+' || value[0] == '-');
    f.signKind = isSigned ? kSignKindSigned : kSignKindUnsigned;
    f.digits = static_cast<int>(value.size()) - 1;
    f.decimalPos = kNoDecimalPoint;
    const std::size_t digitCount = std::min(kMaxNines, value.size() - (isSigned ? 1 : 0));
    // Ten nines do not fit 32 bits; the largest that does is the bound.
    const long long nines = digitCount == 0 ? 0 : std::stoll(std::string(digitCount, '9'));
    const std::int32_t max = static_cast<std::int32_t>(std::min<long long>(nines, INT32_MAX));
    f.maxValue = max;
    f.minValue = isSigned ? -max : 0;
    return f;
}

template <std::size_t N>
void setTexts(std::array<std::string, kMaxOutputTexts>& out, const std::array<const char*, N>& t) {
    for (std::size_t k = 0; k < N; ++k)
        out[k] = t[k];
}

}  // namespace

int UnitData::Build_ParameterList() {
    UnitDescription& d = description;
    int n = 0;
    auto add = [&](const std::string& text, const std::string& code, const std::string& value) {
        Parameter& p = d.params[static_cast<std::size_t>(n++)];
        p = Parameter{};
        p.ParamText = text;
        p.ParamCode = code;
        if (!value.empty()) {
            p.format = formatOfValue(value);
            p.ParamValue = value;
            p.UnitValue = value;
        }
    };
    // Probes one register; 1 added, 0 skipped, or the list's failure code.
    auto probe = [&](const std::string& code) {
        int minusTwo = 0;
        int other = 0;
        for (int attempt = 0; attempt < kAttemptsPerCode; ++attempt) {
            std::string text(kProbeTextLength, ' ');
            const int r = link_.Read_Parameter(link_.settings().UnitAddress, code, text);
            if (r > 0) {
                add("Parameter " + code, code, text.substr(0, static_cast<std::size_t>(r)));
                return 1;
            }
            if (r == kErrUnknownCode)
                return 0;
            if (r == -2) {
                if (++minusTwo >= kFailureLimit)
                    return -2;
            } else if (++other >= kFailureLimit) {
                return -1;
            }
        }
        return 0;
    };

    add("DATA-IN", kHeadingCode, "");
    int answered = 0;
    for (int c = 0; c <= 39; ++c) {
        const int r = probe(twoDigits(c));
        if (r < 0)
            return r;
        answered += r;
    }
    if (answered > 0)
        add("", kHeadingCode, "");
    add("SET-UP", kHeadingCode, "");
    for (int c = 40; c <= 59; ++c) {
        const int r = probe(twoDigits(c));
        if (r < 0)
            return r;
    }
    for (const char* code : {"90", "91", "92"}) {
        const int r = probe(code);
        if (r < 0)
            return r;
    }
    d.ParamCount = n;
    scrollMax = n - 1;

    // Inputs and outputs of these units are known by their group.
    auto setInputs = [&](const auto& names) {
        for (int k = 0; k < kMaxInputButtons; ++k) {
            Input& in = d.inputs[static_cast<std::size_t>(k)];
            const bool used = static_cast<std::size_t>(k) < names.size();
            in.InputText = used ? names[static_cast<std::size_t>(k)] : "";
            in.InputSerial = used ? 1 : 0;
            in.InputExternal = used ? 1 : 0;
        }
        d.InputCount = static_cast<int>(names.size());
    };
    if (identity.UnitGroup == 3) {
        setTexts(d.OutputText, kGroup3Outputs);
        d.OutputCount = static_cast<int>(kGroup3Outputs.size());
        setInputs(kGroup3Inputs);
    } else if (identity.UnitGroup == 1) {
        setTexts(d.OutputText, kGroup1Outputs);
        d.OutputCount = static_cast<int>(kGroup1Outputs.size());
        setInputs(kGroup1Inputs);
    }
    return 1;
}

}  // namespace qu32
