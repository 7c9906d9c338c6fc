#pragma once

#include "cli/CliOptions.h"

namespace qu32::sim {
class PtyHost;
}

namespace qu32::cli {

// Runs the program's main cycle without a window and prints, once per polling pass, the unit's
// identity, its inputs and outputs and the actual value, until interrupted. A pulled adapter is
// waited for and opened again when it is back. With a simulated unit, standard input takes its
// console commands ("pull", "plug", "unplug", "replug", "model NAME", ...).
int runMonitor(CliOptions& options, sim::PtyHost* simulated);

}  // namespace qu32::cli
