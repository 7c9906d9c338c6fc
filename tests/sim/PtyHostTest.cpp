#include "sim/PtyHost.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "SimTestFrames.h"

namespace qu32::sim {
namespace {

using namespace qu32::sim::testing;
using Clock = std::chrono::steady_clock;

// A client that opens the slave the plain POSIX way, as a serial program would.
int openClient(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return fd;
    }
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

// Reads until `count` bytes have come or `timeoutMs` has passed.
Bytes readAnswer(int fd, std::size_t count, int timeoutMs) {
    Bytes out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < count && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count()))) <= 0) {
            continue;
        }
        std::uint8_t buf[64];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            out.insert(out.end(), buf, buf + n);
        }
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

    // A client at another speed is not answered.
    termios t{};
    tcgetattr(fd, &t);
    cfsetospeed(&t, B19200);
    cfsetispeed(&t, B19200);
    tcsetattr(fd, TCSANOW, &t);
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    EXPECT_TRUE(readAnswer(fd, 1, 100).empty());

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

void setClientSpeed(int fd, speed_t speed) {
    termios t{};
    tcgetattr(fd, &t);
    cfsetospeed(&t, speed);
    cfsetispeed(&t, speed);
    tcsetattr(fd, TCSANOW, &t);
}

TEST(PtyHost, ClientMustFollowTheBaudRateTheUnitActivates) {
    PtyHost host(*findModel("aa459"));
    ASSERT_TRUE(host.valid()) << host.lastError();
    host.setWireTimeEmulation(false);
    ASSERT_TRUE(host.start());
    const int fd = openClient(host.slavePath());
    ASSERT_GE(fd, 0);

    for (const Bytes& frame : {writeFrame("11", "91", "5"), writeFrame("11", "67", "1")}) {
        ASSERT_EQ(write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
        EXPECT_EQ(readAnswer(fd, 1, 1000), Bytes{kAck});
    }
    const Bytes request = readRequest("11", "91");
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    EXPECT_TRUE(readAnswer(fd, 1, 100).empty());

    setClientSpeed(fd, B19200);
    const Bytes expected = textAnswerFor("91", "5");
    ASSERT_EQ(write(fd, request.data(), request.size()), 6);
    EXPECT_EQ(readAnswer(fd, expected.size(), 1000), expected);

    close(fd);
    host.stop();
}

}  // namespace
}  // namespace qu32::sim
