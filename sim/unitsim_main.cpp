// qu32-unitsim: a simulated unit behind a pseudo-terminal, for trying the program without hardware.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <array>
#include <csignal>
#include <iostream>
#include <string>

#include "sim/PtyHost.h"
#include "sim/SimulatorConsole.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
}

// Serves until a signal, "quit" or the end of standard input (unless stdin is ignored).
void serve(qu32::sim::PtyHost& host, bool readStdin) {
    qu32::sim::ConsoleLineReader reader;
    bool quit = false;
    const auto onLine = [&](const std::string& line) {
        const qu32::sim::ConsoleReply reply = qu32::sim::runConsoleCommand(host, line);
        if (!reply.text.empty())
            std::cout << reply.text << std::endl;
        quit = quit || reply.quit;
    };
    const auto onTooLong = [](const std::string& error) { std::cout << error << std::endl; };
    while (!quit) {
        std::array<pollfd, 2> fds{};
        fds[0].fd = signalPipe[0];
        fds[0].events = POLLIN;
        fds[1].fd = readStdin ? STDIN_FILENO : -1;
        fds[1].events = POLLIN;
        if (poll(fds.data(), fds.size(), -1) < 0) {
            continue;  // interrupted by the signal itself; the pipe tells
        }
        if ((fds[0].revents & POLLIN) != 0) {
            return;
        }
        if ((fds[1].revents & (POLLIN | POLLHUP)) == 0) {
            continue;
        }
        std::array<char, 256> buf{};
        const ssize_t n = read(STDIN_FILENO, buf.data(), buf.size());
        if (n <= 0) {
            return;  // end of input
        }
        reader.feed(buf.data(), static_cast<std::size_t>(n), onLine, onTooLong);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("qu32-unitsim");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated unit behind a pseudo-terminal. Prints \"PTY <device>\", then serves.\n"
        "Commands on standard input, one per line: unplug, replug, model NAME, status, quit.");
    parser.addHelpOption();
    const QCommandLineOption modelOption("model", "Unit model to simulate.", "name", "generic");
    const QCommandLineOption addressOption("address", "Unit address (two characters).", "nn");
    const QCommandLineOption baudOption("baud", "Baud rate of the normal format.", "baud");
    const QCommandLineOption formatOption("format", "Normal format: parity, data bits, stop bits.",
                                          "p,d,s");
    const QCommandLineOption turnaroundOption("turnaround", "Answer turnaround in ms.", "ms");
    const QCommandLineOption noWireTimeOption(
        "no-wire-time", "Answer after the turnaround only, without wire time.");
    const QCommandLineOption listOption("list-models", "List the unit models and exit.");
    const QCommandLineOption noStdinOption(
        "no-stdin", "Ignore standard input; serve until SIGINT or SIGTERM (for background use).");
    parser.addOptions({modelOption, addressOption, baudOption, formatOption, turnaroundOption,
                       noWireTimeOption, listOption, noStdinOption});
    parser.process(app);

    if (parser.isSet(listOption)) {
        for (const std::string& name : qu32::sim::modelNames()) {
            std::cout << name << '\n';
        }
        return 0;
    }

    const std::string modelName = parser.value(modelOption).toStdString();
    std::optional<qu32::sim::UnitModel> model = qu32::sim::findModel(modelName);
    if (!model) {
        std::cerr << "qu32-unitsim: unknown model: " << modelName << '\n';
        return 2;
    }
    qu32::sim::LineFormat line = model->normalLine;
    if (parser.isSet(baudOption) || parser.isSet(formatOption)) {
        const std::string baud = parser.isSet(baudOption) ? parser.value(baudOption).toStdString()
                                                          : std::to_string(line.baud);
        const std::string format = parser.isSet(formatOption)
                                       ? parser.value(formatOption).toStdString()
                                       : std::string(1, line.parity) + ',' +
                                             std::to_string(line.dataBits) + ',' +
                                             std::to_string(line.stopBits);
        if (!qu32::sim::parseLineFormat(baud + ',' + format, line)) {
            std::cerr << "qu32-unitsim: invalid line format: " << baud << ',' << format << '\n';
            return 2;
        }
    }
    std::string address = model->defaultAddress;
    if (parser.isSet(addressOption)) {
        address = parser.value(addressOption).toStdString();
        if (address.size() != 2) {
            std::cerr << "qu32-unitsim: the address has two characters: " << address << '\n';
            return 2;
        }
    }
    int turnaroundMs = -1;
    if (parser.isSet(turnaroundOption)) {
        bool ok = false;
        turnaroundMs = parser.value(turnaroundOption).toInt(&ok);
        if (!ok || turnaroundMs < 0) {
            std::cerr << "qu32-unitsim: invalid turnaround: "
                      << parser.value(turnaroundOption).toStdString() << '\n';
            return 2;
        }
    }

    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::cerr << "qu32-unitsim: cannot create the signal pipe\n";
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    qu32::sim::PtyHost host(std::move(*model));
    if (!host.valid()) {
        std::cerr << "qu32-unitsim: " << host.lastError() << '\n';
        return 1;
    }
    host.withUnit([&](qu32::sim::SimUnit& unit) {
        unit.setAddress(address);
        unit.setNormalLine(line);
        if (turnaroundMs >= 0) {
            unit.setTurnaroundMs(turnaroundMs);
        }
    });
    host.setWireTimeEmulation(!parser.isSet(noWireTimeOption));
    if (!host.start()) {
        std::cerr << "qu32-unitsim: cannot start serving: " << host.lastError() << '\n';
        return 1;
    }
    std::cout << "PTY " << host.slavePath() << std::endl;
    serve(host, !parser.isSet(noStdinOption));
    host.stop();
    return 0;
}
