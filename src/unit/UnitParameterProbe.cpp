#include <array>
#include <vector>

#include "serial/Retry.h"
#include "unit/ConnectedUnit.h"
#include "unit/RegisterCodes.h"

namespace qu32 {

namespace {

constexpr int kAttemptsPerCode = 10;
constexpr int kFailureLimit = 5;
// Data registers, then the set-up registers before the line settings.
constexpr int kFirstDataRegister = 0;
constexpr int kLastDataRegister = 39;
constexpr int kFirstSetUpRegister = 40;
constexpr int kLastSetUpRegister = 59;
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

Result ConnectedUnit::probeParameterList() {
    UnitDescription& d = description;
    int n = 0;
    auto add = [&](const std::string& text, const std::string& code, const std::string& value) {
        Parameter& p = d.parameters[static_cast<std::size_t>(n++)];
        p = Parameter{};
        p.text = text;
        p.code = code;
        if (!value.empty()) {
            p.format = formatOfValue(value);
            p.value = value;
            p.unitValue = value;
        }
    };
    // Probes one register: Ok when it answered and was added, UnknownCode when it was skipped
    // (a register the unit lacks, or one that gave no clear answer), otherwise the failure that
    // ends the whole list. Refusals and other failures are counted apart.
    auto probe = [&](const std::string& code) {
        int refused = 0;
        int failed = 0;
        const auto outcome = retry(kAttemptsPerCode, [&](int) -> std::optional<Result> {
            std::string value;
            const Result r = link_.readRegister(code, value);
            if (r == Result::Ok) {
                add("Parameter " + code, code, value);
                return r;
            }
            if (r == Result::UnknownCode)
                return r;
            if (r == Result::NotAcknowledged) {
                if (++refused >= kFailureLimit)
                    return r;
            } else if (++failed >= kFailureLimit) {
                return Result::LineFailed;
            }
            return std::nullopt;
        });
        return outcome.value_or(Result::UnknownCode);
    };
    auto failedList = [](Result r) { return r != Result::Ok && r != Result::UnknownCode; };

    add("DATA-IN", kHeadingCode, "");
    int answered = 0;
    for (int c = kFirstDataRegister; c <= kLastDataRegister; ++c) {
        const Result r = probe(twoDigits(c));
        if (failedList(r))
            return r;
        answered += r == Result::Ok ? 1 : 0;
    }
    if (answered > 0)
        add("", kHeadingCode, "");
    add("SET-UP", kHeadingCode, "");
    std::vector<std::string> setUpCodes;
    for (int c = kFirstSetUpRegister; c <= kLastSetUpRegister; ++c)
        setUpCodes.push_back(twoDigits(c));
    for (const char* code : {kUnitAddressRegister, kBaudRateRegister, kSerialFormatRegister})
        setUpCodes.emplace_back(code);
    for (const std::string& code : setUpCodes) {
        const Result r = probe(code);
        if (failedList(r))
            return r;
    }
    d.parameterCount = n;

    // Inputs and outputs of these units are known by their group.
    auto setInputs = [&](const auto& names) {
        for (int k = 0; k < kMaxInputButtons; ++k) {
            Input& in = d.inputs[static_cast<std::size_t>(k)];
            const bool used = static_cast<std::size_t>(k) < names.size();
            in.text = used ? names[static_cast<std::size_t>(k)] : "";
            in.pcSettable = used;
            in.external = used;
        }
        d.inputCount = static_cast<int>(names.size());
    };
    if (identity.unitGroup == 3) {
        setTexts(d.outputTexts, kGroup3Outputs);
        d.outputCount = static_cast<int>(kGroup3Outputs.size());
        setInputs(kGroup3Inputs);
    } else if (identity.unitGroup == 1) {
        setTexts(d.outputTexts, kGroup1Outputs);
        d.outputCount = static_cast<int>(kGroup1Outputs.size());
        setInputs(kGroup1Inputs);
    }
    return Result::Ok;
}

}  // namespace qu32
