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

namespace {

// Longest command line taken from standard input; the rest of a longer line is discarded.
constexpr std::size_t kMaxCommandChars = 256;

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// What the unit is now and what it would come back with after a power cycle, ended by "OK".
void printStatus(const qu32::sim::SimUnit& unit) {
    using qu32::sim::toString;
    std::cout << "model " << unit.model().name << (unit.plugged() ? "" : ", unplugged") << '\n'
              << "address " << unit.address() << ", line " << toString(unit.normalLine())
              << (unit.eightBitMode() ? " (now 8-bit: " + toString(unit.line()) + ")" : "") << '\n';
    if (unit.storedAddress() != unit.address() || !(unit.storedLine() == unit.normalLine())) {
        std::cout << "after power-up: address " << unit.storedAddress() << ", line "
                  << toString(unit.storedLine()) << '\n';
    }
    for (const auto& v : unit.unstoredValues()) {
        std::cout << "not stored: " << v.code << " = " << v.working << " (stored " << v.stored
                  << ")\n";
    }
    std::cout << "OK status" << std::endl;
}

// Carries out one command line; returns false when the program should end.
bool runCommand(qu32::sim::PtyHost& host, const std::string& line) {
    const std::string command = trimmed(line);
    if (command.empty()) {
        return true;
    }
    if (command == "quit") {
        std::cout << "OK quit" << std::endl;
        return false;
    }
    if (command == "unplug") {
        host.unplug();
        std::cout << "OK unplugged" << std::endl;
    } else if (command == "replug") {
        host.replug();
        std::cout << "OK replugged" << std::endl;
    } else if (command == "status") {
        host.withUnit([](qu32::sim::SimUnit& unit) { printStatus(unit); });
    } else if (command.rfind("model ", 0) == 0) {
        const std::string name = trimmed(command.substr(6));
        if (host.replaceModel(name)) {
            std::cout << "OK model " << name << std::endl;
        } else {
            std::cout << "ERROR unknown model: " << name << std::endl;
        }
    } else {
        std::cout << "ERROR unknown command: " << command << std::endl;
    }
    return true;
}

// Serves until a signal, "quit" or the end of standard input (unless stdin is ignored).
void serve(qu32::sim::PtyHost& host, bool readStdin) {
    std::string line;
    bool lineTooLong = false;
    while (true) {
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
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\n') {
                if (!lineTooLong && !runCommand(host, line)) {
                    return;
                }
                if (lineTooLong) {
                    std::cout << "ERROR command too long" << std::endl;
                }
                line.clear();
                lineTooLong = false;
            } else if (line.size() < kMaxCommandChars) {
                line.push_back(buf[i]);
            } else {
                lineTooLong = true;
            }
        }
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
