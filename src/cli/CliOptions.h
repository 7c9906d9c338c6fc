#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <optional>
#include <string>

#include "serial/PortMap.h"
#include "serial/SerialSettings.h"

namespace qu32::cli {

// More copies than this are a typing mistake, not a wish.
inline constexpr int kMaxCopies = 99;

// What the command line asked for, checked and turned into the program's own settings.
struct CliOptions {
    SerialSettings serial;
    PortMap portMap;
    bool trace = false;
    bool simulate = false;
    std::string simulateModel = "generic";
    int timeoutMs = 1000;
    // The .cof name to choose for a unit that identification could not name (describe).
    std::string firmware;
    // Where the description files and the remembered firmware choice are.
    std::string programFolder;
    // The parameter-file commands': save's file comment (Latin-1, as files hold it), load's
    // EEPROM store and its consent to a file written for another unit.
    std::string comment;
    bool store = false;
    bool force = false;
    // print: the PDF file written and how many copies it holds.
    std::string pdfPath;
    int copies = 1;
    // monitor: a line every polling pass, not only when something changed.
    bool everyPass = false;
    QStringList command;  // the verb and its arguments
};

void addCommonOptions(QCommandLineParser& parser);

// A negative value is an argument, not a bundle of short options: "write 02 -100" would otherwise
// read as -1 -0 -0. Such arguments are marked before parsing and unmarked in its result; the value
// of an option ("--timeout -5") is left as it is.
QStringList protectNegativeNumbers(const QStringList& arguments);
QStringList unprotect(QStringList positionalArguments);
// Fills `out` from a parsed command line; on a bad value returns the message to show.
std::optional<std::string> readCommonOptions(const QCommandLineParser& parser, CliOptions& out);

}  // namespace qu32::cli
