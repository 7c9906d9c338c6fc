// Unit scan benchmark on the real port path: QSerialPort on a pseudo-terminal with the simulated
// unit behind it.
//   scan_bench [probes=20] [qu32-cli path]
// Prints the time of one silent probe (a read that times out, the pause, a second read that
// times out) against the 220 ms the two 100 ms time-outs and the 20 ms pause add up to, and the
// time qu32-cli takes to scan --bauds --formats --timeout 30 for a unit set to the last
// combination, and with nothing answering at all.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <cstdlib>

#include "bench/CpuClock.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "serial/SerialLink.h"
#include "settings/UnitScan.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"

using namespace qu32;

namespace {

constexpr double kSilentProbeBoundMs = 2.0 * UnitScan::kScanAnswerTimeoutMs + kProbeRetryPauseMs;

void benchSilentProbe(int probes) {
    sim::PtyHost host(*sim::findModel("generic"));
    if (!host.valid() || !host.start()) {
        std::printf("silent probe: no pseudo-terminal (%s)\n", host.lastError().c_str());
        return;
    }
    host.unplug();
    PortMap portMap;
    portMap.set(1, host.slavePath());
    QtEventLoop loop;
    QtSerialPort port(portMap);
    SerialSettings settings;
    OperatorObserver observer;
    SerialLink link(port, loop, settings, observer);
    link.setAnswerTimeoutMs(UnitScan::kScanAnswerTimeoutMs);
    port.setPortNumber(1);
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    int answered = 0;
    for (int i = 0; i < probes; ++i) {
        if (probeUnit(link, {"11", "9600,e,7,1"}))
            ++answered;
    }
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const double cpu = cpuSeconds() - cpu0;
    std::printf(
        "silent probe: %d in %.0f ms, %.1f ms each; bound %.0f ms; ratio %.3f; answered %d; "
        "CPU %.1f%% of one core\n",
        probes, ms, ms / probes, kSilentProbeBoundMs, ms / probes / kSilentProbeBoundMs, answered,
        100.0 * cpu / (ms / 1000.0));
}

void benchCliScan(const QString& program, const QStringList& unitLine, const char* what) {
    QProcess cli;
    QStringList args = {"--simulate=generic"};
    args << unitLine << "scan"
         << "--bauds"
         << "--formats"
         << "--timeout"
         << "30";
    QElapsedTimer t;
    t.start();
    cli.start(program, args);
    if (!cli.waitForFinished(120000)) {
        std::printf("qu32-cli scan (%s): did not finish: %s\n", what,
                    cli.errorString().toLocal8Bit().constData());
        return;
    }
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    const QStringList progress =
        QString::fromLocal8Bit(cli.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QString lastStep;
    for (const QString& line : progress) {
        if (line.startsWith("Scan step"))
            lastStep = line.section("  ", 0, 0);
    }
    const QString found =
        QString::fromLocal8Bit(cli.readAllStandardOutput()).section('\n', 2, 2).trimmed();
    std::printf("qu32-cli scan --bauds --formats --timeout 30, %s: %.0f ms, exit %d, last %s%s%s\n",
                what, ms, cli.exitCode(), lastStep.toLocal8Bit().constData(),
                found.isEmpty() ? "" : ", found ", found.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int probes = argc > 1 ? std::atoi(argv[1]) : 20;
    const QString program = argc > 2
                                ? QString::fromLocal8Bit(argv[2])
                                : QCoreApplication::applicationDirPath() + "/../src/cli/qu32-cli";
    benchSilentProbe(probes);
    if (!QFileInfo(program).isExecutable()) {
        std::printf("qu32-cli not found at %s; give its path as the second argument\n",
                    program.toLocal8Bit().constData());
        return 0;
    }
    // A pseudo-terminal carries baud rate, stop bits and odd parity but not data bits or
    // whether parity is on, so the unit at n,8,2 answers the first 9600 probe with two stop
    // bits and no odd parity already.
    benchCliScan(program, {"--baud", "9600", "--format", "n,8,2"}, "unit at 9600,n,8,2");
    benchCliScan(program, {"--baud", "4800"}, "no unit on the scanned bauds");
    return 0;
}
