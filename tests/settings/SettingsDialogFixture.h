#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/PortLister.h"
#include "settings/SerialSettingsDialog.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"
#include "support/RecordingObserver.h"
#include "support/SimSerialPort.h"
#include "support/VirtualEventLoop.h"

namespace qu32::test {

using Strings = std::vector<std::string>;

// The machine's device list as a test sets it.
class FixedPortLister : public PortLister {
  public:
    std::optional<std::vector<SerialDeviceInfo>> listDevices() override { return devices; }
    std::optional<std::vector<SerialDeviceInfo>> devices = std::vector<SerialDeviceInfo>{};
};

inline SerialDeviceInfo device(std::string path, DeviceProblem problem = DeviceProblem::None) {
    SerialDeviceInfo d;
    d.device = std::move(path);
    d.problem = problem;
    return d;
}

// The settings dialog on virtual time: the program's port (COM1 at 9600,e,7,1, closed as the
// dialog finds it) wired to a simulated unit, and a device list of the test's choosing.
class SettingsDialogFixture : public ::testing::Test {
  protected:
    SettingsDialogFixture()
        : unit(*sim::findModel("generic")),
          port(loop, unit),
          link(port, loop, settings, observer),
          dialog(link, lister, portMap) {
        dialog.closed = [this] { ++closedCount; };
    }

    // Devices present on the simulated PC, by COM number, and the list the machine reports.
    void machine(std::set<int> existing, std::vector<SerialDeviceInfo> listed) {
        port.setExistingPorts(std::move(existing));
        lister.devices = std::move(listed);
    }
    template <typename Pred>
    bool runUntil(Pred pred, double maxMs = 1'000'000) {
        for (double t = 0; t < maxMs; t += 50) {
            if (pred())
                return true;
            loop.runFor(50);
        }
        return pred();
    }
    void runScan(bool units, bool bauds, bool formats) {
        dialog.scanUnits.checked = units;
        dialog.scanBauds.checked = bauds;
        dialog.scanFormats.checked = formats;
        dialog.startScanClicked();
    }
    // The unit's address and line, as set on the unit itself.
    void unitAt(const std::string& address, const std::string& line) {
        sim::LineFormat f;
        ASSERT_TRUE(sim::parseLineFormat(line, f));
        unit.setAddress(address);
        unit.setNormalLine(f);
    }

    VirtualEventLoop loop;
    sim::SimUnit unit;
    SimSerialPort port;
    SerialSettings settings;
    RecordingObserver observer;
    SerialLink link;
    FixedPortLister lister;
    PortMap portMap;
    SerialSettingsDialog dialog;
    int closedCount = 0;
};

}  // namespace qu32::test
