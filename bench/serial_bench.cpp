// Serial link benchmark on the real port path: QSerialPort on a pseudo-terminal with the
// simulated unit emulating wire time.
//   serial_bench [reads=1000] [idleSeconds=10]
// Prints, per baud rate, the time of the reads against the wire-time lower bound, and the CPU
// the program uses while it waits and while its answers time out.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#include "bench/CpuClock.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "serial/SerialLink.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"

using namespace qu32;

namespace {

struct Rig {
    explicit Rig(int baudCode)
        : host([&] {
              auto m = *sim::findModel("generic");
              m.normalLine.baud = kBaudRates[baudCode];
              return m;
          }()),
          port(portMap),
          link(port, loop, settings, observer) {
        settings.baudRateCode = baudCode;
        host.start();
        portMap.set(1, host.slavePath());
        if (!link.openPort())
            std::exit(1);
    }
    sim::PtyHost host;
    PortMap portMap;
    QtEventLoop loop;
    QtSerialPort port;
    SerialSettings settings;
    OperatorObserver observer;
    SerialLink link;
};

void benchReads(int baudCode, int reads) {
    Rig rig(baudCode);
    int turnaround = 0;
    rig.host.withUnit([&](sim::SimUnit& u) { turnaround = u.turnaroundMs(); });
    const sim::LineFormat line{kBaudRates[baudCode], 'e', 7, 1};
    // Request EOT a a c c ENQ; answer STX c c "1" ETX BCC.
    const double perRead = sim::wireTimeMs(6, line) + sim::wireTimeMs(6, line) + turnaround;
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    int failures = 0;
    for (int i = 0; i < reads; ++i) {
        std::string text;
        if (rig.link.readRegister("00", text) != Result::Ok)
            ++failures;
    }
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const double cpu = cpuSeconds() - cpu0;
    std::printf(
        "%5d baud: %d reads in %.0f ms, %.3f ms each; wire-time bound %.3f ms; ratio %.3f;"
        " failures %d; CPU %.1f%% of one core\n",
        line.baud, reads, ms, ms / reads, perRead, ms / (perRead * reads), failures,
        100.0 * cpu / (ms / 1000.0));
}

void benchIdle(int seconds) {
    Rig rig(0);
    const double cpu0 = cpuSeconds();
    rig.loop.wait(seconds * 1000);
    const double waitCpu = cpuSeconds() - cpu0;
    std::printf("wait %d s: CPU %.3f s = %.2f%% of one core\n", seconds, waitCpu,
                100.0 * waitCpu / seconds);

    rig.host.unplug();
    rig.link.setAnswerTimeoutMs(1000);
    QElapsedTimer t;
    t.start();
    const double cpu1 = cpuSeconds();
    int timeouts = 0;
    while (t.elapsed() < seconds * 1000) {
        std::string text(12, ' ');
        if (rig.link.readRegister("00", text) == Result::TimeoutHeader)
            ++timeouts;
    }
    const double toCpu = cpuSeconds() - cpu1;
    const double wall = static_cast<double>(t.elapsed()) / 1000.0;
    std::printf("%d time-outs in %.1f s: CPU %.3f s = %.2f%% of one core\n", timeouts, wall, toCpu,
                100.0 * toCpu / wall);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int reads = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    benchReads(0, reads);
    benchReads(6, reads);
    benchIdle(idleSeconds);
    return 0;
}
