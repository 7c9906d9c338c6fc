// The serial link on the real port path: QSerialPort on a pseudo-terminal, the simulated unit
// on the other side, with wire time emulated.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "serial/SerialLink.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/RecordingObserver.h"

namespace qu32::test {
namespace {

class PtyLink : public ::testing::Test {
  protected:
    PtyLink()
        : host(*sim::findModel("generic")), port(portMap), link(port, loop, settings, observer) {}

    void SetUp() override {
        ASSERT_TRUE(host.valid()) << host.lastError();
        ASSERT_TRUE(host.start()) << host.lastError();
        portMap.set(1, host.slavePath());
        ASSERT_TRUE(link.openPort()) << port.lastError();
        link.setAnswerTimeoutMs(200);
    }

    Result read(const std::string& code, std::string* value = nullptr) {
        std::string text;
        const Result r = link.readRegister(code, text);
        if (value)
            *value = text;
        return r;
    }

    sim::PtyHost host;
    PortMap portMap;
    QtEventLoop loop;
    QtSerialPort port;
    SerialSettings settings;
    RecordingObserver observer;
    SerialLink link;
};

TEST_F(PtyLink, ReadWriteAndUnknownRegister) {
    std::string value;
    ASSERT_EQ(read("01", &value), Result::Ok);
    EXPECT_EQ(value, "+001234");
    ASSERT_EQ(link.writeRegister("02", "000777"), Result::Ok);
    ASSERT_EQ(read("02", &value), Result::Ok);
    EXPECT_EQ(value, "000777");
    EXPECT_EQ(read("7z"), Result::UnknownCode);
    std::int16_t status = 0;
    EXPECT_EQ(link.readStatus("01", status), Result::NotStatusAnswer);
}

TEST_F(PtyLink, MismatchedLineGetsNoAnswerUntilSettingsMatch) {
    settings.baudRateCode = 5;  // 19200 against a unit at 9600
    ASSERT_TRUE(link.openPort());
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(read("00"), Result::TimeoutHeader);
    EXPECT_GE(t.elapsed(), 190);
    settings.baudRateCode = 0;
    settings.formatCode = 1;  // two stop bits: the pty carries them
    ASSERT_TRUE(link.openPort());
    EXPECT_EQ(read("00"), Result::TimeoutHeader);
    settings.formatCode = 0;
    ASSERT_TRUE(link.openPort());
    EXPECT_EQ(read("00"), Result::Ok);
}

TEST_F(PtyLink, SevenBitLineLosesTheEighthBitAndEightBitsKeepIt) {
    host.withUnit([](sim::SimUnit& u) {
        u.setRegisterValue("05",
                           "Gr\xF6\xDF"
                           "e");
    });
    std::string value;
    ASSERT_EQ(read("05", &value), Result::Ok);
    EXPECT_EQ(value, "Grv_e");  // 0xF6 & 0x7F = 'v', 0xDF & 0x7F = '_'
    ASSERT_EQ(link.setUnitFormat("9>"), Result::Ok);
    ASSERT_TRUE(link.configurePort(1, 9600, 8, 1, kParityEven));
    ASSERT_EQ(read("05", &value), Result::Ok);
    EXPECT_EQ(value,
              "Gr\xF6\xDF"
              "e");
    ASSERT_EQ(link.setUnitFormat("9?"), Result::Ok);
    ASSERT_TRUE(link.openPort());
    EXPECT_EQ(read("00"), Result::Ok);
}

TEST_F(PtyLink, UnpluggedUnitTimesOutAndIsFoundAgain) {
    host.unplug();
    EXPECT_EQ(read("00"), Result::TimeoutHeader);
    host.replug();
    EXPECT_EQ(read("00"), Result::Ok);
}

}  // namespace
}  // namespace qu32::test
