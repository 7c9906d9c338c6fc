#include "cli/Commands.h"

#include <QString>
#include <string>

#include "cli/ParameterFileCommands.h"
#include "cli/UnitSession.h"
#include "cli/ValueCommands.h"

namespace qu32::cli {

namespace {

// A single register answer holds at most 16 data characters (20 bytes in all).
constexpr std::size_t kValueTextLength = 16;
constexpr std::size_t kCodeLength = 2;
constexpr std::size_t kCodeColumnWidth = 4;
constexpr std::size_t kTextColumnWidth = 28;
constexpr std::size_t kInputColumnWidth = 24;

int usage(std::FILE* err, const std::string& text) {
    std::fprintf(err, "%s\n%s", text.c_str(), commandSummary());
    return kExitUsage;
}

void printIdentity(const UnitIdentity& id, std::FILE* out) {
    std::fprintf(out, "Model:               %s\n", local(id.unitType).constData());
    std::fprintf(out, "Software version:    %s\n", local(id.softwareVersion).constData());
    std::fprintf(out, "Standard version:    %s\n", local(id.standardVersion).constData());
    std::fprintf(out, "Coprocessor version: %s\n",
                 id.coprocessorVersion.empty() ? "-" : local(id.coprocessorVersion).constData());
    std::fprintf(out, "Unit group:          %d\n", id.unitGroup);
    std::fprintf(out, "Multi-read:          %s\n", id.hasCombinedStatusRead ? "yes" : "no");
}

const char* signKindName(int kind) {
    switch (kind) {
        case kSignKindSigned:
            return "signed";
        case kSignKindUnsigned:
            return "unsigned";
        default:
            return "#";
    }
}

void printDescription(const ConnectedUnit& unit, std::FILE* out) {
    const UnitDescription& d = unit.description;
    std::fprintf(out, "\nParameters (%d):\n", d.parameterCount);
    std::fprintf(out, "   # code %s width  sign     decimal  range / value\n",
                 localPadded("text", kTextColumnWidth).constData());
    for (int i = 0; i < d.parameterCount; ++i) {
        const Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            std::fprintf(out, "%4d      %s\n", i, local(p.text).constData());
            continue;
        }
        const ParamFormat& f = p.format;
        const std::string decimal = f.decimalPos < 0 ? "-" : std::to_string(f.decimalPos);
        std::fprintf(out, "%4d %s %s %5d  %-8s %7s  range %d .. %d", i,
                     localPadded(p.code, kCodeColumnWidth).constData(),
                     localPadded(p.text, kTextColumnWidth).constData(), f.digits + 1,
                     signKindName(f.signKind), decimal.c_str(), f.minValue, f.maxValue);
        if (!p.value.empty())
            std::fprintf(out, "  value %s", local(p.value).constData());
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "\nInputs (%d):\n", d.inputCount);
    for (int k = 0; k < d.inputCount && k < kMaxInputs; ++k) {
        const Input& in = d.inputs[static_cast<std::size_t>(k)];
        std::fprintf(out, "%4d %s%s%s\n", k, localPadded(in.text, kInputColumnWidth).constData(),
                     in.pcSettable ? " settable" : "", in.external ? " external" : "");
    }
    std::fprintf(out, "\nOutputs (%d):\n", d.outputCount);
    for (int k = 0; k < d.outputCount && k < kMaxOutputs; ++k)
        std::fprintf(out, "%4d %s\n", k,
                     local(d.outputTexts[static_cast<std::size_t>(k)]).constData());
}

int identifyAndDescribe(SerialLink& link, bool describe, std::FILE* out, std::FILE* err,
                        const CommandOptions& options) {
    UnitSession session(link, options, err);
    if (!session.identify())
        return kExitFailed;
    printIdentity(session.unit.identity, out);
    if (!describe)
        return kExitDone;
    if (const int status = session.describe(); status != kExitDone)
        return status;
    printDescription(session.unit, out);
    for (const auto& note : session.unit.notes)
        std::fprintf(err, "Note: %s\n", local(note).constData());
    return kExitDone;
}

}  // namespace

const char* commandSummary() {
    return "Commands:\n"
           "  read CODE           read a register and print its text\n"
           "  write CODE VALUE    write a value to a register\n"
           "  status CODE         read a status register (hexadecimal word)\n"
           "  version CODE        read a version register (8 characters)\n"
           "  identify            identify the unit: model, versions, group\n"
           "  describe            identify the unit and print its whole description\n"
           "                      (--firmware NAME chooses the description of a unit that\n"
           "                      cannot be identified)\n"
           "  values              every parameter with its value as the window shows it\n"
           "                      and its range\n"
           "  set CODE VALUE      change one parameter as the window does (the value as shown,\n"
           "                      e.g. 3.00 or -12): checked against its range, written,\n"
           "                      activated, stored in the EEPROM and read back\n"
           "  store               store the unit's values in its EEPROM\n"
           "  save FILE           save the unit's parameter set in a parameter file\n"
           "                      (--comment TEXT: the file's comment)\n"
           "  load FILE           transmit a parameter file's set and read it back\n"
           "                      (--store: then into the EEPROM; --force: a file for\n"
           "                      another unit too)\n"
           "  show FILE           print a parameter file\n"
           "  diff FILE           compare a parameter file with the connected unit\n"
           "  print --pdf OUT [FILE]\n"
           "                      write the parameter listing as a PDF: of FILE, or of the\n"
           "                      connected unit's values (--copies N: copies in the PDF)\n"
           "  monitor             follow the unit like the main window: a line whenever what it\n"
           "                      shows changes (--every-pass: every polling pass); with\n"
           "                      --simulate, standard input takes unplug, replug, pull,\n"
           "                      plug, model NAME, status and quit\n"
           "  ports               list the serial ports and why one cannot be used\n"
           "  scan                search the port for the unit: --units, --bauds, --formats\n"
           "                      choose what to try, --timeout MS shortens each read\n"
           "                      (100 ms), --all lists every combination that answers\n";
}

