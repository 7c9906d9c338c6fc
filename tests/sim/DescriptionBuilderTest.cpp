#include "sim/DescriptionBuilder.h"

#include <gtest/gtest.h>

#include "serial/Frames.h"

#include <memory>
#include <set>

#include "sim/DescriptionTables.h"
#include "unit/DescriptionDecoders.h"
#include "unit/ValueEncoding.h"

namespace qu32::sim {
namespace {

using Block = std::vector<std::uint8_t>;

// The description the PC decodes from a model's blocks, as the reader hands them over.
std::unique_ptr<UnitDescription> decodeModel(const UnitModel& m, std::vector<std::string>& notes) {
    auto d = std::make_unique<UnitDescription>();
    auto longs = [&](const char* code) {
        const Block& b = m.blocks.at(code);
        std::vector<std::int32_t> values;
        for (std::size_t i = 0; i + 3 < b.size(); i += 4)
            values.push_back(bytesToLong(b[i], b[i + 1], b[i + 2], b[i + 3]));
        return values;
    };
    EXPECT_EQ(decodeParameterTexts(m.blocks.at("9a"), *d, notes), Result::Ok);
    EXPECT_EQ(decodeInputTexts(m.blocks.at("9b"), *d), Result::Ok);
    EXPECT_EQ(decodeOutputTexts(m.blocks.at("9c"), *d), Result::Ok);
    applyMinValues(longs("9<"), *d);
    applyMaxValues(longs("9="), *d);
    applyDigitsBytes(m.blocks.at("9;"), *d);
    applyDecimalBytes(m.blocks.at("9:"), *d);
    return d;
}

// The program's view of a unit's format: display width minus 1, sign kind, point position.
ParamFormat programFormat(const ValueFormat& f) {
    ParamFormat p;
    p.signKind = f.sign == Sign::Signed     ? kSignKindSigned
                 : f.sign == Sign::Unsigned ? kSignKindUnsigned
                                            : kSignKindHash;
    p.digits = (f.sign == Sign::Unsigned ? f.digits - 1 : f.digits) + (f.decimals > 0 ? 1 : 0);
    p.decimalPos = f.decimals > 0 ? p.digits - f.decimals : kNoDecimalPoint;
    return p;
}

struct DescribedModel {
    const char* name;
    const DescriptionTable* table;
};
const DescribedModel kDescribedModels[] = {{"tq593", &kTq593Description},
                                           {"nt876", &kNt876Description},
                                           {"vm628", &kVm628Description},
                                           {"big401", &kBig401Description}};

TEST(DescriptionBuilder, EveryDescribedModelDecodesToItsTableOnThePc) {
    for (const DescribedModel& dm : kDescribedModels) {
        SCOPED_TRACE(dm.name);
        const UnitModel m = *findModel(dm.name);
        for (const auto& [code, data] : m.blocks)
            EXPECT_LE(data.size(), kMaxDescriptionBlockBytes) << code;
        std::vector<std::string> notes;
        const auto d = decodeModel(m, notes);
        EXPECT_TRUE(notes.empty());

        const std::vector<DescribedEntry> expected = expandEntries(dm.table->parameters);
        std::set<std::string> codes;
        for (const DescribedEntry& e : expected)
            EXPECT_TRUE(e.isHeading() || codes.insert(e.code).second) << "twice: " << e.code;
        ASSERT_EQ(static_cast<std::size_t>(d->parameterCount), expected.size());
        if (dm.table == &kBig401Description) {
            // The longest list fills the PC's table, its texts block close to the limit.
            EXPECT_EQ(d->parameterCount, kMaxParameters);
            EXPECT_GT(m.blocks.at("9a").size(), kMaxDescriptionBlockBytes * 9 / 10);
        }
        std::size_t parameters = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const Parameter& p = d->parameters[i];
            const DescribedEntry& e = expected[i];
            SCOPED_TRACE(e.text);
            EXPECT_EQ(p.text, e.text);
            EXPECT_EQ(p.code, e.code);
            if (e.isHeading()) {
                EXPECT_EQ(p.digitsByte, 0);
                continue;
            }
            ++parameters;
            const ParamFormat f = programFormat(e.format);
            EXPECT_EQ(p.format.digits, f.digits);
            EXPECT_EQ(p.format.signKind, f.signKind);
            EXPECT_EQ(p.format.decimalPos, f.decimalPos);
            EXPECT_EQ(p.format.minValue, e.minValue);
            EXPECT_EQ(p.format.maxValue, e.maxValue);
            EXPECT_LE(e.minValue, e.initialValue);
            EXPECT_LE(e.initialValue, e.maxValue);

            // The power-up value, shown and cleaned again, is the value sent: its width, sign
            // and decimal point agree with the format.
            const auto reg = m.registers.find(e.code);
            ASSERT_NE(reg, m.registers.end());
            EXPECT_EQ(reg->second.range, (ValueRange{e.minValue, e.maxValue}));
            const std::string& wire = reg->second.initialValue;
            const std::string shown = formatValue(wire, p.format);
            EXPECT_EQ(shown.size(), static_cast<std::size_t>(p.format.digits + 1)) << wire;
            EXPECT_EQ(cleanValue(shown), wire);
        }
        EXPECT_EQ(m.blocks.at("9j").size(), parameters * 4);
        EXPECT_EQ(m.blocks.at("9<").size(), parameters * 4);
        EXPECT_EQ(m.blocks.at("9;").size(), parameters);

        ASSERT_EQ(static_cast<std::size_t>(d->inputCount), dm.table->inputs.size());
        for (std::size_t k = 0; k < dm.table->inputs.size(); ++k) {
            const InputRow& in = dm.table->inputs[k];
            EXPECT_EQ(d->inputs[k].text, in.name);
            EXPECT_EQ(d->inputs[k].pcSettable, in.serial ? 1 : 0) << in.name;
            EXPECT_EQ(d->inputs[k].external, in.external ? 1 : 0) << in.name;
        }
        ASSERT_EQ(static_cast<std::size_t>(d->outputCount), dm.table->outputs.size());
        for (std::size_t k = 0; k < dm.table->outputs.size(); ++k)
            EXPECT_EQ(d->outputTexts[k], dm.table->outputs[k]);
    }
}

}  // namespace
}  // namespace qu32::sim
