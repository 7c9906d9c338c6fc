#include "cli/UnitSession.h"

#include <unistd.h>

#include <optional>

#include "serial/Retry.h"
#include "unit/ValueEncoding.h"

namespace qu32::cli {

namespace {

// As the main window: six attempts to read a value, five to write one.
constexpr int kReadAttempts = 6;
constexpr int kWriteAttempts = 5;

// The last outcome of up to `attempts` tries of `request`, stopping at the first success.
template <typename Request>
Result withRetries(int attempts, Request request) {
    Result last = Result::TimeoutHeader;
    retry(attempts, [&](int) -> std::optional<Result> {
        last = request();
        return last == Result::Ok ? std::optional(last) : std::nullopt;
    });
    return last;
}

}  // namespace

int realRows(const std::vector<Parameter>& rows) {
    int n = 0;
    for (const Parameter& p : rows)
        n += p.isHeading() ? 0 : 1;
    return n;
}

// "n/N" on standard error, overwritten in place on a terminal.
void progress(std::FILE* err, const char* what, int done, int total) {
    const bool terminal = isatty(fileno(err)) != 0;
    if (terminal || done == total)
        std::fprintf(err, "%s%s %d/%d%s", terminal ? "\r" : "", what, done, total,
                     done == total ? "\n" : "");
    std::fflush(err);
}

Result readWithRetries(SerialLink& link, const std::string& code, std::string& text) {
    return withRetries(kReadAttempts, [&] { return link.readRegister(code, text); });
}

Result writeWithRetries(SerialLink& link, const std::string& code, const std::string& value) {
    return withRetries(kWriteAttempts, [&] { return link.writeRegister(code, value); });
}

QByteArray local(const std::string& latin1) {
    return QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())).toLocal8Bit();
}

QByteArray localPadded(const std::string& latin1, std::size_t width) {
    std::string text = latin1;
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return local(text);
}

std::string latin1(const QString& text) {
    const QByteArray b = text.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

int reportFailure(const SerialLink& link, std::FILE* err) {
    const LinkError& e = link.lastError();
    std::fprintf(err, "Error %d: %s (%s)\n", numberOf(e.result), local(e.description).constData(),
                 e.source.c_str());
    hintAfterSilence(e.result, err);
    return kExitFailed;
}

void hintAfterSilence(Result result, std::FILE* err) {
    if (result == Result::TimeoutHeader || result == Result::TimeoutData ||
        result == Result::LineFailed)
        std::fprintf(err,
                     "Hint: check the unit address (--unit), baud rate (--baud), format "
                     "(--format) and the cable; qu32-cli scan searches for the unit.\n");
}

FirmwareChoice FirmwareChooser::chooseFirmware(const std::vector<std::string>& names,
                                               const std::string& preset) {
    asked_ = true;
    offered_ = names;
    if (firmware_.empty())
        return {preset, false};
    return {firmware_, true};
}

UnitSession::UnitSession(SerialLink& link, const CommandOptions& options, std::FILE* err)
    : unit(link),
      link_(link),
      options_(options),
      err_(err),
      chooser_(link.observer(), options.firmware),
      selection_(link, unit, options.programFolder, chooser_) {}

bool UnitSession::identify() {
    if (unit.identifyUnit() == Result::Ok)
        return true;
    reportFailure(link_, err_);
    return false;
}

int UnitSession::describe() {
    unit.setDescriptionSource([&] {
        // Without --firmware nothing can be chosen here: stop rather than read the unit.
        return selection_.selectDescription() || chooser_.choiceMissing();
    });
    Result r = unit.readUnitDescription();
    // Units without description blocks: the list built by probing their registers.
    if (r == Result::UnknownCode && !chooser_.choiceMissing())
        r = unit.probeParameterList();
    if (chooser_.choiceMissing()) {
        std::fprintf(err_,
                     "The unit was not identified and matches no built-in data set.\n"
                     "Choose its description with --firmware NAME. Description files in %s:\n",
                     options_.programFolder.c_str());
        for (const std::string& name : chooser_.offered())
            std::fprintf(err_, "  %s\n", name.c_str());
        return kExitUsage;
    }
    if (!options_.firmware.empty() && !chooser_.asked())
        std::fprintf(err_, "Note: --firmware is not needed for this unit and was ignored.\n");
    if (r != Result::Ok) {
        if (unit.lastMessage.empty())
            return reportFailure(link_, err_);
        std::fprintf(err_, "Error %d: %s (reading the description)\n", numberOf(r),
                     local(unit.lastMessage).constData());
        hintAfterSilence(r, err_);
        return kExitFailed;
    }
    unit.applyGroupRegisters();
    return kExitDone;
}

void UnitSession::learnRegisters() {
    // A unit that needs a choice nobody made keeps the registers of its group.
    selection_.selectDescription();
    unit.applyGroupRegisters();
}

int UnitSession::readAllValues() {
    if (!identify())
        return kExitFailed;
    if (const int status = describe(); status != kExitDone)
        return status;
    UnitDescription& d = unit.description;
    std::vector<Parameter> rows(d.parameters.begin(), d.parameters.begin() + d.parameterCount);
    const int total = realRows(rows);
    int done = 0;
    for (int i = 0; i < d.parameterCount; ++i) {
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        if (p.isHeading()) {
            p.value.clear();
            continue;
        }
        std::string text;
        if (readWithRetries(link_, p.code, text) != Result::Ok)
            return reportFailure(link_, err_);
        p.value = formatValue(text, p.format);
        progress(err_, "Reading values", ++done, total);
    }
    return kExitDone;
}

}  // namespace qu32::cli
