#include <grp.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "qt/QtDialogs.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"

namespace qu32 {
namespace {

// ---------------------------------------------------------------- event loop

class QtEventLoopTest : public testing::Test {
  protected:
    std::int64_t since(std::int64_t startMs) const { return loop.nowMs() - startMs; }
    std::unique_ptr<Timer> every(int ms, std::function<void()> onTick) {
        auto timer = loop.createTimer();
        timer->setOnTick(std::move(onTick));
        timer->setInterval(ms);
        timer->setEnabled(true);
        return timer;
    }

    QtEventLoop loop;
    QObject context;  // one-shot events still pending when a test ends go with it
};

TEST_F(QtEventLoopTest, TimersTickDuringWaitsAndASignalGivenEarlyEndsOnlyTheNextWait) {
    int ticks = 0;
    int idleTicks = 0;
    auto timer = every(10, [&] { ++ticks; });
    auto idle = every(0, [&] { ++idleTicks; });  // a bare QTimer at 0 fires on every loop pass
    auto event = loop.createWakeEvent();
    event->set();  // nobody waits yet: kept for the next wait
    auto start = loop.nowMs();
    EXPECT_TRUE(loop.waitFor(*event, 1000));
    EXPECT_LT(since(start), 50);

    start = loop.nowMs();
    EXPECT_FALSE(loop.waitFor(*event, 100));  // that wait consumed it
    EXPECT_GE(since(start), 100);
    EXPECT_LT(since(start), 400);
    EXPECT_GE(ticks, 5);
    EXPECT_LE(ticks, 11);
    EXPECT_EQ(idleTicks, 0);

    timer->setEnabled(false);
    ticks = 0;
    loop.waitFor(*event, 40);
    EXPECT_EQ(ticks, 0);
}

TEST_F(QtEventLoopTest, ASetEndsTheInnermostWaitOnItsEventAtOnceAndNoOtherWait) {
    auto outer = loop.createWakeEvent();
    auto inner = loop.createWakeEvent();
    const auto start = loop.nowMs();
    std::vector<std::int64_t> woken;  // when the two nested waits on `inner` ended
    const auto waitOnInner = [&] {
        if (loop.waitFor(*inner, 1000))
            woken.push_back(since(start));
    };
    QTimer::singleShot(10, &context, waitOnInner);
    QTimer::singleShot(20, &context, waitOnInner);            // inside the first one
    QTimer::singleShot(30, &context, [&] { outer->set(); });  // ends neither
    QTimer::singleShot(60, &context, [&] { inner->set(); });
    QTimer::singleShot(150, &context, [&] { inner->set(); });

    EXPECT_TRUE(loop.waitFor(*outer, 1000));
    ASSERT_EQ(woken.size(), 2u);
    EXPECT_GE(woken[0], 55);
    EXPECT_LT(woken[0], 140);
    EXPECT_GE(woken[1], 145);
    EXPECT_LT(since(start), 500);
}

TEST_F(QtEventLoopTest, ReenablingOrChangingTheIntervalRestartsTheFullInterval) {
    const std::pair<const char*, void (*)(Timer&)> cases[] = {
        {"enable again", [](Timer& t) { t.setEnabled(true); }},
        {"set interval", [](Timer& t) { t.setInterval(100); }},
    };
    for (const auto& [name, restart] : cases) {
        SCOPED_TRACE(name);
        auto ticked = loop.createWakeEvent();
        const auto start = loop.nowMs();
        auto timer = every(100, [&] { ticked->set(); });
        QTimer::singleShot(60, &context, [&, restart = restart] { restart(*timer); });
        ASSERT_TRUE(loop.waitFor(*ticked, 1000));
        EXPECT_GE(since(start), 155);  // 60 ms + a full 100 ms
        EXPECT_LT(since(start), 600);
    }
}

// ---------------------------------------------------------------- serial port on a pty

constexpr int kPtyCom = 15;
constexpr int kIoTimeoutMs = 1000;

class QtSerialPortTest : public testing::Test {
  protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(::openpty(&master_, &slave_, name, nullptr, nullptr), 0);
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

