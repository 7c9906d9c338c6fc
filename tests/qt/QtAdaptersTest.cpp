#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "qt/QtDialogs.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"

namespace qu32 {
namespace {

// ---------------------------------------------------------------- event loop

class QtEventLoopTest : public testing::Test {
  protected:
    std::int64_t elapsedSince(std::int64_t startMs) const { return loop.nowMs() - startMs; }

    QtEventLoop loop;
};

TEST_F(QtEventLoopTest, TimerTicksWhileWaiting) {
    auto timer = loop.createTimer();
    int ticks = 0;
    timer->setOnTick([&] { ++ticks; });
    timer->setInterval(10);
    timer->setEnabled(true);
    auto never = loop.createWakeEvent();

    const auto start = loop.nowMs();
    EXPECT_FALSE(loop.waitFor(*never, 100));
    EXPECT_GE(elapsedSince(start), 100);
    EXPECT_GE(ticks, 5);
    EXPECT_LE(ticks, 11);

    timer->setEnabled(false);
    ticks = 0;
    EXPECT_FALSE(loop.waitFor(*never, 40));
    EXPECT_EQ(ticks, 0);
}

TEST_F(QtEventLoopTest, WaitEndsAsSoonAsATimerHandlerSetsTheEvent) {
    auto event = loop.createWakeEvent();
    auto timer = loop.createTimer();
    timer->setOnTick([&] { event->set(); });
    timer->setInterval(20);
    timer->setEnabled(true);

    const auto start = loop.nowMs();
    EXPECT_TRUE(loop.waitFor(*event, 2000));
    EXPECT_LT(elapsedSince(start), 500);
    EXPECT_FALSE(event->isSet());  // the wait consumed it
}

TEST_F(QtEventLoopTest, SignalGivenBeforeTheWaitIsKeptOnce) {
    auto event = loop.createWakeEvent();
    event->set();
    const auto start = loop.nowMs();
    EXPECT_TRUE(loop.waitFor(*event, 1000));
    EXPECT_LT(elapsedSince(start), 50);

    // Auto-reset: the next wait runs into its time-out, and not much later than that.
    const auto second = loop.nowMs();
    EXPECT_FALSE(loop.waitFor(*event, 150));
    EXPECT_GE(elapsedSince(second), 149);
    EXPECT_LT(elapsedSince(second), 400);
}

TEST_F(QtEventLoopTest, NestedWaitInsideATickHandler) {
    auto outerEvent = loop.createWakeEvent();
    auto innerEvent = loop.createWakeEvent();
    auto handlerTimer = loop.createTimer();
    auto outerSetter = loop.createTimer();
    auto innerSetter = loop.createTimer();

    int innerResult = -1;
    handlerTimer->setOnTick([&] {
        handlerTimer->setEnabled(false);
        innerResult = loop.waitFor(*innerEvent, 1000) ? 1 : 0;
    });
    // Signals the outer wait while the inner one is still running: must not end the inner one.
    outerSetter->setOnTick([&] {
        outerSetter->setEnabled(false);
        outerEvent->set();
    });
    innerSetter->setOnTick([&] {
        innerSetter->setEnabled(false);
        innerEvent->set();
    });
    handlerTimer->setInterval(10);
    outerSetter->setInterval(30);
    innerSetter->setInterval(60);
    handlerTimer->setEnabled(true);
    outerSetter->setEnabled(true);
    innerSetter->setEnabled(true);

    const auto start = loop.nowMs();
    EXPECT_TRUE(loop.waitFor(*outerEvent, 1000));
    EXPECT_EQ(innerResult, 1);
    EXPECT_GE(elapsedSince(start), 55);
    EXPECT_LT(elapsedSince(start), 500);
}

TEST_F(QtEventLoopTest, ReenablingOrChangingTheIntervalRestartsTheFullInterval) {
    struct Case {
        const char* name;
        void (*restart)(Timer&);
    };
    const Case cases[] = {
        {"enable again", [](Timer& t) { t.setEnabled(true); }},
        {"set interval", [](Timer& t) { t.setInterval(100); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto ticked = loop.createWakeEvent();
        auto timer = loop.createTimer();
        auto poke = loop.createTimer();
        timer->setOnTick([&] { ticked->set(); });
        poke->setOnTick([&] {
            poke->setEnabled(false);
            c.restart(*timer);
        });
        timer->setInterval(100);
        poke->setInterval(60);
        const auto start = loop.nowMs();
        timer->setEnabled(true);
        poke->setEnabled(true);

        ASSERT_TRUE(loop.waitFor(*ticked, 1000));
        EXPECT_GE(elapsedSince(start), 155);  // 60 ms + a full 100 ms
        EXPECT_LT(elapsedSince(start), 600);
    }
}

TEST_F(QtEventLoopTest, ZeroIntervalNeverTicks) {
    auto timer = loop.createTimer();
    int ticks = 0;
    timer->setOnTick([&] { ++ticks; });
    timer->setInterval(0);
    timer->setEnabled(true);
    EXPECT_TRUE(timer->enabled());
    auto never = loop.createWakeEvent();
    loop.waitFor(*never, 30);
    EXPECT_EQ(ticks, 0);
}

TEST_F(QtEventLoopTest, WaitWithNegativeArgumentWaitsAndFlipsTheSign) {
    int ms = -120;
    const auto start = loop.nowMs();
    loop.wait(ms);
    EXPECT_EQ(ms, 120);
    EXPECT_GE(elapsedSince(start), 120);
    EXPECT_LT(elapsedSince(start), 300);
}

// ---------------------------------------------------------------- serial port on a pty

constexpr int kPtyCom = 15;
constexpr int kIoTimeoutMs = 1000;
constexpr std::size_t kMaxReadBytes = 256;

class QtSerialPortTest : public testing::Test {
  protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        // A bare pty cooks and echoes; the port must see raw bytes.
        termios tio{};
        ASSERT_EQ(::tcgetattr(slave_, &tio), 0);
        ::cfmakeraw(&tio);
        ASSERT_EQ(::tcsetattr(slave_, TCSANOW, &tio), 0);
        slaveName_ = name;
        map_.set(kPtyCom, slaveName_);
        port_ = std::make_unique<QtSerialPort>(map_);
        port_->setPortNumber(kPtyCom);
    }
    void TearDown() override {
        port_.reset();
        if (master_ >= 0)
            ::close(master_);
        ::close(slave_);
    }

    Bytes readMaster(std::size_t wanted) {
        Bytes got;
        const auto start = loop_.nowMs();
        while (got.size() < wanted && loop_.nowMs() - start < kIoTimeoutMs) {
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, kIoTimeoutMs) <= 0)
                break;
            std::uint8_t buffer[kMaxReadBytes];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

    void writeMaster(const Bytes& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    termios slaveTermios() const {
        termios tio{};
        EXPECT_EQ(::tcgetattr(slave_, &tio), 0);
        return tio;
    }

    QtEventLoop loop_;
    PortMap map_;
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
    std::unique_ptr<QtSerialPort> port_;
};

TEST_F(QtSerialPortTest, WrittenBytesReachTheOtherEnd) {
    ASSERT_TRUE(port_->open()) << port_->lastError();
    const Bytes request = {0x04, '1', '1', '0', '0', 0x05, 0x00, 0xFF};
    ASSERT_TRUE(port_->write(request)) << port_->lastError();
    EXPECT_EQ(readMaster(request.size()), request);
}

TEST_F(QtSerialPortTest, ArrivingBytesTriggerTheReceiveCallback) {
    ASSERT_TRUE(port_->open()) << port_->lastError();
    auto received = loop_.createWakeEvent();
    int notifications = 0;
    port_->setReceiveCallback([&] {
        ++notifications;
        received->set();
    });
    const Bytes answer = {0x02, '0', '0', '1', '2', 0x03, 0x80};
    writeMaster(answer);

    ASSERT_TRUE(loop_.waitFor(*received, kIoTimeoutMs));
    EXPECT_GE(notifications, 1);
    EXPECT_EQ(port_->bytesWaiting(), static_cast<int>(answer.size()));
    EXPECT_EQ(port_->readAll(), answer);
    EXPECT_EQ(port_->bytesWaiting(), 0);

    writeMaster({'x', 'y'});
    ASSERT_TRUE(loop_.waitFor(*received, kIoTimeoutMs));
    port_->discardInput();
    EXPECT_EQ(port_->bytesWaiting(), 0);
    EXPECT_TRUE(port_->readAll().empty());
}

TEST_F(QtSerialPortTest, SettingsReachTheDeviceAlsoOnAnOpenPort) {
    struct Case {
        const char* settings;
        speed_t speed;
        bool twoStopBits;
    };
    // The pty carries baud and stop bits; data bits and parity-on it does not keep.
    const Case cases[] = {
        {"9600,e,7,1", B9600, false},
        {"19200,n,8,2", B19200, true},
        {"4800,O,7,2", B4800, true},
        {"38400,o,8,1", B38400, false},
    };
    bool first = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        ASSERT_TRUE(port_->setSettings(c.settings)) << port_->lastError();
        if (first) {
            ASSERT_TRUE(port_->open()) << port_->lastError();
            first = false;
        }
        ASSERT_TRUE(port_->isOpen()) << port_->lastError();
        const termios tio = slaveTermios();
        EXPECT_EQ(::cfgetospeed(&tio), c.speed);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStopBits);
    }
    EXPECT_EQ(port_->settings(), "38400,o,8,1");
}

TEST_F(QtSerialPortTest, RefusesMalformedSettings) {
    ASSERT_TRUE(port_->setSettings("2400,n,8,1"));
    for (const char* text :
         {"", "9600", "9600,e,7", "9600,e,7,1,1", "300,e,7,1", "14400,e,7,1", "9600,x,7,1",
          "9600,ee,7,1", "9600,e,6,1", "9600,e,7,3", "9600,e,7,1 ", " 9600,e,7,1", "96OO,e,7,1"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(port_->setSettings(text));
        EXPECT_NE(port_->lastError().find("invalid port settings"), std::string::npos);
        EXPECT_EQ(port_->settings(), "2400,n,8,1");
    }
}

TEST_F(QtSerialPortTest, OpenFailuresNameThePortAndTheReason) {
    map_.set(14, "/dev/qu32-no-such-device");
    struct Case {
        int com;
        const char* message;
    };
    const Case cases[] = {
        {13, "COM 13: no device is assigned to this port number"},
        {16, "COM 16: not a port number from 1 to 15"},
        {14, "COM 14 (/dev/qu32-no-such-device): no such device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.com);
        port_->setPortNumber(c.com);
        EXPECT_FALSE(port_->open());
        EXPECT_FALSE(port_->isOpen());
        EXPECT_EQ(port_->lastError(), c.message);
        EXPECT_FALSE(port_->write({0x04}));
        EXPECT_EQ(port_->bytesWaiting(), 0);
    }
}

TEST_F(QtSerialPortTest, PermissionFailureNamesTheOwningGroup) {
    char path[] = "/tmp/qu32-locked-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(::chmod(path, 0600), 0);
    struct stat info {};
    ASSERT_EQ(::stat(path, &info), 0);
    const group* g = ::getgrgid(info.st_gid);
    ASSERT_NE(g, nullptr);
    const std::string groupName = g->gr_name;

    // Root may open anything, so look at the file through the eyes of an ordinary user.
    const bool asRoot = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    if (!asRoot) {
        ASSERT_EQ(::chmod(path, 0), 0);
    }
    map_.set(3, path);
    port_->setPortNumber(3);
    if (asRoot) {
        ASSERT_EQ(::seteuid(kNobody), 0);
    }
    const bool opened = port_->open();
    if (asRoot) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    ::unlink(path);

    EXPECT_FALSE(opened);
    EXPECT_EQ(port_->lastError(), "COM 3 (" + std::string(path) +
                                      "): permission denied; add your user to the group '" +
                                      groupName + "' (the group that owns the device)");
}

TEST_F(QtSerialPortTest, HangUpClosesThePortAndSaysWhy) {
    ASSERT_TRUE(port_->open()) << port_->lastError();
    // Closing the master hangs the terminal up, as pulling a USB adapter does to its device.
    ::close(master_);
    master_ = -1;
    auto never = loop_.createWakeEvent();
    const std::clock_t cpuStart = std::clock();
    loop_.waitFor(*never, 100);
    EXPECT_FALSE(port_->isOpen());
    EXPECT_EQ(port_->lastError(), "COM 15 (" + slaveName_ + "): the device hung up");
    EXPECT_FALSE(port_->write({0x04}));
    EXPECT_EQ(port_->lastError(), "COM 15 (" + slaveName_ + "): the device hung up");
    // The dead descriptor must not keep the loop busy.
    EXPECT_LT(std::clock() - cpuStart, CLOCKS_PER_SEC / 20);
}

// ---------------------------------------------------------------- console dialogs

TEST(ConsoleDialogsTest, PrintsTitleAndTextAndAnswersWithAnOfferedButton) {
    struct Case {
        MsgAnswer wanted;
        MsgButtons buttons;
        MsgAnswer expected;
    };
    const Case cases[] = {
        {MsgAnswer::Ok, MsgButtons::OkCancel, MsgAnswer::Ok},
        {MsgAnswer::Cancel, MsgButtons::OkCancel, MsgAnswer::Cancel},
        {MsgAnswer::No, MsgButtons::YesNoCancel, MsgAnswer::No},
        {MsgAnswer::Ok, MsgButtons::YesNo, MsgAnswer::Yes},  // not offered: first button
        {MsgAnswer::Cancel, MsgButtons::Ok, MsgAnswer::Ok},
        {MsgAnswer::Yes, MsgButtons::RetryCancel, MsgAnswer::Retry},
    };
    for (const Case& c : cases) {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* out = ::open_memstream(&buffer, &size);
        ASSERT_NE(out, nullptr);
        ConsoleDialogs dialogs(c.wanted, out);
        EXPECT_EQ(dialogs.messageBox("Unable to open COM 3\rCheck the cable.\r\nDone", "QU",
                                     c.buttons, MsgIcon::Exclamation),
                  c.expected);
        dialogs.beep();  // a memory stream is no terminal
        std::fclose(out);
        EXPECT_EQ(std::string(buffer, size), "QU: Unable to open COM 3\nCheck the cable.\nDone\n");
        std::free(buffer);
    }
}

}  // namespace
}  // namespace qu32