namespace {

struct CommandShape {
    const char* verb;
    int arguments;          // after the verb
    int optionalArguments;  // that may follow them
    bool codeFirst;         // the first argument is a two-character register code
    const char* wrong;
};

constexpr CommandShape kCommandShapes[] = {
    {"read", 1, 0, true, "read takes one two-character register code."},
    {"write", 2, 0, true, "write takes a register code and a value."},
    {"status", 1, 0, true, "status takes one register code."},
    {"version", 1, 0, true, "version takes one register code."},
    {"identify", 0, 0, false, "identify and describe take no arguments."},
    {"describe", 0, 0, false, "identify and describe take no arguments."},
    {"monitor", 0, 0, false, "monitor takes no arguments."},
    {"values", 0, 0, false, "values takes no arguments."},
    {"set", 2, 0, true, "set takes a register code and a value."},
    {"store", 0, 0, false, "store takes no arguments."},
    {"save", 1, 0, false, "save takes one file name."},
    {"load", 1, 0, false, "load takes one file name."},
    {"show", 1, 0, false, "show takes one file name."},
    {"diff", 1, 0, false, "diff takes one file name."},
    {"print", 0, 1, false, "print takes at most one file name."},
    {"ports", 0, 0, false, "ports takes no arguments."},
    {"scan", 0, 0, false,
     "scan takes no arguments; --units, --bauds and --formats choose what to try."},
};

}  // namespace

std::optional<std::string> commandError(const QStringList& command) {
    if (command.isEmpty())
        return "No command given.";
    for (const CommandShape& shape : kCommandShapes) {
        if (command.front() != shape.verb)
            continue;
        const int arguments = int(command.size()) - 1;
        const bool fits = arguments >= shape.arguments &&
                          arguments <= shape.arguments + shape.optionalArguments &&
                          (!shape.codeFirst || command[1].size() == int(kCodeLength));
        return fits ? std::nullopt : std::optional<std::string>(shape.wrong);
    }
    return "Unknown command '" + command.front().toStdString() + "'.";
}

bool needsUnit(const QStringList& command) {
    if (command.isEmpty())
        return true;
    return command.front() != "show" && !(command.front() == "print" && command.size() == 2);
}

int runFileCommand(const QStringList& command, std::FILE* out, std::FILE* err,
                   const CommandOptions& options) {
    if (const auto error = commandError(command))
        return usage(err, *error);
    if (command.front() == "print")
        return printParameterFile(fileName(command[1]), options, out, err);
    return showParameterFile(fileName(command[1]), out, err);
}

int runCommand(SerialLink& link, const QStringList& command, std::FILE* out, std::FILE* err,
               const CommandOptions& options) {
    if (const auto error = commandError(command))
        return usage(err, *error);
    const QString verb = command.front();
    const std::string code = command.size() > 1 ? latin1(command[1]) : std::string();

    if (verb == "read") {
        std::string text;
        if (link.readRegister(code, text, kValueTextLength) != Result::Ok)
            return reportFailure(link, err);
        std::fprintf(out, "%s = %s\n", code.c_str(), local(text).constData());
        return kExitDone;
    }
    if (verb == "write") {
        if (link.writeRegister(code, latin1(command[2])) != Result::Ok)
            return reportFailure(link, err);
        std::fprintf(out, "%s written: %s\n", code.c_str(), local(latin1(command[2])).constData());
        return kExitDone;
    }
    if (verb == "status") {
        std::int16_t word = 0;
        if (link.readStatus(code, word) != Result::Ok)
            return reportFailure(link, err);
        std::fprintf(out, "%s = %d (0x%04X)\n", code.c_str(), word,
                     static_cast<unsigned>(static_cast<std::uint16_t>(word)));
        return kExitDone;
    }
    if (verb == "version") {
        std::string text;
        if (link.readVersion(code, text) != Result::Ok)
            return reportFailure(link, err);
        std::fprintf(out, "%s = %s\n", code.c_str(), local(text).constData());
        return kExitDone;
    }
    if (verb == "identify" || verb == "describe")
        return identifyAndDescribe(link, verb == "describe", out, err, options);
    if (verb == "values")
        return listValues(link, options, out, err);
    if (verb == "set")
        return setValue(link, code, latin1(command[2]), options, out, err);
    if (verb == "store")
        return storeValues(link, options, out, err);
    if (verb == "save")
        return saveParameterSet(link, fileName(command[1]), options, out, err);
    if (verb == "load")
        return loadParameterSet(link, fileName(command[1]), options, out, err);
    if (verb == "diff")
        return diffParameterSet(link, fileName(command[1]), options, out, err);
    if (verb == "show")
        return showParameterFile(fileName(command[1]), out, err);
    if (verb == "print" && command.size() == 2)
        return printParameterFile(fileName(command[1]), options, out, err);
    if (verb == "print")
        return printUnitParameterSet(link, options, out, err);
    // The monitor runs the main window's cycle, not a single command over the link.
    return usage(err, "monitor runs on its own, not over an opened link.");
}

}  // namespace qu32::cli
