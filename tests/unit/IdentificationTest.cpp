#include <gtest/gtest.h>

#include <tuple>

#include "support/Answers.h"
#include "support/LinkFixture.h"
#include "unit/ConnectedUnit.h"
#include "unit/UnitGroups.h"

namespace qu32::test {
namespace {

class Identification : public LinkFixture {
  protected:
    ConnectedUnit unitData{link};
    Result identify(std::map<std::string, Bytes> table) {
        answerFromTable(port, std::move(table));
        return unitData.identifyUnit();
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
        ASSERT_EQ(identify(table), Result::Ok);
        const UnitIdentity& id = unitData.identity;
        EXPECT_EQ(std::tie(id.unitType, id.versionForm, id.unitGroup),
                  std::make_tuple(std::string(type), form, group));
        EXPECT_EQ(id.softwareVersionText, sw ? sw : "");
        EXPECT_EQ(id.standardVersion, standard ? standard : kUnknownVersion);
    }
}

TEST_F(Identification, CoprocessorVariantAndFailures) {
    std::map<std::string, Bytes> table = {{"99", answerFrame("99", "NT87601 ")},
                                          {"98", answerFrame("98", "NT876A  ")},
                                          {"9/", answerFrame("9/", "CP 01.02")},
                                          {"<9", answerFrame("<9", "2")}};
    ASSERT_EQ(identify(table), Result::Ok);
    EXPECT_EQ(unitData.identity.coprocessorVersion, "") << "a space is not plausible";
    EXPECT_EQ(unitData.identity.unitType, "NT594");
    EXPECT_EQ(unitData.identity.unitGroup, 2);

    table["9/"] = answerFrame("9/", "CP0102z1");
    table["<9"] = answerFrame("<9", "4");  // value 4 keeps the model
    ASSERT_EQ(identify(table), Result::Ok);
    EXPECT_EQ(unitData.identity.coprocessorVersion, "CP0102z1");
    EXPECT_EQ(unitData.identity.unitType, "NT876");

    // The variant is a whole number however the unit writes it.
    for (const char* two : {"+0002", " 2", "0002", "2 "}) {
        table["<9"] = answerFrame("<9", two);
        ASSERT_EQ(identify(table), Result::Ok);
        EXPECT_EQ(unitData.identity.unitType, "NT594") << two;
    }
    for (const char* notANumber : {"2a", "+", "-2", "99999999999"}) {
        table["<9"] = answerFrame("<9", notANumber);
        ASSERT_EQ(identify(table), Result::Ok);
        EXPECT_EQ(unitData.identity.unitType, "NT876") << notANumber;
    }

    table.erase("<9");  // variant unknown: the model stays
    table["99"] = answerFrame("99", "HJ87601 ");
    table["98"] = answerFrame("98", "HJ876   ");
    table["<5"] = answerFrame("<5", "3");
    ASSERT_EQ(identify(table), Result::Ok);
    EXPECT_EQ(unitData.identity.unitType, "HJ594");

    // A version read that fails on the line ends identification; unknown registers do not.
    table["98"] = Bytes{kNak};
    EXPECT_EQ(identify(table), Result::NotStx);
}

TEST_F(Identification, MultiReadCarriesTheEighthBitsInItsLastWord) {
    ASSERT_TRUE(link.configurePort(1, 9600, 8, 1, kParityEven));
    Bytes data(12, 0);
    data[0] = 0x01;  // word 0 = 0x0100 before the eighth bits
    data[6] = 0x7F;  // word 3 = 0x7F00 | bit 15 below => negative actual value
    data[7] = 0x7F;
    data[10] = 0x04 | 0x20;  // bit 15 of words 0 and 3
    data[11] = 0x04;         // bit 7 of word 0
    answerFromTable(port, {{"9g", blockFrame("9g", data)}});
    ASSERT_EQ(unitData.readCombinedStatus(), Result::Ok);
    EXPECT_EQ(static_cast<std::uint16_t>(unitData.status.pcInputs), 0x8180);
    EXPECT_EQ(unitData.status.actualValueText, "-129        ");
    EXPECT_EQ(unitData.status.externalInputs, 0);

    // A short block: what follows its data in the buffer is frame, not status.
    answerFromTable(port, {{"9g", blockFrame("9g", Bytes(4, 0))}});
    ASSERT_EQ(unitData.readCombinedStatus(), Result::Ok);
    EXPECT_EQ(unitData.status.pcInputs, 0);
    EXPECT_EQ(unitData.status.externalInputs, 0);
    EXPECT_EQ(unitData.status.busInputs, 0);
    EXPECT_EQ(unitData.status.outputs, 0);
}

TEST(UnitGroups, SettingsAndTablesPerGroup) {
    GroupRegisters s;
    loadGroupRegisters(10, s);
    EXPECT_EQ(s.activateCode, ";8");
    EXPECT_EQ(s.outputCode, "68");
    EXPECT_EQ(s.inputCommandCodes[15], "69");
    EXPECT_EQ(s.outputMasks[0], 128);
    // Group 1 defines four outputs; the other four keep what the previous group loaded.
    loadGroupRegisters(1, s);
    EXPECT_EQ(s.outputMasks[3], 8);
    EXPECT_EQ(s.outputMasks[4], 8) << "left from group 10";
    EXPECT_EQ(s.inputMasks[13], 4096);
    EXPECT_EQ(s.resetMask, 128);
    // Group 8 sets nothing at all; group 5 only the codes.
    loadGroupRegisters(8, s);
    EXPECT_EQ(s.activateCode, "67");
    loadGroupRegisters(5, s);
    EXPECT_EQ(s.pcInputCode, ">1");
    EXPECT_EQ(s.inputMasks[13], 4096);
    loadGroupRegisters(7, s);
    EXPECT_EQ(s.resetMask, 16384);
    EXPECT_EQ(s.inputMasks[0], 32768);
}

}  // namespace
}  // namespace qu32::test
