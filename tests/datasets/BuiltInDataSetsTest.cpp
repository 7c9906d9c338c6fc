#include "datasets/BuiltInDataSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace qu32 {
namespace {

using S = BuiltInSet;

std::string str(std::string_view text) {
    return std::string(text);
}

// "digits|decimal point|sign kind|minimum..maximum"
std::string formatOf(const DataSetRow& r) {
    return std::to_string(r.digits) + "|" + std::to_string(r.decimalPos) + "|" +
           std::to_string(r.signKind) + "|" + std::to_string(r.minValue) + ".." +
           std::to_string(r.maxValue);
}

std::string describe(const DataSetRow& r) {
    return str(r.text) + "|" + str(r.code) + "|" + formatOf(r);
}

int decimalDigitCount(std::int64_t value) {
    int count = 1;
    for (value = std::llabs(value); value >= 10; value /= 10)
        ++count;
    return count;
}

// A UTF-8 umlaut pasted into a table would show as two odd characters in the list.
bool isLatin1(std::string_view text) {
    return text.find('\xC3') == std::string_view::npos && text.find("  ") == std::string_view::npos;
}

// Counts, headings, codes in order and ranges of every table. A row the sets share by name has
// one format and range everywhere, except where a firmware generation differs: A's narrower
// set-up, D's wider "Gain Total", E's "Index Window" from 0 and the probe sets' "Offset".
TEST(BuiltInDataSets, EveryTableHoldsTogether) {
    const std::map<std::pair<std::string, S>, std::string> ownVariant{
        {{"Gain Correction", S::A}, "3|-1|1|0..1000"},
        {{"Gain Total", S::A}, "3|-1|1|0..9999"},
        {{"LV-Calculation", S::A}, "0|-1|1|1..4"},
        {{"Gain Total", S::D}, "4|-1|1|0..99999"},
        {{"Index Window", S::E}, "3|-1|1|0..9999"},
        {{"Offset", S::ProbeAA516}, "5|4|0|-32000..9999"},
        {{"Offset", S::ProbeUM516}, "5|4|0|-9999..9999"}};
    std::map<std::string, std::string> sharedFormat;
    const std::string kDataIn = "xx 00 01 02 03 04 05 06 16 08 09 10 11 12 13 14 15 ";
    const std::string kSetUp = "xx xx 40 41 90 91 92 45 46 47 48 49 50";
    const std::string kCodesE =
        "xx 00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 16 17 18 19 20 21 "
        "xx xx 43 44 90 91 92 45 46 47 48 49 50";
    // set, register codes (headings "xx"), outputs, set-up heading, group
    const std::tuple<S, std::string, int, const char*, std::optional<int>> shapes[]{
        {S::A, kDataIn + kSetUp, 4, "SET-UP", std::nullopt},
        {S::B, kDataIn + "17 " + kSetUp, 4, "SET-UP", std::nullopt},
        {S::C, kDataIn + "17 " + kSetUp, 4, "SET-UP", std::nullopt},
        {S::D, kDataIn + "17 " + kSetUp, 4, "SET-UP", std::nullopt},
        {S::E, kCodesE, 8, "SETUP", 3},
        {S::ProbeAA516, "xx 00 01 02 03 04 05 06 07 08 09 10 11 xx xx 45 46 48 50", 8, "SETUP", 3},
        {S::ProbeUM516, "xx 00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 xx xx 43 44 46 48", 8,
         "SETUP", 3}};
    for (const auto& [id, codes, outputs, setupHeading, group] : shapes) {
        const DataSet& set = builtInDataSet(id);
        SCOPED_TRACE(str(set.name));
        std::string listed;
        for (const DataSetRow& row : set.rows)
            listed += (listed.empty() ? "" : " ") + str(row.code);
        EXPECT_EQ(listed, codes);
        EXPECT_EQ(set.inputCount, 16);
        EXPECT_EQ(set.outputCount, outputs);
        EXPECT_EQ(set.identity.unitGroup, group);
        EXPECT_FALSE(set.groupRegisters.has_value());  // identification's registers stay
        std::vector<std::size_t> headings;
        for (std::size_t i = 0; i < set.rows.size(); ++i) {
            const DataSetRow& row = set.rows[i];
            SCOPED_TRACE(describe(row));
            EXPECT_TRUE(isLatin1(row.text));
            if (row.code == "xx") {
                headings.push_back(i);
                EXPECT_EQ(describe(row), str(row.text) + "|xx|0|-1|1|-77..-77");
                continue;
            }
            // Set A spells "Factor 2" in German.
            const std::string name = row.text == "Faktor 2" ? "Factor 2" : str(row.text);
            const auto variant = ownVariant.find({name, id});
            EXPECT_EQ(formatOf(row), variant != ownVariant.end()
                                         ? variant->second
                                         : sharedFormat.emplace(name, formatOf(row)).first->second);
            EXPECT_LE(row.minValue, row.maxValue);
            EXPECT_TRUE(row.signKind != kSignKindUnsigned || row.minValue >= 0);
            // Display text of digits + 1 characters: optional sign, digits, optional point.
            const int signChars = row.signKind == kSignKindUnsigned ? 0 : 1;
            const bool hasPoint = row.decimalPos != kNoDecimalPoint;
            const int digitChars = row.digits + 1 - signChars - (hasPoint ? 1 : 0);
            ASSERT_TRUE(digitChars >= 1 && digitChars <= 10);
            EXPECT_TRUE(!hasPoint || (row.decimalPos > signChars && row.decimalPos < row.digits));
            // AA516 "Offset" shows 4 digits with a minimum of -32000, as the unit has it.
            const bool knownWide = id == S::ProbeAA516 && row.code == "03";
            const int widest =
                std::max(decimalDigitCount(row.minValue), decimalDigitCount(row.maxValue));
            EXPECT_EQ(widest > digitChars, knownWide) << "range against display width";
        }
        ASSERT_EQ(headings.size(), 3u);
        EXPECT_EQ(set.rows[headings[0]].text, "DATA-IN");
        EXPECT_EQ(set.rows[headings[1]].text, "");
        EXPECT_EQ(set.rows[headings[2]].text, setupHeading);
        for (const DataSetInput& input : set.inputs) {
            EXPECT_TRUE(isLatin1(input.text));
            EXPECT_EQ(input.text.empty(), !input.pcSettable && !input.external) << input.text;
        }
        for (std::size_t k = 0; k < set.outputs.size(); ++k) {
            EXPECT_TRUE(isLatin1(set.outputs[k].text));
            EXPECT_EQ(set.outputs[k].text.empty(), static_cast<int>(k) >= set.outputCount) << k;
        }
    }
}

// Firmware AA45901 to 06 select set A, 07 and 08 set B, 09 and 10 set C, 11 (with its variants
// A and B) set D and 81390710 to 15 set E.
TEST(DataSetForFirmware, FirmwareRunsAndNearMisses) {
    std::vector<std::pair<std::string, S>> selecting{{"AA45911A", S::D}, {"AA45911B", S::D}};
    const std::tuple<const char*, int, int, const char*, S> runs[]{{"AA459", 1, 6, " ", S::A},
                                                                   {"AA459", 7, 8, " ", S::B},
                                                                   {"AA459", 9, 10, " ", S::C},
                                                                   {"AA459", 11, 11, " ", S::D},
                                                                   {"813907", 10, 15, "", S::E}};
    for (const auto& [prefix, first, last, suffix, set] : runs) {
        for (int n = first; n <= last; ++n) {
            char id[16];
            std::snprintf(id, sizeof id, "%s%02d%s", prefix, n, suffix);
            selecting.emplace_back(id, set);
        }
    }
    EXPECT_EQ(firmwareSelections().size(), selecting.size());
    // The argument is the 8-character field: shorter texts are padded, longer ones cut.
    selecting.insert(selecting.end(), {{"AA45901", S::A}, {"AA45911AX", S::D}});
    for (const auto& [firmware, set] : selecting)
        EXPECT_EQ(dataSetForFirmware(firmware), &builtInDataSet(set)) << '"' << firmware << '"';
    // Otherwise case and spaces count.
    for (const std::string firmware :
         {"AA45911a", "aa45901 ", " AA45901", "AA45901A", "8139071", "", "AA51609 "})
        EXPECT_EQ(dataSetForFirmware(firmware), nullptr) << '"' << firmware << '"';
}

// A unit that answers every register of a probe in the expected shape, with scripted failures
// before an answer.
struct ScriptedUnit {
    explicit ScriptedUnit(const ProbeShape& probe) {
        for (const ProbeRegister& reg : probe.registers) {
            std::string& answer = answers[str(reg.code)];
            answer.assign(static_cast<std::size_t>(reg.answerLength), '7');
            answer[0] = reg.isSigned ? '-' : '7';
        }
    }
    ProbeRead reader() {
        return [this](const std::string& code, std::string& answer) {
            ++reads;
            std::vector<Result>& pending = failures[code];
            if (!pending.empty()) {
                const Result result = pending.front();
                pending.erase(pending.begin());
                return result;
            }
            answer = answers.at(code);
            return Result::Ok;
        };
    }
    std::size_t reads = 0;
    std::map<std::string, std::string> answers;
    std::map<std::string, std::vector<Result>> failures;
};

TEST(ProbeMatches, EveryRegisterIsReadThenTheAnswersShapesDecide) {
    const std::map<char, Result> kinds{{'L', Result::LineFailed},
                                       {'T', Result::TimeoutHeader},
                                       {'U', Result::UnknownCode},
                                       {'S', Result::PacketTooShort}};
    // "00" unsigned 4, "01" unsigned 5, "03" signed 5; "05" is the sixth register read.
    const ProbeShape& aa = probeShape(ProbeSet::AA516);
    const std::size_t all = aa.registers.size();
    // Register, its answer (empty: the expected shape), the failures before it (L: line failure;
    // the other kinds, time-out, unknown code and short answer, count together), match, reads.
    const std::tuple<const char*, std::string, std::string, std::string, bool, std::size_t> cases[]{
        {"unsigned answer where signed expected", "03", "12345", "", false, all},
        {"signed answer where unsigned expected", "01", "+1234", "", false, all},
        {"plus sign counts as signed", "03", "+1234", "", true, all},
        {"hash is not a sign", "03", "#1234", "", false, all},
        {"one character short", "00", "123", "", false, all},
        {"one character long", "00", "12345", "", false, all},
        {"spaces around the answer are trimmed", "00", "  1234 ", "", true, all},
        {"inner spaces are kept", "00", "1 234", "", false, all},
        {"five line failures are tolerated", "05", "", "LLLLL", true, all + 5},
        {"the sixth line failure ends the probe", "05", "", "LLLLLL", false, 5 + 6},
        {"every other failure counts together", "05", "", "USUSUT", false, 5 + 6},
        {"nine mixed failures, then an answer", "05", "", "LTLTLTLTL", true, all + 9},
        {"five of each kind leave the answer empty", "05", "", "LTLTLTLTLT", false, all + 9}};
    for (const auto& [name, code, answer, failures, matches, reads] : cases) {
        ScriptedUnit unit(aa);
        if (!answer.empty())
            unit.answers[code] = answer;
        for (const char kind : failures)
            unit.failures[code].push_back(kinds.at(kind));
        EXPECT_EQ(probeMatches(aa, unit.reader()), matches) << name;
        EXPECT_EQ(unit.reads, reads) << name;
    }
    // The counters start again for every register.
    ScriptedUnit unit(aa);
    unit.failures["00"] = unit.failures["01"] = std::vector<Result>(5, Result::LineFailed);
    EXPECT_TRUE(probeMatches(aa, unit.reader()));
}

// A description left behind by a larger unit, with everything filled in.
struct Installed {
    UnitDescription description;
    UnitIdentity identity;
    GroupRegisters group;

