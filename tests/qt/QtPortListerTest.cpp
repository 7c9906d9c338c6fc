// The port lister on this machine's real devices: pseudo-terminals stand in for serial
// adapters, since the system's own list never holds them.

#include "qt/QtPortLister.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "qt/QtSerialPort.h"
#include "settings/PortDiscovery.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

namespace fs = std::filesystem;

TEST(QtPortLister, ListsPseudoTerminalsAssignedToPortsAndExplainsTheUnusable) {
    sim::PtyHost adapter(*sim::findModel("generic"));
    if (!adapter.valid())
        GTEST_SKIP() << "this machine gives no pseudo-terminals: " << adapter.lastError();
    TempFolder byId;
    const std::string link = byId.file("usb-Test_Adapter_0001-if00-port0");
    fs::create_symlink(adapter.slavePath(), link);

    PortMap portMap;
    ASSERT_TRUE(portMap.set(14, adapter.slavePath()));
    QtPortLister lister(&portMap, byId.path());
    const auto devices = lister.listDevices();
    ASSERT_TRUE(devices.has_value());
    const auto find = [&](const std::string& path) {
        for (const SerialDeviceInfo& d : *devices) {
            if (d.device == path)
                return d;
        }
        ADD_FAILURE() << path << " not listed";
        return SerialDeviceInfo{};
    };
    const SerialDeviceInfo listed = find(adapter.slavePath());
    EXPECT_EQ(listed.byIdPath, link);
    EXPECT_EQ(listed.problem, DeviceProblem::None);
    EXPECT_EQ(listed.description, "assigned to COM14");

    QtSerialPort port(portMap);
    const Discovery found = discoverPorts(lister, portMap, port);
    bool adapterUsable = false;
    for (const PortEntry& p : found.ports) {
        if (p.number == 14)
            adapterUsable = p.usable;
    }
    EXPECT_TRUE(adapterUsable);

    SerialDeviceInfo gone;
    gone.device = byId.file("ttyUSB9");
    lister.diagnose(gone);
    EXPECT_EQ(gone.problem, DeviceProblem::Vanished);
}

// Only a user who is not root is refused a device.
TEST(QtPortLister, NamesTheOwningGroupOfADeviceThatMayNotBeOpened) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root, every device may be opened; the permission "
                        "diagnosis cannot be seen here";
    }
    sim::PtyHost locked(*sim::findModel("generic"));
    if (!locked.valid())
        GTEST_SKIP() << "this machine gives no pseudo-terminals: " << locked.lastError();
    ASSERT_EQ(::chmod(locked.slavePath().c_str(), 0), 0);
    SerialDeviceInfo refused;
    refused.device = locked.slavePath();
    QtPortLister lister;
    lister.diagnose(refused);
    EXPECT_EQ(refused.problem, DeviceProblem::NoPermission);
    EXPECT_FALSE(refused.owningGroup.empty());
}

}  // namespace
}  // namespace qu32::test
