#include "cli/Monitor.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "mainwindow/MainWindow.h"
#include "qt/QtDialogs.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "serial/TraceFormat.h"
#include "sim/PtyHost.h"

namespace qu32::cli {

namespace {

constexpr int kSignalPollMs = 100;
constexpr std::size_t kMaxCommandLength = 256;

std::atomic<bool> interrupted{false};

void onSignal(int) {
    interrupted = true;
}

QByteArray local(const std::string& latin1) {
    return QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())).toLocal8Bit();
}

// One character per panel: the input or output is on (1) or off (0).
template <typename Panels>
std::string bits(const Panels& panels, std::size_t count, Color on) {
    std::string s;
    for (std::size_t k = 0; k < count && k < panels.size(); ++k)
        s += panels[k].backColor() == on ? '1' : '0';
    return s.empty() ? "-" : s;
}

void printPass(MainWindow& w, double seconds) {
    const UnitDescription& d = w.unit.description;
    const auto inputs = static_cast<std::size_t>(std::min(d.InputCount, kInputButtons));
    const auto outputs = static_cast<std::size_t>(std::min(d.OutputCount, kOutputPanels));
    std::printf(
        "%9.1f s  %s | in %s ext %s bus %s | out %s | value %s | %s\n", seconds,
        local(w.form.window.caption()).constData(), bits(w.form.Panel3D1, inputs, kBlue).c_str(),
        bits(w.form.Panel3D2, inputs, kBlue).c_str(), bits(w.form.Panel3D3, inputs, kBlue).c_str(),
        bits(w.form.Panel3D16, outputs, kRed).c_str(), local(w.form.Panel3D5.caption()).constData(),
        local(w.form.Re_Set.caption()).constData());
    std::fflush(stdout);
}

}  // namespace

int runMonitor(CliOptions& opt, sim::PtyHost* simulated) {
    QtEventLoop loop;
    QtSerialPort port(opt.portMap);
    ConsoleDialogs dialogs;
    MainWindow window(port, loop, dialogs, opt.portMap);
    window.useConfigFile = false;
    window.comm = opt.comm;
    QElapsedTimer clock;
    clock.start();
    auto seconds = [&] { return static_cast<double>(clock.elapsed()) / 1000.0; };
    if (opt.trace) {
        window.link.setTrace([&](bool sent, const Bytes& bytes) {
            std::fprintf(
                stderr, "%s\n",
                formatTraceLine(static_cast<double>(clock.nsecsElapsed()) / 1e6, sent, bytes)
                    .c_str());
        });
    }

    // A pass ends when the cycle comes back to the first polling state; offline and
    // initialising are printed when the caption changes.
    int lastState = -1;
    std::string lastCaption;
    window.afterTick = [&] {
        const int state = window.state();
        const bool passDone = state == SERIALINPUTS_IN && lastState != SERIALINPUTS_IN &&
                              lastState != -1 && lastState != INIT;
        const bool captionChanged = window.form.window.caption() != lastCaption;
        if (passDone || (state == INIT && captionChanged) || (lastState == INIT && state != INIT))
            printPass(window, seconds());
        lastState = state;
        lastCaption = window.form.window.caption();
    };
    window.onClosed = [] { QCoreApplication::quit(); };

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer signalPoll;
    QObject::connect(&signalPoll, &QTimer::timeout, [&] {
        if (interrupted)
            window.requestClose();
    });
    signalPoll.start(kSignalPollMs);

    // Commands for the simulated unit, one per line.
    std::unique_ptr<QSocketNotifier> input;
    if (simulated) {
        input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(input.get(), &QSocketNotifier::activated, [&] {
            char line[kMaxCommandLength];
            const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
            if (n <= 0) {
                input->setEnabled(false);  // end of input: keep monitoring
                return;
            }
            std::string cmd(line, static_cast<std::size_t>(n));
            while (!cmd.empty() && (cmd.back() == '\n' || cmd.back() == '\r'))
                cmd.pop_back();
            if (cmd == "unplug") {
                simulated->unplug();
            } else if (cmd == "replug") {
                simulated->replug();
            } else if (cmd.rfind("model ", 0) == 0) {
                if (!simulated->replaceModel(cmd.substr(6)))
                    std::fprintf(stderr, "No simulated model '%s'.\n", cmd.substr(6).c_str());
            } else if (cmd == "quit") {
                window.requestClose();
                return;
            } else if (!cmd.empty()) {
                std::fprintf(stderr, "Commands: unplug, replug, model NAME, quit\n");
                return;
            }
            std::fprintf(stderr, "%9.1f s  simulated unit: %s\n", seconds(), cmd.c_str());
        });
    }

    window.Load();
    if (window.isClosed())
        return 1;
    QCoreApplication::exec();
    return 0;
}

}  // namespace qu32::cli
