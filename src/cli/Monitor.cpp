#include "cli/Monitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
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

// A caption as the operator reads it: "R&eset" is "Reset", "&&" a single "&".
std::string withoutAccessKeys(const std::string& caption) {
    std::string text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

// The names of the lit panels, as their panel or their input's button shows them; "-" for none.
template <typename Panels, typename Names>
std::string litNames(const Panels& panels, const Names& names, std::size_t count, Color lit) {
    std::string text;
    for (std::size_t k = 0; k < count && k < panels.size() && k < names.size(); ++k) {
        if (panels[k].backColor() != lit)
            continue;
        std::string name = withoutAccessKeys(names[k].caption());
        if (name.empty())
            name = "#" + std::to_string(k + 1);
        text += (text.empty() ? "" : ", ") + name;
    }
    return text.empty() ? "-" : text;
}

}  // namespace

std::string passLine(const MainWindow& w) {
    const MainWindowControls& c = w.controls;
    const UnitDescription& d = w.unit.description;
    const auto inputs = static_cast<std::size_t>(std::clamp(d.inputCount, 0, kInputButtons));
    const auto outputs = static_cast<std::size_t>(std::clamp(d.outputCount, 0, kOutputPanels));
    const std::string value = c.valueText.caption();
    return c.window.caption() + " | in PC " +
           litNames(c.inputPcPanels, c.inputButtons, inputs, kBlue) + "; ext " +
           litNames(c.inputExternalPanels, c.inputButtons, inputs, kBlue) + "; bus " +
           litNames(c.inputBusPanels, c.inputButtons, inputs, kBlue) + " | out " +
           litNames(c.outputPanels, c.outputPanels, outputs, kRed) + " | value " +
           (value.empty() ? "-" : value) + " | " + withoutAccessKeys(c.resetButton.caption());
}

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
    std::string lastPrinted;
    const auto printPass = [&] {
        const std::string line = passLine(window);
        if (line == lastPrinted && !opt.everyPass)
            return;
        lastPrinted = line;
        std::printf("%9.1f s  %s\n", seconds(), local(line).constData());
        std::fflush(stdout);
    };
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
            printPass();
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
    // First, as every command does: where and how it talks to the unit.
    const MainWindowControls& c = window.controls;
    if (!c.portPanel.caption().empty())
        std::printf("%s %s, %s\n", local(c.portPanel.caption()).constData(),
                    local(c.formatPanel.caption()).constData(),
                    local(c.unitPanel.caption()).constData());
    QCoreApplication::exec();
    return 0;
}

}  // namespace qu32::cli
