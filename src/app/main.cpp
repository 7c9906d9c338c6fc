// qu32: the operator program's main window.

#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QSocketNotifier>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "mainwindow/MainWindow.h"
#include "qt/MainWindowWidget.h"
#include "qt/QtEventLoop.h"
#include "qt/QtMessageDialogs.h"
#include "qt/QtSerialPort.h"
#include "settings/AppSettings.h"
#include "settings/ProgramFolder.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"

using namespace qu32;

namespace {

constexpr int kUsageError = 2;
constexpr std::size_t kMaxCommandLength = 256;
// A unit that describes itself, with inputs, outputs and an actual value, shows every part of
// the window.
constexpr char kDefaultSimulatedModel[] = "tq593";
constexpr char kModelCommand[] = "model ";

// QCommandLineParser has no options with an optional value; a bare --simulate means the
// default model.
QStringList normaliseArguments(QStringList args) {
    for (QString& a : args) {
        if (a == "--simulate")
            a = "--simulate=";
    }
    return args;
}

struct Options {
    std::vector<PortMap::Entry> portOverrides;
    bool simulate = false;
    std::string simulateModel = kDefaultSimulatedModel;
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
        std::fprintf(stderr, "Unknown simulated model '%s'. Models:", out.simulateModel.c_str());
        for (const auto& name : sim::modelNames())
            std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return false;
    }
    // File names are compared with the names on disk, so they keep the system's encoding.
    const QString folder = parser.isSet(kProgramFolderOption)
                               ? parser.value(kProgramFolderOption)
                               : QCoreApplication::applicationDirPath();
    if (folder.isEmpty()) {
        std::fprintf(stderr, "--program-folder: a folder is needed\n");
        return false;
    }
    setProgramFolder(QFile::encodeName(folder).toStdString());
    return true;
}

// The simulated unit answers on the settings the configuration file names, so that the program
// finds it at once; the configured COM number is pointed at its pseudo-terminal.
std::unique_ptr<sim::PtyHost> startSimulation(const std::string& modelName, CommSettings& comm,
                                              PortMap& portMap) {
    auto model = sim::findModel(modelName);
    if (!model)
        return nullptr;
    if (comm.BaudRateCode < 0 || comm.BaudRateCode >= kBaudRateCodeCount)
        comm.BaudRateCode = 0;
    if (comm.SerialFormatCode < 0 || comm.SerialFormatCode >= kSerialFormatCount)
        comm.SerialFormatCode = 0;
    if (comm.ComPortNumber < kFirstComPort || comm.ComPortNumber > kLastComPort)
        comm.ComPortNumber = kFirstComPort;
    const SerialFormat& f = kSerialFormats[comm.SerialFormatCode];
    model->defaultAddress = comm.UnitAddress;
    model->normalLine =
        sim::LineFormat{kBaudRates[comm.BaudRateCode], f.text[0], f.dataBits, f.stopBits};
    auto host = std::make_unique<sim::PtyHost>(*model);
    if (!host->valid() || !host->start()) {
        std::fprintf(stderr, "Cannot start the simulated unit: %s\n", host->lastError().c_str());
        return nullptr;
    }
    portMap.set(comm.ComPortNumber, host->slavePath());
    std::fprintf(stderr, "Simulated unit %s on COM%d (%s)\n", modelName.c_str(), comm.ComPortNumber,
                 host->slavePath().c_str());
    return host;
}

// With a simulated unit, standard input takes "unplug", "replug", "model NAME" and "quit", so
// the window can be watched following a unit that goes away or is replaced.
std::unique_ptr<QSocketNotifier> listenForCommands(sim::PtyHost& host, MainWindowWidget& window) {
    auto input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QSocketNotifier* notifier = input.get();
    QObject::connect(notifier, &QSocketNotifier::activated, [notifier, &host, &window] {
        char line[kMaxCommandLength];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0) {
            notifier->setEnabled(false);  // end of input: the window goes on
            return;
        }
        std::string cmd(line, static_cast<std::size_t>(n));
        while (!cmd.empty() && (cmd.back() == '\n' || cmd.back() == '\r'))
            cmd.pop_back();
        if (cmd == "unplug") {
            host.unplug();
        } else if (cmd == "replug") {
            host.replug();
        } else if (cmd.rfind(kModelCommand, 0) == 0) {
            const std::string name = cmd.substr(std::char_traits<char>::length(kModelCommand));
            if (!host.replaceModel(name))
                std::fprintf(stderr, "No simulated model '%s'.\n", name.c_str());
        } else if (cmd == "quit") {
            window.close();
        } else if (!cmd.empty()) {
            std::fprintf(stderr, "Commands: unplug, replug, model NAME, quit\n");
        }
    });
    return input;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("qu32");
    QApplication::setApplicationVersion(QStringLiteral(QU32_VERSION));
    QApplication::setWindowIcon(programIcon());

    QCommandLineParser parser;
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
             "). Standard input then takes unplug, replug, model NAME and quit.",
         "MODEL"},
        {"port", "Point COM port N at DEVICE for this run (repeatable), e.g. 1=/dev/ttyUSB0.",
         "N=DEVICE"},
        {kProgramFolderOption,
         "Folder of the configuration file, the description files and the icon (default: the "
         "program's folder).",
         "DIR"},
    });
    parser.process(normaliseArguments(app.arguments()));
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
    MainWindow logic(port, loop, dialogs, portMap);
    MainWindowWidget window(logic);
    dialogs.setParent(&window);

    window.load([&] {
        for (const PortMap::Entry& e : options.portOverrides)
            portMap.set(e.com, e.device);
        if (options.simulate)
            simulated = startSimulation(options.simulateModel, logic.comm, portMap);
    });
    if (logic.isClosed())
        return 1;
    window.show();

    std::unique_ptr<QSocketNotifier> commands;
    if (simulated)
        commands = listenForCommands(*simulated, window);
    return QApplication::exec();
}
