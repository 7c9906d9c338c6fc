// The decoders of the unit's description blocks, fed the blocks a unit of any kind could send,
// one after the other as the description reader applies them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "serial/AnswerScanner.h"
#include "serial/SerialLink.h"
#include "unit/DescriptionDecoders.h"
#include "unit/UnitDescription.h"
#include "unit/ValueEncoding.h"

namespace {

using qu32::fuzz::FuzzInput;

constexpr std::size_t kMaxBlockBytes = qu32::kReceiveBufferSize;

std::vector<std::int32_t> longValues(FuzzInput& in) {
    std::vector<std::int32_t> values(in.below(qu32::kMaxLongValues + 1));
    for (auto& v : values)
        v = in.int32();
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    // Static: the tables are large, and what an earlier description left behind must not leak
    // into a later one either.
    static qu32::UnitDescription d;
    d = qu32::UnitDescription{};
    std::vector<std::string> notes;

    const auto texts = in.bytes(kMaxBlockBytes);
    const auto inputs = in.bytes(kMaxBlockBytes / 4);
    const auto outputs = in.bytes(kMaxBlockBytes / 4);
    qu32::decodeParameterTexts(texts, d, notes);
    qu32::decodeInputTexts(inputs, d);
    qu32::decodeOutputTexts(outputs, d);
    qu32::applyMinValues(longValues(in), d);
    qu32::applyMaxValues(longValues(in), d);
    const auto digits = in.bytes(qu32::kMaxParameters + 8);
    const auto decimals = in.bytes(qu32::kMaxParameters + 8);
    qu32::applyDigitsBytes(digits, d);
    qu32::applyDecimalBytes(decimals, d);

    QU32_FUZZ_CHECK(d.parameterCount >= 0 && d.parameterCount <= qu32::kMaxParameters,
                    "parameter table beyond its bound");
    QU32_FUZZ_CHECK(d.inputCount >= 0 && d.inputCount <= qu32::kMaxInputs,
                    "input table beyond its bound");
    QU32_FUZZ_CHECK(d.outputCount >= 0 && d.outputCount <= qu32::kMaxOutputs,
                    "more outputs than the window shows");
    for (int i = 0; i < d.parameterCount; ++i) {
        const qu32::Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        QU32_FUZZ_CHECK(p.code.size() == 2, "register code not two characters");
        if (p.isHeading())
            continue;
        // Whatever format the bytes gave, the value shown for it stays bounded and settles.
        const std::string shown = qu32::formatValue(std::string(), p.format);
        QU32_FUZZ_CHECK(shown.size() <= 32, "display text of a described field runs away");
        QU32_FUZZ_CHECK(qu32::formatValue(shown, p.format) == shown, "display text not stable");
    }
    for (int i = d.parameterCount; i < qu32::kMaxParameters; ++i) {
        QU32_FUZZ_CHECK(d.parameters[static_cast<std::size_t>(i)].code.empty(),
                        "entry written past the parameter count");
    }

    const std::string code = in.text(2);
    QU32_FUZZ_CHECK(qu32::nextCode(code).size() == 2, "next code not two characters");
    return 0;
}
