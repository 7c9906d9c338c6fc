#pragma once

#include <cstddef>
#include <istream>
#include <string>

#include "platform/Dialogs.h"
#include "unit/UnitDescription.h"
#include "unit/UnitIdentity.h"

// Description files of the program folder: "*.cof" files the operator picks by name and ".cng"
// files named after a firmware identifier. Both have the same 16-line text layout: the model and
// firmware, the parameter table column by column, the inputs and the outputs.
namespace qu32 {

// Error numbers of the read-error message. The numbers are the ones the older programs showed
// for the same faults, so operators and support recognise them.
inline constexpr int kConfigFileOk = 0;
inline constexpr int kConfigErrorOverflow = 6;     // a number beyond the range of its column
inline constexpr int kConfigErrorOutOfRange = 9;   // a count beyond a table or beyond its fields
inline constexpr int kConfigErrorNotANumber = 13;  // text where a number is needed
inline constexpr int kConfigErrorNotFound = 53;    // the file cannot be opened
inline constexpr int kConfigErrorReadFailed = 57;  // the file cannot be read, or a line is absurd
inline constexpr int kConfigErrorEndOfFile = 62;   // fewer lines than the layout has

inline constexpr int kConfigFileLines = 16;
// A full table of 401 long texts fits many times over; a longer line is not a description.
inline constexpr std::size_t kMaxConfigLineBytes = 256 * 1024;
// Register codes and firmware identifiers are fixed-width fields.
inline constexpr std::size_t kConfigCodeLength = 2;
inline constexpr std::size_t kConfigFirmwareIdLength = 8;
// The group of a known model code from a file: no registers are set for it by identification.
inline constexpr int kConfigFileUnitGroup = 8;
inline constexpr int kUnknownModelUnitGroup = 0;

// The parts of the program's knowledge of the unit that a description file replaces.
struct DescriptionTarget {
    UnitDescription& description;
    UnitIdentity& identity;
    GroupSettings& group;
    int& scrollMax;  // maximum of the parameter list's scroll bar
};

// Reads the 16 lines from `in` and, only when every one of them is usable, installs them into
// `target`: a bad file leaves the previous description, identity and group settings untouched.
// Returns kConfigFileOk or one of the error numbers above.
int loadConfigFile(std::istream& in, DescriptionTarget target);

// "Error 62 while reading from file C:\x.cof !"
std::string configFileErrorMessage(int errorNumber, const std::string& path);

// Loads a ".cof" or ".cng" file. On failure shows the read-error message (exclamation icon,
// `titleText` as title) and returns false.
bool ReadConfigFile(const std::string& path, DescriptionTarget target, Dialogs& dialogs,
                    const std::string& titleText);

}  // namespace qu32
