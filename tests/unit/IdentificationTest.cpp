#include <gtest/gtest.h>

#include <tuple>

#include "support/Answers.h"
#include "support/LinkFixture.h"
#include "unit/UnitData.h"
#include "unit/UnitGroups.h"

namespace qu32::test {
namespace {

class Identification : public LinkFixture {
  protected:
    UnitData unitData{link};
    int identify(std::map<std::string, Bytes> table) {
        answerFromTable(port, std::move(table));
        return unitData.Identify_Unit("test");
    }
};

TEST_F(Identification, ModelCodeVersionFormAndGroup) {
    // Firmware ("99") and standard ("98") answers, nullptr for an unknown register; then the
    // model code, version form and group made of them.
    const std::tuple<const char*, const char*, const char*, int, int> cases[] = {
        {"AA45901 ", nullptr, "AA459", 0, 1},    {"AA45911A", "AA45912 ", "AA459", 0, 2},
        {"AA45911A", "AA45911 ", "AA459", 0, 1}, {"AA45911A", "AA4591A ", "AA459", 0, 0},
        {"81390710", "TQ593V12", "TQ593", 1, 9}, {"XY12345 ", "NT628   ", "NT628", 0, 5},
        {"CU59301 ", nullptr, "CU593", 0, 9},    {"QR92901 ", "QR929AB ", "QR929", 0, 10},
        {"ZZ99901 ", "ZZ999   ", "ZZ999", 0, 0}, {nullptr, "AA51609 ", "516 Series", 2, 3},
    };
    for (const auto& [sw, standard, type, form, group] : cases) {
        SCOPED_TRACE(type);
        std::map<std::string, Bytes> table;
        if (sw)
            table["99"] = answerFrame("99", sw);
        if (standard)
            table["98"] = answerFrame("98", standard);
        ASSERT_EQ(identify(table), 1);
        const UnitIdentity& id = unitData.identity;
        EXPECT_EQ(std::tie(id.UnitType, id.VersionForm, id.UnitGroup),
                  std::make_tuple(std::string(type), form, group));
        EXPECT_EQ(id.SoftwareVersionText, sw ? sw : "");
        EXPECT_EQ(id.StandardVersion, standard ? standard : kUnknownVersion);
    }
}

TEST_F(Identification, CoprocessorVariantAndFailures) {
    std::map<std::string, Bytes> table = {{"99", answerFrame("99", "NT87601 ")},
                                          {"98", answerFrame("98", "NT876A  ")},
                                          {"9/", answerFrame("9/", "CP 01.02")},
                                          {"<9", answerFrame("<9", "2")}};
    ASSERT_EQ(identify(table), 1);
    EXPECT_EQ(unitData.identity.CoprocessorVersion, "") << "a space is not plausible";
    EXPECT_EQ(unitData.identity.UnitType, "NT594");
    EXPECT_EQ(unitData.identity.UnitGroup, 2);

    table["9/"] = answerFrame("9/", "CP0102z1");
    table["<9"] = answerFrame("<9", "4");  // value 4 keeps the model
    ASSERT_EQ(identify(table), 1);
    EXPECT_EQ(unitData.identity.CoprocessorVersion, "CP0102z1");
    EXPECT_EQ(unitData.identity.UnitType, "NT876");

    table.erase("<9");  // variant unknown: the model stays
    table["99"] = answerFrame("99", "HJ87601 ");
    table["98"] = answerFrame("98", "HJ876   ");
    table["<5"] = answerFrame("<5", "3");
    ASSERT_EQ(identify(table), 1);
    EXPECT_EQ(unitData.identity.UnitType, "HJ594");

    // A version read that fails on the line ends identification; unknown registers do not.
    table["98"] = Bytes{NAK};
    EXPECT_EQ(identify(table), -2);
}

TEST_F(Identification, MultiReadCarriesTheEighthBitsInItsLastWord) {
    ASSERT_EQ(link.ConfigurePort(1, 9600, 8, 1, kParityEven), 1);
    Bytes data(12, 0);
    data[0] = 0x01;  // word 0 = 0x0100 before the eighth bits
    data[6] = 0x7F;  // word 3 = 0x7F00 | bit 15 below => negative actual value
    data[7] = 0x7F;
    data[10] = 0x04 | 0x20;  // bit 15 of words 0 and 3
    data[11] = 0x04;         // bit 7 of word 0
    answerFromTable(port, {{"9g", blockFrame("9g", data)}});
    ASSERT_EQ(unitData.Multi_Read("test"), 1);
    EXPECT_EQ(static_cast<std::uint16_t>(unitData.status.SerialInputWord), 0x8180);
    EXPECT_EQ(unitData.status.ActualValueText, "-129        ");
    EXPECT_EQ(unitData.status.ExternalInputWord, 0);

    // A short block: what follows its data in the buffer is frame, not status.
    answerFromTable(port, {{"9g", blockFrame("9g", Bytes(4, 0))}});
    ASSERT_EQ(unitData.Multi_Read("test"), 1);
    EXPECT_EQ(unitData.status.SerialInputWord, 0);
    EXPECT_EQ(unitData.status.ExternalInputWord, 0);
    EXPECT_EQ(unitData.status.StatusWord8C, 0);
    EXPECT_EQ(unitData.status.OutputWord, 0);
}

TEST(UnitGroups, SettingsAndTablesPerGroup) {
    GroupSettings s;
    applyGroupSettings(10, s);
    EXPECT_EQ(s.ActivateCode, ";8");
    EXPECT_EQ(s.OutputCode, "68");
    EXPECT_EQ(s.InputCommandCode[15], "69");
    EXPECT_EQ(s.OutputMask[0], 128);
    // Group 1 defines four outputs; the other four keep what the previous group loaded.
    applyGroupSettings(1, s);
    EXPECT_EQ(s.OutputMask[3], 8);
    EXPECT_EQ(s.OutputMask[4], 8) << "left from group 10";
    EXPECT_EQ(s.InputMask[13], 4096);
    EXPECT_EQ(s.ResetMask, 128);
    // Group 8 sets nothing at all; group 5 only the codes.
    applyGroupSettings(8, s);
    EXPECT_EQ(s.ActivateCode, "67");
    applyGroupSettings(5, s);
    EXPECT_EQ(s.SerialInputCode, ">1");
    EXPECT_EQ(s.InputMask[13], 4096);
    applyGroupSettings(7, s);
    EXPECT_EQ(s.ResetMask, 16384);
    EXPECT_EQ(s.InputMask[0], 32768);
}

TEST_F(Identification, GroupZeroWarnsWithTheTitlesTail) {
    company.titleText = "Nimbus QU 3.2";
    unitData.identity.UnitGroup = 0;
    unitData.ApplyGroupSettings();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              "The connected device could not be identified. Some functions of QU 3.2 might not "
              "work properly!");
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Stop);
    EXPECT_EQ(unitData.group.ActivateCode, "64");
}

}  // namespace
}  // namespace qu32::test
