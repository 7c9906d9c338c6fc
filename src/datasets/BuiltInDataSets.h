#pragma once

#include <span>
#include <string>
#include <string_view>

#include "datasets/DataSet.h"

// The descriptions the program carries for firmware that cannot describe itself: five sets chosen
// by the firmware identifier and two recognised by the shape of the unit's register answers.
namespace qu32 {

enum class BuiltInSet { A, B, C, D, E, ProbeAA516, ProbeUM516 };

const DataSet& builtInDataSet(BuiltInSet set);

// Firmware identifiers are compared as 8-character texts, trailing spaces included.
inline constexpr std::size_t kFirmwareIdLength = 8;

struct FirmwareSelection {
    std::string_view softwareVersion;  // exactly kFirmwareIdLength characters
    BuiltInSet set;
};

// Which firmware identifier selects which set.
std::span<const FirmwareSelection> firmwareSelections();

// The set for a firmware identifier, or nullptr when no built-in set belongs to it. The argument
// is taken as the 8-character identity field: a shorter text is padded with spaces and a longer
// one cut, as the field itself does. Otherwise the comparison is exact (case and spaces count).
const DataSet* dataSetForFirmware(const std::string& softwareVersion8);

enum class ProbeSet { UM516, AA516 };

const ProbeShape& probeShape(ProbeSet probe);

// The probes in the order they are run for an unidentified unit; when both fit, the later one's
// description is the one that stays installed.
std::span<const ProbeSet> probeRunOrder();

}  // namespace qu32
