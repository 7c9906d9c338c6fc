// The unit models as the program meets them over the simulated line: identified, described (by
// the unit itself in its 8-bit phase, or by the firmware selection for firmware that cannot
// describe itself), read with that description and driven with the codes of its group. The
// models are written apart from the program, so each side checks the other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <tuple>

#include "datasets/BuiltInDataSets.h"
#include "datasets/FirmwareSelection.h"
#include "sim/DescriptionTables.h"
#include "support/LinkFixture.h"
#include "support/TempFolder.h"
#include "unit/ConnectedUnit.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

namespace fs = std::filesystem;

// Where the description comes from.
enum class Source { Unit, None, BuiltIn, Probe, FirmwareFile, ChosenFile };

struct Model {
    const char* model;
    // What identification makes of it.
    const char* identifiedAs;
    int identifiedGroup;
    int versionForm;
    bool multiRead;
    // Where its description comes from and what that makes of it.
    Source source;
    const char* describedAs;
    int describedGroup;
    int paramCount;
    std::optional<BuiltInSet> set = std::nullopt;  // Source::BuiltIn and Source::Probe
    const sim::DescriptionTable* table = nullptr;  // Source::Unit
    const char* chosenFile = nullptr;              // the ".cof" the operator picks
};

void PrintTo(const Model& m, std::ostream* os) {
    *os << m.model;
}

const Model kModels[] = {
    {"generic", "TQ593", 9, 0, false, Source::None, "TQ593", 9, 0},
    {"aa459", "AA459", 1, 0, false, Source::None, "AA459", 1, 0},
    {"tq593", "TQ593", 9, 0, true, Source::Unit, "TQ593", 9, 73, {}, &sim::kTq593Description},
    {"nt876", "NT594", 2, 0, false, Source::Unit, "NT594", 2, 24, {}, &sim::kNt876Description},
    {"vm628", "VM628", 12, 0, true, Source::Unit, "VM628", 12, 34, {}, &sim::kVm628Description},
    // The longest list the program takes, its texts block close to the receive buffer.
    {"big401", "CU847", 9, 0, true, Source::Unit, "CU847", 9, 401, {}, &sim::kBig401Description},
    {"aa45901", "AA459", 1, 0, false, Source::BuiltIn, "AA459", 1, 30, BuiltInSet::A},
    {"aa45907", "AA459", 1, 0, false, Source::BuiltIn, "AA459", 1, 31, BuiltInSet::B},
    {"aa45909", "AA459", 2, 0, false, Source::BuiltIn, "AA459", 2, 31, BuiltInSet::C},
    {"aa45911", "AA459", 2, 0, false, Source::BuiltIn, "AA459", 2, 31, BuiltInSet::D},
    // Set E moves the unit into the 516 range's group and keeps the model code.
    {"e81390710", "AA516", 4, 1, false, Source::BuiltIn, "AA516", 3, 35, BuiltInSet::E},
    {"probe-um516", "516 Series", 3, 2, false, Source::Probe, "UM516", 3, 22,
     BuiltInSet::ProbeUM516},
    {"probe-aa516", "516 Series", 3, 2, false, Source::Probe, "AA516", 3, 19,
     BuiltInSet::ProbeAA516},
    // A model code known to description files only: group 0 until its file gives it group 8.
    {"cng-unit", "TV985", 0, 0, false, Source::FirmwareFile, "TV985", 8, 12},
    {"um516x", "516 Series", 3, 2, false, Source::ChosenFile, "516 Series", 8, 27, std::nullopt,
     nullptr, "Line-A"},
    {"um516x", "516 Series", 3, 2, false, Source::ChosenFile, "516 Series", 8, 10, std::nullopt,
     nullptr, "Line-B"},
};

