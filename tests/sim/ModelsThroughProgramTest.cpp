// The unit models as the program meets them: identified, described and probed over the simulated
// line on virtual time.
#include <gtest/gtest.h>

#include "sim/DescriptionTables.h"
#include "support/LinkFixture.h"
#include "unit/UnitData.h"

namespace qu32::test {
namespace {

struct Identity {
    const char* model;
    const char* unitType;
    int group;
    int versionForm;
    bool multiRead;
};

class EachModel : public LinkFixture, public ::testing::WithParamInterface<Identity> {
  protected:
    EachModel() : LinkFixture(GetParam().model) {}
    UnitData unitData{link};
};

TEST_P(EachModel, IsIdentifiedAsItsType) {
    const Identity& expected = GetParam();
    ASSERT_EQ(unitData.Identify_Unit("test"), 1);
    const UnitIdentity& id = unitData.identity;
    EXPECT_EQ(id.UnitType, expected.unitType);
    EXPECT_EQ(id.UnitGroup, expected.group);
    EXPECT_EQ(id.VersionForm, expected.versionForm);
    EXPECT_EQ(id.MultiReadCapable, expected.multiRead);
}

INSTANTIATE_TEST_SUITE_P(Models, EachModel,
                         ::testing::Values(Identity{"generic", "TQ593", 9, 0, false},
                                           Identity{"tq593", "TQ593", 9, 0, true},
                                           Identity{"nt876", "NT594", 2, 0, false},
                                           Identity{"vm628", "VM628", 12, 0, true},
                                           Identity{"aa459", "AA459", 1, 0, false},
                                           Identity{"um516x", "516 Series", 3, 2, false},
                                           Identity{"big401", "CU847", 9, 0, true}),
                         [](const auto& info) { return std::string(info.param.model); });

class Described : public LinkFixture {
  protected:
    explicit Described(const std::string& model) : LinkFixture(model) {}
    UnitData unitData{link};
};

class Tq593 : public Described {
  protected:
    Tq593() : Described("tq593") {}
};

TEST_F(Tq593, DescriptionArrivesWholeInTheEightBitPhase) {
    ASSERT_EQ(unitData.Read_UnitData("test"), 1) << unitData.lastMessage;
    const UnitDescription& d = unitData.description;
    EXPECT_EQ(static_cast<std::size_t>(d.ParamCount),
              sim::entryCount(sim::kTq593Description.params));
    const Parameter* length = d.find("00");
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length->ParamText, "Packungsl\xE4nge");
    EXPECT_EQ(d.find("41")->ParamText, "Nocke 6 aus");
    EXPECT_EQ(d.OutputText[7], "St\xF6rung");
    // Back in the normal format on both sides.
    EXPECT_FALSE(unit.eightBitMode());
    std::string text(12, ' ');
    EXPECT_GT(link.Read_Parameter("11", "00", text), 0);
    EXPECT_EQ(text.substr(0, 5), "02500");
}

TEST_F(Tq593, ASevenBitReceiverLosesTheUmlauts) {
    ASSERT_EQ(link.Set_UnitFormat("11", "9>"), 1);
    link.ConfigurePort(settings.ComPortNumber, 9600, 8, 1, kParityEven);
    int count = 0;
    ASSERT_EQ(link.Read_IntData("11", "9a", count), 1);
    const std::string whole(link.ReceiveBuffer().begin(), link.ReceiveBuffer().begin() + count);
    EXPECT_NE(whole.find("Packungsl\xE4nge}"), std::string::npos);

    // The request goes out with eight bits; the answer is taken in with seven.
    loop.postAfter(sim::wireTimeMs(6, sim::kEightBitLine) + 1,
                   [this] { port.setSettings("9600,e,7,1"); });
    ASSERT_EQ(link.Read_IntData("11", "9a", count), 1);
    const std::string masked(link.ReceiveBuffer().begin(), link.ReceiveBuffer().begin() + count);
    EXPECT_EQ(masked.find("Packungsl\xE4nge}"), std::string::npos);
    EXPECT_NE(masked.find("Packungsldnge}"), std::string::npos);
}

class Big401 : public Described {
  protected:
    Big401() : Described("big401") {}
};

TEST_F(Big401, LongestListFillsThePcsTables) {
    ASSERT_EQ(unitData.Read_UnitData("test"), 1) << unitData.lastMessage;
    EXPECT_EQ(unitData.description.ParamCount, kMaxParameters);
    EXPECT_EQ(unitData.scrollMax, kMaxParameters - 1);
    EXPECT_TRUE(unitData.notes.empty());
}

// Units without description blocks: the PC finds "9a" unknown and probes the registers.
struct Probed {
    const char* model;
    std::vector<std::string> dataCodes;
    std::vector<std::string> setUpCodes;
};

class ProbedModel : public LinkFixture, public ::testing::WithParamInterface<Probed> {
  protected:
    ProbedModel() : LinkFixture(GetParam().model) {}
    UnitData unitData{link};
};

TEST_P(ProbedModel, ListIsBuiltFromTheRegistersThatAnswer) {
    ASSERT_EQ(unitData.Read_UnitData("test"), kErrUnknownCode);
    ASSERT_EQ(unitData.Build_ParameterList(), 1);
    const UnitDescription& d = unitData.description;
    std::vector<std::string> codes;
    for (int i = 0; i < d.ParamCount; ++i) {
        codes.push_back(d.params[static_cast<std::size_t>(i)].ParamCode);
    }
    std::vector<std::string> expected = {"xx"};
    expected.insert(expected.end(), GetParam().dataCodes.begin(), GetParam().dataCodes.end());
    expected.insert(expected.end(), {"xx", "xx"});
    expected.insert(expected.end(), GetParam().setUpCodes.begin(), GetParam().setUpCodes.end());
    EXPECT_EQ(codes, expected);

    // Each entry's format follows the shape of the value the unit sent.
    const sim::UnitModel m = *sim::findModel(GetParam().model);
    for (int i = 0; i < d.ParamCount; ++i) {
        const Parameter& p = d.params[static_cast<std::size_t>(i)];
        if (p.isHeading())
            continue;
        const std::string& value = m.registers.at(p.ParamCode).initialValue;
        const bool isSigned = value[0] == '+' || value[0] == '-';
        EXPECT_EQ(p.format.signKind, isSigned ? kSignKindSigned : kSignKindUnsigned) << value;
        EXPECT_EQ(p.format.digits + 1, static_cast<int>(value.size())) << value;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, ProbedModel,
    ::testing::Values(Probed{"aa459",
                             {"00", "01", "02", "03", "04", "05", "06", "07", "08", "09", "10",
                              "11"},
                             {"40", "41", "42", "43", "44", "45", "46", "90", "91", "92"}},
                      Probed{"um516x",
                             {"00", "01", "02", "03", "04", "05", "06", "07", "08", "09", "10",
                              "11", "12", "13", "14", "20", "21"},
                             {"40", "41", "42", "43", "45", "46", "47", "48", "90", "91", "92"}}),
    [](const auto& info) { return std::string(info.param.model); });

}  // namespace
}  // namespace qu32::test
