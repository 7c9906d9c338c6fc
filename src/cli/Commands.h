#pragma once

#include <QStringList>
#include <cstdio>
#include <optional>
#include <string>

#include "serial/SerialLink.h"

namespace qu32::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What the commands need besides the link: the program folder with the description files, the
// description file (".cof" name without extension) to choose for a unit that identification
// could not name (without it describe lists the names and stops there), and the parameter-file
// commands' options.
struct CommandOptions {
    std::string programFolder;
    std::string firmware;
    std::string comment;  // save: the file's comment
    bool store = false;   // load: into the EEPROM once every value read back equal
    bool force = false;   // load: also a file for another unit
    std::string pdfPath;  // print: the PDF written
    int copies = 1;       // print: copies in it
};

// Whether the command talks to a unit (all but show and print of a file, which only read one).
bool needsUnit(const QStringList& command);

// The commands that need no unit (show, print FILE).
int runFileCommand(const QStringList& command, std::FILE* out, std::FILE* err,
                   const CommandOptions& options = {});

// Why the command line's command (the verb and its arguments) is not one qu32-cli takes;
// nothing when it is. Checked before any port is opened.
std::optional<std::string> commandError(const QStringList& command);

// Runs one command of qu32-cli over an opened link. Returns the process exit status:
// kExitDone, kExitFailed when the unit or the line failed, kExitUsage when the command line was
// wrong.
int runCommand(SerialLink& link, const QStringList& command, std::FILE* out, std::FILE* err,
               const CommandOptions& options = {});

// The command summary for --help and for a wrong command line.
const char* commandSummary();

}  // namespace qu32::cli
