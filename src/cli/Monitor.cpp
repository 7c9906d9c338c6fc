#include "cli/Monitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>

#include "mainwindow/MainWindow.h"
#include "qt/QtDialogs.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "qt/SimulatedUnit.h"
#include "serial/TraceFormat.h"

namespace qu32::cli {

namespace {

constexpr int kSignalPollMs = 100;

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
    const auto inputs = static_cast<std::size_t>(std::min(d.inputCount, kInputButtons));
    const auto outputs = static_cast<std::size_t>(std::min(d.outputCount, kOutputPanels));
    std::printf("%9.1f s  %s | in %s ext %s bus %s | out %s | value %s | %s\n", seconds,
                local(w.controls.window.caption()).constData(),
                bits(w.controls.inputPcPanels, inputs, kBlue).c_str(),
                bits(w.controls.inputExternalPanels, inputs, kBlue).c_str(),
                bits(w.controls.inputBusPanels, inputs, kBlue).c_str(),
                bits(w.controls.outputPanels, outputs, kRed).c_str(),
                local(w.controls.valueText.caption()).constData(),
                local(w.controls.resetButton.caption()).constData());
    std::fflush(stdout);
}

}  // namespace

int runMonitor(CliOptions& opt, sim::PtyHost* simulated) {
    QtEventLoop loop;
    QtSerialPort port(opt.portMap);
    ConsoleDialogs dialogs;
    MainWindow window(port, loop, dialogs, opt.portMap, opt.programFolder);
    window.useConfigFile = false;
    window.serial = opt.serial;
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
    std::optional<CycleState> lastState;
    std::string lastCaption;
    bool deviceWasGone = false;
    window.afterTick = [&] {
        // A pulled adapter is waited for; say why the line went quiet and when it is back.
        if (port.deviceGone() != deviceWasGone) {
            deviceWasGone = port.deviceGone();
            const std::string note = deviceWasGone
                                         ? port.lastError() + "; waiting for it to come back"
                                         : "the device is back";
            std::fprintf(stderr, "%9.1f s  %s\n", seconds(), note.c_str());
        }
        const CycleState state = window.state();
        const bool passDone = state == CycleState::PcInputs && lastState &&
                              *lastState != CycleState::PcInputs && *lastState != CycleState::Init;
        const bool captionChanged = window.controls.window.caption() != lastCaption;
        if (passDone || (state == CycleState::Init && captionChanged) ||
            (lastState == CycleState::Init && state != CycleState::Init))
            printPass(window, seconds());
        lastState = state;
        lastCaption = window.controls.window.caption();
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
        input = listenOnStandardInput(*simulated, [&](const sim::ConsoleReply& reply) {
            std::fprintf(stderr, "%9.1f s  simulated unit: %s\n", seconds(), reply.text.c_str());
            if (reply.quit)
                window.requestClose();
        });
    }

    window.load();
    if (window.isClosed())
        return 1;
    QCoreApplication::exec();
    return 0;
}

}  // namespace qu32::cli
