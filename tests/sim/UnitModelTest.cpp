#include "sim/UnitModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <set>
#include <string>
#include <vector>

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
        if (m.commands) {
            own.insert({m.commands->activateCode, m.commands->storeCode, m.commands->resetCode});
        }
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

// Every unit activates, stores and resets on its group's codes, and its reset input is the one
// the status word shows.
TEST(UnitModel, CommandsAreThoseOfTheUnitsGroup) {
    const struct {
        const char* activate;
        const char* store;
        const char* reset;
        std::uint16_t resetMask;
        std::vector<std::string> models;
    } groups[] = {
        {"67",
         "68",
         "60",
         0x0080,
         {"nt876", "aa459", "aa45901", "aa45907", "aa45909", "aa45911", "cng-unit"}},
        {"64", "66", "60", 0x0080, {"um516x", "e81390710", "probe-um516", "probe-aa516"}},
        {"67", "68", "58", 0x0200, {"generic", "tq593", "vm628", "big401"}},
    };
    std::size_t covered = 0;
    for (const auto& g : groups) {
        for (const std::string& name : g.models) {
            const UnitModel m = *findModel(name);
            ASSERT_TRUE(m.commands) << name;
            EXPECT_EQ(*m.commands, (UnitCommands{g.activate, g.store, g.reset, g.resetMask}))
                << name;
            if (m.status && m.status->inputCommands.contains(g.reset)) {
                EXPECT_EQ(m.status->inputCommands.at(g.reset), g.resetMask) << name;
            }
            ++covered;
        }
    }
    EXPECT_EQ(covered, modelNames().size());
}

// The line registers take only what the unit can be set to, and start as the unit talks.
TEST(UnitModel, LineRegistersAreRangedAndMatchTheUnitsLine) {
    const struct {
        const char* code;
        long long maxValue;
    } limits[] = {{kAddressRegister, 99}, {kBaudRateRegister, 6}, {kSerialFormatRegister, 9}};
    for (const std::string& name : modelNames()) {
        const UnitModel m = *findModel(name);
        for (const auto& l : limits) {
            const auto reg = m.registers.find(l.code);
            if (reg == m.registers.end()) {
                continue;
            }
            ASSERT_TRUE(reg->second.range) << name << " " << l.code;
            EXPECT_GE(reg->second.range->minValue, 0) << name << " " << l.code;
            EXPECT_LE(reg->second.range->maxValue, l.maxValue) << name << " " << l.code;
        }
        if (const auto a = m.registers.find(kAddressRegister); a != m.registers.end()) {
            EXPECT_EQ(a->second.initialValue, m.defaultAddress) << name;
        }
        if (const auto b = m.registers.find(kBaudRateRegister); b != m.registers.end()) {
            EXPECT_EQ(baudForCode(std::stoll(b->second.initialValue)), m.normalLine.baud) << name;
        }
        if (const auto f = m.registers.find(kSerialFormatRegister); f != m.registers.end()) {
            EXPECT_EQ(withFormatCode(m.normalLine, std::stoll(f->second.initialValue)),
                      m.normalLine)
                << name;
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