// A register answer suits a row when the row shows it as the same number, neither padded with
// zeros nor cut short of a digit that counts, with the sign the row's kind calls for, and within
// the row's range.
::testing::AssertionResult showsInFormat(const std::string& wire, const ParamFormat& format) {
    const std::string display = formatValue(wire, format);
    const std::string shown = cleanValue(display);
    const auto number = [](const std::string& s) { return std::stoll(s.substr(s[0] == '#')); };
    const bool hasSign = !wire.empty() && std::string("+-#").find(wire[0]) != std::string::npos;
    if (wire.empty() || shown.size() > wire.size() || number(shown) != number(wire) ||
        hasSign != (format.signKind != kSignKindUnsigned))
        return ::testing::AssertionFailure() << wire << " shows as " << display;
    if (number(wire) < format.minValue || number(wire) > format.maxValue)
        return ::testing::AssertionFailure()
               << wire << " outside " << format.minValue << " .. " << format.maxValue;
    return ::testing::AssertionSuccess();
}

// The program's view of a unit's format: display width minus 1, sign kind, point position.
std::tuple<int, int, int> programFormat(const sim::ValueFormat& f) {
    const int signKind = f.sign == sim::Sign::Signed     ? kSignKindSigned
                         : f.sign == sim::Sign::Unsigned ? kSignKindUnsigned
                                                         : kSignKindHash;
    const int digits =
        (f.sign == sim::Sign::Unsigned ? f.digits - 1 : f.digits) + (f.decimals > 0 ? 1 : 0);
    return {digits, signKind, f.decimals > 0 ? digits - f.decimals : kNoDecimalPoint};
}

// What the unit tells about itself, as the program keeps it.
void expectDescribedAsItsTable(const UnitDescription& d, const sim::DescriptionTable& table) {
    const std::vector<sim::DescribedEntry> entries = sim::expandEntries(table.parameters);
    ASSERT_EQ(static_cast<std::size_t>(d.parameterCount), entries.size());
    std::set<std::string> codes;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Parameter& p = d.parameters[i];
        const sim::DescribedEntry& e = entries[i];
        SCOPED_TRACE(e.text);
        EXPECT_EQ(p.text, e.text);  // texts beyond ASCII come through the 8-bit phase whole
        EXPECT_EQ(p.code, e.code);
        EXPECT_TRUE(e.isHeading() || codes.insert(e.code).second) << "twice: " << e.code;
        if (!e.isHeading()) {
            const ParamFormat& f = p.format;
            EXPECT_EQ(std::tuple(f.digits, f.signKind, f.decimalPos), programFormat(e.format));
            EXPECT_EQ(std::pair(f.minValue, f.maxValue), std::pair(e.minValue, e.maxValue));
        }
    }
    ASSERT_EQ(static_cast<std::size_t>(d.inputCount), table.inputs.size());
    for (std::size_t k = 0; k < table.inputs.size(); ++k) {
        const sim::InputRow& in = table.inputs[k];
        EXPECT_EQ(std::tuple(d.inputs[k].text, d.inputs[k].pcSettable, d.inputs[k].external),
                  std::tuple(std::string(in.name), in.serial, in.external));
    }
    ASSERT_EQ(static_cast<std::size_t>(d.outputCount), table.outputs.size());
    for (std::size_t k = 0; k < table.outputs.size(); ++k)
        EXPECT_EQ(d.outputTexts[k], table.outputs[k]);
}

