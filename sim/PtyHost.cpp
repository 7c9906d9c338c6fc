#include "sim/PtyHost.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <limits>

namespace qu32::sim {

namespace {

// Bytes taken from the master in one read.
constexpr std::size_t kReadChunkBytes = 512;
// Answer bytes waiting to be written; a client that never reads cannot make us grow without end.
constexpr std::size_t kMaxOutboundBytes = 1 << 20;
// Requests waiting for their wire time.
constexpr std::size_t kMaxInboundDeliveries = 1024;
constexpr std::size_t kPathChars = 128;
constexpr char kLinkFolderPattern[] = "qu32-unit-XXXXXX";
constexpr char kLinkName[] = "serial";

struct BaudCode {
    speed_t code;
    int baud;
};
constexpr std::array<BaudCode, 10> kBaudCodes = {{{B300, 300},
                                                  {B600, 600},
                                                  {B1200, 1200},
                                                  {B2400, 2400},
                                                  {B4800, 4800},
                                                  {B9600, 9600},
                                                  {B19200, 19200},
                                                  {B38400, 38400},
                                                  {B57600, 57600},
                                                  {B115200, 115200}}};

int baudOf(speed_t code) {
    for (const BaudCode& b : kBaudCodes) {
        if (b.code == code) {
            return b.baud;
        }
    }
    return 0;  // a rate no unit talks: never matches
}

speed_t codeOf(int baud) {
    for (const BaudCode& b : kBaudCodes) {
        if (b.baud == baud) {
            return b.code;
        }
    }
    return B9600;
}

// What the PC's side of the pty tells us about its settings.
//
// Tried on Linux: after the client sets the slave to 9600,e,7,1 with tcsetattr, tcgetattr on the
// master returns the slave's termios with CS8 and PARENB clear; the kernel forces these on a pty
// whatever was asked. The speed, CSTOPB and PARODD do come through (19200,o,8,2 reads back as
// 19200 with PARODD and CSTOPB). So baud and stop bits are taken from the master, PARODD tells odd
// parity from the rest, and data bits, and even versus none, are assumed to be the unit's own.
struct PcSide {
    int baud = 0;
    int stopBits = 1;
    bool odd = false;
};

PcSide readPcSide(int masterFd) {
    PcSide pc;
    termios t{};
    if (tcgetattr(masterFd, &t) != 0) {
        return pc;
    }
    pc.baud = baudOf(cfgetospeed(&t));
    pc.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    pc.odd = (t.c_cflag & PARODD) != 0;
    return pc;
}

LineFormat pcLineFor(const PcSide& pc, const LineFormat& unitLine) {
    LineFormat f = unitLine;
    f.baud = pc.baud;
    f.stopBits = pc.stopBits;
    if (pc.odd) {
        f.parity = 'o';
    } else if (unitLine.parity == 'o') {
        f.parity = 'e';  // even or none; either way not what the unit expects
    }
    return f;
}

double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PtyHost::PtyHost(UnitModel model) : unit_(std::move(model)) {
    std::array<int, 2> wake{-1, -1};
    if (pipe2(wake.data(), O_NONBLOCK | O_CLOEXEC) != 0) {
        error_ = errnoText("pipe2");
        return;
    }
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    // The link lives in a folder of its own, so that hosts running side by side never clash.
    std::error_code ec;
    std::string folder = (std::filesystem::temp_directory_path(ec) / kLinkFolderPattern).string();
    if (!ec && mkdtemp(folder.data()) != nullptr) {
        linkFolder_ = folder;
        linkPath_ = (std::filesystem::path(folder) / kLinkName).string();
    }
    openTerminal();
}

PtyHost::~PtyHost() {
    stop();
    closeTerminal();
    for (int fd : {wakeRead_, wakeWrite_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
    if (!linkFolder_.empty()) {
        rmdir(linkFolder_.c_str());
    }
}

bool PtyHost::openTerminal() {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::lock_guard lock(mutex_);
        error_ = errnoText("openpty");
        return false;
    }
    std::array<char, kPathChars> path{};
    if (ptsname_r(master, path.data(), path.size()) != 0) {
        std::lock_guard lock(mutex_);
        error_ = errnoText("ptsname_r");
        close(master);
        close(slave);
        return false;
    }
    // A raw slave passes every byte unchanged. Keeping our own slave descriptor open means the
    // master never reads EIO when a client closes the port, so clients may come and go.
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    {
        std::lock_guard lock(mutex_);
        const speed_t speed = codeOf(unit_.normalLine().baud);
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }
    tcsetattr(slave, TCSANOW, &t);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);

    std::lock_guard lock(mutex_);
    if (!linkPath_.empty()) {
        // Made beside the link and renamed over it, so a client never sees a half-made link.
        const std::string fresh = linkPath_ + ".new";
        unlink(fresh.c_str());
        if (symlink(path.data(), fresh.c_str()) != 0 ||
            rename(fresh.c_str(), linkPath_.c_str()) != 0) {
            error_ = errnoText("symlink");
            unlink(fresh.c_str());
            linkPath_.clear();
        }
    }
    masterFd_ = master;
    slaveFd_ = slave;
    terminalPath_ = path.data();
    return true;
}

void PtyHost::closeTerminal() {
    // The master first: closing it hangs the terminal up for every client, as a pulled adapter
    // does to its device.
    for (int* fd : {&masterFd_, &slaveFd_}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
    std::lock_guard lock(mutex_);
    if (!linkPath_.empty()) {
        unlink(linkPath_.c_str());
    }
    terminalPath_.clear();
}

std::string PtyHost::slavePath() const {
    std::lock_guard lock(mutex_);
    return linkPath_.empty() ? terminalPath_ : linkPath_;
}

std::string PtyHost::terminalPath() const {
    std::lock_guard lock(mutex_);
    return terminalPath_;
}

void PtyHost::pull() {
    if (pulled_) {
        return;
    }
    serveAfterPlug_ = thread_.joinable();
    stop();
    closeTerminal();
    pulled_ = true;
}

bool PtyHost::plug() {
    if (!pulled_) {
        return true;
    }
    if (!openTerminal()) {
        return false;
    }
    pulled_ = false;
    return !serveAfterPlug_ || start();
}

std::string PtyHost::lastError() const {
    std::lock_guard lock(mutex_);
    return error_;
}

bool PtyHost::start() {
    if (!valid() || thread_.joinable()) {
        return false;
    }
    stopRequested_ = false;
    running_ = true;
    thread_ = std::thread([this] { serve(); });
    return true;
}

void PtyHost::stop() {
    if (!thread_.joinable()) {
        return;
    }
    stopRequested_ = true;
    const std::uint8_t byte = 1;
    [[maybe_unused]] const ssize_t n = write(wakeWrite_, &byte, 1);
    thread_.join();
    running_ = false;
}

void PtyHost::unplug() {
    {
        std::lock_guard lock(mutex_);
        unit_.unplug();
    }
    dropInFlight();
}

void PtyHost::replug() {
    std::lock_guard lock(mutex_);
    unit_.replug();
}

bool PtyHost::replaceModel(const std::string& name) {
    std::optional<UnitModel> model = findModel(name);
    if (!model) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        unit_.replaceModel(std::move(*model));
    }
    dropInFlight();
    return true;
}

bool PtyHost::injectFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    return unit_.injectFault(fault);
}

void PtyHost::clearFaults() {
    std::lock_guard lock(mutex_);
    unit_.clearFaults();
}

void PtyHost::setWireTimeEmulation(bool on) {
    std::lock_guard lock(mutex_);
    wireTime_ = on;
    unit_.setWireTimeEmulation(on);
}

void PtyHost::withUnit(const std::function<void(SimUnit&)>& f) {
    std::lock_guard lock(mutex_);
    f(unit_);
}

void PtyHost::dropInFlight() {
    // The unit that was answering is gone: what it had not yet sent never reaches the line.
    ++dropGeneration_;
    if (wakeWrite_ >= 0) {
        const std::uint8_t byte = 1;
        [[maybe_unused]] const ssize_t n = write(wakeWrite_, &byte, 1);
    }
}

void PtyHost::serve() {
    struct Inbound {
        double dueMs = 0;
        Bytes bytes;
        PcSide pc;
    };
    std::deque<Inbound> inbound;
    std::deque<Chunk> outbound;  // ordered by due time
    std::size_t outboundBytes = 0;
    Bytes writing;  // due bytes the master has not taken yet
    double lastInboundDueMs = 0;
    int generation = dropGeneration_;

    while (!stopRequested_) {
        if (generation != dropGeneration_) {
            generation = dropGeneration_;
            inbound.clear();
            outbound.clear();
            outboundBytes = 0;
            writing.clear();
        }
        double nowMs = steadyMs();

        while (!inbound.empty() && inbound.front().dueMs <= nowMs) {
            Inbound in = std::move(inbound.front());
            inbound.pop_front();
            std::vector<Chunk> chunks;
            {
                std::lock_guard lock(mutex_);
                chunks = unit_.receive(in.bytes, pcLineFor(in.pc, unit_.line()), in.dueMs);
            }
            for (Chunk& c : chunks) {
                if (outboundBytes + c.bytes.size() > kMaxOutboundBytes) {
                    break;
                }
                outboundBytes += c.bytes.size();
                const auto at =
                    std::upper_bound(outbound.begin(), outbound.end(), c.atMs,
                                     [](double t, const Chunk& other) { return t < other.atMs; });
                outbound.insert(at, std::move(c));
            }
        }

        while (!outbound.empty() && outbound.front().atMs <= nowMs) {
            Chunk& c = outbound.front();
            outboundBytes -= c.bytes.size();
            writing.insert(writing.end(), c.bytes.begin(), c.bytes.end());
            outbound.pop_front();
        }
        if (!writing.empty()) {
            const ssize_t n = write(masterFd_, writing.data(), writing.size());
            if (n > 0) {
                writing.erase(writing.begin(), writing.begin() + n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                writing.clear();  // the line is broken; the bytes are lost as on a real one
            }
        }

        double nextMs = std::numeric_limits<double>::infinity();
        if (!inbound.empty()) {
            nextMs = inbound.front().dueMs;
        }
        if (!outbound.empty()) {
            nextMs = std::min(nextMs, outbound.front().atMs);
        }
        // Sub-millisecond wake-ups: whole milliseconds would add up to two to every answer.
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (nextMs != std::numeric_limits<double>::infinity()) {
            const double waitMs = std::max(0.0, nextMs - steadyMs());
            timeout.tv_sec = static_cast<time_t>(waitMs / 1000.0);
            timeout.tv_nsec =
                static_cast<long>((waitMs - static_cast<double>(timeout.tv_sec) * 1000.0) * 1e6);
            timeoutPtr = &timeout;
        }
        std::array<pollfd, 2> fds{};
        fds[0].fd = masterFd_;
        fds[0].events = static_cast<short>(POLLIN | (writing.empty() ? 0 : POLLOUT));
        fds[1].fd = wakeRead_;
        fds[1].events = POLLIN;
        const int ready = ppoll(fds.data(), fds.size(), timeoutPtr, nullptr);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::lock_guard lock(mutex_);
            error_ = errnoText("poll");
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            std::array<std::uint8_t, 64> drain{};
            while (read(wakeRead_, drain.data(), drain.size()) > 0) {
            }
        }
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            std::lock_guard lock(mutex_);
            error_ = "pseudo-terminal master failed";
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            std::array<std::uint8_t, kReadChunkBytes> buf{};
            const ssize_t n = read(masterFd_, buf.data(), buf.size());
            if (n > 0 && inbound.size() < kMaxInboundDeliveries) {
                Inbound in;
                in.pc = readPcSide(masterFd_);
                in.bytes.assign(buf.begin(), buf.begin() + n);
                nowMs = steadyMs();
                in.dueMs = nowMs;
                if (wireTime_) {
                    // The unit has the request only once its last character is through the line.
                    LineFormat pcLine;
                    {
                        std::lock_guard lock(mutex_);
                        pcLine = pcLineFor(in.pc, unit_.line());
                    }
                    in.dueMs =
                        std::max(nowMs, lastInboundDueMs) + wireTimeMs(in.bytes.size(), pcLine);
                }
                lastInboundDueMs = in.dueMs;
                inbound.push_back(std::move(in));
            }
        }
    }
    running_ = false;
}

}  // namespace qu32::sim
