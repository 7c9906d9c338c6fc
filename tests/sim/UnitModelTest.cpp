#include "sim/UnitModel.h"

#include <gtest/gtest.h>

#include <set>

namespace qu32::sim {
namespace {

// Invariants every row of the model table must keep for the engine and the program to work.
TEST(UnitModel, EveryModelIsSound) {
    for (const std::string& name : modelNames()) {
        SCOPED_TRACE(name);
        const UnitModel m = *findModel(name);
        EXPECT_EQ(m.name, name);
        // Version texts are read as exactly 8 characters.
        for (const auto& v : {m.softwareVersion, m.standardVersion, m.coprocessorVersion})
            EXPECT_TRUE(!v || v->size() == 8);

        // Parameter registers stay clear of the unit's own codes, which would hide them.
        std::set<std::string> own = {kSoftwareVersionCode,    kStandardVersionCode,
                                     kCoprocessorVersionCode, kMultiReadCode,
                                     kEightBitCommand,        kNormalFormatCommand};
        if (m.commands)
            own.insert({m.commands->activateCode, m.commands->storeCode, m.commands->resetCode});
        for (const auto& [code, data] : m.blocks)
            own.insert(code);
        if (m.status) {
            own.insert({m.status->pcInputCode, m.status->externalInputCode, m.status->busInputCode,
                        m.status->outputCode, m.status->actualValueCode});
            for (const auto& [code, mask] : m.status->inputCommands)
                own.insert(code);
        }
        for (const auto& [code, reg] : m.registers)
            EXPECT_FALSE(own.contains(code)) << code;
    }
    EXPECT_FALSE(findModel("no such unit"));
}

}  // namespace
}  // namespace qu32::sim
