#pragma once

#include <cstdio>

#include "platform/PortLister.h"
#include "platform/SerialPort.h"
#include "serial/PortMap.h"

namespace qu32::cli {

// qu32-cli ports: the settings dialog's discovery, one line per port with what it is, and for
// each port that cannot be used, why and what helps. Numbers given to devices the map did not
// know are shown but not kept. kExitDone when at least one port is usable.
int runPortsCommand(PortLister& lister, PortMap& portMap, SerialPort& port, std::FILE* out);

}  // namespace qu32::cli
