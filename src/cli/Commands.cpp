#include "cli/Commands.h"

#include <QString>

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
           "  describe            identify the unit and print its whole description\n";
}

int runCommand(SerialLink& link, const QStringList& command, std::FILE* out, std::FILE* err) {
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
        const int d = describeUnit(unit);
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
