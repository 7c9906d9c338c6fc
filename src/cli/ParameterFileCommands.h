#pragma once

#include <QString>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "serial/SerialLink.h"

// The parameter-file commands of qu32-cli, on the same file code as the main window.
namespace qu32::cli {

// A file name from the command line, in the file system's encoding.
std::string fileName(const QString& argument);

// Identifies and describes the unit, reads every value and writes them to `path` with the
// unit's identity and --comment in the header.
int saveParameterSet(SerialLink& link, const std::string& path, const CommandOptions& options,
                     std::FILE* out, std::FILE* err);
// Transmits every parameter of the file, activates, reads each back and compares; stores in the
// EEPROM (--store) only when every value came back equal. A file for another unit is refused
// unless --force.
int loadParameterSet(SerialLink& link, const std::string& path, const CommandOptions& options,
                     std::FILE* out, std::FILE* err);
// The file against the connected unit: one line per parameter that differs.
int diffParameterSet(SerialLink& link, const std::string& path, const CommandOptions& options,
                     std::FILE* out, std::FILE* err);
// The header, the comment and every row.
int showParameterFile(const std::string& path, std::FILE* out, std::FILE* err);
// The printed listing as a PDF (--pdf, --copies): of the connected unit after reading every
// value, as the window prints without a file; or of a parameter file with its header.
int printUnitParameterSet(SerialLink& link, const CommandOptions& options, std::FILE* out,
                          std::FILE* err);
int printParameterFile(const std::string& path, const CommandOptions& options, std::FILE* out,
                       std::FILE* err);

}  // namespace qu32::cli
