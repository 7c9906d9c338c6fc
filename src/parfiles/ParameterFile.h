#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "unit/UnitDescription.h"
#include "unit/UnitIdentity.h"

// The parameter file (".par"): one parameter set with the identity of the unit it came from and
// the operator's comment, as text lines ending in CR LF. The header is the marker, the firmware
// and unit-type identifiers (8 characters each), the comment (commas stored as character 1) and a
// closing ","; each parameter line holds text, code, value, minimum and maximum, each followed by
// a comma. Old binary files of the DOS software are read and converted, never written.
namespace qu32 {

inline constexpr char kParameterFileMarker[] = "00271828182845";
inline constexpr std::size_t kIdentityLength = 8;
inline constexpr std::size_t kMaxCommentLength = 200;
// The longest header the reader collects before it gives up looking for its closing comma.
inline constexpr std::size_t kMaxHeaderLength = 231;
// Limits that are not numbers in a file read as these.
inline constexpr std::int32_t kUnknownMinimum = -999999999;
inline constexpr std::int32_t kUnknownMaximum = 999999999;
// A parameter file is a few kilobytes; anything this big is not one.
inline constexpr std::size_t kMaxParameterFileBytes = 4 * 1024 * 1024;

// The identity and comment a file carries.
struct ParameterFileHeader {
    std::string softwareVersion;  // 8 characters, or empty when the header is too short
    std::string standardVersion;  // unit type in its first 5 characters
    std::string comment;          // with its commas
};

// The comment as stored: every "," becomes the character with code 1, and back.
std::string encodeComment(const std::string& comment);
std::string decodeComment(const std::string& stored);

// The whole file for the first `parameterCount` rows of `description`.
std::string writeParameterFile(const ParameterFileHeader& header,
                               const UnitDescription& description);

// What reading a file's bytes gave.
struct ParameterFileContent {
    enum class Outcome {
        Read,         // a marked header and the complete records after it
        NotMarked,    // the header ended but does not begin with the marker
        NoHeader,     // the bytes ended before the header did, without the marker
        TooManyRows,  // more records than a description holds
    };
    Outcome outcome = Outcome::NoHeader;
    // The header text as collected (the DOS test looks at it).
    std::string headerText;
    ParameterFileHeader header;
    // Cleaned rows with the format their value text implies.
    std::vector<Parameter> rows;
};

ParameterFileContent readParameterFile(std::string_view bytes);

// True when the file names a unit (firmware and unit type) other than `unit`. A file that names
// none, or names it with blanks, is for any unit.
bool namesOtherUnit(const ParameterFileHeader& header, const UnitIdentity& unit);

// True when the text begins with the signature of the DOS software's binary files.
bool isDosFile(std::string_view text);

// The rows of a DOS file; nothing when one of its records is not valid.
std::optional<std::vector<Parameter>> convertDosFile(std::string_view bytes);

// Replaces the parameter table with `rows` (at most kMaxParameters), clearing what lies beyond.
void installRows(const std::vector<Parameter>& rows, UnitDescription& description);

// A path of at most `length` characters as it is; a longer one from the first separator
// ("/" or "\") after which at most `length` characters remain (else the last separator),
// behind "..", e.g. "../units/line7.par".
std::string shortenPath(const std::string& path, std::size_t length);

}  // namespace qu32
