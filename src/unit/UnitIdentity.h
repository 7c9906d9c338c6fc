#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "unit/UnitDescription.h"

namespace qu32 {

inline constexpr char kUnknownVersion[] = "????????";

// Who the connected unit is.
struct UnitIdentity {
    std::string softwareVersion = kUnknownVersion;  // register "99", 8 characters
    std::string standardVersion = kUnknownVersion;  // register "98", 8 characters
    std::string coprocessorVersion;                 // register "9/", empty when absent
    bool hasCombinedStatusRead = false;
    std::string unitType;
    int versionForm = 0;
    std::string softwareVersionText;
    int unitGroup = 0;
};

// Register codes and bit tables of a unit group: the commands, the status registers and how
// inputs and outputs sit in the status words.
struct GroupRegisters {
    std::string activateCode;
    std::string storeCode;
    std::string resetCode;
    int resetMask = 0;
    std::string outputCode;
    std::string pcInputCode;
    std::string externalInputCode;
    std::string auxStatusCode;
    std::string actualValueCode;
    std::array<int, kMaxInputButtons> inputMasks{};
    std::array<int, kMaxOutputs> outputMasks{};
    std::array<std::string, kMaxInputButtons> inputCommandCodes{};
};

}  // namespace qu32
