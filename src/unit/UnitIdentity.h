#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "unit/UnitDescription.h"

namespace qu32 {

inline constexpr char kUnknownVersion[] = "????????";

// Who the connected unit is.
struct UnitIdentity {
    std::string SoftwareVersion = kUnknownVersion;  // register "99", 8 characters
    std::string StandardVersion = kUnknownVersion;  // register "98", 8 characters
    std::string CoprocessorVersion;                 // register "9/", empty when absent
    bool MultiReadCapable = false;
    std::string UnitType;
    int VersionForm = 0;
    std::string SoftwareVersionText;
    int UnitGroup = 0;
};

// Register codes and bit tables of a unit group: the commands, the status registers and how
// inputs and outputs sit in the status words.
struct GroupSettings {
    std::string ActivateCode;
    std::string StoreCode;
    std::string ResetCode;
    int ResetMask = 0;
    std::string OutputCode;
    std::string SerialInputCode;
    std::string ExternalInputCode;
    std::string AuxStatusCode;
    std::string ActualValueCode;
    std::array<int, kMaxInputButtons> InputMask{};
    std::array<int, kMaxOutputs> OutputMask{};
    std::array<std::string, kMaxInputButtons> InputCommandCode{};
};

}  // namespace qu32
