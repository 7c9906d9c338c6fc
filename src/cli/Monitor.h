#pragma once

#include <string>

#include "cli/CliOptions.h"

namespace qu32 {
class MainWindow;
}
namespace qu32::sim {
class PtyHost;
}

namespace qu32::cli {

// What a polling pass shows, as the window shows it: its caption, the inputs (set from the PC,
// at the terminals, from the bus) and outputs that are on, by name, the actual value and the
// reset button, without access-key markers.
std::string passLine(const MainWindow& window);

// Runs the program's main cycle without a window and prints a pass's line whenever it differs
// from the last one printed (every pass with --every-pass), until interrupted. A pulled adapter is
// waited for and opened again when it is back. With a simulated unit, standard input takes its
// console commands ("pull", "plug", "unplug", "replug", "model NAME", ...).
int runMonitor(CliOptions& options, sim::PtyHost* simulated);

}  // namespace qu32::cli
