// Units whose firmware cannot describe itself, as the program meets them: identified, given a
// description by the firmware selection (a built-in set, a probe, a description file), and read
// with that description.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "datasets/BuiltInDataSets.h"
#include "datasets/DescriptionFile.h"
#include "datasets/FirmwareSelection.h"
#include "settings/ProgramFolder.h"
#include "support/LinkFixture.h"
#include "unit/UnitData.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

namespace fs = std::filesystem;

constexpr char kDescriptionsDir[] = QU32_SIM_DESCRIPTIONS_DIR;
constexpr std::size_t kValueTextLength = 12;

std::size_t digitCount(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }));
}

// A register answer suits a row when the row shows it as the same number, without padding it
// with zeros or cutting a digit that counts, with the sign the row's kind calls for, and within
// the row's range.
::testing::AssertionResult showsInFormat(const std::string& wire, const ParamFormat& format) {
    if (wire.empty())
        return ::testing::AssertionFailure() << "no answer";
    const bool hasSign = wire[0] == '+' || wire[0] == '-';
    if (hasSign != (format.signKind != kSignKindUnsigned))
        return ::testing::AssertionFailure() << wire << ": sign does not fit the row's kind";
    if (digitCount(wire) == 0 || digitCount(wire) + (hasSign ? 1 : 0) != wire.size())
        return ::testing::AssertionFailure() << wire << ": not a number";
    const std::string display = FormatValue(wire, format);
    const long long value = std::stoll(wire);
    if (std::stoll(CleanValue(display)) != value || digitCount(display) > digitCount(wire))
        return ::testing::AssertionFailure() << wire << " shows as " << display;
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

void PrintTo(const OldUnit& u, std::ostream* os) {
    *os << u.model << (u.chosenFile != nullptr ? std::string(" with ") + u.chosenFile : "");
}

std::string testName(std::string name) {
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
}

class OldUnitTest : public LinkFixture, public ::testing::WithParamInterface<OldUnit> {
  protected:
    OldUnitTest() : LinkFixture(GetParam().model) {}

    void SetUp() override {
        LinkFixture::SetUp();
        // The choice dialog writes its store file into the program folder: work on a copy.
        std::string pattern = (fs::temp_directory_path() / "qu32oldXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        fs::copy(kDescriptionsDir, folder, fs::copy_options::recursive);
        setProgramFolder(folder);
    }
    void TearDown() override {
        setProgramFolder("");
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    std::string folder;
    UnitData unitData{link};
    FirmwareSelector selection{link, unitData, dialogs};
};

TEST_P(OldUnitTest, IdentifiedThenDescribedFromTheIntendedSource) {
    const OldUnit& expected = GetParam();
    ASSERT_EQ(unitData.Identify_Unit("test"), 1);
    EXPECT_EQ(unitData.identity.UnitType, expected.identifiedAs);
    EXPECT_EQ(unitData.identity.UnitGroup, expected.identifiedGroup);
    EXPECT_EQ(unitData.identity.VersionForm, expected.versionForm);
    EXPECT_FALSE(unitData.identity.MultiReadCapable);

    if (expected.chosenFile != nullptr)
        dialogs.form13Answers.push_back({.text = expected.chosenFile});
    const int requestsBefore = unit.requestsSeen();
    ASSERT_TRUE(selection.SelectFirmwareDataSet());
    const UnitDescription& d = unitData.description;
    ASSERT_EQ(d.ParamCount, expected.paramCount);
    EXPECT_EQ(unitData.scrollMax, expected.paramCount - 1);
    EXPECT_EQ(unitData.identity.UnitType, expected.describedAs);
    EXPECT_EQ(unitData.identity.UnitGroup, expected.describedGroup);
    EXPECT_EQ(dialogs.form13Shown.size(), expected.source == Source::ChosenFile ? 1u : 0u);
    EXPECT_TRUE(dialogs.shown.empty());
    if (expected.source == Source::BuiltIn || expected.source == Source::FirmwareFile) {
        // The firmware identifier alone decides; the unit is not asked.
        EXPECT_EQ(unit.requestsSeen(), requestsBefore);
    }
    if (expected.set) {
        const DataSet& set = builtInDataSet(*expected.set);
        for (std::size_t i = 0; i < set.rows.size(); ++i)
            EXPECT_EQ(d.params[i].ParamCode, set.rows[i].code) << i;
    }

    // With the description installed, every row's register answers in the row's format.
    int rowsRead = 0;
    for (int i = 0; i < d.ParamCount; ++i) {
        const Parameter& p = d.params[static_cast<std::size_t>(i)];
        if (p.isHeading())
            continue;
        std::string text(kValueTextLength, ' ');
        const int r = link.Read_Parameter("11", p.ParamCode, text);
        ASSERT_GT(r, 0) << p.ParamCode;
        EXPECT_TRUE(showsInFormat(text.substr(0, static_cast<std::size_t>(r)), p.format))
            << p.ParamCode << " " << p.ParamText;
        ++rowsRead;
    }
    EXPECT_GT(rowsRead, 0);
}

INSTANTIATE_TEST_SUITE_P(Models, OldUnitTest, ::testing::ValuesIn(kOldUnits), [](const auto& info) {
    const OldUnit& u = info.param;
    return testName(u.chosenFile != nullptr ? std::string(u.model) + "_" + u.chosenFile
                                            : std::string(u.model));
});

// Each probe fits the unit shaped for it and no other; um516x fits neither.
struct ProbeFit {
    const char* model;
    bool um516;
    bool aa516;
};

void PrintTo(const ProbeFit& p, std::ostream* os) {
    *os << p.model;
}

class ProbeFitTest : public LinkFixture, public ::testing::WithParamInterface<ProbeFit> {
  protected:
    ProbeFitTest() : LinkFixture(GetParam().model) {}
    UnitData unitData{link};
    FirmwareSelector selection{link, unitData, dialogs};
};

TEST_P(ProbeFitTest, OnlyTheUnitsOwnShapeFits) {
    EXPECT_EQ(selection.ProbeSetUM516(), GetParam().um516);
    EXPECT_EQ(selection.ProbeSetAA516(), GetParam().aa516);
}

INSTANTIATE_TEST_SUITE_P(Models, ProbeFitTest,
                         ::testing::Values(ProbeFit{"probe-um516", true, false},
                                           ProbeFit{"probe-aa516", false, true},
                                           ProbeFit{"um516x", false, false}),
                         [](const auto& info) { return testName(info.param.model); });

// The shipped description files, as the program's reader takes them.
struct ShippedFile {
    const char* name;
    const char* unitType;
    const char* softwareVersion;
    int params;
    int inputs;
    int outputs;
    int latin1Row;  // a row whose text carries a character beyond ASCII; -1: none
    const char* latin1Text;
};

const ShippedFile kShippedFiles[] = {
    {"QX12301.cng", "TV985", "QX12301 ", 12, 6, 4, 3, "Verz\xF6gerung"},
    {"Line-A.cof", "516 Series", "71353004", 27, 12, 8, 2, "Schnittl\xE4nge"},
    {"Line-B.cof", "516 Series", "71353004", 10, 3, 1, -1, ""},
};

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ShippedDescriptionFiles, AreSixteenCrLfLinesThatTheReaderTakesWhole) {
    for (const ShippedFile& f : kShippedFiles) {
        SCOPED_TRACE(f.name);
        const std::string path = std::string(kDescriptionsDir) + "/" + f.name;
        const std::string bytes = readBytes(path);
        ASSERT_FALSE(bytes.empty());
        // Every line ends with CR LF, and no CR or LF stands alone.
        int lines = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r') {
                ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "at " << i;
                ++lines;
                ++i;
            } else {
                ASSERT_NE(bytes[i], '\n') << "at " << i;
            }
        }
        EXPECT_EQ(lines, kConfigFileLines);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

        auto description = std::make_unique<UnitDescription>();
        UnitIdentity identity;
        GroupSettings group;
        int scrollMax = 0;
        std::ifstream in(path, std::ios::binary);
        ASSERT_EQ(loadConfigFile(in, {*description, identity, group, scrollMax}), kConfigFileOk);
        EXPECT_EQ(description->ParamCount, f.params);
        EXPECT_EQ(description->InputCount, f.inputs);
        EXPECT_EQ(description->OutputCount, f.outputs);
        EXPECT_EQ(identity.UnitType, f.unitType);
        EXPECT_EQ(identity.SoftwareVersion, f.softwareVersion);
        EXPECT_EQ(scrollMax, f.params - 1);
        if (f.latin1Row >= 0) {
            EXPECT_EQ(description->params[static_cast<std::size_t>(f.latin1Row)].ParamText,
                      f.latin1Text);
        }
        for (int i = 0; i < f.params; ++i)
            EXPECT_EQ(description->params[static_cast<std::size_t>(i)].ParamCode.size(), 2u) << i;
    }
    // Only the ".cof" files are offered to the operator; the ".cng" file goes by firmware.
    EXPECT_EQ(listConfigNames(kDescriptionsDir), (std::vector<std::string>{"Line-A", "Line-B"}));
}

}  // namespace
}  // namespace qu32::test
