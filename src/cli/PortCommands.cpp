#include "cli/PortCommands.h"

#include "cli/Commands.h"
#include "settings/PortDiscovery.h"
#include "settings/SerialSettingsDialog.h"

namespace qu32::cli {

int runPortsCommand(PortLister& lister, PortMap& portMap, SerialPort& port, std::FILE* out) {
    const Discovery found = discoverPorts(lister, portMap, port);
    if (!found.listAvailable) {
        std::fprintf(out, "%s (this system gives no list of serial devices)\n", kNoUsablePort);
        return kExitFailed;
    }
    for (const PortEntry& p : found.ports) {
        std::fprintf(out, "%s%s\n", describePort(p).c_str(), p.usable ? "  [usable]" : "");
        if (!p.usable)
            std::fprintf(out, "  %s\n", explainUnusable(p).c_str());
    }
    for (const PortMap::Entry& e : found.newPairings) {
        std::fprintf(out, "COM%d is a number given for this listing only; --port %d=%s keeps it\n",
                     e.com, e.com, e.device.c_str());
    }
    if (found.usableCount() == 0) {
        std::fprintf(out, "%s\n", kNoUsablePortWarning);
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace qu32::cli
