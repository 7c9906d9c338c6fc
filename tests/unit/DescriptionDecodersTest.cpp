#include <gtest/gtest.h>

#include "serial/Result.h"
#include "unit/DescriptionDecoders.h"

namespace qu32 {
namespace {

std::vector<std::uint8_t> bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

struct Entry {
    std::string text;
    std::string code;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
    return os << "{" << e.text << "," << e.code << "}";
}

std::vector<Entry> entriesOf(const std::string& block,
                             std::vector<std::string>* notesOut = nullptr) {
    UnitDescription d;
    std::vector<std::string> notes;
    EXPECT_EQ(decodeParameterTexts(bytes(block), d, notes), Result::Ok) << block;
    if (notesOut)
        *notesOut = notes;
    std::vector<Entry> out;
    for (int i = 0; i < d.parameterCount; ++i)
        out.push_back({d.parameters[i].text, d.parameters[i].code});
    return out;
}

TEST(ParameterTexts, CodesHeadingsAndSeries) {
    using V = std::vector<Entry>;
    EXPECT_EQ(entriesOf("[01]Speed}[05]Time}Next}"),
              (V{{"Speed", "01"}, {"Time", "05"}, {"Next", "06"}}));
    EXPECT_EQ(entriesOf("Preset |1-3| value}After}"), (V{{"Preset 1 value", "00"},
                                                         {"Preset 2 value", "01"},
                                                         {"Preset 3 value", "02"},
                                                         {"After", "03"}}));
    EXPECT_EQ(entriesOf("{Outputs}A}"), (V{{"Outputs", "xx"}, {"A", "00"}}));
    // A bracket that does not close a code is text; "?" is filler.
    EXPECT_EQ(entriesOf("a[b]c}?[9z]d}"), (V{{"a[b]c", "00"}, {"d", "9z"}}));
    // Codes count on past "9" in the unit's way.
    EXPECT_EQ(entriesOf("[08]a}b}c}[98]d}e}f}"),
              (V{{"a", "08"}, {"b", "09"}, {"c", "10"}, {"d", "98"}, {"e", "99"}, {"f", ":0"}}));
    // Series numbers keep only their last four digits; "Nr." letters do not count.
    EXPECT_EQ(entriesOf("P|Nr.12345-12346|}"), (V{{"P2345", "00"}, {"P2346", "01"}}));
    // Umlauts pass through as bytes.
    EXPECT_EQ(entriesOf("Packungsl\xE4nge}"), (V{{"Packungsl\xE4nge", "00"}}));
}

TEST(ParameterTexts, BrokenSeriesMakeNothingAndAreNoted) {
    std::vector<std::string> notes;
    EXPECT_EQ(entriesOf("A|5-2|x}B}", &notes), (std::vector<Entry>{{"B", "00"}}));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("5-2"), std::string::npos);
    EXPECT_EQ(entriesOf("A|-|x}B}", &notes), (std::vector<Entry>{{"B", "00"}}));
    // An unterminated series at the end of the block neither loops nor reads past it.
    EXPECT_EQ(entriesOf("A|1-3", &notes).size(), 3u);
    EXPECT_EQ(entriesOf("A|1-", &notes).size(), 0u);
}

TEST(ParameterTexts, MoreEntriesThanTheTableAreRefused) {
    UnitDescription d;
    std::vector<std::string> notes;
    std::string block;
    for (int i = 0; i < kMaxParameters; ++i)
        block += "p}";
    EXPECT_EQ(decodeParameterTexts(bytes(block), d, notes), Result::Ok);
    EXPECT_EQ(d.parameterCount, kMaxParameters);
    EXPECT_EQ(decodeParameterTexts(bytes(block + "q}"), d, notes), Result::InternalFault);
    EXPECT_EQ(decodeParameterTexts(bytes("S|1-9999|}"), d, notes), Result::InternalFault);
    EXPECT_LE(d.parameterCount, kMaxParameters);
}

TEST(InputAndOutputTexts, FlagsCountsAndBounds) {
    UnitDescription d;
    d.inputs[5].pcSettable = 1;  // left over from a previous unit
    ASSERT_EQ(decodeInputTexts(bytes("Reset{S}Start{E}Both{se}None{x}"), d), Result::Ok);
    EXPECT_EQ(d.inputCount, 4);
    std::string flags;  // text, serial and external flag of the first six slots
    for (std::size_t k = 0; k < 6; ++k) {
        flags += d.inputs[k].text + std::to_string(d.inputs[k].pcSettable) +
                 std::to_string(d.inputs[k].external) + " ";
    }
    EXPECT_EQ(flags, "Reset10 Start01 Both11 None00 00 00 ");
    std::string many;
    for (int i = 0; i < kMaxInputs + 1; ++i)
        many += "i{s}";
    EXPECT_EQ(decodeInputTexts(bytes(many), d), Result::InternalFault);

    std::string ten;
    for (int i = 0; i < 10; ++i)
        ten += "out" + std::to_string(i) + "}";
    ASSERT_EQ(decodeOutputTexts(bytes(ten), d), Result::Ok);
    EXPECT_EQ(d.outputCount, 8);
    EXPECT_EQ(d.outputTexts[9], "out9");
    EXPECT_EQ(decodeOutputTexts(bytes(ten + "a}b}"), d), Result::InternalFault);
}

}  // namespace
}  // namespace qu32
