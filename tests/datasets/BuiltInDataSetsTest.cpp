#include "datasets/BuiltInDataSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "unit/ParamFormat.h"

namespace qu32 {
namespace {

constexpr BuiltInSet kAllSets[] = {BuiltInSet::A,         BuiltInSet::B, BuiltInSet::C,
                                   BuiltInSet::D,         BuiltInSet::E, BuiltInSet::ProbeAA516,
                                   BuiltInSet::ProbeUM516};

std::string str(std::string_view text) {
    return std::string(text);
}

// ---------------------------------------------------------------------------------------------
// Shape of every set: counts, headings, identity.

struct SetShape {
    BuiltInSet set;
    std::size_t rows;
    int inputs;
    int outputs;
    std::vector<std::size_t> headingRows;  // DATA-IN, the blank separator, the set-up heading
    std::string setupHeading;
    std::optional<int> unitGroup;  // nullopt: the set leaves the group alone
};

const std::vector<SetShape>& shapes() {
    static const std::vector<SetShape> kShapes{
        {BuiltInSet::A, 30, 16, 4, {0, 17, 18}, "SET-UP", std::nullopt},
        {BuiltInSet::B, 31, 16, 4, {0, 18, 19}, "SET-UP", std::nullopt},
        {BuiltInSet::C, 31, 16, 4, {0, 18, 19}, "SET-UP", std::nullopt},
        {BuiltInSet::D, 31, 16, 4, {0, 18, 19}, "SET-UP", std::nullopt},
        {BuiltInSet::E, 35, 16, 8, {0, 22, 23}, "SETUP", 3},
        {BuiltInSet::ProbeAA516, 19, 16, 8, {0, 13, 14}, "SETUP", 3},
        {BuiltInSet::ProbeUM516, 22, 16, 8, {0, 16, 17}, "SETUP", 3},
    };
    return kShapes;
}

TEST(BuiltInDataSets, CountsHeadingsAndGroupOfEverySet) {
    for (const SetShape& shape : shapes()) {
        const DataSet& set = builtInDataSet(shape.set);
        SCOPED_TRACE(str(set.name));
        EXPECT_EQ(set.rows.size(), shape.rows);
        EXPECT_EQ(set.inputCount, shape.inputs);
        EXPECT_EQ(set.outputCount, shape.outputs);
        EXPECT_EQ(set.inputs.size(), 16u);
        EXPECT_EQ(set.outputs.size(), 8u);
        EXPECT_EQ(set.identity.unitGroup, shape.unitGroup);

        std::vector<std::size_t> headings;
        for (std::size_t i = 0; i < set.rows.size(); ++i) {
            if (set.rows[i].code == "xx")
                headings.push_back(i);
        }
        EXPECT_EQ(headings, shape.headingRows);
        ASSERT_EQ(headings.size(), 3u);
        EXPECT_EQ(set.rows[headings[0]].text, "DATA-IN");
        EXPECT_EQ(set.rows[headings[1]].text, "");
        EXPECT_EQ(set.rows[headings[2]].text, shape.setupHeading);
    }
}

// ---------------------------------------------------------------------------------------------
// Row invariants that a slip in a table would break.

// Rows whose range is wider than their display, kept as the unit's documentation has them.
bool isKnownWideRange(const DataSet& set, std::size_t row) {
    // AA516 "Offset": 4 digits shown, minimum -32000.
    return &set == &builtInDataSet(BuiltInSet::ProbeAA516) && row == 4;
}

int decimalDigitCount(std::int64_t value) {
    value = std::llabs(value);
    int count = 1;
    while (value >= 10) {
        value /= 10;
        ++count;
    }
    return count;
}

TEST(BuiltInDataSets, HeadingRowsCarryNoFormatAndTheMarkerRange) {
    for (BuiltInSet id : kAllSets) {
        const DataSet& set = builtInDataSet(id);
        for (std::size_t i = 0; i < set.rows.size(); ++i) {
            const DataSetRow& row = set.rows[i];
            if (row.code != "xx")
                continue;
            SCOPED_TRACE(str(set.name) + " row " + std::to_string(i));
            EXPECT_EQ(row.digits, 0);
            EXPECT_EQ(row.decimalPos, kNoDecimalPoint);
            EXPECT_EQ(row.signKind, kSignKindUnsigned);
            EXPECT_EQ(row.minValue, kHeadingBound);
            EXPECT_EQ(row.maxValue, kHeadingBound);
        }
    }
}

TEST(BuiltInDataSets, RegisterCodesAreTwoCharactersAndUniqueWithinASet) {
    for (BuiltInSet id : kAllSets) {
        const DataSet& set = builtInDataSet(id);
        std::set<std::string_view> seen;
        for (std::size_t i = 0; i < set.rows.size(); ++i) {
            const DataSetRow& row = set.rows[i];
            SCOPED_TRACE(str(set.name) + " row " + std::to_string(i));
            ASSERT_EQ(row.code.size(), 2u);
            for (char c : row.code)
                EXPECT_TRUE(c >= '0' && c <= 'z') << "code " << row.code;
            if (row.code != "xx") {
                EXPECT_TRUE(seen.insert(row.code).second) << "duplicate code " << row.code;
            }
        }
    }
}

TEST(BuiltInDataSets, TextsAreLatin1WithoutStraySpaces) {
    // A UTF-8 umlaut pasted into a table would show as two odd characters in the list.
    const auto allowed = [](unsigned char c) {
        return (c >= 0x20 && c < 0x7F) || c == 0xE4 || c == 0xF6 || c == 0xFC || c == 0xC4 ||
               c == 0xD6 || c == 0xDC || c == 0xDF;
    };
    const auto check = [&](std::string_view text, const std::string& where) {
        SCOPED_TRACE(where);
        for (unsigned char c : text)
            EXPECT_TRUE(allowed(c)) << "byte " << int{c};
        if (!text.empty()) {
            EXPECT_NE(text.front(), ' ');
            EXPECT_NE(text.back(), ' ');
        }
        EXPECT_EQ(text.find("  "), std::string_view::npos);
    };
    for (BuiltInSet id : kAllSets) {
        const DataSet& set = builtInDataSet(id);
        for (std::size_t i = 0; i < set.rows.size(); ++i)
            check(set.rows[i].text, str(set.name) + " row " + std::to_string(i));
        for (std::size_t k = 0; k < set.inputs.size(); ++k)
            check(set.inputs[k].text, str(set.name) + " input " + std::to_string(k));
        for (std::size_t k = 0; k < set.outputs.size(); ++k)
            check(set.outputs[k].text, str(set.name) + " output " + std::to_string(k));
    }
}

TEST(BuiltInDataSets, EveryParameterFormatIsOneTheUnitCouldDescribe) {
    constexpr std::uint8_t kSignedBit = 0x80;
    constexpr std::uint8_t kHashBit = 0x20;
    constexpr int kMaxDigitCharacters = 10;  // a 32-bit value has at most 10 digits
    for (BuiltInSet id : kAllSets) {
        const DataSet& set = builtInDataSet(id);
        for (std::size_t i = 0; i < set.rows.size(); ++i) {
            const DataSetRow& row = set.rows[i];
            if (row.code == "xx")
                continue;
            SCOPED_TRACE(str(set.name) + " row " + std::to_string(i) + " " + str(row.text));

            ASSERT_TRUE(row.signKind == kSignKindSigned || row.signKind == kSignKindUnsigned ||
                        row.signKind == kSignKindHash);
            EXPECT_LE(row.minValue, row.maxValue);
            if (row.signKind == kSignKindUnsigned) {
                EXPECT_GE(row.minValue, 0);
            }

            // The display text is digits + 1 characters: an optional sign, the digits and an
            // optional point, which needs a digit on either side.
            const int signChars = row.signKind == kSignKindUnsigned ? 0 : 1;
            const bool hasPoint = row.decimalPos != kNoDecimalPoint;
            const int digitChars = row.digits + 1 - signChars - (hasPoint ? 1 : 0);
            ASSERT_GE(digitChars, 1);
            ASSERT_LE(digitChars, kMaxDigitCharacters);
            if (hasPoint) {
                EXPECT_GE(row.decimalPos, signChars + 1);
                EXPECT_LE(row.decimalPos, row.digits - 1);
            }

            // The same format written as the unit's two format bytes decodes back to the row.
            const int fractionDigits = hasPoint ? row.digits - row.decimalPos : 0;
            const auto digitsByte = static_cast<std::uint8_t>(
                digitChars | (row.signKind == kSignKindUnsigned ? 0 : kSignedBit) |
                (row.signKind == kSignKindHash ? kHashBit : 0));
            const ParamFormat decoded =
                formatFromBytes(digitsByte, static_cast<std::uint8_t>(fractionDigits));
            EXPECT_EQ(decoded.digits, row.digits);
            EXPECT_EQ(decoded.signKind, row.signKind);
            EXPECT_EQ(decoded.decimalPos, row.decimalPos);

            const int widest =
                std::max(decimalDigitCount(row.minValue), decimalDigitCount(row.maxValue));
            if (isKnownWideRange(set, i)) {
                EXPECT_GT(widest, digitChars) << "no longer an exception";
            } else {
                EXPECT_LE(widest, digitChars) << "range wider than the display";
            }
        }
    }
}

TEST(BuiltInDataSets, InputAndOutputSlotsAreConsistent) {
    for (BuiltInSet id : kAllSets) {
        const DataSet& set = builtInDataSet(id);
        for (std::size_t k = 0; k < set.inputs.size(); ++k) {
            const DataSetInput& input = set.inputs[k];
            SCOPED_TRACE(str(set.name) + " input " + std::to_string(k));
            EXPECT_TRUE(input.serial == 0 || input.serial == 1);
            EXPECT_TRUE(input.external == 0 || input.external == 1);
            // An unnamed slot is never offered, a named one always is in some way.
            EXPECT_EQ(input.text.empty(), input.serial == 0 && input.external == 0);
            EXPECT_FALSE(input.commandCode.has_value());
            if (input.mask) {
                EXPECT_EQ(std::popcount(static_cast<unsigned>(*input.mask)), 1);
            }
        }
        for (std::size_t k = 0; k < set.outputs.size(); ++k) {
            SCOPED_TRACE(str(set.name) + " output " + std::to_string(k));
            EXPECT_EQ(set.outputs[k].text.empty(), static_cast<int>(k) >= set.outputCount);
            EXPECT_FALSE(set.outputs[k].mask.has_value());
        }
        EXPECT_FALSE(set.groupRegisters.has_value());
    }
}

// ---------------------------------------------------------------------------------------------
// Spot checks against the documented tables.

void expectRow(const DataSet& set, std::size_t index, const DataSetRow& expected) {
    ASSERT_LT(index, set.rows.size());
    const DataSetRow& row = set.rows[index];
    SCOPED_TRACE(str(set.name) + " row " + std::to_string(index));
    EXPECT_EQ(row.text, expected.text);
    EXPECT_EQ(row.code, expected.code);
    EXPECT_EQ(row.digits, expected.digits);
    EXPECT_EQ(row.decimalPos, expected.decimalPos);
    EXPECT_EQ(row.signKind, expected.signKind);
    EXPECT_EQ(row.minValue, expected.minValue);
    EXPECT_EQ(row.maxValue, expected.maxValue);
}

TEST(BuiltInDataSets, SpotChecksOfRows) {
    const DataSet& a = builtInDataSet(BuiltInSet::A);
    expectRow(a, 1, {"Factor 1", "00", 5, 1, 1, 1, 99999});
    expectRow(a, 2, {"Faktor 2", "01", 5, 1, 1, 1, 99999});  // set A's own spelling
    expectRow(a, 8, {"Index Window", "16", 3, -1, 1, 1, 9999});
    expectRow(a, 26, {"Offset Correction", "47", 2, -1, 0, -99, 99});
    expectRow(a, 29, {"Gain Total", "50", 3, -1, 1, 0, 9999});

    const DataSet& b = builtInDataSet(BuiltInSet::B);
    expectRow(b, 2, {"Factor 2", "01", 5, 1, 1, 1, 99999});
    expectRow(b, 17, {"Sampling Time", "17", 3, -1, 1, 1, 1000});
    expectRow(b, 30, {"Gain Total", "50", 4, -1, 1, 0, 65535});

    const DataSet& e = builtInDataSet(BuiltInSet::E);
    expectRow(e, 1, {"Length", "00", 4, 3, 1, 1, 9999});
    expectRow(e, 2, {"Pulses Master/Rev", "01", 5, -1, 1, 1, 200000});
    expectRow(e, 34, {"Gain Total", "50", 4, -1, 1, 0, 65535});

    const DataSet& aa = builtInDataSet(BuiltInSet::ProbeAA516);
    expectRow(aa, 1, {"Packungsl\xE4nge", "00", 4, 3, 1, 1, 9999});
    expectRow(aa, 4, {"Offset", "03", 5, 4, 0, -32000, 9999});
    expectRow(aa, 18, {"Gain Total", "50", 4, -1, 1, 0, 65535});

    const DataSet& um = builtInDataSet(BuiltInSet::ProbeUM516);
    expectRow(um, 6, {"Synchronl\xE4nge", "05", 4, 3, 1, 1, 9999});
    expectRow(um, 15, {"Synchrongeschw.", "14", 4, 3, 0, -999, 999});
    expectRow(um, 21, {"Gain Total", "48", 4, -1, 1, 0, 65535});
}

TEST(BuiltInDataSets, SetsBAndCAreOneTableAndDDiffersOnlyInGainTotal) {
    const DataSet& b = builtInDataSet(BuiltInSet::B);
    const DataSet& c = builtInDataSet(BuiltInSet::C);
    const DataSet& d = builtInDataSet(BuiltInSet::D);
    ASSERT_EQ(c.rows.size(), b.rows.size());
    ASSERT_EQ(d.rows.size(), b.rows.size());
    for (std::size_t i = 0; i < b.rows.size(); ++i) {
        expectRow(c, i, b.rows[i]);
        DataSetRow expected = b.rows[i];
        if (i == 30)
            expected.maxValue = 99999;
        expectRow(d, i, expected);
    }
    // Set A is the older table: no "Sampling Time", narrower LV-Calculation and gains.
    const DataSet& a = builtInDataSet(BuiltInSet::A);
    expectRow(a, 20, {"LV-Calculation", "41", 0, -1, 1, 1, 4});
    expectRow(b, 21, {"LV-Calculation", "41", 0, -1, 1, 1, 8});
}

std::vector<std::string> inputTexts(const DataSet& set) {
    std::vector<std::string> texts;
    for (const DataSetInput& input : set.inputs)
        texts.emplace_back(input.text);
    return texts;
}

std::vector<int> flags(const DataSet& set, int DataSetInput::*flag) {
    std::vector<int> values;
    for (const DataSetInput& input : set.inputs)
        values.push_back(input.*flag);
    return values;
}

std::vector<std::string> outputTexts(const DataSet& set) {
    std::vector<std::string> texts;
    for (const DataSetOutput& output : set.outputs)
        texts.emplace_back(output.text);
    return texts;
}

TEST(BuiltInDataSets, InputsAndOutputsOfSetsAToD) {
    const std::vector<std::string> texts{"",
                                         "",
                                         "",
                                         "",
                                         "",
                                         "",
                                         "Reset",
                                         "S-Index HTL",
                                         "M-Index HTL",
                                         "S-Index TTL",
                                         "M-Index TTL",
                                         "Trim-",
                                         "Trim+",
                                         "Activate Data",
                                         "Store EEProm",
                                         ""};
    const std::vector<int> serial{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0};
    const std::vector<int> external{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 1, 0};
    const std::vector<std::string> outputs{"Ready", "Alert", "Out Of Sync", "Index OK", "", "",
                                           "",      ""};
    for (BuiltInSet id : {BuiltInSet::A, BuiltInSet::B, BuiltInSet::C, BuiltInSet::D}) {
        const DataSet& set = builtInDataSet(id);
        SCOPED_TRACE(str(set.name));
        EXPECT_EQ(inputTexts(set), texts);
        EXPECT_EQ(flags(set, &DataSetInput::serial), serial);
        EXPECT_EQ(flags(set, &DataSetInput::external), external);
        EXPECT_EQ(outputTexts(set), outputs);
        for (const DataSetInput& input : set.inputs)
            EXPECT_FALSE(input.mask.has_value());
        EXPECT_FALSE(set.identity.softwareVersion || set.identity.standardVersion ||
                     set.identity.unitType || set.identity.versionForm || set.identity.unitGroup);
    }
}

TEST(BuiltInDataSets, InputsAndOutputsOfSetE) {
    const DataSet& e = builtInDataSet(BuiltInSet::E);
    EXPECT_EQ(inputTexts(e), (std::vector<std::string>{
                                 "Reset", "Photocell 1", "Photocell 2", "Read PI", "Activate Data",
                                 "Start Ref.", "Store EEPROM", "Finish Ref.", "Bb Detect. Off",
                                 "Bonbon Missing", "Photocell 3", "Photocell 4", "Select Photocell",
                                 "Printmark Off", "Adjust Mode On", "Single Bbs On"}));
    EXPECT_EQ(flags(e, &DataSetInput::serial),
              (std::vector<int>{1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(flags(e, &DataSetInput::external), std::vector<int>(16, 1));
    std::vector<std::optional<int>> masks;
    for (const DataSetInput& input : e.inputs)
        masks.push_back(input.mask);
    std::vector<std::optional<int>> expectedMasks(12, std::nullopt);
    expectedMasks.insert(expectedMasks.end(), {1024, 2048, 512, 256});
    EXPECT_EQ(masks, expectedMasks);
    EXPECT_EQ(outputTexts(e),
              (std::vector<std::string>{"Alert 3", "Alert 4", "Bonbon Missing", "Diff. Error",
                                        "Index OK/Win 4", "Master MC/Win 3", "Slave MC/BB-Win",
                                        "Ready"}));
    EXPECT_FALSE(e.identity.softwareVersion || e.identity.standardVersion || e.identity.unitType ||
                 e.identity.versionForm);
}

TEST(BuiltInDataSets, InputsOutputsAndIdentityOfTheProbeSets) {
    const DataSet& aa = builtInDataSet(BuiltInSet::ProbeAA516);
    EXPECT_EQ(inputTexts(aa),
              (std::vector<std::string>{"Reset", "Virtuelle Achse ++", "Virtuelle Achse --",
                                        "PSS einlesen", "Daten aktivieren", "Virt./Reale Leitachse",
                                        "EEPROM-Speicherung", "St\xF6rung quittieren",
                                        "Kettent. ermitteln", "Druckmarke sperren", "Druckmarke",
                                        "Master-Index", "", "", "", ""}));
    EXPECT_EQ(flags(aa, &DataSetInput::serial),
              (std::vector<int>{0, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(flags(aa, &DataSetInput::external),
              (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(outputTexts(aa),
              (std::vector<std::string>{"Kettent. ermittelt", "Alarm", "Virt. Leitfrequenz",
                                        "Index OK/Ini-Fehler", "Kettenteilung Bit 3",
                                        "Kettenteilung Bit 4", "Ber. Master-Index", "Ready"}));
    EXPECT_EQ(aa.identity.softwareVersion, "713528xx");
    EXPECT_EQ(aa.identity.standardVersion, "AA51609 ");
    EXPECT_EQ(aa.identity.unitType, "AA516");
    EXPECT_EQ(aa.identity.versionForm, 1);

    const DataSet& um = builtInDataSet(BuiltInSet::ProbeUM516);
    EXPECT_EQ(inputTexts(um),
              (std::vector<std::string>{"Reset", "Teachen aktivieren", "Virt./Reale Leitachse",
                                        "PSS einlesen", "Daten aktivieren", "Siegelpos. teachen",
                                        "EEPROM-Speicherung", "Kettent. ermitteln",
                                        "St\xF6rung quittieren", "Master-Index sperren",
                                        "Siegel-Impuls", "Master-Index", "", "", "", ""}));
    EXPECT_EQ(flags(um, &DataSetInput::serial),
              (std::vector<int>{0, 0, 1, 1, 1, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(flags(um, &DataSetInput::external),
              (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(outputTexts(um),
              (std::vector<std::string>{"Kettent. ermittelt", "Schnittol./Ini-Fehler",
                                        "Kettent. Bit 0", "Kettent. Bit 1", "Kettent. Bit 2",
                                        "Park-Impuls", "Index-Alarm", "Ready"}));
    EXPECT_EQ(um.identity.softwareVersion, "713529xx");
    EXPECT_EQ(um.identity.standardVersion, "UM51609 ");
    EXPECT_EQ(um.identity.unitType, "UM516");
    EXPECT_EQ(um.identity.versionForm, 1);
}

// ---------------------------------------------------------------------------------------------
// Selection by firmware identifier.

TEST(DataSetForFirmware, EveryIdentifierSelectsItsSet) {
    const std::vector<std::pair<std::string, BuiltInSet>> cases{
        {"AA45901 ", BuiltInSet::A}, {"AA45902 ", BuiltInSet::A}, {"AA45903 ", BuiltInSet::A},
        {"AA45904 ", BuiltInSet::A}, {"AA45905 ", BuiltInSet::A}, {"AA45906 ", BuiltInSet::A},
        {"AA45907 ", BuiltInSet::B}, {"AA45908 ", BuiltInSet::B}, {"AA45909 ", BuiltInSet::C},
        {"AA45910 ", BuiltInSet::C}, {"AA45911 ", BuiltInSet::D}, {"AA45911A", BuiltInSet::D},
        {"AA45911B", BuiltInSet::D}, {"81390710", BuiltInSet::E}, {"81390711", BuiltInSet::E},
        {"81390712", BuiltInSet::E}, {"81390713", BuiltInSet::E}, {"81390714", BuiltInSet::E},
        {"81390715", BuiltInSet::E},
    };
    for (const auto& [firmware, set] : cases) {
        SCOPED_TRACE("\"" + firmware + "\"");
        EXPECT_EQ(dataSetForFirmware(firmware), &builtInDataSet(set));
    }
    EXPECT_EQ(firmwareSelections().size(), cases.size());
}

TEST(DataSetForFirmware, NearMissesSelectNothing) {
    for (const std::string firmware :
         {"AA45900 ", "AA45912 ", "AA45911C", "AA45911a", "aa45901 ", "Aa45901 ", " AA45901",
          "AA4590 1", "AA45901A", "81390709", "81390716", "8139071 ", "AA51609 ", "713528xx",
          "????????", "        ", ""}) {
        SCOPED_TRACE("\"" + firmware + "\"");
        EXPECT_EQ(dataSetForFirmware(firmware), nullptr);
    }
}

TEST(DataSetForFirmware, TakesItsArgumentAsTheEightCharacterField) {
    // The identity field is 8 characters wide: a 7-character identifier stands padded in it.
    EXPECT_EQ(dataSetForFirmware("AA45901"), &builtInDataSet(BuiltInSet::A));
    EXPECT_EQ(dataSetForFirmware("AA45911"), &builtInDataSet(BuiltInSet::D));
    EXPECT_EQ(dataSetForFirmware("8139071"), nullptr);
    EXPECT_EQ(dataSetForFirmware("AA45911AX"), &builtInDataSet(BuiltInSet::D));
}

// ---------------------------------------------------------------------------------------------
// Probe lists.

std::vector<std::string> probeCodes(const ProbeSpec& probe) {
    std::vector<std::string> codes;
    for (const ProbeRegister& reg : probe.registers)
        codes.emplace_back(reg.code);
    return codes;
}

std::vector<std::string> codeRange(int first, int last) {
    std::vector<std::string> codes;
    for (int n = first; n <= last; ++n)
        codes.push_back((n < 10 ? "0" : "") + std::to_string(n));
    return codes;
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ProbeSpecs, RegistersLengthsAndSignsInReadingOrder) {
    const ProbeSpec& aa = probeSpec(ProbeSet::AA516);
    EXPECT_EQ(probeCodes(aa), concat(concat(codeRange(0, 18), codeRange(40, 44)),
                                     concat(codeRange(90, 92), codeRange(45, 50))));
    std::vector<int> lengths;
    std::vector<std::string> signedCodes;
    for (const ProbeRegister& reg : aa.registers) {
        lengths.push_back(reg.answerLength);
        if (reg.isSigned)
            signedCodes.emplace_back(reg.code);
    }
    EXPECT_EQ(lengths, (std::vector<int>{4, 5, 5, 5, 4, 1, 1, 3, 4, 1, 3, 3, 1, 1, 1, 1, 1,
                                         1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 1, 3, 4, 3, 5}));
    EXPECT_EQ(signedCodes, (std::vector<std::string>{"03", "47", "49"}));
    EXPECT_EQ(aa.dataSet, &builtInDataSet(BuiltInSet::ProbeAA516));

    const ProbeSpec& um = probeSpec(ProbeSet::UM516);
    EXPECT_EQ(probeCodes(um), concat(codeRange(0, 23), {"40", "49", "41", "42", "90", "91", "92",
                                                        "43", "44", "45", "46", "47", "48"}));
    lengths.clear();
    signedCodes.clear();
    for (const ProbeRegister& reg : um.registers) {
        lengths.push_back(reg.answerLength);
        if (reg.isSigned)
            signedCodes.emplace_back(reg.code);
    }
    EXPECT_EQ(lengths, (std::vector<int>{5, 5, 6, 1, 4, 4, 2, 5, 2, 1, 5, 2, 5, 5, 4, 1, 1, 1, 1,
                                         1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 1, 3, 4, 3, 5}));
    EXPECT_EQ(signedCodes, (std::vector<std::string>{"07", "14", "45", "47"}));
    EXPECT_EQ(um.dataSet, &builtInDataSet(BuiltInSet::ProbeUM516));

    ASSERT_EQ(probeRunOrder().size(), 2u);
    EXPECT_EQ(probeRunOrder()[0], ProbeSet::UM516);
    EXPECT_EQ(probeRunOrder()[1], ProbeSet::AA516);
}

TEST(ProbeSpecs, AnswerShapesAgreeWithTheRowsTheyDescribe) {
    // Two UM516 registers answer wider than the list shows them; that is how the unit is.
    const std::set<std::pair<std::string, std::string>> knownDifferences{{"UM516", "02"},
                                                                         {"UM516", "06"}};
    for (ProbeSet id : probeRunOrder()) {
        const ProbeSpec& probe = probeSpec(id);
        for (const ProbeRegister& reg : probe.registers) {
            const auto row = std::find_if(probe.dataSet->rows.begin(), probe.dataSet->rows.end(),
                                          [&](const DataSetRow& r) { return r.code == reg.code; });
            if (row == probe.dataSet->rows.end())
                continue;
            SCOPED_TRACE(str(probe.name) + " register " + str(reg.code));
            const bool isSigned = row->signKind != kSignKindUnsigned;
            EXPECT_EQ(isSigned, reg.isSigned);
            const int wireLength = row->digits + 1 - (row->decimalPos != kNoDecimalPoint ? 1 : 0);
            if (knownDifferences.contains({str(probe.name), str(reg.code)})) {
                EXPECT_NE(wireLength, reg.answerLength) << "no longer a difference";
            } else {
                EXPECT_EQ(wireLength, reg.answerLength);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The probe itself, against a scripted unit.

// A unit that answers every register of a probe in the expected shape, with scripted failures.
class ScriptedUnit {
  public:
    explicit ScriptedUnit(const ProbeSpec& probe) {
        for (const ProbeRegister& reg : probe.registers) {
            std::string answer(static_cast<std::size_t>(reg.answerLength), '7');
            if (reg.isSigned)
                answer[0] = '-';
            answers_[std::string(reg.code)] = answer;
        }
    }

    // Results returned, in order, before the register answers normally.
    void failFirst(const std::string& code, std::vector<int> results) {
        failures_[code] = std::move(results);
    }
    void answer(const std::string& code, const std::string& text) { answers_[code] = text; }

    ProbeRead reader() {
        return [this](const std::string& code, std::string& answer) {
            reads.push_back(code);
            auto& pending = failures_[code];
            if (!pending.empty()) {
                const int result = pending.front();
                pending.erase(pending.begin());
                return result;
            }
            const auto found = answers_.find(code);
            if (found == answers_.end())
                return -3;
            answer = found->second;
            return static_cast<int>(answer.size());
        };
    }

    std::vector<std::string> reads;

  private:
    std::map<std::string, std::string> answers_;
    std::map<std::string, std::vector<int>> failures_;
};

TEST(ProbeMatches, AUnitOfTheRightShapeMatchesAfterOneReadPerRegister) {
    for (ProbeSet id : probeRunOrder()) {
        const ProbeSpec& probe = probeSpec(id);
        SCOPED_TRACE(str(probe.name));
        ScriptedUnit unit(probe);
        EXPECT_TRUE(probeMatches(probe, unit.reader()));
        EXPECT_EQ(unit.reads, probeCodes(probe));
    }
}

TEST(ProbeMatches, AnswerShapeDecides) {
    const ProbeSpec& aa = probeSpec(ProbeSet::AA516);
    struct Case {
        const char* name;
        std::string code;
        std::string answer;
        bool matches;
    };
    const std::vector<Case> cases{
        {"unsigned answer where signed expected", "03", "12345", false},
        {"signed answer where unsigned expected", "01", "+1234", false},
        {"plus sign counts as signed", "03", "+1234", true},
        {"hash is not a sign", "03", "#1234", false},
        {"one character short", "00", "123", false},
        {"one character long", "00", "12345", false},
        {"spaces around the answer are trimmed", "00", "  1234 ", true},
        {"inner spaces are kept", "00", "1 234", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedUnit unit(aa);
        unit.answer(c.code, c.answer);
        EXPECT_EQ(probeMatches(aa, unit.reader()), c.matches);
        // Shapes are judged only after every register was read.
        EXPECT_EQ(unit.reads.size(), aa.registers.size());
    }
}

TEST(ProbeMatches, FailureCountersPerKindAndPerRegister) {
    const ProbeSpec& um = probeSpec(ProbeSet::UM516);
    const std::size_t total = um.registers.size();
    struct Case {
        const char* name;
        std::vector<int> results;  // failures of register "05" before it answers
        bool matches;
        std::size_t reads;
    };
    // Register "05" comes after five registers that answer at once.
    const std::vector<Case> cases{
        {"five line failures are tolerated", {-1, -1, -1, -1, -1}, true, total + 5},
        {"the sixth line failure ends the probe", {-1, -1, -1, -1, -1, -1}, false, 5 + 6},
        {"the sixth time-out ends the probe", {-4, -4, -4, -4, -4, -4}, false, 5 + 6},
        {"unknown code and zero count together", {-3, 0, -3, 0, -3, 0}, false, 5 + 6},
        {"five of each kind leave the answer empty",
         {-1, -4, -1, -4, -1, -4, -1, -4, -1, -4},
         false,
         total + 9},
        {"nine failures of mixed kinds, then an answer",
         {-1, -4, -1, -4, -1, -4, -1, -4, -1},
         true,
         total + 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedUnit unit(um);
        unit.failFirst("05", c.results);
        EXPECT_EQ(probeMatches(um, unit.reader()), c.matches);
        EXPECT_EQ(unit.reads.size(), c.reads);
    }

    // The counters start again for every register.
    ScriptedUnit unit(um);
    unit.failFirst("00", {-1, -1, -1, -1, -1});
    unit.failFirst("01", {-1, -1, -1, -1, -1});
    EXPECT_TRUE(probeMatches(um, unit.reader()));
}

TEST(ProbeMatches, AUnitWithoutTheRegistersFailsOnTheFirstOne) {
    const ProbeSpec& aa = probeSpec(ProbeSet::AA516);
    int reads = 0;
    const ProbeRead silent = [&reads](const std::string&, std::string&) {
        ++reads;
        return -3;
    };
    EXPECT_FALSE(probeMatches(aa, silent));
    EXPECT_EQ(reads, kProbeFailureLimit + 1);
}

// ---------------------------------------------------------------------------------------------
// Installing a set.

struct Installed {
    UnitDescription description;
    UnitIdentity identity;
    GroupSettings group;
};

// A description left behind by a larger unit, with everything filled in.
void fillWithLeftovers(Installed& target) {
    UnitDescription& d = target.description;
    d.ParamCount = kMaxParameters;
    for (std::size_t i = 0; i < d.params.size(); ++i) {
        Parameter& p = d.params[i];
        p.ParamText = "old " + std::to_string(i);
        p.ParamCode = "99";
        p.format = ParamFormat{9, kSignKindHash, 3, -5, 5};
        p.DigitsByte = 0xA9;
        p.DecimalByte = 3;
        p.ParamValue = "+0001";
        p.UnitValue = "+0002";
    }
    d.InputCount = kMaxInputs;
    for (Input& input : d.inputs)
        input = Input{"old input", 1, 1};
    d.OutputCount = kMaxOutputTexts;
    for (std::string& text : d.OutputText)
        text = "old output";
    target.identity.SoftwareVersion = "AA45903 ";
    target.identity.StandardVersion = "AA45911 ";
    target.identity.UnitType = "AA459";
    target.identity.VersionForm = 0;
    target.identity.SoftwareVersionText = "AA45903 ";
    target.identity.UnitGroup = 1;
    for (std::size_t k = 0; k < target.group.InputMask.size(); ++k) {
        target.group.InputMask[k] = 1 << k;
        target.group.InputCommandCode[k] = "c" + std::to_string(k);
    }
    target.group.OutputMask.fill(77);
    target.group.ActivateCode = "67";
}

TEST(InstallDataSet, SetAReplacesALargerDescription) {
    Installed t;
    fillWithLeftovers(t);
    const Installed before = t;
    const DataSet& a = builtInDataSet(BuiltInSet::A);

    EXPECT_EQ(installDataSet(a, t.description, t.identity, t.group), 29);

    const UnitDescription& d = t.description;
    EXPECT_EQ(d.ParamCount, 30);
    for (std::size_t i = 0; i < a.rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const Parameter& p = d.params[i];
        EXPECT_EQ(p.ParamText, a.rows[i].text);
        EXPECT_EQ(p.ParamCode, a.rows[i].code);
        EXPECT_EQ(p.format.digits, a.rows[i].digits);
        EXPECT_EQ(p.format.decimalPos, a.rows[i].decimalPos);
        EXPECT_EQ(p.format.signKind, a.rows[i].signKind);
        EXPECT_EQ(p.format.minValue, a.rows[i].minValue);
        EXPECT_EQ(p.format.maxValue, a.rows[i].maxValue);
        EXPECT_EQ(p.DigitsByte, 0);
        EXPECT_EQ(p.DecimalByte, 0);
        // Values come from the unit afterwards.
        EXPECT_EQ(p.ParamValue, "+0001");
        EXPECT_EQ(p.UnitValue, "+0002");
    }
    EXPECT_TRUE(d.params[17].isHeading());
    EXPECT_TRUE(d.params[18].isHeading());
    EXPECT_EQ(d.params[18].ParamText, "SET-UP");
    for (std::size_t i = a.rows.size(); i < d.params.size(); ++i) {
        EXPECT_TRUE(d.params[i].ParamText.empty() && d.params[i].ParamCode.empty() &&
                    d.params[i].ParamValue.empty())
            << "row " << i;
    }

    EXPECT_EQ(d.InputCount, 16);
    EXPECT_EQ(d.inputs[0].InputText, "");
    EXPECT_EQ(d.inputs[0].InputSerial, 0);
    EXPECT_EQ(d.inputs[6].InputText, "Reset");
    EXPECT_EQ(d.inputs[13].InputText, "Activate Data");
    EXPECT_EQ(d.inputs[13].InputSerial, 1);
    EXPECT_EQ(d.inputs[13].InputExternal, 0);
    EXPECT_EQ(d.inputs[15].InputExternal, 0);
    for (std::size_t k = 16; k < d.inputs.size(); ++k) {
        EXPECT_EQ(d.inputs[k].InputText, "") << k;
        EXPECT_EQ(d.inputs[k].InputSerial, 0) << k;
        EXPECT_EQ(d.inputs[k].InputExternal, 0) << k;
    }
    EXPECT_EQ(d.OutputCount, 4);
    EXPECT_EQ(d.OutputText[3], "Index OK");
    for (std::size_t k = 4; k < d.OutputText.size(); ++k)
        EXPECT_EQ(d.OutputText[k], "") << k;

    // Identity, masks and command codes stay as identification left them.
    EXPECT_EQ(t.identity.SoftwareVersion, before.identity.SoftwareVersion);
    EXPECT_EQ(t.identity.StandardVersion, before.identity.StandardVersion);
    EXPECT_EQ(t.identity.UnitType, before.identity.UnitType);
    EXPECT_EQ(t.identity.UnitGroup, 1);
    EXPECT_EQ(t.group.InputMask, before.group.InputMask);
    EXPECT_EQ(t.group.InputCommandCode, before.group.InputCommandCode);
    EXPECT_EQ(t.group.OutputMask, before.group.OutputMask);
    EXPECT_EQ(t.group.ActivateCode, "67");
}

TEST(InstallDataSet, SetESetsGroupThreeAndTheMasksOfItsLastFourInputs) {
    Installed t;
    fillWithLeftovers(t);
    const Installed before = t;

    EXPECT_EQ(installDataSet(builtInDataSet(BuiltInSet::E), t.description, t.identity, t.group),
              34);

    EXPECT_EQ(t.identity.UnitGroup, 3);
    EXPECT_EQ(t.identity.SoftwareVersion, before.identity.SoftwareVersion);
    EXPECT_EQ(t.identity.UnitType, before.identity.UnitType);
    for (std::size_t k = 0; k < 12; ++k)
        EXPECT_EQ(t.group.InputMask[k], before.group.InputMask[k]) << k;
    EXPECT_EQ(t.group.InputMask[12], 1024);
    EXPECT_EQ(t.group.InputMask[13], 2048);
    EXPECT_EQ(t.group.InputMask[14], 512);
    EXPECT_EQ(t.group.InputMask[15], 256);
    EXPECT_EQ(t.group.InputCommandCode, before.group.InputCommandCode);
    EXPECT_EQ(t.description.OutputCount, 8);
    EXPECT_EQ(t.description.OutputText[7], "Ready");
    EXPECT_EQ(t.description.OutputText[8], "");
}

TEST(InstallDataSet, ProbeSetNamesTheUnit) {
    Installed t;
    t.identity.SoftwareVersionText = "";  // as left by a failed identification
    EXPECT_EQ(
        installDataSet(builtInDataSet(BuiltInSet::ProbeAA516), t.description, t.identity, t.group),
        18);
    EXPECT_EQ(t.identity.SoftwareVersion, "713528xx");
    EXPECT_EQ(t.identity.StandardVersion, "AA51609 ");
    EXPECT_EQ(t.identity.UnitType, "AA516");
    EXPECT_EQ(t.identity.VersionForm, 1);
    EXPECT_EQ(t.identity.UnitGroup, 3);
    EXPECT_EQ(t.identity.SoftwareVersionText, "");
    EXPECT_EQ(t.description.params[1].ParamText, "Packungsl\xE4nge");
    EXPECT_EQ(t.description.inputs[7].InputText, "St\xF6rung quittieren");
}

TEST(InstallDataSet, GroupRegistersOfASetThatGivesThem) {
    constexpr DataSetRow rows[] = {{"Speed", "01", 3, -1, 1, 0, 9999}};
    const DataSet set{
        "custom", rows,
        0,        {},
        0,        {},
        {},       DataSetGroupRegisters{"71", "70", "77", 128, ">0", ">1", ">2", ">3", ":0"}};
    Installed t;
    EXPECT_EQ(installDataSet(set, t.description, t.identity, t.group), 0);
    EXPECT_EQ(t.group.ActivateCode, "71");
    EXPECT_EQ(t.group.StoreCode, "70");
    EXPECT_EQ(t.group.ResetCode, "77");
    EXPECT_EQ(t.group.ResetMask, 128);
    EXPECT_EQ(t.group.OutputCode, ">0");
    EXPECT_EQ(t.group.SerialInputCode, ">1");
    EXPECT_EQ(t.group.ExternalInputCode, ">2");
    EXPECT_EQ(t.group.AuxStatusCode, ">3");
    EXPECT_EQ(t.group.ActualValueCode, ":0");
    EXPECT_EQ(t.description.InputCount, 0);
    EXPECT_EQ(t.description.inputs[0].InputText, "");
}

TEST(InstallDataSet, RefusesASetThatDoesNotFitAndLeavesTheDescriptionAlone) {
    constexpr DataSetRow rows[] = {{"Speed", "01", 3, -1, 1, 0, 9999}};
    constexpr DataSetOutput outputs[] = {{"Ready"}};
    const DataSet tooManyOutputs{"bad", rows, 0, {}, 2, outputs, {}};
    const DataSet noRows{"empty", {}, 0, {}, 0, {}, {}};
    for (const DataSet* set : {&tooManyOutputs, &noRows}) {
        Installed t;
        fillWithLeftovers(t);
        EXPECT_THROW(installDataSet(*set, t.description, t.identity, t.group),
                     std::invalid_argument);
        EXPECT_EQ(t.description.ParamCount, kMaxParameters);
        EXPECT_EQ(t.description.params[0].ParamText, "old 0");
    }
}

}  // namespace
}  // namespace qu32
