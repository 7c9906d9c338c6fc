#pragma once

#include <QCommandLineParser>
#include <cstdio>
#include <optional>

#include "serial/SerialLink.h"
#include "settings/UnitScan.h"

namespace qu32::cli {

struct ScanCommandOptions {
    ScanOptions scan{false, false, false};
    // The answer time-out of each read; a unit answers within a few character times, so a
    // shorter one than the dialog's speeds the search up.
    int timeoutMs = UnitScan::kScanAnswerTimeoutMs;
    // Go on after a find and list every combination that answers.
    bool all = false;
};

// --units, --bauds, --formats and --all.
void addScanOptions(QCommandLineParser& parser);
// The scan's options from a parsed command line; --timeout only when given.
ScanCommandOptions readScanOptions(const QCommandLineParser& parser, int timeoutMs);

// qu32-cli scan: the settings dialog's scan list and probe on the link's port, with a progress
// line on `err` (step, elapsed, time left) and each answering combination on `out`.
// kExitFailed with "No connection" when nothing answers.
int runScanCommand(SerialLink& link, const ScanCommandOptions& options, std::FILE* out,
                   std::FILE* err);

}  // namespace qu32::cli
