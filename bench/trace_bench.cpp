// The protocol trace: what recording costs per frame and in memory, and the operator program with
// the trace window open: time from start to a shown window, resident memory over a run of
// polling, and the CPU the program uses meanwhile (the simulated unit runs inside it too).
//   trace_bench [seconds=60] [qu32=<this program's folder>/../src/app/qu32]
// Runs qu32 on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "mainwindow/ProtocolTrace.h"

using namespace qu32;

namespace {

long residentKb(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// User and system CPU time of the process, in seconds.
double cpuSeconds(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), {});
    const auto close = all.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(all.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)  // state .. cmajflt
        fields >> skip;
    double user = 0;
    double system = 0;
    fields >> user >> system;
    return (user + system) / double(sysconf(_SC_CLK_TCK));
}

void benchRecording() {
    ProtocolTrace trace;
    const Bytes request{0x04, 0x31, 0x31, 0x30, 0x30, 0x05};
    const Bytes answer{0x02, 0x30, 0x30, 0x30, 0x32, 0x35, 0x30, 0x30, 0x03, 0x34};
    constexpr int kFrames = 1000000;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kFrames; ++i)
        trace.frame(i, i % 2 == 0, i % 2 == 0 ? request : answer);
    const double ns = double(clock.nsecsElapsed()) / kFrames;
    std::printf("recording: %.0f ns per frame over %d frames, %zu kept\n", ns, kFrames,
                trace.size());
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    const QString program =
        argc > 2 ? QString(argv[2]) : QCoreApplication::applicationDirPath() + "/../src/app/qu32";
    benchRecording();

    QTemporaryDir folder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QU32_REPORT_SHOWN", "1");
    if (!env.contains("QT_QPA_PLATFORM"))
        env.insert("QT_QPA_PLATFORM", "offscreen");

    std::vector<double> startMs;
    QProcess qu32;
    for (int run = 0; run < 5; ++run) {
        qu32.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        qu32.start(program, {"--simulate", "--protocol-trace", "--program-folder", folder.path()});
        qu32.setReadChannel(QProcess::StandardError);
        bool shown = false;
        while (!shown && qu32.waitForReadyRead(10000)) {
            while (qu32.canReadLine()) {
                if (QString(qu32.readLine()).contains("window shown"))
                    shown = true;
            }
        }
        if (!shown) {
            std::fprintf(stderr, "%s did not report a shown window\n", qPrintable(program));
            return 1;
        }
        startMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (run < 4) {
            qu32.kill();
            qu32.waitForFinished();
        }
    }
    std::sort(startMs.begin(), startMs.end());
    std::printf("start to a shown window: median %.0f ms, min %.0f, max %.0f (aim: under 300 ms)\n",
                startMs[2], startMs.front(), startMs.back());

    qu32.kill();
    qu32.waitForFinished();

    // Polling, with the trace window open and, for comparison, without it.
    for (const bool traceWindow : {true, false}) {
        QStringList arguments{"--simulate", "--program-folder", folder.path()};
        if (traceWindow)
            arguments << "--protocol-trace";
        QProcess polling;
        polling.setProcessEnvironment(env);
        polling.start(program, arguments);
        const qint64 pid = polling.processId();
        std::this_thread::sleep_for(std::chrono::seconds(5));  // connected and described
        const double cpuStart = cpuSeconds(pid);
        QElapsedTimer wall;
        wall.start();
        std::printf("%s: resident memory every %d s:", traceWindow ? "trace window open" : "closed",
                    std::max(1, seconds / 10));
        for (int sample = 0; sample <= 10; ++sample) {
            std::printf(" %.1f", double(residentKb(pid)) / 1024.0);
            std::fflush(stdout);
            if (sample < 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(seconds * 100));
            polling.readAll();
        }
        const double cpu = cpuSeconds(pid) - cpuStart;
        const double elapsed = double(wall.elapsed()) / 1000.0;
        std::printf(" MB; CPU %.2f %% of one core over %.0f s\n", 100.0 * cpu / elapsed, elapsed);
        polling.kill();
        polling.waitForFinished();
    }
    std::printf("(aims with the trace window open: under 60 MB and flat, under 2 %% CPU)\n");
    return 0;
}
