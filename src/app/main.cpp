// qu32: the operator program's main window.

#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "mainwindow/MainWindow.h"
#include "qt/CommandLine.h"
#include "qt/MainWindowWidget.h"
#include "qt/QtEventLoop.h"
#include "qt/QtMessageDialogs.h"
#include "qt/QtSerialPort.h"
#include "qt/SimulatedUnit.h"
#include "sim/UnitModel.h"

using namespace qu32;

namespace {

constexpr int kUsageError = 2;

struct Options {
    std::vector<PortMap::Entry> portOverrides;
    bool simulate = false;
    std::string simulateModel = kDefaultSimulatedModel;
    std::string programFolder;
    bool protocolTrace = false;
};

bool readOptions(const QCommandLineParser& parser, Options& out) {
    PortMap check;
    for (const QString& text : parser.values("port")) {
        PortMap::Entry entry;
        if (!check.parseOverride(text.toStdString(), entry.com, entry.device)) {
            std::fprintf(stderr, "--port %s: %s\n", text.toLocal8Bit().constData(),
                         check.lastError().c_str());
            return false;
        }
        out.portOverrides.push_back(entry);
    }
    out.simulate = parser.isSet("simulate");
    if (out.simulate && !parser.value("simulate").isEmpty())
        out.simulateModel = parser.value("simulate").toStdString();
    if (out.simulate && !sim::findModel(out.simulateModel)) {
        std::fprintf(stderr, "%s\n", unknownModelMessage(out.simulateModel).c_str());
        return false;
    }
    out.protocolTrace = parser.isSet("protocol-trace");
    out.programFolder = programFolderFrom(parser);
    if (out.programFolder.empty()) {
        std::fprintf(stderr, "--program-folder: a folder is needed\n");
        return false;
    }
    return true;
}

void describeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Sets up and watches a control unit on a serial line.\n\n"
        "The COM port, baud rate, serial format and unit number come from Qu32_Config.xml in "
        "the program folder.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"simulate",
         "Work with a simulated unit behind a pseudo-terminal on the configured COM port "
         "(optionally naming its model, default " +
             QString::fromLatin1(kDefaultSimulatedModel) +
             "). Standard input then takes unplug, replug, pull, plug, model NAME, status and "
             "quit.",
         "MODEL"},
        {"port", "Point COM port N at DEVICE for this run (repeatable), e.g. 1=/dev/ttyUSB0.",
         "N=DEVICE"},
        {"protocol-trace",
         "Open the protocol trace window at start (also Tools > Protocol Trace)."},
        {kProgramFolderOption,
         "Folder of the configuration file, the description files and the icon (default: the "
         "program's folder).",
         "DIR"},
    });
}

// Help and version need no window, so they work without a display too.
bool asksForHelpOrVersion(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "-h" || a == "--help" || a == "--help-all" || a == "-v" || a == "--version" ||
            a == "-?")
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (asksForHelpOrVersion(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName("qu32");
        QCoreApplication::setApplicationVersion(QStringLiteral(QU32_VERSION));
        QCommandLineParser parser;
        describeOptions(parser);
        parser.process(withSimulateValue(app.arguments()));  // prints and exits
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("qu32");
    QApplication::setApplicationVersion(QStringLiteral(QU32_VERSION));
    QApplication::setWindowIcon(programIcon());

    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(withSimulateValue(app.arguments()));
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "Unexpected argument '%s'.\n",
                     parser.positionalArguments().front().toLocal8Bit().constData());
        return kUsageError;
    }
    Options options;
    if (!readOptions(parser, options))
        return kUsageError;

    // Declared first so that it outlives the port that talks to it.
    std::unique_ptr<sim::PtyHost> simulated;
    QtEventLoop loop;
    PortMap portMap;
    QtSerialPort port(portMap);
    QtMessageDialogs dialogs;
    MainWindow logic(port, loop, dialogs, portMap, options.programFolder);
    MainWindowWidget window(logic);
    dialogs.setParent(&window);

    window.load([&] {
        for (const PortMap::Entry& e : options.portOverrides)
            portMap.set(e.com, e.device);
        if (!options.simulate)
            return;
        std::string error;
        simulated = startSimulatedUnit(options.simulateModel, logic.serial, portMap, error);
        if (simulated) {
            std::fprintf(stderr, "Simulated unit %s on COM%d (%s)\n", options.simulateModel.c_str(),
                         logic.serial.comPort, simulated->slavePath().c_str());
        } else {
            std::fprintf(stderr, "%s\n", error.c_str());
        }
    });
    if (logic.isClosed())
        return 1;
    window.show();
    if (options.protocolTrace)
        window.showProtocolTrace();
    // For the start-up benchmark: one line once the window is up and the event loop runs.
    if (qEnvironmentVariableIsSet("QU32_REPORT_SHOWN"))
        QTimer::singleShot(0, [] { std::fprintf(stderr, "window shown\n"); });

    // With a simulated unit, standard input takes its console commands, so the window can be
    // watched following a unit that goes away or is replaced.
    std::unique_ptr<QSocketNotifier> commands;
    if (simulated) {
        commands = listenOnStandardInput(*simulated, [&window](const sim::ConsoleReply& reply) {
            std::fprintf(stderr, "%s\n", reply.text.c_str());
            if (reply.quit)
                window.close();
        });
    }
    return QApplication::exec();
}
