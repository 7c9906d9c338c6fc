#include "cli/Commands.h"

#include <QString>
#include <string>
#include <utility>
#include <vector>

#include "datasets/FirmwareSelection.h"
#include "parfiles/Form13.h"
#include "settings/ProgramFolder.h"
#include "unit/UnitData.h"

namespace qu32::cli {

namespace {

// A single register answer holds at most 16 data characters (20 bytes in all).
constexpr std::size_t kValueTextLength = 16;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Register texts are ISO-8859-1; the terminal gets them in its own encoding.
QByteArray local(const std::string& latin1) {
    return QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())).toLocal8Bit();
}

std::string latin1(const QString& s) {
    const QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

bool isRegisterCode(const QString& code) {
    return code.size() == 2;
}

int reportFailure(SerialLink& link, int result, std::FILE* err) {
    const ProtocolError& e = link.lastError();
    std::fprintf(err, "Error %d: %s (%s)\n", result, local(e.description).constData(),
                 e.source.c_str());
    return kExitFailed;
}

int usage(std::FILE* err, const char* text) {
    std::fprintf(err, "%s\n%s", text, commandSummary());
    return kExitUsage;
}

void printIdentity(const UnitIdentity& id, std::FILE* out) {
    std::fprintf(out, "Model:               %s\n", local(id.UnitType).constData());
    std::fprintf(out, "Software version:    %s\n", local(id.SoftwareVersion).constData());
    std::fprintf(out, "Standard version:    %s\n", local(id.StandardVersion).constData());
    std::fprintf(out, "Coprocessor version: %s\n",
                 id.CoprocessorVersion.empty() ? "-" : local(id.CoprocessorVersion).constData());
    std::fprintf(out, "Unit group:          %d\n", id.UnitGroup);
    std::fprintf(out, "Multi-read:          %s\n", id.MultiReadCapable ? "yes" : "no");
}

// The description as the main window obtains it: from the unit, and for units that know no
// description blocks from the list built by probing their registers.
int describeUnit(UnitData& unit) {
    const int r = unit.Read_UnitData("qu32-cli");
    if (r == kErrUnknownCode)
        return unit.Build_ParameterList();
    return r;
}

// Stands in for the firmware-selection dialog: chooses the name given with --firmware, or, without
// one, notes the names offered so that describe can list them. Everything else goes to the
// console dialogs.
class FirmwareChoiceDialogs : public Dialogs {
  public:
    FirmwareChoiceDialogs(Dialogs& console, std::string firmware)
        : console_(console), firmware_(std::move(firmware)) {}

    MsgAnswer messageBox(const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) override {
        return console_.messageBox(text, title, buttons, icon);
    }
    void beep() override { console_.beep(); }
    void setMousePointer(MousePointer pointer) override { console_.setMousePointer(pointer); }
    void showForm13(Form13& form) override {
        asked_ = true;
        offered_ = form.Combo1.items;
        if (firmware_.empty()) {
            form.pressCancel();
            return;
        }
        form.Combo1.text = firmware_;
        form.pressOk();
    }

    bool asked() const { return asked_; }
    // The dialog would have been shown, and nobody said what to choose.
    bool choiceMissing() const { return asked_ && firmware_.empty(); }
    const std::vector<std::string>& offered() const { return offered_; }

  private:
    Dialogs& console_;
    std::string firmware_;
    bool asked_ = false;
    std::vector<std::string> offered_;
};

void listFirmwareChoices(const FirmwareChoiceDialogs& choice, std::FILE* err) {
    std::fprintf(err,
                 "The unit was not identified and matches no built-in data set.\n"
                 "Choose its description with --firmware NAME. Description files in %s:\n",
                 programFolder().c_str());
    for (const std::string& name : choice.offered())
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

void printDescription(const UnitData& unit, std::FILE* out) {
    const UnitDescription& d = unit.description;
    std::fprintf(out, "\nParameters (%d):\n", d.ParamCount);
    for (int i = 0; i < d.ParamCount; ++i) {
        const Parameter& p = d.params[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            std::fprintf(out, "%4d    %s\n", i, local(p.ParamText).constData());
            continue;
        }
        const ParamFormat& f = p.format;
        std::fprintf(out, "%4d %s   %-28s width %2d  %-8s decimal %2d  range %d .. %d", i,
                     local(p.ParamCode).constData(), local(p.ParamText).constData(), f.digits + 1,
                     signKindName(f.signKind), f.decimalPos, f.minValue, f.maxValue);
        if (!p.ParamValue.empty())
            std::fprintf(out, "  value %s", local(p.ParamValue).constData());
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "\nInputs (%d):\n", d.InputCount);
    for (int k = 0; k < d.InputCount && k < kMaxInputs; ++k) {
        const Input& in = d.inputs[static_cast<std::size_t>(k)];
        std::fprintf(out, "%4d %-24s%s%s\n", k, local(in.InputText).constData(),
                     in.InputSerial ? " settable" : "", in.InputExternal ? " external" : "");
    }
    std::fprintf(out, "\nOutputs (%d):\n", d.OutputCount);
    for (int k = 0; k < d.OutputCount && k < kMaxOutputs; ++k)
        std::fprintf(out, "%4d %s\n", k,
                     local(d.OutputText[static_cast<std::size_t>(k)]).constData());
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
           "  monitor             follow the unit like the main window and print each polling\n"
           "                      pass (with --simulate: type unplug, replug, model NAME)\n"
           "                      (--firmware NAME chooses the description of a unit that\n"
           "                      cannot be identified)\n";
}

int runCommand(SerialLink& link, const QStringList& command, std::FILE* out, std::FILE* err,
               const std::string& firmware) {
    if (command.isEmpty())
        return usage(err, "No command given.");
    const QString verb = command.front();
    const std::string address = link.settings().UnitAddress;
    auto codeArg = [&](int count) -> std::optional<std::string> {
        if (command.size() != count + 1 || !isRegisterCode(command[1]))
            return std::nullopt;
        return latin1(command[1]);
    };

    if (verb == "read") {
        const auto code = codeArg(1);
        if (!code)
            return usage(err, "read takes one two-character register code.");
        std::string text(kValueTextLength, ' ');
        const int r = link.Read_Parameter(address, *code, text);
        if (r < 0)
            return reportFailure(link, r, err);
        std::fprintf(out, "%s = %s\n", code->c_str(),
                     local(text.substr(0, static_cast<std::size_t>(r))).constData());
        return 0;
    }
    if (verb == "write") {
        const auto code = codeArg(2);
        if (!code)
            return usage(err, "write takes a register code and a value.");
        const int r = link.Transmit_Parameter(address, *code, latin1(command[2]));
        if (r != 1)
            return reportFailure(link, r, err);
        std::fprintf(out, "%s written: %s\n", code->c_str(), local(latin1(command[2])).constData());
        return 0;
    }
    if (verb == "status") {
        const auto code = codeArg(1);
        if (!code)
            return usage(err, "status takes one register code.");
        std::int16_t word = 0;
        const int r = link.Read_Status(address, *code, word);
        if (r != 1)
            return reportFailure(link, r, err);
        std::fprintf(out, "%s = %d (0x%04X)\n", code->c_str(), word,
                     static_cast<unsigned>(static_cast<std::uint16_t>(word)));
        return 0;
    }
    if (verb == "version") {
        const auto code = codeArg(1);
        if (!code)
            return usage(err, "version takes one register code.");
        std::string text(8, ' ');
        const int r = link.Read_Version(address, *code, text);
        if (r != 1)
            return reportFailure(link, r, err);
        std::fprintf(out, "%s = %s\n", code->c_str(), local(text).constData());
        return 0;
    }
    if (verb == "identify" || verb == "describe") {
        if (command.size() != 1)
            return usage(err, "identify and describe take no arguments.");
        UnitData unit(link);
        const int r = unit.Identify_Unit("qu32-cli");
        if (r != 1)
            return reportFailure(link, r, err);
        printIdentity(unit.identity, out);
        if (verb == "identify")
            return 0;
        FirmwareChoiceDialogs choice(link.dialogs(), firmware);
        FirmwareSelector selection(link, unit, choice);
        unit.setFirmwareSelector([&] {
            // Without --firmware nothing can be chosen here: stop rather than read the unit.
            return selection.SelectFirmwareDataSet() || choice.choiceMissing();
        });
        const int d = describeUnit(unit);
        if (choice.choiceMissing()) {
            listFirmwareChoices(choice, err);
            return kExitUsage;
        }
        if (!firmware.empty() && !choice.asked())
            std::fprintf(err, "Note: --firmware is not needed for this unit and was ignored.\n");
        if (d != 1) {
            std::fprintf(
                err, "Reading the description failed (%d): %s\n", d,
                local(unit.lastMessage.empty() ? link.lastError().description : unit.lastMessage)
                    .constData());
            return kExitFailed;
        }
        printDescription(unit, out);
        for (const auto& note : unit.notes)
            std::fprintf(err, "Note: %s\n", local(note).constData());
        return 0;
    }
    return usage(err, ("Unknown command '" + verb.toStdString() + "'.").c_str());
}

}  // namespace qu32::cli
