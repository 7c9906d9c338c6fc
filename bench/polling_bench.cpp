// The main cycle polling a unit.
//   polling_bench [realSeconds=30]
// On virtual time (60 s each): requests per polling pass and line occupancy for a multi-read
// and a single-read unit. On a pseudo-terminal in real time: the CPU the program uses while
// polling, and the time from start to a filled parameter list for the 401-parameter unit.

#include <stdlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "bench/CpuClock.h"
#include "mainwindow/MainWindow.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"
#include "support/VirtualEventLoop.h"

using namespace qu32;

namespace {

void virtualPolling(const std::string& model) {
    test::VirtualEventLoop loop;
    sim::SimUnit unit(*sim::findModel(model));
    test::SimSerialPort port(loop, unit);
    test::ScriptedDialogs dialogs;
    PortMap portMap;
    MainWindow window(port, loop, dialogs, portMap, ".");
    window.useConfigFile = false;
    int passes = 0;
    std::optional<CycleState> last;
    window.afterTick = [&] {
        if (window.state() == CycleState::PcInputs && last && *last != CycleState::PcInputs &&
            *last != CycleState::Init)
            ++passes;
        last = window.state();
    };
    window.load();
    for (int i = 0; i < 600 && window.state() == CycleState::Init; ++i)
        loop.runFor(100);
    const sim::LineFormat line{9600, 'e', 7, 1};
    double lineMs = 0;
    window.link.setTrace(
        [&](bool, const Bytes& bytes) { lineMs += sim::wireTimeMs(bytes.size(), line); });
    const int requestsBefore = unit.requestsSeen();
    passes = 0;
    const double seconds = 60;
    loop.runFor(seconds * 1000);
    const int requests = unit.requestsSeen() - requestsBefore;
    std::printf(
        "%-6s (virtual %2.0f s): %d requests in %d passes = %.2f per pass; the line "
        "carries data %.1f%% of the time\n",
        model.c_str(), seconds, requests, passes,
        passes ? static_cast<double>(requests) / passes : 0.0, 100.0 * lineMs / (seconds * 1000));
}

void realPolling(int seconds) {
    char pattern[] = "/tmp/qu32-bench-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    sim::PtyHost host(*sim::findModel("big401"));
    host.start();
    PortMap portMap;
    portMap.set(1, host.slavePath());
    QtEventLoop loop;
    QtSerialPort port(portMap);
    test::ScriptedDialogs dialogs;
    MainWindow window(port, loop, dialogs, portMap, folder);
    window.useConfigFile = false;
    // Wire-time bound of the same bytes: both directions at the line's format, plus the unit's
    // turnaround for each request.
    double boundMs = 0;
    int turnaround = 0;
    host.withUnit([&](sim::SimUnit& u) { turnaround = u.turnaroundMs(); });
    window.link.setTrace([&](bool sent, const Bytes& bytes) {
        sim::LineFormat line;
        sim::parseLineFormat(port.settings(), line);
        boundMs += sim::wireTimeMs(bytes.size(), line) + (sent ? turnaround : 0);
    });
    QElapsedTimer t;
    t.start();
    double loadedMs = -1;
    window.afterTick = [&] {
        if (loadedMs < 0 && window.descriptionLoaded)
            loadedMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
    };
    window.load();
    {
        QEventLoop waiting;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (loadedMs >= 0 || t.elapsed() > 120000)
                waiting.quit();
        });
        poll.start(50);
        waiting.exec();
    }
    window.link.setTrace(nullptr);
    std::printf("big401 on a pty: list filled after %.0f ms; wire-time bound %.0f ms; ratio %.3f\n",
                loadedMs, boundMs, loadedMs / boundMs);

    const double cpu0 = cpuSeconds();
    {
        QEventLoop polling;
        QTimer::singleShot(seconds * 1000, &polling, &QEventLoop::quit);
        polling.exec();
    }
    const double cpu = cpuSeconds() - cpu0;
    std::printf("polling %d s on a pty: CPU %.2f s = %.2f%% of one core\n", seconds, cpu,
                100.0 * cpu / seconds);
    window.requestClose();
    std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    virtualPolling("tq593");
    virtualPolling("nt876");
    realPolling(seconds);
    return 0;
}
