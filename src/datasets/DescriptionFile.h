#pragma once

#include <cstddef>
#include <istream>
#include <string>

#include "serial/OperatorObserver.h"
#include "unit/UnitDescription.h"
#include "unit/UnitIdentity.h"

// Description files of the program folder: "*.cof" files the operator picks by name and ".cng"
// files named after a firmware identifier. Both have the same 16-line text layout: the model and
// firmware, the parameter table column by column, the inputs and the outputs.
namespace qu32 {

// Error numbers of the read-error message. The numbers are the ones the older programs showed
// for the same faults, so operators and support recognise them.
inline constexpr int kDescriptionFileOk = 0;
inline constexpr int kDescriptionErrorOverflow = 6;  // a number beyond the range of its column
inline constexpr int kDescriptionErrorOutOfRange =
    9;  // a count beyond a table or beyond its fields
inline constexpr int kDescriptionErrorNotANumber = 13;  // text where a number is needed
inline constexpr int kDescriptionErrorNotFound = 53;    // the file cannot be opened
inline constexpr int kDescriptionErrorReadFailed =
    57;  // the file cannot be read, or a line is absurd
inline constexpr int kDescriptionErrorEndOfFile = 62;  // fewer lines than the layout has

inline constexpr int kDescriptionFileLines = 16;
// A full table of 401 long texts fits many times over; a longer line is not a description.
inline constexpr std::size_t kMaxDescriptionLineBytes = 256 * 1024;
// Register codes and firmware identifiers are fixed-width fields.
inline constexpr std::size_t kDescriptionCodeLength = 2;
inline constexpr std::size_t kDescriptionIdLength = 8;
// The group of a known model code from a file: no registers are set for it by identification.
inline constexpr int kDescribedUnitGroup = 8;
inline constexpr int kUnknownModelUnitGroup = 0;

// The parts of the program's knowledge of the unit that a description file replaces.
struct DescriptionTarget {
    UnitDescription& description;
    UnitIdentity& identity;
    GroupRegisters& group;
};

// Reads the 16 lines from `in` and, only when every one of them is usable, installs them into
// `target`: a bad file leaves the previous description, identity and group settings untouched.
// Returns kDescriptionFileOk or one of the error numbers above.
int loadDescriptionFile(std::istream& in, DescriptionTarget target);

// "Error 62 while reading from file C:\x.cof !"
std::string descriptionFileErrorMessage(int errorNumber, const std::string& path);

// Loads a ".cof" or ".cng" file. On failure tells the operator the read-error message and
// returns false.
bool readDescriptionFile(const std::string& path, DescriptionTarget target,
                         OperatorObserver& observer);

}  // namespace qu32
