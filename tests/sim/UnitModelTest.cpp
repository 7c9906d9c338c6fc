#include "sim/UnitModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <set>

namespace qu32::sim {
namespace {

TEST(UnitModel, EveryListedModelCanBeFoundAndIsSound) {
    const auto names = modelNames();
    ASSERT_FALSE(names.empty());
    EXPECT_NE(std::find(names.begin(), names.end(), "generic"), names.end());
    for (const std::string& name : names) {
        const auto model = findModel(name);
        ASSERT_TRUE(model) << name;
        EXPECT_EQ(model->name, name);
        EXPECT_EQ(model->defaultAddress.size(), 2u) << name;
        // Version texts are read as exactly 8 characters.
        for (const auto& v :
             {model->softwareVersion, model->standardVersion, model->coprocessorVersion}) {
            EXPECT_TRUE(!v || v->size() == 8) << name;
        }
        for (const auto& [code, spec] : model->registers) {
            EXPECT_EQ(code.size(), 2u) << name;
            if (spec.range) {
                EXPECT_LE(spec.range->minValue, spec.range->maxValue) << name << " " << code;
            }
        }
    }
    EXPECT_FALSE(findModel("no such unit"));
    EXPECT_FALSE(findModel(""));
}

TEST(UnitModel, ParameterRegistersStayClearOfTheUnitsOwnCodes) {
    for (const std::string& name : modelNames()) {
        const UnitModel m = *findModel(name);
        std::set<std::string> own = {kSoftwareVersionCode,    kStandardVersionCode,
                                     kCoprocessorVersionCode, kMultiReadCode,
                                     kEightBitCommand,        kNormalFormatCommand};
        own.insert(m.commands.begin(), m.commands.end());
        for (const auto& [code, data] : m.blocks) {
            own.insert(code);
        }
        if (m.status) {
            own.insert({m.status->serialInputCode, m.status->externalInputCode,
                        m.status->busInputCode, m.status->outputCode, m.status->actualValueCode});
            for (const auto& [code, mask] : m.status->inputCommands) {
                own.insert(code);
                EXPECT_EQ(std::popcount(mask), 1) << name << " " << code;
            }
        }
        for (const auto& [code, spec] : m.registers) {
            EXPECT_FALSE(own.contains(code)) << name << " " << code;
        }
    }
}

TEST(UnitModel, GenericUnitLooksLikeACounter) {
    const UnitModel m = *findModel("generic");
    EXPECT_EQ(m.defaultAddress, "11");
    EXPECT_EQ(m.normalLine, (LineFormat{9600, 'e', 7, 1}));
    for (int i = 0; i < 20; ++i) {
        const std::string code{static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)};
        EXPECT_TRUE(m.registers.contains(code)) << code;
    }
    EXPECT_EQ(m.registers.at("00").initialValue, "1");
    EXPECT_EQ(m.registers.at("01").initialValue, "+001234");
    EXPECT_FALSE(m.coprocessorVersion);
    EXPECT_TRUE(m.formatCommands);
}

}  // namespace
}  // namespace qu32::sim
