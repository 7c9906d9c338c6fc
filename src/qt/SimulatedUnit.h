#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <string>

#include "serial/PortMap.h"
#include "serial/SerialSettings.h"
#include "sim/PtyHost.h"
#include "sim/SimulatorConsole.h"

namespace qu32 {

// The model --simulate picks when none is named: a unit that describes itself, with inputs,
// outputs and an actual value, shows every part of the program.
inline constexpr char kDefaultSimulatedModel[] = "tq593";

// Starts the simulated unit `modelName` behind a pseudo-terminal for --simulate. It answers at
// the unit address and line settings the program uses (settings it cannot use are set to the
// defaults first), and the settings' COM number is pointed at its pseudo-terminal. Null, with
// `error` saying why, when the model is unknown or the unit cannot start.
std::unique_ptr<sim::PtyHost> startSimulatedUnit(const std::string& modelName,
                                                 SerialSettings& settings, PortMap& portMap,
                                                 std::string& error);

// "Unknown simulated model 'x'. Models: generic tq593 ..."
std::string unknownModelMessage(const std::string& modelName);

// Takes the simulated unit's console commands (unplug, replug, model NAME, status, quit) from
// standard input while the event loop runs; `onReply` gets every answer. The end of the input
// leaves the unit running.
std::unique_ptr<QSocketNotifier> listenOnStandardInput(
    sim::PtyHost& host, std::function<void(const sim::ConsoleReply&)> onReply);

}  // namespace qu32