    QtEventLoop loop_;
    PortMap map_;
    int master_ = -1;
    int slave_ = -1;
    std::string slaveName_;
    std::unique_ptr<QtSerialPort> port_;
};

// Reading and writing are exercised end to end by the main window's test; here what it never
// meets: input thrown away, and the device hanging up.
TEST_F(QtSerialPortTest, DiscardedInputIsGoneAndAHangUpClosesThePortWithItsReason) {
    ASSERT_TRUE(port_->open()) << port_->lastError();
    auto received = loop_.createWakeEvent();
    port_->setReceiveCallback([&] { received->set(); });
    ASSERT_EQ(::write(master_, "xy", 2), 2);
    ASSERT_TRUE(loop_.waitFor(*received, kIoTimeoutMs));
    EXPECT_EQ(port_->bytesWaiting(), 2);
    port_->discardInput();
    EXPECT_EQ(port_->bytesWaiting(), 0);
    EXPECT_TRUE(port_->readAll().empty());

    // Closing the master hangs the terminal up, as pulling a USB adapter does to its device.
    ::close(master_);
    master_ = -1;
    auto never = loop_.createWakeEvent();
    const std::clock_t cpuStart = std::clock();
    loop_.waitFor(*never, 100);
    const std::string why = "COM 15 (" + slaveName_ + "): the device hung up";
    EXPECT_FALSE(port_->isOpen());
    EXPECT_EQ(port_->lastError(), why);
    EXPECT_FALSE(port_->write({0x04}));
    EXPECT_EQ(port_->lastError(), why);
    // The dead descriptor must not keep the loop busy.
    EXPECT_LT(std::clock() - cpuStart, CLOCKS_PER_SEC / 20);
}

TEST_F(QtSerialPortTest, SettingsReachTheDeviceAlsoOnAnOpenPortAndMalformedOnesAreRefused) {
    // The pty carries baud and stop bits; data bits and parity-on it does not keep.
    const std::tuple<const char*, speed_t, bool> cases[] = {
        {"9600,e,7,1", B9600, false},
        {"19200,n,8,2", B19200, true},
        {"4800,O,7,2", B4800, true},
        {"38400,o,8,1", B38400, false},
    };
    termios tio{};
    for (const auto& [settings, speed, twoStopBits] : cases) {
        SCOPED_TRACE(settings);
        ASSERT_TRUE(port_->setSettings(settings)) << port_->lastError();
        // Opened with the first settings, changed while open after that.
        ASSERT_TRUE(speed != B9600 || port_->open()) << port_->lastError();
        ASSERT_TRUE(port_->isOpen()) << port_->lastError();
        ASSERT_EQ(::tcgetattr(slave_, &tio), 0);
        EXPECT_EQ(::cfgetospeed(&tio), speed);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, twoStopBits);
    }
    for (const char* text :
         {"", "9600", "9600,e,7,1,1", "300,e,7,1", "14400,e,7,1", "9600,x,7,1", "9600,ee,7,1",
          "9600,e,6,1", "9600,e,7,3", "9600,e,7,1 ", "96OO,e,7,1"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(port_->setSettings(text));
        EXPECT_NE(port_->lastError().find("invalid port settings"), std::string::npos);
        EXPECT_EQ(port_->settings(), "38400,o,8,1");
    }
    EXPECT_TRUE(port_->isOpen());
}

TEST_F(QtSerialPortTest, OpenFailuresNameThePortAndTheReason) {
    // A file only its owner may open; root looks at it through the eyes of an ordinary user.
    char locked[] = "/tmp/qu32-locked-XXXXXX";
    const int fd = ::mkstemp(locked);
    ASSERT_GE(fd, 0);
    ::close(fd);
    struct stat info {};
    ASSERT_EQ(::stat(locked, &info), 0);
    const group* owner = ::getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    const bool asRoot = ::geteuid() == 0;
    ASSERT_EQ(::chmod(locked, asRoot ? 0600 : 0), 0);
    map_.set(3, locked);
    // Named per process: Qt locks the name, so copies of this test running at once would clash.
    const std::string missing = "/dev/qu32-missing-" + std::to_string(::getpid());
    map_.set(14, missing);

    const std::pair<int, std::string> cases[] = {
        {13, "COM 13: no device is assigned to this port number"},
        {16, "COM 16: not a port number from 1 to 15"},
        {14, "COM 14 (" + missing + "): no such device"},
        {3, "COM 3 (" + std::string(locked) + "): permission denied; add your user to the " +
                "group '" + owner->gr_name + "' (the group that owns the device)"},
    };
    constexpr uid_t kNobody = 65534;
    for (const auto& [com, message] : cases) {
        SCOPED_TRACE(com);
        port_->setPortNumber(com);
        const bool asNobody = asRoot && com == 3;
        ASSERT_TRUE(!asNobody || ::seteuid(kNobody) == 0);
        EXPECT_FALSE(port_->open());
        ASSERT_TRUE(!asNobody || ::seteuid(0) == 0);
        EXPECT_EQ(port_->lastError(), message);
        EXPECT_FALSE(port_->write({0x04}));
        EXPECT_EQ(port_->bytesWaiting(), 0);
    }
    ::unlink(locked);
}

// ---------------------------------------------------------------- console dialogs

TEST(ConsoleDialogsTest, PrintsTitleAndTextAndAnswersWithAnOfferedButton) {
    const std::tuple<MsgAnswer, MsgButtons, MsgAnswer> cases[] = {
        {MsgAnswer::Cancel, MsgButtons::OkCancel, MsgAnswer::Cancel},
        {MsgAnswer::No, MsgButtons::YesNoCancel, MsgAnswer::No},
        {MsgAnswer::Ok, MsgButtons::YesNo, MsgAnswer::Yes},  // not offered: first button
        {MsgAnswer::Yes, MsgButtons::RetryCancel, MsgAnswer::Retry},
    };
    for (const auto& [wanted, buttons, expected] : cases) {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* out = ::open_memstream(&buffer, &size);
        ASSERT_NE(out, nullptr);
        ConsoleDialogs dialogs(wanted, out);
        EXPECT_EQ(dialogs.messageBox("Unable to open COM 3\rCheck the cable.\r\nDone", "QU",
                                     buttons, MsgIcon::Exclamation),
                  expected);
        dialogs.beep();  // a memory stream is no terminal
        std::fclose(out);
        EXPECT_EQ(std::string(buffer, size), "QU: Unable to open COM 3\nCheck the cable.\nDone\n");
        std::free(buffer);
    }
}

}  // namespace
}  // namespace qu32
