#include "cli/ScanCommand.h"

#include <unistd.h>

#include <string>

#include "cli/Commands.h"

namespace qu32::cli {

namespace {

constexpr double kMsPerSecond = 1000.0;

std::string formatOf(const std::string& settings) {
    const std::size_t comma = settings.find(',');
    return comma == std::string::npos ? std::string() : settings.substr(comma + 1);
}

}  // namespace

void addScanOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {"units", "scan: try unit numbers 11 to 99 (without 20, 30, ...), not only 11."},
        {"bauds", "scan: try 38400, 19200 and 9600 baud, not only 9600."},
        {"formats", "scan: try all ten serial formats, not only e,7,1."},
        {"all", "scan: go on after a find and list every combination that answers."},
    });
}

ScanCommandOptions readScanOptions(const QCommandLineParser& parser, int timeoutMs) {
    ScanCommandOptions o;
    o.scan = {parser.isSet("units"), parser.isSet("bauds"), parser.isSet("formats")};
    if (parser.isSet("timeout"))
        o.timeoutMs = timeoutMs;
    o.all = parser.isSet("all");
    return o;
}

int runScanCommand(SerialLink& link, const ScanCommandOptions& options, std::FILE* out,
                   std::FILE* err) {
    const std::vector<ScanEntry> entries = buildScanList(options.scan);
    const int restingTimeoutMs = link.answerTimeoutMs();
    link.setAnswerTimeoutMs(options.timeoutMs);
    // On a terminal the progress line is rewritten in place; elsewhere each step is a line.
    const bool terminal = ::isatty(::fileno(err)) != 0;
    const std::int64_t startMs = link.loop().nowMs();
    int found = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const double elapsedMs = static_cast<double>(link.loop().nowMs() - startMs);
        const double leftMs =
            i == 0 ? 0.0
                   : elapsedMs / static_cast<double>(i) * static_cast<double>(entries.size() - i);
        std::fprintf(err, "%sScan step %zu/%zu  elapsed %.1f s  left %.1f s  (unit %s, %s)%s",
                     terminal ? "\r" : "", i + 1, entries.size(), elapsedMs / kMsPerSecond,
                     leftMs / kMsPerSecond, entries[i].unitAddress.c_str(),
                     entries[i].settings.c_str(), terminal ? "   " : "\n");
        std::fflush(err);
        if (!probeUnit(link, entries[i]))
            continue;
        ++found;
        if (terminal)
            std::fprintf(err, "\n");
        const std::string baud = entries[i].settings.substr(0, entries[i].settings.find(','));
        std::fprintf(out, "%s\n  (qu32-cli --port %d --baud %s --format %s --unit %s)\n",
                     foundMessage(entries[i], "\n").c_str(), link.port().portNumber(), baud.c_str(),
                     formatOf(entries[i].settings).c_str(), entries[i].unitAddress.c_str());
        std::fflush(out);
        if (!options.all)
            break;
    }
    if (terminal && found == 0)
        std::fprintf(err, "\n");
    link.setAnswerTimeoutMs(restingTimeoutMs);
    if (found == 0) {
        std::fprintf(err, "%s\n", kNoConnection);
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace qu32::cli