// The window drives the unit with its group's commands, status registers and input bits; they
// must be the unit's own. A group of the program's own table offers every input of the unit; a
// description file may offer fewer.
void expectGroupIsTheUnits(const GroupRegisters& g, const sim::UnitModel& u, bool everyInput) {
    if (u.commands) {
        EXPECT_EQ(std::tuple(g.activateCode, g.storeCode, g.resetCode, g.resetMask),
                  std::tuple(u.commands->activateCode, u.commands->storeCode, u.commands->resetCode,
                             int{u.commands->resetMask}));
    }
    if (!u.status)
        return;
    EXPECT_EQ(std::tuple(g.pcInputCode, g.externalInputCode, g.outputCode, g.actualValueCode),
              std::tuple(u.status->pcInputCode, u.status->externalInputCode, u.status->outputCode,
                         u.status->actualValueCode));
    std::size_t inputs = 0;
    for (std::size_t k = 0; k < g.inputCommandCodes.size(); ++k) {
        const std::string& code = g.inputCommandCodes[k];
        if (code.empty())
            continue;
        ++inputs;
        const auto it = u.status->inputCommands.find(code);
        ASSERT_NE(it, u.status->inputCommands.end()) << code;
        EXPECT_EQ(g.inputMasks[k], it->second) << code;
    }
    EXPECT_TRUE(!everyInput || inputs == u.status->inputCommands.size()) << inputs;
}

class EachModel : public LinkFixture, public ::testing::WithParamInterface<Model> {
  protected:
    EachModel() : LinkFixture(GetParam().model) {}

    void SetUp() override {
        LinkFixture::SetUp();
        // The firmware choice is remembered in the program folder: work on a copy.
        fs::copy(QU32_SIM_DESCRIPTIONS_DIR, folder, fs::copy_options::recursive);
    }

    TempFolder temp;
    const std::string folder = temp.path();
    ConnectedUnit unitData{link};
    FirmwareSelector selection{link, unitData, folder};
};

TEST_P(EachModel, IsIdentifiedDescribedAndReadInItsOwnFormat) {
    const Model& m = GetParam();
    ASSERT_EQ(unitData.identifyUnit(), Result::Ok);
    const UnitIdentity& id = unitData.identity;
    EXPECT_EQ(std::tuple(id.unitType, id.unitGroup, id.versionForm, id.hasCombinedStatusRead),
              std::tuple(m.identifiedAs, m.identifiedGroup, m.versionForm, m.multiRead));

    const int requestsBefore = unit.requestsSeen();
    if (m.chosenFile != nullptr)
        observer.choiceAnswers.push_back({m.chosenFile, true});
    if (m.source == Source::None) {
        EXPECT_EQ(unitData.readUnitDescription(), Result::UnknownCode);
    } else if (m.source == Source::Unit) {
        ASSERT_EQ(unitData.readUnitDescription(), Result::Ok) << unitData.lastMessage;
        expectDescribedAsItsTable(unitData.description, *m.table);
        if (m.paramCount == kMaxParameters) {  // its texts fill most of the receive buffer
            EXPECT_GT(unit.model().blocks.at("9a").size(), sim::kMaxDescriptionBlockBytes * 9 / 10);
        }
        EXPECT_TRUE(unitData.notes.empty());
        EXPECT_FALSE(unit.eightBitMode());
    } else {
        ASSERT_TRUE(selection.selectDescription());
    }
    if (m.source == Source::BuiltIn || m.source == Source::FirmwareFile) {
        // The firmware identifier alone decides; the unit is not asked.
        EXPECT_EQ(unit.requestsSeen(), requestsBefore);
    }
    EXPECT_EQ(observer.choices.size(), m.source == Source::ChosenFile ? 1u : 0u);
    EXPECT_TRUE(observer.messages.empty());
    const UnitDescription& d = unitData.description;
    EXPECT_EQ(std::tuple(id.unitType, id.unitGroup, d.parameterCount),
              std::tuple(m.describedAs, m.describedGroup, m.paramCount));
    if (m.set) {
        const DataSet& set = builtInDataSet(*m.set);
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
    // As the window does once the description is in.
    unitData.applyGroupRegisters();
    expectGroupIsTheUnits(unitData.group, unit.model(), m.describedGroup != 8);
}

INSTANTIATE_TEST_SUITE_P(Models, EachModel, ::testing::ValuesIn(kModels), [](const auto& info) {
    std::string name = info.param.model + std::string(info.param.chosenFile ? "_" : "") +
                       (info.param.chosenFile ? info.param.chosenFile : "");
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
});

}  // namespace
}  // namespace qu32::test
