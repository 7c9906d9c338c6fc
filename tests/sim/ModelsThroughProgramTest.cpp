// The unit models as the program meets them: identified and, where they describe themselves,
// described over the simulated line on virtual time.
#include <gtest/gtest.h>

#include "sim/DescriptionTables.h"
#include "support/LinkFixture.h"
#include "unit/ConnectedUnit.h"

namespace qu32::test {
namespace {

struct Model {
    const char* model;
    const char* unitType;
    int group;
    int versionForm;
    bool multiRead;
    const sim::DescriptionTable* described;  // none: "9a" is unknown
};

const Model kModels[] = {
    {"generic", "TQ593", 9, 0, false, nullptr},
    {"tq593", "TQ593", 9, 0, true, &sim::kTq593Description},
    {"nt876", "NT594", 2, 0, false, &sim::kNt876Description},
    {"vm628", "VM628", 12, 0, true, &sim::kVm628Description},
    {"big401", "CU847", 9, 0, true, &sim::kBig401Description},
    {"aa459", "AA459", 1, 0, false, nullptr},
    {"um516x", "516 Series", 3, 2, false, nullptr},
};

class EachModel : public LinkFixture, public ::testing::WithParamInterface<Model> {
  protected:
    EachModel() : LinkFixture(GetParam().model) {}
    ConnectedUnit unitData{link};
};

TEST_P(EachModel, IsIdentifiedAndDescribed) {
    const Model& m = GetParam();
    ASSERT_EQ(unitData.identifyUnit(), Result::Ok);
    EXPECT_EQ(unitData.identity.unitType, m.unitType);
    EXPECT_EQ(unitData.identity.unitGroup, m.group);
    EXPECT_EQ(unitData.identity.versionForm, m.versionForm);
    EXPECT_EQ(unitData.identity.hasCombinedStatusRead, m.multiRead);
    if (m.described == nullptr) {
        EXPECT_EQ(unitData.readUnitDescription(), Result::UnknownCode);
        return;
    }
    ASSERT_EQ(unitData.readUnitDescription(), Result::Ok) << unitData.lastMessage;
    const UnitDescription& d = unitData.description;
    // Texts beyond ASCII come through the 8-bit phase whole.
    const auto entries = sim::expandEntries(m.described->parameters);
    ASSERT_EQ(static_cast<std::size_t>(d.parameterCount), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(d.parameters[i].text, entries[i].text);
    EXPECT_TRUE(unitData.notes.empty());
    // Back in the normal format on both sides.
    EXPECT_FALSE(unit.eightBitMode());
    std::string text;
    EXPECT_EQ(link.readRegister("99", text), Result::Ok);
}

INSTANTIATE_TEST_SUITE_P(Models, EachModel, ::testing::ValuesIn(kModels),
                         [](const auto& info) { return std::string(info.param.model); });

}  // namespace
}  // namespace qu32::test
