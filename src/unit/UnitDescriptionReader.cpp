#include <array>

#include "serial/Retry.h"
#include "unit/ConnectedUnit.h"
#include "unit/DescriptionDecoders.h"
#include "unit/RegisterCodes.h"

namespace qu32 {

namespace {

// Every step is given up to ten attempts and fails after the sixth failure; as each attempt that
// does not succeed is a failure, that is six attempts.
constexpr int kStepAttempts = 6;
constexpr int kEightBitSettleMs = 200;
constexpr int kSevenBitSettleMs = 100;
constexpr int kDescriptionBaud = 9600;

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

constexpr std::array<BlockStep, 8> kBlockSteps{{
    {Block::ParameterTexts, kParameterTextsRegister, false,
     "Read UnitData: read Data ParameterTexts :", "Read UnitData: read Data ParameterTexts :"},
    {Block::InputTexts, kInputTextsRegister, false,
     "Read UnitData: read Data InputTexts :", "Read UnitData: read Data InputTexts :"},
    {Block::OutputTexts, kOutputTextsRegister, false,
     "Read UnitData: read Data OutTexts :", "Read UnitData: read Data OutputTexts :"},
    {Block::Defaults, kDefaultValuesRegister, true,
     "Read Default Values: read Data Read_Default_Values :",
     "Read Default Values: read Data Read_Default_Values :"},
    {Block::Min, kMinValuesRegister, true,
     "Read UnitData: read Data MinValues :", "Read UnitData: read Data MinValues :"},
    {Block::Max, kMaxValuesRegister, true,
     "Read UnitData: read Data MaxValues :", "Read UnitData: read Data MaxValues :"},
    {Block::Digits, kDigitsRegister, false,
     "Read UnitData: read Data Stellenzahl :", "Read UnitData: read Data Stellenzahl :"},
    {Block::Decimals, kDecimalsRegister, false,
     "Read UnitData: read Data Chars :", "Read UnitData: read Data Chars :"},
}};

std::string number(int n) {
    return std::to_string(n);
}

}  // namespace

void ConnectedUnit::showProgress(const std::string& text) {
    link_.observer().showProgress(kPrefix + text);
}

void ConnectedUnit::showLineFormat(const std::string& lineFormat) {
    const SerialSettings& settings = link_.settings();
    link_.observer().showSerialSettings(settings.comPort, settings.unitAddress, lineFormat);
}

// Every failure puts the PC back on the configured settings. When the unit took the switch to
// 8 bits, it is asked back to its normal format while the line still talks 8 bits, or every
// later request would go unheard.
Result ConnectedUnit::giveUp(Result result, const std::string& message, bool unitInEightBits) {
    lastMessage = message;
    if (unitInEightBits)
        link_.setUnitFormat(kNormalFormatCommand);
    link_.openPort();
    return result;
}

// One block read and its decoding.
Result ConnectedUnit::readBlock(std::size_t step) {
    const BlockStep& s = kBlockSteps[step];
    if (s.longData) {
        std::vector<std::int32_t> values;
        const Result r = link_.readLongBlock(s.code, values);
        if (r != Result::Ok)
            return r;
        if (s.block == Block::Min)
            applyMinValues(values, description);
        if (s.block == Block::Max)
            applyMaxValues(values, description);
        // The default values are read because the unit expects it; nothing uses them.
        return Result::Ok;
    }
    Bytes data;
    const Result r = link_.readByteBlock(s.code, data);
    if (r != Result::Ok)
        return r;
    switch (s.block) {
        case Block::ParameterTexts:
            return decodeParameterTexts(data, description, notes);
        case Block::InputTexts:
            return decodeInputTexts(data, description);
        case Block::OutputTexts:
            return decodeOutputTexts(data, description);
        case Block::Digits:
            applyDigitsBytes(data, description);
            return Result::Ok;
        case Block::Decimals:
            applyDecimalBytes(data, description);
            return Result::Ok;
        default:
            return Result::Ok;
    }
}

// Reads register "00" until it answers; an unknown code is an answer too.
Result ConnectedUnit::checkLink(const std::string& progressText) {
    Result last = Result::Ok;
    const auto done = retry(kStepAttempts, [&](int attempt) -> std::optional<Result> {
        showProgress(progressText + number(attempt));
        std::string value;
        last = link_.readRegister(kProbeRegister, value);
        if (last == Result::Ok || last == Result::UnknownCode)
            return Result::Ok;
        return std::nullopt;
    });
    return done ? *done : last;
}

Result ConnectedUnit::readUnitDescription() {
    lastMessage.clear();
    notes.clear();
    if (source_ && source_())
        return Result::Ok;
    return readDescriptionFromUnit();
}

Result ConnectedUnit::readDescriptionFromUnit() {
    const int com = link_.settings().comPort;

    // Unit to 8 bits.
    Result last = Result::Ok;
    const auto switched = retry(kStepAttempts, [&](int attempt) -> std::optional<Result> {
        showProgress(kSwitchTo8 + number(attempt));
        last = link_.setUnitFormat(kEightBitCommand);
        return last == Result::Ok ? std::optional(last) : std::nullopt;
    });
    if (!switched)
        return giveUp(last, "Error during switch to 8 bits.", false);

    // PC to 8 bits.
    showProgress(kSwitchPcTo8);
    link_.configurePort(com, kDescriptionBaud, 8, 1, kParityEven);
    showLineFormat("9600, 8, 1, E");
    link_.loop().wait(kEightBitSettleMs);
    if (const Result r = checkLink(kCheck8); r != Result::Ok)
        return giveUp(r, "Error: Check to 8 bits failed.", true);

    // The blocks, each with the same retry rule; the default values are read once.
    for (std::size_t step = 0; step < kBlockSteps.size(); ++step) {
        const BlockStep& s = kBlockSteps[step];
        const bool once = s.block == Block::Defaults;
        const auto outcome =
            retry(once ? 1 : kStepAttempts, [&](int attempt) -> std::optional<Result> {
                showProgress(s.before + number(attempt));
                last = readBlock(step);
                showProgress(s.after + number(attempt) + " Res= " + number(numberOf(last)));
                // A block the tables cannot take will not fit on a second try either.
                if (last == Result::Ok || last == Result::UnknownCode ||
                    last == Result::InternalFault)
                    return last;
                return std::nullopt;
            });
        if (once)
            continue;
        if (!outcome)
            return giveUp(last, kReadTextsFailed, true);
        if (*outcome == Result::UnknownCode)
            return giveUp(Result::UnknownCode, "Error: Unknow Code", true);
        if (*outcome == Result::InternalFault) {
            return giveUp(Result::InternalFault,
                          "Error: the unit describes more than the program's tables hold (" +
                              std::string(s.code) + ").",
                          true);
        }
    }

    // Unit back to its normal format. When it does not answer at all, the PC goes back to the
    // configured settings and the description is given up without a word: the unit may be gone.
    const auto restored = retry(kStepAttempts, [&](int attempt) -> std::optional<Result> {
        showProgress(kSetBack + number(attempt));
        last = link_.setUnitFormat(kNormalFormatCommand);
        if (last == Result::Ok || last == Result::TimeoutHeader)
            return last;
        return std::nullopt;
    });
    if (!restored)
        return giveUp(last, "Error: During set Dataformat back", true);
    if (*restored == Result::TimeoutHeader) {
        link_.openPort();
        return Result::TimeoutHeader;
    }

    // PC back, then the configured settings.
    showProgress(kSetComBack);
    link_.configurePort(com, kDescriptionBaud, 7, 1, kParityEven);
    showLineFormat("9600, 7, 1, E");
    link_.openPort();
    link_.loop().wait(kSevenBitSettleMs);
    if (const Result r = checkLink(kTestCom); r != Result::Ok)
        return giveUp(r, kReadTextsFailed, false);
    return Result::Ok;
}

}  // namespace qu32
