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

// The combined status read through the simulated 7-bit line: the unit's encoding is written apart
// from our decoding.
class CombinedStatus : public LinkFixture {
  protected:
    CombinedStatus() : LinkFixture("tq593") {}
    ConnectedUnit unitData{link};
};

TEST_F(CombinedStatus, WordsComeBackAsTheUnitHoldsThem) {
    const struct {
        sim::UnitStatus status;
        std::int16_t actual;
        const char* actualText;
    } cases[] = {
        {{0x8080, 0x0080, 0x8000, 0x00FF}, -1, "-1          "},
        {{0xFFFF, 0x7F7F, 0x1234, 0x8001}, 1000, "1000        "},
        {{0x4000, 0xC3A5, 0x0040, 0x7FFF}, -32768, "-32768      "},
    };
    for (const auto& c : cases) {
        unit.setStatus(c.status);
        unit.setStatusActualValue(c.actual);
        ASSERT_EQ(unitData.readCombinedStatus(), Result::Ok);
        const StatusWords& w = unitData.status;
        EXPECT_EQ(static_cast<std::uint16_t>(w.pcInputs), c.status.serialInputs);
        EXPECT_EQ(static_cast<std::uint16_t>(w.externalInputs), c.status.externalInputs);
        EXPECT_EQ(static_cast<std::uint16_t>(w.busInputs), c.status.busInputs);
        EXPECT_EQ(static_cast<std::uint16_t>(w.outputs), c.status.outputs);
        EXPECT_EQ(w.actualValueText, c.actualText);
    }
    // A short block: what follows its data in the buffer is frame, not status.
    answerFromTable(port, {{"9g", blockFrame("9g", Bytes(4, 0))}});
    ASSERT_EQ(unitData.readCombinedStatus(), Result::Ok);
    const StatusWords& w = unitData.status;
    EXPECT_EQ(w.pcInputs | w.externalInputs | w.busInputs | w.outputs, 0);
}

// A group loads only what it defines; the rest keeps what the group before it loaded.
TEST(UnitGroups, LoadOnlyWhatTheyDefine) {
    GroupRegisters before;
    loadGroupRegisters(10, before);
    GroupRegisters s = before;
    loadGroupRegisters(8, s);  // nothing at all
    EXPECT_EQ(s.activateCode, before.activateCode);
    loadGroupRegisters(5, s);  // the codes, no bit tables
    EXPECT_NE(s.activateCode, before.activateCode);
    EXPECT_EQ(s.inputMasks, before.inputMasks);
    EXPECT_EQ(s.inputCommandCodes, before.inputCommandCodes);
    loadGroupRegisters(1, s);  // four outputs
    EXPECT_NE(s.outputMasks[3], before.outputMasks[3]);
    EXPECT_EQ(s.outputMasks[4], before.outputMasks[4]);
}

}  // namespace
}  // namespace qu32::test
