#include <array>

#include "unit/DescriptionDecoders.h"
#include "unit/UnitData.h"

namespace qu32 {

namespace {

// Retry rule of the description steps: up to ten attempts, failure after the sixth.
constexpr int kMaxAttempts = 10;
constexpr int kFailuresAllowed = 6;
constexpr int kEightBitSettleMs = 200;
constexpr int kSevenBitSettleMs = 100;
constexpr std::size_t kProbeTextLength = 12;

constexpr char kPrefix[] = "Initializing Communication ... ";
constexpr char kSwitchTo8[] = "Read UnitData: switch to 8 bit: ";
constexpr char kSwitchPcTo8[] = "Read UnitData: switch  PC-COM to 8 bit: ";
constexpr char kCheck8[] = "Read UnitData: check switching to 8 bit: ";
constexpr char kSetBack[] = "Read UnitData: set Data format back :";
constexpr char kSetComBack[] = "Read UnitData: set Com format back";
constexpr char kTestCom[] = "Read UnitData: Test Com:";

constexpr char kReadTextsFailed[] = "Error: Read ParameterTexts failed.";

enum class Block { ParameterTexts, InputTexts, OutputTexts, Defaults, Min, Max, Digits, Decimals };

struct BlockStep {
    Block block;
    const char* code;
    bool longData;
    const char* before;  // progress text before an attempt
    const char* after;   // and after it, with the result
};

constexpr BlockStep kBlockSteps[] = {
    {Block::ParameterTexts, "9a", false,
     "Read UnitData: read Data ParameterTexts :", "Read UnitData: read Data ParameterTexts :"},
    {Block::InputTexts, "9b", false,
     "Read UnitData: read Data InputTexts :", "Read UnitData: read Data InputTexts :"},
    {Block::OutputTexts, "9c", false,
     "Read UnitData: read Data OutTexts :", "Read UnitData: read Data OutputTexts :"},
    {Block::Defaults, "9j", true, "Read Default Values: read Data Read_Default_Values :",
     "Read Default Values: read Data Read_Default_Values :"},
    {Block::Min, "9<", true,
     "Read UnitData: read Data MinValues :", "Read UnitData: read Data MinValues :"},
    {Block::Max, "9=", true,
     "Read UnitData: read Data MaxValues :", "Read UnitData: read Data MaxValues :"},
    {Block::Digits, "9;", false,
     "Read UnitData: read Data Stellenzahl :", "Read UnitData: read Data Stellenzahl :"},
    {Block::Decimals, "9:", false,
     "Read UnitData: read Data Chars :", "Read UnitData: read Data Chars :"},
};

}  // namespace

void UnitData::setProgress(const std::string& text) {
    link_.controls().window.setCaption(link_.company().titleText + "  -  " + kPrefix + text);
}

int UnitData::failStep(int code, const std::string& message) {
    lastMessage = message;
    return code;
}

// One block read and its decoding; 1, the read's code, or kErrInternalFault from a decoder.
int UnitData::readBlock(int step, const std::string& code, bool longData) {
    const BlockStep& s = kBlockSteps[step];
    int count = 0;
    const std::string& address = link_.settings().UnitAddress;
    const int r = longData ? link_.Read_LongData(address, code, count)
                           : link_.Read_IntData(address, code, count);
    if (r != 1)
        return r;
    const auto& bytes = link_.ReceiveBuffer();
    const std::span<const std::uint8_t> data(bytes.data(), static_cast<std::size_t>(count));
    // Only value blocks have their count in LongValues.
    const std::span<const std::int32_t> values(link_.LongValues().data(),
                                               longData ? static_cast<std::size_t>(count) : 0);
    switch (s.block) {
        case Block::ParameterTexts: {
            const int d = decodeParameterTexts(data, description, notes);
            scrollMax = description.ParamCount - 1;
            return d;
        }
        case Block::InputTexts:
            return decodeInputTexts(data, description);
        case Block::OutputTexts:
            return decodeOutputTexts(data, description);
        case Block::Defaults:
            return 1;
        case Block::Min:
            applyMinValues(values, description);
            return 1;
        case Block::Max:
            applyMaxValues(values, description);
            return 1;
        case Block::Digits:
            applyDigitsBytes(data, description);
            return 1;
        case Block::Decimals:
            applyDecimalBytes(data, description);
            return 1;
    }
    return 1;
}

int UnitData::Read_UnitData(const std::string&) {
    lastMessage.clear();
    notes.clear();
    if (selector_ && selector_())
        return 1;
    bool unitInEightBits = false;
    const int r = readDescriptionFromUnit(unitInEightBits);
    if (r < 0) {
        // Every failure puts the PC back on the configured settings. The unit acknowledged the
        // switch: ask it back to its normal format while the line still talks 8 bits, or every
        // later request goes unheard.
        if (unitInEightBits)
            link_.Set_UnitFormat(link_.settings().UnitAddress, "9?");
        link_.SetSerial();
    }
    return r;
}

int UnitData::readDescriptionFromUnit(bool& unitInEightBits) {
    const std::string address = link_.settings().UnitAddress;
    const int com = link_.settings().ComPortNumber;

    // Unit to 8 bits.
    int failures = 0;
    for (int attempt = 1;; ++attempt) {
        setProgress(kSwitchTo8 + std::to_string(attempt));
        if (link_.Set_UnitFormat(address, "9>") == 1)
            break;
        if (++failures >= kFailuresAllowed || attempt >= kMaxAttempts)
            return failStep(-2, "Error during switch to 8 bits.");
    }
    unitInEightBits = true;

    // PC to 8 bits.
    setProgress(kSwitchPcTo8);
    link_.ConfigurePort(com, 9600, 8, 1, kParityEven);
    link_.showStatusPanels("9600, 8, 1, E");
    int settle = kEightBitSettleMs;
    link_.wait(settle);

    failures = 0;
    for (int attempt = 1;; ++attempt) {
        setProgress(kCheck8 + std::to_string(attempt));
        std::string text(kProbeTextLength, ' ');
        const int r = link_.Read_Parameter(address, "00", text);
        if (r >= 0 || r == kErrUnknownCode)
            break;
        if (++failures >= kFailuresAllowed || attempt >= kMaxAttempts)
            return failStep(-2, "Error: Check to 8 bits failed.");
    }

    // The blocks, each with the same retry rule; the default values are read once, unused.
    for (int step = 0; step < static_cast<int>(std::size(kBlockSteps)); ++step) {
        const BlockStep& s = kBlockSteps[step];
        const bool once = s.block == Block::Defaults;
        failures = 0;
        for (int attempt = 1;; ++attempt) {
            setProgress(s.before + std::to_string(attempt));
            const int r = readBlock(step, s.code, s.longData);
            setProgress(s.after + std::to_string(attempt) + " Res= " + std::to_string(r));
            if (once || r == 1)
                break;
            if (r == kErrUnknownCode)
                return failStep(-3, "Error: Unknow Code");
            // A block the tables cannot take will not fit on a second try either.
            if (r == kErrInternalFault)
                return failStep(kErrInternalFault,
                                "Error: the unit describes more than the "
                                "program's tables hold (" +
                                    std::string(s.code) + ").");
            if (++failures >= kFailuresAllowed || attempt >= kMaxAttempts)
                return failStep(-2, kReadTextsFailed);
        }
    }

    // Unit back to its normal format.
    failures = 0;
    for (int attempt = 1;; ++attempt) {
        setProgress(kSetBack + std::to_string(attempt));
        const int r = link_.Set_UnitFormat(address, "9?");
        if (r == 1)
            break;
        if (r == kErrTimeoutHeader) {
            link_.SetSerial();
            return 0;
        }
        if (++failures >= kFailuresAllowed || attempt >= kMaxAttempts)
            return failStep(-2, "Error: During set Dataformat back");
    }
    unitInEightBits = false;

    // PC back, then the configured settings.
    setProgress(kSetComBack);
    link_.ConfigurePort(com, 9600, 7, 1, kParityEven);
    link_.showStatusPanels("9600, 7, 1, E");
    link_.SetSerial();
    settle = kSevenBitSettleMs;
    link_.wait(settle);

    failures = 0;
    for (int attempt = 1;; ++attempt) {
        setProgress(kTestCom + std::to_string(attempt));
        std::string text(kProbeTextLength, ' ');
        const int r = link_.Read_Parameter(address, "00", text);
        if (r >= 0 || r == kErrUnknownCode)
            break;
        if (++failures >= kFailuresAllowed || attempt >= kMaxAttempts)
            return failStep(-2, kReadTextsFailed);
    }
    return 1;
}

}  // namespace qu32
