// Units whose firmware cannot describe itself, as the program meets them: identified, given a
// description by the firmware selection (a built-in set, a probe, a description file), and read
// with that description.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "datasets/BuiltInDataSets.h"
#include "datasets/FirmwareSelection.h"
#include "support/LinkFixture.h"
#include "support/TempFolder.h"
#include "unit/ConnectedUnit.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

namespace fs = std::filesystem;

constexpr char kDescriptionsDir[] = QU32_SIM_DESCRIPTIONS_DIR;

// A register answer suits a row when the row shows it as the same number, neither padded with
// zeros nor cut short of a digit that counts, with the sign the row's kind calls for, and within
// the row's range.
::testing::AssertionResult showsInFormat(const std::string& wire, const ParamFormat& format) {
    const std::string display = formatValue(wire, format);
    const bool hasSign = !wire.empty() && (wire[0] == '+' || wire[0] == '-');
    const std::string shown = cleanValue(display);
    if (wire.empty() || shown.size() > wire.size() || std::stoll(shown) != std::stoll(wire) ||
        hasSign != (format.signKind != kSignKindUnsigned))
        return ::testing::AssertionFailure() << wire << " shows as " << display;
    const long long value = std::stoll(wire);
    if (value < format.minValue || value > format.maxValue)
        return ::testing::AssertionFailure()
               << wire << " outside " << format.minValue << " .. " << format.maxValue;
    return ::testing::AssertionSuccess();
}

enum class Source { BuiltIn, Probe, FirmwareFile, ChosenFile };

struct OldUnit {
    const char* model;
    // What identification makes of it.
    const char* identifiedAs;
    int identifiedGroup;
    int versionForm;
    // Where its description comes from and what that makes of it.
    Source source;
    std::optional<BuiltInSet> set;
    const char* chosenFile;  // the ".cof" name the operator picks, for Source::ChosenFile
    const char* describedAs;
    int describedGroup;
    int paramCount;
};

const OldUnit kOldUnits[] = {
    {"aa45901", "AA459", 1, 0, Source::BuiltIn, BuiltInSet::A, nullptr, "AA459", 1, 30},
    {"aa45907", "AA459", 1, 0, Source::BuiltIn, BuiltInSet::B, nullptr, "AA459", 1, 31},
    {"aa45909", "AA459", 2, 0, Source::BuiltIn, BuiltInSet::C, nullptr, "AA459", 2, 31},
    {"aa45911", "AA459", 2, 0, Source::BuiltIn, BuiltInSet::D, nullptr, "AA459", 2, 31},
    // Set E moves the unit into the 516 range's group and keeps the model code.
    {"e81390710", "AA516", 4, 1, Source::BuiltIn, BuiltInSet::E, nullptr, "AA516", 3, 35},
    {"probe-um516", "516 Series", 3, 2, Source::Probe, BuiltInSet::ProbeUM516, nullptr, "UM516", 3,
     22},
    {"probe-aa516", "516 Series", 3, 2, Source::Probe, BuiltInSet::ProbeAA516, nullptr, "AA516", 3,
     19},
    // A model code known to description files only: group 0 until its file gives it group 8.
    {"cng-unit", "TV985", 0, 0, Source::FirmwareFile, std::nullopt, nullptr, "TV985", 8, 12},
    {"um516x", "516 Series", 3, 2, Source::ChosenFile, std::nullopt, "Line-A", "516 Series", 8, 27},
    {"um516x", "516 Series", 3, 2, Source::ChosenFile, std::nullopt, "Line-B", "516 Series", 8, 10},
};

class OldUnitTest : public LinkFixture, public ::testing::WithParamInterface<OldUnit> {
  protected:
    OldUnitTest() : LinkFixture(GetParam().model) {}

    void SetUp() override {
        LinkFixture::SetUp();
        // The firmware choice is remembered in the program folder: work on a copy.
        fs::copy(kDescriptionsDir, folder, fs::copy_options::recursive);
    }

    test::TempFolder temp;
    const std::string folder = temp.path();
    ConnectedUnit unitData{link};
    FirmwareSelector selection{link, unitData, folder};
};

TEST_P(OldUnitTest, IdentifiedThenDescribedFromTheIntendedSource) {
    const OldUnit& expected = GetParam();
    ASSERT_EQ(unitData.identifyUnit(), Result::Ok);
    EXPECT_EQ(unitData.identity.unitType, expected.identifiedAs);
    EXPECT_EQ(unitData.identity.unitGroup, expected.identifiedGroup);
    EXPECT_EQ(unitData.identity.versionForm, expected.versionForm);
    EXPECT_FALSE(unitData.identity.hasCombinedStatusRead);

    if (expected.chosenFile != nullptr)
        observer.choiceAnswers.push_back({expected.chosenFile, true});
    const int requestsBefore = unit.requestsSeen();
    ASSERT_TRUE(selection.selectDescription());
    const UnitDescription& d = unitData.description;
    ASSERT_EQ(d.parameterCount, expected.paramCount);
    EXPECT_EQ(unitData.identity.unitType, expected.describedAs);
    EXPECT_EQ(unitData.identity.unitGroup, expected.describedGroup);
    EXPECT_EQ(observer.choices.size(), expected.source == Source::ChosenFile ? 1u : 0u);
    EXPECT_TRUE(observer.messages.empty());
    if (expected.source == Source::BuiltIn || expected.source == Source::FirmwareFile) {
        // The firmware identifier alone decides; the unit is not asked.
        EXPECT_EQ(unit.requestsSeen(), requestsBefore);
    }
    if (expected.set) {
        const DataSet& set = builtInDataSet(*expected.set);
        for (std::size_t i = 0; i < set.rows.size(); ++i)
            EXPECT_EQ(d.parameters[i].code, set.rows[i].code) << i;
    }

    // With the description installed, every row's register answers in the row's format.
    for (int i = 0; i < d.parameterCount; ++i) {
        const Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading())
            continue;
        std::string text;
        ASSERT_EQ(link.readRegister(p.code, text), Result::Ok) << p.code;
        EXPECT_TRUE(showsInFormat(text, p.format)) << p.code << " " << p.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Models, OldUnitTest, ::testing::ValuesIn(kOldUnits), [](const auto& info) {
    std::string name = info.param.model + std::string(info.param.chosenFile ? "_" : "") +
                       (info.param.chosenFile ? info.param.chosenFile : "");
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
});

}  // namespace
}  // namespace qu32::test
