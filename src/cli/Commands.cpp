#include "cli/Commands.h"

#include <QString>
#include <string>
#include <utility>
#include <vector>

#include "datasets/FirmwareSelection.h"
#include "unit/ConnectedUnit.h"

namespace qu32::cli {

namespace {

// A single register answer holds at most 16 data characters (20 bytes in all).
constexpr std::size_t kValueTextLength = 16;
constexpr std::size_t kCodeLength = 2;
constexpr std::size_t kTextColumnWidth = 28;
constexpr std::size_t kInputColumnWidth = 24;

// Register texts are ISO-8859-1; the terminal gets them in its own encoding.
QByteArray local(const std::string& latin1) {
    return QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())).toLocal8Bit();
}

// Columns are counted in characters: a Latin-1 text has one byte per character, its local form
// may have more.
QByteArray localPadded(const std::string& latin1, std::size_t width) {
    std::string text = latin1;
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return local(text);
}

std::string latin1(const QString& s) {
    const QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

int reportFailure(const SerialLink& link, std::FILE* err) {
    const LinkError& e = link.lastError();
    std::fprintf(err, "Error %d: %s (%s)\n", numberOf(e.result), local(e.description).constData(),
                 e.source.c_str());
    return kExitFailed;
}

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

// The description as the main window obtains it: from the unit, and for units that know no
// description blocks from the list built by probing their registers.
Result describeUnit(ConnectedUnit& unit) {
    const Result r = unit.readUnitDescription();
    if (r == Result::UnknownCode)
        return unit.probeParameterList();
    return r;
}

// Stands in for the firmware choice: chooses the name given with --firmware, or, without one,
// notes the names offered so that describe can list them. Messages go to the link's observer.
class FirmwareChooser : public OperatorObserver {
  public:
    FirmwareChooser(OperatorObserver& messages, std::string firmware)
        : messages_(messages), firmware_(std::move(firmware)) {}

    void showMessage(const std::string& text, MsgButtons buttons, MsgIcon icon) override {
        messages_.showMessage(text, buttons, icon);
    }
    FirmwareChoice chooseFirmware(const std::vector<std::string>& names,
                                  const std::string& preset) override {
        asked_ = true;
        offered_ = names;
        if (firmware_.empty())
            return {preset, false};
        return {firmware_, true};
    }

    bool asked() const { return asked_; }
    // The choice would have been asked, and nobody said what to choose.
    bool choiceMissing() const { return asked_ && firmware_.empty(); }
    const std::vector<std::string>& offered() const { return offered_; }

  private:
    OperatorObserver& messages_;
    std::string firmware_;
    bool asked_ = false;
    std::vector<std::string> offered_;
};

void listFirmwareChoices(const FirmwareChooser& chooser, const std::string& folder,
                         std::FILE* err) {
    std::fprintf(err,
                 "The unit was not identified and matches no built-in data set.\n"
                 "Choose its description with --firmware NAME. Description files in %s:\n",
                 folder.c_str());
    for (const std::string& name : chooser.offered())
        std::fprintf(err, "  %s\n", name.c_str());
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
    for (int i = 0; i < d.parameterCount; ++i) {
        const Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            std::fprintf(out, "%4d    %s\n", i, local(p.text).constData());
            continue;
        }
        const ParamFormat& f = p.format;
        std::fprintf(out, "%4d %s   %s width %2d  %-8s decimal %2d  range %d .. %d", i,
                     localPadded(p.code, kCodeLength).constData(),
                     localPadded(p.text, kTextColumnWidth).constData(), f.digits + 1,
                     signKindName(f.signKind), f.decimalPos, f.minValue, f.maxValue);
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
                        const DescribeOptions& options) {
    ConnectedUnit unit(link);
    if (unit.identifyUnit() != Result::Ok)
        return reportFailure(link, err);
    printIdentity(unit.identity, out);
    if (!describe)
        return kExitDone;
    FirmwareChooser chooser(link.observer(), options.firmware);
    FirmwareSelector selection(link, unit, options.programFolder, chooser);
    unit.setDescriptionSource([&] {
        // Without --firmware nothing can be chosen here: stop rather than read the unit.
        return selection.selectDescription() || chooser.choiceMissing();
    });
    const Result d = describeUnit(unit);
    if (chooser.choiceMissing()) {
        listFirmwareChoices(chooser, options.programFolder, err);
        return kExitUsage;
    }
    if (!options.firmware.empty() && !chooser.asked())
        std::fprintf(err, "Note: --firmware is not needed for this unit and was ignored.\n");
    if (d != Result::Ok) {
        std::fprintf(
            err, "Reading the description failed (%d): %s\n", numberOf(d),
            local(unit.lastMessage.empty() ? link.lastError().description : unit.lastMessage)
                .constData());
        return kExitFailed;
    }
    printDescription(unit, out);
    for (const auto& note : unit.notes)
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
           "  monitor             follow the unit like the main window and print each polling\n"
           "                      pass (with --simulate, standard input takes unplug, replug,\n"
           "                      model NAME, status and quit)\n";
}

namespace {

struct CommandShape {
    const char* verb;
    int arguments;   // after the verb
    bool codeFirst;  // the first argument is a two-character register code
    const char* wrong;
};

constexpr CommandShape kCommandShapes[] = {
    {"read", 1, true, "read takes one two-character register code."},
    {"write", 2, true, "write takes a register code and a value."},
    {"status", 1, true, "status takes one register code."},
    {"version", 1, true, "version takes one register code."},
    {"identify", 0, false, "identify and describe take no arguments."},
    {"describe", 0, false, "identify and describe take no arguments."},
    {"monitor", 0, false, "monitor takes no arguments."},
};

}  // namespace

std::optional<std::string> commandError(const QStringList& command) {
    if (command.isEmpty())
        return "No command given.";
    for (const CommandShape& shape : kCommandShapes) {
        if (command.front() != shape.verb)
            continue;
        const bool fits = command.size() == shape.arguments + 1 &&
                          (!shape.codeFirst || command[1].size() == int(kCodeLength));
        return fits ? std::nullopt : std::optional<std::string>(shape.wrong);
    }
    return "Unknown command '" + command.front().toStdString() + "'.";
}

int runCommand(SerialLink& link, const QStringList& command, std::FILE* out, std::FILE* err,
               const DescribeOptions& describe) {
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
        return identifyAndDescribe(link, verb == "describe", out, err, describe);
    // The monitor runs the main window's cycle, not a single command over the link.
    return usage(err, "monitor runs on its own, not over an opened link.");
}

}  // namespace qu32::cli
