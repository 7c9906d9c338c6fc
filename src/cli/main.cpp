// qu32-cli: the program's core from the command line, on the real serial port path.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <memory>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/Monitor.h"
#include "qt/QtDialogs.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "serial/SerialLink.h"
#include "serial/TraceFormat.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"

using namespace qu32;

namespace {

// QCommandLineParser has no options with an optional value; a bare --simulate means the
// default model.
QStringList normaliseArguments(QStringList args) {
    for (QString& a : args) {
        if (a == "--simulate")
            a = "--simulate=";
    }
    return args;
}

// Starts the simulated unit with the same address and line settings as the PC side, so that it
// answers, and points the chosen COM number at its pseudo-terminal.
std::unique_ptr<sim::PtyHost> startSimulation(cli::CliOptions& opt) {
    auto model = sim::findModel(opt.simulateModel);
    if (!model) {
        std::fprintf(stderr, "Unknown simulated model '%s'. Models:", opt.simulateModel.c_str());
        for (const auto& name : sim::modelNames())
            std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return nullptr;
    }
    const SerialFormat& f = kSerialFormats[opt.comm.SerialFormatCode];
    model->defaultAddress = opt.comm.UnitAddress;
    model->normalLine =
        sim::LineFormat{kBaudRates[opt.comm.BaudRateCode], f.text[0], f.dataBits, f.stopBits};
    auto host = std::make_unique<sim::PtyHost>(*model);
    if (!host->valid() || !host->start()) {
        std::fprintf(stderr, "Cannot start the simulated unit: %s\n", host->lastError().c_str());
        return nullptr;
    }
    if (opt.comm.ComPortNumber < kFirstComPort)
        opt.comm.ComPortNumber = 1;
    opt.portMap.set(opt.comm.ComPortNumber, host->slavePath());
    return host;
}

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
    parser.addPositionalArgument("command", "read, write, status or version, with arguments.",
                                 "COMMAND [ARGS...]");
    parser.process(normaliseArguments(app.arguments()));

    cli::CliOptions opt;
    if (auto error = cli::readCommonOptions(parser, opt)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 2;
    }
    if (opt.command.isEmpty()) {
        std::fprintf(stderr, "No command given.\n%s", cli::commandSummary());
        return 2;
    }

    std::unique_ptr<sim::PtyHost> simulated;
    if (opt.simulate) {
        simulated = startSimulation(opt);
        if (!simulated)
            return 2;
    }

    if (opt.command.front() == "monitor") {
        if (opt.command.size() != 1) {
            std::fprintf(stderr, "monitor takes no arguments.\n");
            return 2;
        }
        return cli::runMonitor(opt, simulated.get());
    }

    QtEventLoop loop;
    QtSerialPort port(opt.portMap);
    ConsoleDialogs dialogs;
    CompanyInfo company;
    company.titleText = "qu32-cli";
    Control portPanel(Control::Kind::Panel3D), unitPanel(Control::Kind::Panel3D),
        formatPanel(Control::Kind::Panel3D), window(Control::Kind::Window);
    SerialLink link(port, loop, dialogs, opt.comm, company,
                    LinkControls{portPanel, unitPanel, formatPanel, window});
    link.tmrTimeout().setInterval(opt.timeoutMs);
    QElapsedTimer clock;
    clock.start();
    if (opt.trace) {
        link.setTrace([&clock](bool sent, const Bytes& bytes) {
            const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            std::fprintf(stderr, "%s\n", formatTraceLine(ms, sent, bytes).c_str());
        });
    }
    if (link.SetSerial() != 1)
        return 1;
    if (opt.trace) {
        std::fprintf(stderr, "%s %s, unit %s\n", portPanel.caption().c_str(),
                     formatPanel.caption().c_str(), opt.comm.UnitAddress.c_str());
    }
    const int status = cli::runCommand(link, opt.command, stdout, stderr, opt.firmware);
    port.close();
    return status;
}
