#include "sim/PtyHost.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "SimTestFrames.h"
#include "sim/SimulatorConsole.h"

namespace qu32::sim {
namespace {

using namespace qu32::sim::testing;
using Clock = std::chrono::steady_clock;

// A client that opens the slave the plain POSIX way, as a serial program would.
int openClient(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return fd;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARODD | CSTOPB);
    t.c_cflag |= CS7 | PARENB | CREAD | CLOCAL;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Reads until `count` bytes have come or nothing more came for `timeoutMs`.
Bytes readAnswer(int fd, std::size_t count, int timeoutMs) {
    Bytes out;
    pollfd p{fd, POLLIN, 0};
    while (out.size() < count && poll(&p, 1, timeoutMs) > 0) {
        std::uint8_t buf[64];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

TEST(PtyHost, ServesAClientOnTheSlaveDevice) {
    PtyHost host(*findModel("generic"));
    ASSERT_TRUE(host.valid()) << host.lastError();
    ASSERT_TRUE(host.start());
    int fd = openClient(host.slavePath());
    ASSERT_GE(fd, 0);

    const Bytes request = readRequest("11", "99");
    const Bytes expected = textAnswerFor("99", "TQ593V12");
    const auto sent = Clock::now();
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    EXPECT_EQ(readAnswer(fd, expected.size(), 1000), expected);
    // Never faster than the line: request and answer wire time plus the turnaround.
    const double elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
    EXPECT_GE(elapsedMs, wireTimeMs(6, kNormal) + wireTimeMs(13, kNormal) + 2);

    // Clients may close and come back; an unplugged unit stays silent until replugged.
    close(fd);
    fd = openClient(host.slavePath());
    ASSERT_GE(fd, 0);
    host.unplug();
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    EXPECT_TRUE(readAnswer(fd, 1, 100).empty());
    host.replug();
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    EXPECT_EQ(readAnswer(fd, expected.size(), 1000), expected);
    close(fd);

    host.stop();
    EXPECT_FALSE(host.running());
}

// The adapter pulled from the console: the client's terminal hangs up and the link goes; plugged,
// the link leads to a fresh terminal and the same unit, with what it held, answers there.
TEST(PtyHost, PullHangsUpAndRemovesTheLinkAndPlugBringsTheSameUnitBack) {
    PtyHost host(*findModel("generic"));
    ASSERT_TRUE(host.start()) << host.lastError();
    const std::string link = host.slavePath();
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), host.terminalPath());
    host.withUnit([](SimUnit& unit) { unit.setRegisterValue("01", "+004321"); });
    const int fd = openClient(link);
    ASSERT_GE(fd, 0);

    EXPECT_EQ(runConsoleCommand(host, " pull ").text, "OK pulled");
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0);
    EXPECT_FALSE(std::filesystem::exists(link));
    EXPECT_NE(runConsoleCommand(host, "status").text.find("adapter pulled"), std::string::npos);
    close(fd);

    const ConsoleReply plugged = runConsoleCommand(host, "plug");
    EXPECT_EQ(plugged.text, "OK plugged " + host.terminalPath());
    EXPECT_EQ(host.slavePath(), link);
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), host.terminalPath());
    EXPECT_TRUE(host.running());
    const int again = openClient(link);
    ASSERT_GE(again, 0);
    const Bytes request = readRequest("11", "01");
    const Bytes expected = textAnswerFor("01", "+004321");
    ASSERT_EQ(write(again, request.data(), request.size()), 6);
    EXPECT_EQ(readAnswer(again, expected.size(), 1000), expected);
    close(again);
    EXPECT_EQ(runConsoleCommand(host, "plug").text.rfind("OK plugged", 0), 0u) << "plugged twice";
}

}  // namespace
}  // namespace qu32::sim
