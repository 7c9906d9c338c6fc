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
#include "cli/PortCommands.h"
#include "cli/ScanCommand.h"
#include "qt/CommandLine.h"
#include "qt/QtDialogs.h"
#include "qt/QtEventLoop.h"
#include "qt/QtPortLister.h"
#include "qt/QtSerialPort.h"
#include "qt/SimulatedUnit.h"
#include "serial/SerialLink.h"
#include "serial/TraceFormat.h"

using namespace qu32;

namespace {

constexpr char kUsageLine[] =
    "Usage: qu32-cli [OPTIONS] COMMAND [ARGS]   (qu32-cli --help lists the options and commands)";

}  // namespace

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
    cli::addScanOptions(parser);
    parser.addPositionalArgument(
        "command",
        "read, write, status, version, identify, describe, monitor, save, load, diff, show, "
        "ports or scan "
        "(see above).",
        "COMMAND [ARGS...]");
    // parse() rather than process(): a wrong command line is status 2, which process() does
    // not give.
    const auto wrongOption = [](const std::string& message) {
        std::fprintf(stderr, "%s\n%s\n", message.c_str(), kUsageLine);
        return cli::kExitUsage;
    };
    if (!parser.parse(withSimulateValue(app.arguments())))
        return wrongOption(parser.errorText().toStdString());
    if (parser.isSet("help")) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return cli::kExitDone;
    }
    if (parser.isSet("version")) {
        std::printf("qu32-cli %s\n", QU32_VERSION);
        return cli::kExitDone;
    }

    cli::CliOptions opt;
    if (auto error = cli::readCommonOptions(parser, opt))
        return wrongOption(*error);
    // Checked before the port is opened, so that a wrong command never waits for a unit.
    if (auto error = cli::commandError(opt.command)) {
        std::fprintf(stderr, "%s\n%s", error->c_str(), cli::commandSummary());
        return cli::kExitUsage;
    }
    if (!cli::needsUnit(opt.command))
        return cli::runFileCommand(opt.command, stdout, stderr);
    const bool monitor = opt.command.front() == "monitor";

    std::unique_ptr<sim::PtyHost> simulated;
    if (opt.simulate) {
        std::string error;
        simulated = startSimulatedUnit(opt.simulateModel, opt.serial, opt.portMap, error);
        if (!simulated)
            return wrongOption(error);
    }
    if (monitor)
        return cli::runMonitor(opt, simulated.get());
    if (opt.command.front() == "ports") {
        QtSerialPort port(opt.portMap);
        QtPortLister lister(&opt.portMap);
        return cli::runPortsCommand(lister, opt.portMap, port, stdout);
    }

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
    if (opt.command.front() == "scan") {
        port.setPortNumber(opt.serial.comPort);
        return cli::runScanCommand(link, cli::readScanOptions(parser, opt.timeoutMs), stdout,
                                   stderr);
    }
    if (!link.openPort())
        return cli::kExitFailed;
    if (opt.trace)
        std::fprintf(stderr, "%s\n", observer.settingsText().c_str());
    const int status = cli::runCommand(
        link, opt.command, stdout, stderr,
        cli::CommandOptions{opt.programFolder, opt.firmware, opt.comment, opt.store, opt.force});
    port.close();
    return status;
}
