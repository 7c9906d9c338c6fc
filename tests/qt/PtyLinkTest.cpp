// The serial link on the real port path: QSerialPort on a pseudo-terminal, the simulated unit
// on the other side, with wire time emulated. Reading, writing and the switch to eight bits are
// exercised by the main window's test; here the line settings themselves.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "serial/SerialLink.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/RecordingObserver.h"

namespace qu32::test {
namespace {

// The unit hears the baud rate and stop bits the port puts on the pty; at any other than its own
// it gets no request it can read.
TEST(PtyLink, UnitAnswersOnlyWhileTheLineSettingsMatch) {
    sim::PtyHost host(*sim::findModel("generic"));
    ASSERT_TRUE(host.valid()) << host.lastError();
    ASSERT_TRUE(host.start()) << host.lastError();
    PortMap portMap;
    portMap.set(1, host.slavePath());
    QtEventLoop loop;
    QtSerialPort port(portMap);
    SerialSettings settings;
    RecordingObserver observer;
    SerialLink link(port, loop, settings, observer);
    link.setAnswerTimeoutMs(200);
    std::string value;

    // Baud rate code (5: 19200 against a unit at 9600), format code (1: two stop bits), result.
    const std::tuple<int, int, Result> kCases[] = {{0, 0, Result::Ok},
                                                   {5, 0, Result::TimeoutHeader},
                                                   {0, 1, Result::TimeoutHeader},
                                                   {0, 0, Result::Ok}};
    for (const auto& [baud, format, result] : kCases) {
        settings.baudRateCode = baud;
        settings.formatCode = format;
        ASSERT_TRUE(link.openPort()) << port.lastError();
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(link.readRegister("01", value), result) << baud << "/" << format;
        EXPECT_GE(t.elapsed(), result == Result::Ok ? 0 : 190);  // the whole answer time-out
    }
    EXPECT_EQ(value, "+001234");
}

}  // namespace
}  // namespace qu32::test
