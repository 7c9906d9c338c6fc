#include "sim/DescriptionBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "sim/DescriptionTables.h"
#include "sim/UnitModel.h"
#include "unit/DescriptionDecoders.h"
#include "unit/ValueEncoding.h"

namespace qu32::sim {
namespace {

using Block = std::vector<std::uint8_t>;

std::string textOf(const Block& block) {
    return std::string(block.begin(), block.end());
}

constexpr ValueFormat kSigned6{Sign::Signed, 6, 0};
constexpr ValueFormat kUnsigned4{Sign::Unsigned, 4, 0};
constexpr ValueFormat kHash6d2{Sign::Hash, 6, 2};

TEST(DescriptionBuilder, TextsBlockMarksOnlyCodeJumpsHeadingsAndSeries) {
    const ParamRow rows[] = {
        heading("Kopf"),
        param("Speed", "01", kSigned6, -999999, 999999, 1234),
        param("Time", "05", kUnsigned4, 0, 9999, 100),
        series("Preset ", 1, 3, " value", "", kHash6d2, 0, 999999, 12),
        param("Next", "09", kUnsigned4, 0, 9999, 7),  // follows the series: no marker
        heading(""),
        param("Far", "A0", kUnsigned4, 0, 9999, 0),
    };
    const InputRow inputs[] = {{"Reset", true, false},
                               {"Start", false, true},
                               {"Both", true, true},
                               {"None", false, false}};
    const std::string_view outputs[] = {"Ready", "Alarm"};
    const BuiltDescription built = buildDescription({rows, inputs, outputs});

    EXPECT_EQ(textOf(built.blocks.at("9a")),
              "{Kopf}[01]Speed}[05]Time}Preset |1-3| value}Next}{}[A0]Far}");
    EXPECT_EQ(textOf(built.blocks.at("9b")), "Reset{S}Start{E}Both{SE}None{}");
    EXPECT_EQ(textOf(built.blocks.at("9c")), "Ready}Alarm}");

    // Seven parameters take values and format bytes; the two headings none.
    EXPECT_EQ(built.blocks.at("9;"), (Block{0x86, 0x04, 0xA6, 0xA6, 0xA6, 0x04, 0x04}));
    EXPECT_EQ(built.blocks.at("9:"), (Block{0, 0, 2, 2, 2, 0, 0}));
    const Block& minimums = built.blocks.at("9<");
    ASSERT_EQ(minimums.size(), 7u * 4);
    EXPECT_EQ(Block(minimums.begin(), minimums.begin() + 4), (Block{0xFF, 0xF0, 0xBD, 0xC1}));
    const Block& defaults = built.blocks.at("9j");
    EXPECT_EQ(Block(defaults.begin(), defaults.begin() + 8),
              (Block{0x00, 0x00, 0x04, 0xD2, 0x00, 0x00, 0x00, 0x64}));

    ASSERT_EQ(built.entries.size(), 9u);
    EXPECT_EQ(built.entries[4].text, "Preset 2 value");
    EXPECT_EQ(built.entries[4].code, "07");
    EXPECT_EQ(built.entries[6].code, "09");
    EXPECT_TRUE(built.entries[7].isHeading());

    EXPECT_EQ(built.registers.size(), 7u);
    EXPECT_EQ(built.registers.at("01").initialValue, "+001234");
    EXPECT_EQ(built.registers.at("05").initialValue, "0100");
    EXPECT_EQ(built.registers.at("08").initialValue, "#000012");
    EXPECT_EQ(built.registers.at("01").range, (ValueRange{-999999, 999999}));
}

TEST(DescriptionBuilder, WireValuesKeepTheirSignAndWidth) {
    EXPECT_EQ(wireValue(kSigned6, -5), "-000005");
    EXPECT_EQ(wireValue({Sign::Signed, 8, 0}, -2147483648LL), "-2147483648");
    EXPECT_EQ(wireValue({Sign::Unsigned, 1, 0}, 0), "0");
    EXPECT_EQ(wireValue(kHash6d2, -3), "-000003");
}

// The description the PC decodes from a model's blocks, as the reader hands them over.
std::unique_ptr<UnitDescription> decodeModel(const UnitModel& m, std::vector<std::string>& notes) {
    auto d = std::make_unique<UnitDescription>();
    auto longs = [&](const char* code) {
        const Block& b = m.blocks.at(code);
        std::vector<std::int32_t> values;
        for (std::size_t i = 0; i + 3 < b.size(); i += 4) {
            values.push_back(BytesToLong(b[i], b[i + 1], b[i + 2], b[i + 3]));
        }
        return values;
    };
    EXPECT_EQ(decodeParameterTexts(m.blocks.at("9a"), *d, notes), 1);
    EXPECT_EQ(decodeInputTexts(m.blocks.at("9b"), *d), 1);
    EXPECT_EQ(decodeOutputTexts(m.blocks.at("9c"), *d), 1);
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
        std::vector<std::string> notes;
        const auto d = decodeModel(m, notes);
        EXPECT_TRUE(notes.empty());

        const std::vector<DescribedEntry> expected = expandEntries(dm.table->params);
        std::set<std::string> codes;
        for (const DescribedEntry& e : expected) {
            EXPECT_TRUE(e.isHeading() || codes.insert(e.code).second) << "twice: " << e.code;
        }
        ASSERT_EQ(static_cast<std::size_t>(d->ParamCount), expected.size());
        std::size_t parameters = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const Parameter& p = d->params[i];
            const DescribedEntry& e = expected[i];
            SCOPED_TRACE(e.text);
            EXPECT_EQ(p.ParamText, e.text);
            EXPECT_EQ(p.ParamCode, e.code);
            if (e.isHeading()) {
                EXPECT_EQ(p.DigitsByte, 0);
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
            const std::string shown = FormatValue(wire, p.format);
            EXPECT_EQ(shown.size(), static_cast<std::size_t>(p.format.digits + 1)) << wire;
            EXPECT_EQ(CleanValue(shown), wire);
        }
        EXPECT_EQ(m.blocks.at("9j").size(), parameters * 4);

        ASSERT_EQ(static_cast<std::size_t>(d->InputCount), dm.table->inputs.size());
        for (std::size_t k = 0; k < dm.table->inputs.size(); ++k) {
            const InputRow& in = dm.table->inputs[k];
            EXPECT_EQ(d->inputs[k].InputText, in.name);
            EXPECT_EQ(d->inputs[k].InputSerial, in.serial ? 1 : 0) << in.name;
            EXPECT_EQ(d->inputs[k].InputExternal, in.external ? 1 : 0) << in.name;
        }
        ASSERT_EQ(static_cast<std::size_t>(d->OutputCount), dm.table->outputs.size());
        for (std::size_t k = 0; k < dm.table->outputs.size(); ++k) {
            EXPECT_EQ(d->OutputText[k], dm.table->outputs[k]);
        }
    }
}

TEST(DescriptionBuilder, BlocksFitThePcsBuffersAndTheLongestListIsFull) {
    for (const std::string& name : modelNames()) {
        const UnitModel m = *findModel(name);
        for (const auto& [code, data] : m.blocks) {
            EXPECT_LE(data.size(), kMaxDescriptionBlockBytes) << name << " " << code;
        }
    }
    const UnitModel big = *findModel("big401");
    std::vector<std::string> notes;
    const auto d = decodeModel(big, notes);
    EXPECT_EQ(d->ParamCount, kMaxParameters);
    // The texts block is the one that grows with the list; keep it close to the limit.
    EXPECT_GT(big.blocks.at("9a").size(), kMaxDescriptionBlockBytes * 9 / 10);
    EXPECT_LE(big.blocks.at("9<").size() / 4, 500u);
    EXPECT_EQ(big.blocks.at("9<").size(), 4 * big.blocks.at("9;").size());
}

}  // namespace
}  // namespace qu32::sim
