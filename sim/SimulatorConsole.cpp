#include "sim/SimulatorConsole.h"

#include <sstream>

namespace qu32::sim {

namespace {

constexpr char kModelCommand[] = "model ";

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// What the unit is now and what it would come back with after a power cycle, ended by "OK".
std::string statusOf(const SimUnit& unit, const std::string& device) {
    std::ostringstream out;
    out << "model " << unit.model().name << (unit.plugged() ? "" : ", unplugged") << '\n'
        << "adapter " << (device.empty() ? "pulled" : "on " + device) << '\n'
        << "address " << unit.address() << ", line " << toString(unit.normalLine())
        << (unit.eightBitMode() ? " (now 8-bit: " + toString(unit.line()) + ")" : "") << '\n';
    if (unit.storedAddress() != unit.address() || !(unit.storedLine() == unit.normalLine())) {
        out << "after power-up: address " << unit.storedAddress() << ", line "
            << toString(unit.storedLine()) << '\n';
    }
    for (const auto& v : unit.unstoredValues())
        out << "not stored: " << v.code << " = " << v.working << " (stored " << v.stored << ")\n";
    out << "OK status";
    return out.str();
}

}  // namespace

ConsoleReply runConsoleCommand(PtyHost& host, const std::string& line) {
    const std::string command = trimmed(line);
    if (command.empty())
        return {};
    if (command == "quit")
        return {"OK quit", true};
    if (command == "unplug") {
        host.unplug();
        return {"OK unplugged"};
    }
    if (command == "replug") {
        host.replug();
        return {"OK replugged"};
    }
    if (command == "pull") {
        host.pull();
        return {"OK pulled"};
    }
    if (command == "plug") {
        if (!host.plug())
            return {"ERROR cannot plug: " + host.lastError()};
        return {"OK plugged " + host.terminalPath()};
    }
    if (command == "status") {
        const std::string device = host.terminalPath();
        ConsoleReply reply;
        host.withUnit([&](SimUnit& unit) { reply.text = statusOf(unit, device); });
        return reply;
    }
    if (command.rfind(kModelCommand, 0) == 0) {
        const std::string name =
            trimmed(command.substr(std::char_traits<char>::length(kModelCommand)));
        if (host.replaceModel(name))
            return {"OK model " + name};
        return {"ERROR unknown model: " + name};
    }
    return {"ERROR unknown command: " + command + " (commands: " + kConsoleCommands + ")"};
}

void ConsoleLineReader::feed(const char* bytes, std::size_t count,
                             const std::function<void(const std::string&)>& onLine,
                             const std::function<void(const std::string&)>& onTooLong) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] != '\n') {
            if (line_.size() < kMaxCommandChars)
                line_.push_back(bytes[i]);
            else
                tooLong_ = true;
            continue;
        }
        if (tooLong_)
            onTooLong("ERROR command too long");
        else
            onLine(line_);
        line_.clear();
        tooLong_ = false;
    }
}

}  // namespace qu32::sim
