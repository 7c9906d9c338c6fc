// qu32-cli: the program's core from the command line, on the real serial port path.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
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

// Whether the command line asks for the PDF listing. Its fonts need a GUI application, which
// needs no display on the offscreen platform; every other command does without.
bool wantsPrint(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "print") == 0)
            return true;
    }
    return false;
}

QtMessageHandler qtMessages = nullptr;

// Root shells often have no runtime folder; Qt's warning about it means nothing to a listing
// written to a file and would only look like an error.
void withoutRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context,
                                 const QString& message) {
    if (!message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set"))
        qtMessages(type, context, message);
}

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[]) {
    if (!wantsPrint(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtMessages = qInstallMessageHandler(withoutRuntimeFolderWarning);
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    QCoreApplication& app = *application;
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
        "read, write, status, version, identify, describe, values, set, store, monitor, save, "
        "load, diff, show, print, ports or scan "
        "(see above).",
        "COMMAND [ARGS...]");
    // parse() rather than process(): a wrong command line is status 2, which process() does
    // not give.
    const auto wrongOption = [](const std::string& message) {
        std::fprintf(stderr, "%s\n%s\n", message.c_str(), kUsageLine);
        return cli::kExitUsage;
    };
    if (!parser.parse(cli::protectNegativeNumbers(withSimulateValue(app.arguments()))))
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
    if (opt.command.front() == "print" && opt.pdfPath.empty())
        return wrongOption("print writes a PDF: give its name with --pdf FILE.");
    const cli::CommandOptions commandOptions{opt.programFolder, opt.firmware, opt.comment,
                                             opt.store,         opt.force,    opt.pdfPath,
                                             opt.copies};
    if (!cli::needsUnit(opt.command))
        return cli::runFileCommand(opt.command, stdout, stderr, commandOptions);
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
    // Whatever the command prints, it says first where and how it talked to the unit.
    std::printf("%s\n", observer.settingsText().c_str());
    std::fflush(stdout);
    if (opt.trace)
        std::fprintf(stderr, "%s\n", observer.settingsText().c_str());
    const int status = cli::runCommand(link, opt.command, stdout, stderr, commandOptions);
    port.close();
    return status;
}
