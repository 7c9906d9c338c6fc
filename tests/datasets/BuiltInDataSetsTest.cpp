#include "datasets/BuiltInDataSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "unit/ParamFormat.h"

namespace qu32 {
namespace {

using S = BuiltInSet;

std::string str(std::string_view text) {
    return std::string(text);
}

std::string describe(const DataSetRow& r) {
    return str(r.text) + "|" + str(r.code) + "|" + std::to_string(r.digits) + "|" +
           std::to_string(r.decimalPos) + "|" + std::to_string(r.signKind) + "|" +
           std::to_string(r.minValue) + ".." + std::to_string(r.maxValue);
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

// Counts, headings, codes, ranges and formats of every table.
TEST(BuiltInDataSets, EveryTableHoldsTogether) {
    // set, rows, outputs, blank heading (DATA-IN is row 0, the set-up heading follows), group
    const std::tuple<S, std::size_t, int, std::size_t, const char*, std::optional<int>> shapes[]{
        {S::A, 30, 4, 17, "SET-UP", std::nullopt},
        {S::B, 31, 4, 18, "SET-UP", std::nullopt},
        {S::C, 31, 4, 18, "SET-UP", std::nullopt},
        {S::D, 31, 4, 18, "SET-UP", std::nullopt},
        {S::E, 35, 8, 22, "SETUP", 3},
        {S::ProbeAA516, 19, 8, 13, "SETUP", 3},
        {S::ProbeUM516, 22, 8, 16, "SETUP", 3}};
    for (const auto& [id, rows, outputs, blank, setupHeading, group] : shapes) {
        const DataSet& set = builtInDataSet(id);
        SCOPED_TRACE(str(set.name));
        EXPECT_EQ(set.rows.size(), rows);
        EXPECT_EQ(set.inputCount, 16);
        EXPECT_EQ(set.outputCount, outputs);
        EXPECT_EQ(set.identity.unitGroup, group);
        EXPECT_FALSE(set.groupRegisters.has_value());
        std::vector<std::size_t> headings;
        std::set<std::string_view> codes;
        for (std::size_t i = 0; i < set.rows.size(); ++i) {
            const DataSetRow& row = set.rows[i];
            SCOPED_TRACE(describe(row));
            EXPECT_TRUE(isLatin1(row.text));
            ASSERT_EQ(row.code.size(), 2u);
            if (row.code == "xx") {
                headings.push_back(i);
                EXPECT_EQ(describe(row), str(row.text) + "|xx|0|-1|1|-77..-77");
                continue;
            }
            EXPECT_TRUE(codes.insert(row.code).second) << "duplicate code";
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

            // The same format as the unit's two format bytes decodes back to the row.
            const ParamFormat decoded = formatFromBytes(
                static_cast<std::uint8_t>(digitChars | (signChars ? 0x80 : 0) |
                                          (row.signKind == kSignKindHash ? 0x20 : 0)),
                static_cast<std::uint8_t>(hasPoint ? row.digits - row.decimalPos : 0));
            EXPECT_EQ(std::tie(decoded.digits, decoded.signKind, decoded.decimalPos),
                      std::tie(row.digits, row.signKind, row.decimalPos));
        }
        ASSERT_EQ(headings, (std::vector<std::size_t>{0, blank, blank + 1}));
        EXPECT_EQ(set.rows[0].text, "DATA-IN");
        EXPECT_EQ(set.rows[blank].text, "");
        EXPECT_EQ(set.rows[blank + 1].text, setupHeading);
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

TEST(BuiltInDataSets, SpotRows) {
    const std::tuple<S, std::size_t, DataSetRow> spots[]{
        {S::A, 2, {"Faktor 2", "01", 5, 1, 1, 1, 99999}},  // set A's own spelling
        {S::A, 20, {"LV-Calculation", "41", 0, -1, 1, 1, 4}},
        {S::A, 26, {"Offset Correction", "47", 2, -1, 0, -99, 99}},
        {S::B, 17, {"Sampling Time", "17", 3, -1, 1, 1, 1000}},
        {S::B, 30, {"Gain Total", "50", 4, -1, 1, 0, 65535}},
        {S::E, 2, {"Pulses Master/Rev", "01", 5, -1, 1, 1, 200000}},
        {S::ProbeAA516, 4, {"Offset", "03", 5, 4, 0, -32000, 9999}},
        {S::ProbeUM516, 6, {"Synchronl\xE4nge", "05", 4, 3, 1, 1, 9999}},
    };
    for (const auto& [id, index, row] : spots) {
        ASSERT_LT(index, builtInDataSet(id).rows.size());
        EXPECT_EQ(describe(builtInDataSet(id).rows[index]), describe(row));
    }
    // C is B's table; D differs from it only in the maximum of "Gain Total".
    const DataSet& b = builtInDataSet(S::B);
    for (std::size_t i = 0; i < b.rows.size(); ++i) {
        DataSetRow expected = b.rows[i];
        EXPECT_EQ(describe(builtInDataSet(S::C).rows[i]), describe(expected));
        expected.maxValue = i == 30 ? 99999 : expected.maxValue;
        EXPECT_EQ(describe(builtInDataSet(S::D).rows[i]), describe(expected));
    }
}

TEST(DataSetForFirmware, SelectionTableAndNearMisses) {
    // The argument is the 8-character field: shorter texts are padded, longer ones cut.
    const std::vector<std::pair<std::string, S>> cases{
        {"AA45901 ", S::A}, {"AA45902 ", S::A}, {"AA45903 ", S::A}, {"AA45904 ", S::A},
        {"AA45905 ", S::A}, {"AA45906 ", S::A}, {"AA45907 ", S::B}, {"AA45908 ", S::B},
        {"AA45909 ", S::C}, {"AA45910 ", S::C}, {"AA45911 ", S::D}, {"AA45911A", S::D},
        {"AA45911B", S::D}, {"81390710", S::E}, {"81390711", S::E}, {"81390712", S::E},
        {"81390713", S::E}, {"81390714", S::E}, {"81390715", S::E}, {"AA45901", S::A},
        {"AA45911AX", S::D}};
    for (const auto& [firmware, set] : cases)
        EXPECT_EQ(dataSetForFirmware(firmware), &builtInDataSet(set)) << '"' << firmware << '"';
    EXPECT_EQ(firmwareSelections().size(), cases.size() - 2);
    for (const std::string firmware :
         {"AA45900 ", "AA45912 ", "AA45911C", "AA45911a", "aa45901 ", "Aa45901 ", " AA45901",
          "AA4590 1", "AA45901A", "81390709", "81390716", "8139071 ", "AA51609 ", "713528xx",
          "????????", "        ", "", "8139071"}) {
        EXPECT_EQ(dataSetForFirmware(firmware), nullptr) << '"' << firmware << '"';
    }
}

// A unit that answers every register of a probe in the expected shape, with scripted failures.
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
            reads.push_back(code);
            std::vector<Result>& pending = failures[code];  // results returned before the answer
            if (!pending.empty()) {
                const Result result = pending.front();
                pending.erase(pending.begin());
                return result;
            }
            answer = answers.at(code);
            return Result::Ok;
        };
    }
    std::vector<std::string> reads;
    std::map<std::string, std::string> answers;
    std::map<std::string, std::vector<Result>> failures;
};

TEST(ProbeMatches, AnswerShapeDecidesAfterEveryRegisterWasRead) {
    ASSERT_EQ(probeRunOrder().size(), 2u);
    EXPECT_EQ(probeShape(ProbeSet::AA516).dataSet, &builtInDataSet(S::ProbeAA516));
    EXPECT_EQ(probeShape(ProbeSet::UM516).dataSet, &builtInDataSet(S::ProbeUM516));
    for (ProbeSet id : probeRunOrder()) {
        ScriptedUnit unit(probeShape(id));
        EXPECT_TRUE(probeMatches(probeShape(id), unit.reader())) << probeShape(id).name;
        EXPECT_EQ(unit.reads.size(), probeShape(id).registers.size());
    }
    const ProbeShape& aa = probeShape(ProbeSet::AA516);  // "03" signed 5, "00" and "01" unsigned 4
    const std::tuple<const char*, std::string, std::string, bool> cases[]{
        {"unsigned answer where signed expected", "03", "12345", false},
        {"signed answer where unsigned expected", "01", "+1234", false},
        {"plus sign counts as signed", "03", "+1234", true},
        {"hash is not a sign", "03", "#1234", false},
        {"one character short", "00", "123", false},
        {"one character long", "00", "12345", false},
        {"spaces around the answer are trimmed", "00", "  1234 ", true},
        {"inner spaces are kept", "00", "1 234", false},
    };
    for (const auto& [name, code, answer, matches] : cases) {
        ScriptedUnit unit(aa);
        unit.answers[code] = answer;
        EXPECT_EQ(probeMatches(aa, unit.reader()), matches) << name;
        EXPECT_EQ(unit.reads.size(), aa.registers.size()) << name;
    }
}

TEST(ProbeMatches, FailureCountersPerKindAndPerRegister) {
    constexpr Result kLine = Result::LineFailed;
    constexpr Result kTimeout = Result::TimeoutHeader;
    constexpr Result kUnknown = Result::UnknownCode;
    constexpr Result kShort = Result::PacketTooShort;
    const ProbeShape& um = probeShape(ProbeSet::UM516);
    const std::size_t all = um.registers.size();
    const std::vector<Result> mixed{kLine,    kTimeout, kLine,    kTimeout, kLine,
                                    kTimeout, kLine,    kTimeout, kLine};
    // Failures of register "05", which comes after five registers that answer at once.
    const std::tuple<const char*, std::vector<Result>, bool, std::size_t> cases[]{
        {"five line failures are tolerated", {kLine, kLine, kLine, kLine, kLine}, true, all + 5},
        {"the sixth line failure ends the probe",
         {kLine, kLine, kLine, kLine, kLine, kLine},
         false,
         5 + 6},
        {"the sixth time-out ends the probe",
         {kTimeout, kTimeout, kTimeout, kTimeout, kTimeout, kTimeout},
         false,
         5 + 6},
        {"unknown code and a short answer together",
         {kUnknown, kShort, kUnknown, kShort, kUnknown, kShort},
         false,
         5 + 6},
        {"nine mixed failures, then an answer", mixed, true, all + 9},
        {"five of each kind leave the answer empty",
         {kLine, kTimeout, kLine, kTimeout, kLine, kTimeout, kLine, kTimeout, kLine, kTimeout},
         false,
         all + 9}};
    for (const auto& [name, results, matches, reads] : cases) {
        ScriptedUnit unit(um);
        unit.failures["05"] = results;
        EXPECT_EQ(probeMatches(um, unit.reader()), matches) << name;
        EXPECT_EQ(unit.reads.size(), reads) << name;
    }
    // The counters start again for every register.
    ScriptedUnit unit(um);
    unit.failures["00"] = unit.failures["01"] = {kLine, kLine, kLine, kLine, kLine};
    EXPECT_TRUE(probeMatches(um, unit.reader()));
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
    EXPECT_EQ(t.description.parameterCount, 30);
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
    EXPECT_EQ(t.identity.softwareVersion, "AA45903 ");
    EXPECT_EQ(t.identity.unitGroup, 1);
    EXPECT_EQ(t.group.inputMasks, before.group.inputMasks);
    EXPECT_EQ(t.group.inputCommandCodes, before.group.inputCommandCodes);
}

TEST(InstallDataSet, SetsGroupMasksIdentityAndRegistersOnlyWhereTheSetGivesThem) {
    Installed e;
    const Installed before = e;
    e.install(builtInDataSet(S::E));
    EXPECT_EQ(e.description.parameterCount, 35);
    EXPECT_EQ(e.identity.unitGroup, 3);
    EXPECT_EQ(e.identity.softwareVersion, "AA45903 ");
    std::vector<int> masks(before.group.inputMasks.begin(), before.group.inputMasks.begin() + 12);
    masks.insert(masks.end(), {1024, 2048, 512, 256});
    EXPECT_EQ(std::vector<int>(e.group.inputMasks.begin(), e.group.inputMasks.begin() + 16), masks);
    EXPECT_EQ(e.group.inputCommandCodes, before.group.inputCommandCodes);

    Installed probe;
    probe.identity.softwareVersionText = "";  // as left by a failed identification
    probe.install(builtInDataSet(S::ProbeUM516));
    EXPECT_EQ(probe.description.parameterCount, 22);
    const UnitIdentity& id = probe.identity;
    EXPECT_EQ(id.softwareVersion + id.standardVersion + id.unitType, "713529xxUM51609 UM516");
    EXPECT_EQ(id.versionForm, 1);
    EXPECT_EQ(id.softwareVersionText, "");

    constexpr DataSetRow rows[] = {{"Speed", "01", 3, -1, 1, 0, 9999}};
    const DataSetGroupRegisters registers{"71", "70", "77", 128, ">0", ">1", ">2", ">3", ":0"};
    Installed custom;
    custom.install({"custom", rows, 0, {}, 0, {}, {}, registers});
    EXPECT_EQ(custom.description.parameterCount, 1);
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