    Installed() {
        description.parameterCount = kMaxParameters;
        description.parameters.fill(
            Parameter{"old", "99", ParamFormat{9, kSignKindHash, 3, -5, 5}, 0xA9, 3, "+1", "+2"});
        description.inputCount = kMaxInputs;
        description.inputs.fill(Input{"old input", 1, 1});
        description.outputCount = kMaxOutputTexts;
        description.outputTexts.fill("old output");
        identity.softwareVersion = "AA45903 ";
        identity.unitGroup = 1;
        for (std::size_t k = 0; k < group.inputMasks.size(); ++k) {
            group.inputMasks[k] = 1 << k;
            group.inputCommandCodes[k] = "c" + std::to_string(k);
        }
    }
    void install(const DataSet& set) { installDataSet(set, description, identity, group); }
};

TEST(InstallDataSet, SetAReplacesALargerDescriptionAndClearsTheLeftovers) {
    Installed t;
    const Installed before = t;
    const DataSet& a = builtInDataSet(S::A);
    t.install(a);
    const UnitDescription& d = t.description;
    EXPECT_EQ(d.parameterCount, 30);
    for (std::size_t i = 0; i < d.parameters.size(); ++i) {
        const Parameter& p = d.parameters[i];
        const ParamFormat& f = p.format;
        if (i >= a.rows.size()) {
            EXPECT_EQ(p.text + p.code + p.value, "") << i;
            continue;
        }
        EXPECT_EQ(
            describe({p.text, p.code, f.digits, f.decimalPos, f.signKind, f.minValue, f.maxValue}),
            describe(a.rows[i]));
        EXPECT_EQ(p.digitsByte + p.decimalByte, 0) << i;
        EXPECT_EQ(p.value + p.unitValue, "+1+2") << "values come from the unit";
    }
    EXPECT_EQ(d.inputCount, 16);
    for (std::size_t k : {0, 13, 16, 20}) {
        const Input& in = d.inputs[k];
        EXPECT_EQ(in.text + std::to_string(in.pcSettable) + std::to_string(in.external),
                  k == 13 ? "Activate Data10" : "00");
    }
    EXPECT_EQ(d.outputCount, 4);
    EXPECT_EQ(d.outputTexts[3] + d.outputTexts[4] + d.outputTexts[10], "Index OK");
    // Identity, masks and command codes stay as identification left them.
    EXPECT_EQ(t.identity.softwareVersion + std::to_string(t.identity.unitGroup), "AA45903 1");
    EXPECT_EQ(t.group.inputMasks, before.group.inputMasks);
    EXPECT_EQ(t.group.inputCommandCodes, before.group.inputCommandCodes);
}

TEST(InstallDataSet, SetsGroupMasksIdentityAndRegistersOnlyWhereTheSetGivesThem) {
    Installed e;
    const Installed before = e;
    e.install(builtInDataSet(S::E));
    EXPECT_EQ(e.identity.softwareVersion + std::to_string(e.identity.unitGroup), "AA45903 3");
    std::vector<int> masks(before.group.inputMasks.begin(), before.group.inputMasks.begin() + 12);
    masks.insert(masks.end(), {1024, 2048, 512, 256});
    EXPECT_EQ(std::vector<int>(e.group.inputMasks.begin(), e.group.inputMasks.begin() + 16), masks);
    EXPECT_EQ(e.group.inputCommandCodes, before.group.inputCommandCodes);

    Installed probe;
    probe.identity.softwareVersionText = "";  // as left by a failed identification
    probe.install(builtInDataSet(S::ProbeUM516));
    const UnitIdentity& id = probe.identity;
    EXPECT_EQ(id.softwareVersion + id.standardVersion + id.unitType, "713529xxUM51609 UM516");
    EXPECT_EQ(id.versionForm, 1);
    EXPECT_EQ(id.softwareVersionText, "");

    constexpr DataSetRow rows[] = {{"Speed", "01", 3, -1, 1, 0, 9999}};
    const DataSetGroupRegisters registers{"71", "70", "77", 128, ">0", ">1", ">2", ">3", ":0"};
    Installed custom;
    custom.install({"custom", rows, 0, {}, 0, {}, {}, registers});
    const GroupRegisters& g = custom.group;
    EXPECT_EQ(g.activateCode + g.storeCode + g.resetCode + g.outputCode + g.pcInputCode +
                  g.externalInputCode + g.auxStatusCode + g.actualValueCode +
                  std::to_string(g.resetMask),
              "717077>0>1>2>3:0128");
}

TEST(InstallDataSet, RefusesASetThatDoesNotFitAndLeavesTheDescriptionAlone) {
    constexpr DataSetRow rows[] = {{"Speed", "01", 3, -1, 1, 0, 9999}};
    constexpr DataSetOutput outputs[] = {{"Ready"}};
    const DataSet tooManyOutputs{"bad", rows, 0, {}, 2, outputs, {}};
    const DataSet noRows{"empty", {}, 0, {}, 0, {}, {}};
    for (const DataSet* set : {&tooManyOutputs, &noRows}) {
        Installed left;
        EXPECT_THROW(left.install(*set), std::invalid_argument);
        EXPECT_EQ(left.description.parameterCount, kMaxParameters);
        EXPECT_EQ(left.description.parameters[0].text, "old");
    }
}

}  // namespace
}  // namespace qu32
