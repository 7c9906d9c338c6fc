// A USB adapter pulled and plugged again, on the real port path: QSerialPort on a
// pseudo-terminal that hangs up and vanishes, then comes back under another number behind the
// same link, as a by-id link follows an adapter. The window logic runs in real time without
// widgets; no operator action brings the unit back.

#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QTest>
#include <ctime>

#include "mainwindow/MainWindow.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

constexpr int kConnectTimeoutMs = 15000;
constexpr int kOfflineTimeoutMs = 3000;
// Long enough for the window to look for the device a few times.
constexpr int kOutageMs = 2500;

class ReconnectPty : public ::testing::Test {
  protected:
    ReconnectPty() : host(*sim::findModel("tq593")), port(portMap) {}

    void SetUp() override {
        host.setWireTimeEmulation(false);
        ASSERT_TRUE(host.valid()) << host.lastError();
        ASSERT_TRUE(host.start()) << host.lastError();
        window = std::make_unique<MainWindow>(port, loop, dialogs, portMap, folder.path());
        window->afterConfigRead = [this] { portMap.set(window->serial.comPort, host.slavePath()); };
        window->load();
        ASSERT_TRUE(QTest::qWaitFor([&] { return polling(); }, kConnectTimeoutMs));
    }
    void TearDown() override { window->requestClose(); }

    bool polling() {
        return window->descriptionLoaded && window->state() != CycleState::Init &&
               window->state() != CycleState::Disabled;
    }
    bool offline() {
        return window->state() == CycleState::Init &&
               window->controls.window.caption() == "QU 3.2 nimbus   (Offline)";
    }

    TempFolder folder;
    sim::PtyHost host;
    PortMap portMap;
    QtEventLoop loop;
    QtSerialPort port;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ReconnectPty, TheUnitIsFoundAgainWhenTheAdapterComesBackUnderAnotherName) {
    const std::string before = host.terminalPath();
    host.pull();
    ASSERT_TRUE(QTest::qWaitFor([&] { return offline(); }, kOfflineTimeoutMs))
        << window->controls.window.caption();
    EXPECT_TRUE(port.deviceGone());
    EXPECT_NE(port.lastError().find("hung up"), std::string::npos) << port.lastError();

    // Waiting for the device looks for it once a second; it does not keep a core busy.
    const std::clock_t cpuStart = std::clock();
    QTest::qWait(kOutageMs);
    EXPECT_LT(std::clock() - cpuStart, CLOCKS_PER_SEC / 4);
    EXPECT_TRUE(offline());

    // Another terminal takes the old number meanwhile, so the adapter comes back under a new one.
    int spareMaster = -1;
    int spareSlave = -1;
    ASSERT_EQ(::openpty(&spareMaster, &spareSlave, nullptr, nullptr, nullptr), 0);
    ASSERT_TRUE(host.plug()) << host.lastError();
    EXPECT_NE(host.terminalPath(), before);
    EXPECT_TRUE(QTest::qWaitFor([&] { return polling(); }, kConnectTimeoutMs))
        << window->controls.window.caption();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text;
    EXPECT_EQ(window->serial.comPort, 1);
    ::close(spareMaster);
    ::close(spareSlave);
}

TEST_F(ReconnectPty, DisableCommunicationDuringTheOutageKeepsThePortClosed) {
    host.pull();
    ASSERT_TRUE(QTest::qWaitFor([&] { return offline(); }, kOfflineTimeoutMs));
    window->commands.disableClicked();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->state() == CycleState::Disabled; },
                                kOfflineTimeoutMs));
    EXPECT_EQ(window->controls.window.caption(), "QU 3.2 nimbus");

    ASSERT_TRUE(host.plug()) << host.lastError();
    QTest::qWait(kOutageMs);
    EXPECT_EQ(window->state(), CycleState::Disabled);
    EXPECT_FALSE(port.isOpen());

    window->commands.disableClicked();
    EXPECT_TRUE(QTest::qWaitFor([&] { return polling(); }, kConnectTimeoutMs))
        << window->controls.window.caption();
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text;
}

}  // namespace
}  // namespace qu32::test
