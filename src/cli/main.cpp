// qu32-cli: the program's core from the command line, on the real serial port path.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <memory>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleObserver.h"
#include "cli/Monitor.h"
#include "qt/CommandLine.h"
#include "qt/QtDialogs.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "qt/SimulatedUnit.h"
#include "serial/SerialLink.h"
#include "serial/TraceFormat.h"

using namespace qu32;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("qu32-cli");
    QCoreApplication::setApplicationVersion(QStringLiteral(QU32_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QString("Talks to a unit on a serial line from the command line.\n\n") +
        cli::commandSummary());
    parser.addHelpOption();
    parser.addVersionOption();
    cli::addCommonOptions(parser);
    parser.addPositionalArgument(
        "command", "read, write, status, version, identify, describe or monitor (see above).",
        "COMMAND [ARGS...]");
    parser.process(withSimulateValue(app.arguments()));

    cli::CliOptions opt;
    if (auto error = cli::readCommonOptions(parser, opt)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return cli::kExitUsage;
    }
    if (opt.command.isEmpty()) {
        std::fprintf(stderr, "No command given.\n%s", cli::commandSummary());
        return cli::kExitUsage;
    }
    const bool monitor = opt.command.front() == "monitor";
    if (monitor && opt.command.size() != 1) {
        std::fprintf(stderr, "monitor takes no arguments.\n%s", cli::commandSummary());
        return cli::kExitUsage;
    }

    std::unique_ptr<sim::PtyHost> simulated;
    if (opt.simulate) {
        std::string error;
        simulated = startSimulatedUnit(opt.simulateModel, opt.serial, opt.portMap, error);
        if (!simulated) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return cli::kExitUsage;
        }
    }
    if (monitor)
        return cli::runMonitor(opt, simulated.get());

    QtEventLoop loop;
    QtSerialPort port(opt.portMap);
    ConsoleDialogs dialogs;
    cli::ConsoleObserver observer(dialogs, "qu32-cli");
    SerialLink link(port, loop, opt.serial, observer);
    link.setAnswerTimeoutMs(opt.timeoutMs);
    QElapsedTimer clock;
    clock.start();
    if (opt.trace) {
        link.setTrace([&clock](bool sent, const Bytes& bytes) {
            const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            std::fprintf(stderr, "%s\n", formatTraceLine(ms, sent, bytes).c_str());
        });
    }
    if (!link.openPort())
        return cli::kExitFailed;
    if (opt.trace)
        std::fprintf(stderr, "%s\n", observer.settingsText().c_str());
    const int status = cli::runCommand(link, opt.command, stdout, stderr,
                                       cli::DescribeOptions{opt.programFolder, opt.firmware});
    port.close();
    return status;
}
