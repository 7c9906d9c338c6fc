// The serial link on the real port path: QSerialPort on a pseudo-terminal, the simulated unit
// on the other side, with wire time emulated.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "serial/SerialLink.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"

namespace qu32::test {
namespace {

class PtyLink : public ::testing::Test {
protected:
    PtyLink()
        : host(*sim::findModel("generic")),
          port(portMap),
          link(port, loop, dialogs, settings, company,
               LinkControls{portPanel, unitPanel, formatPanel, window}) {}

    void SetUp() override {
        ASSERT_TRUE(host.valid()) << host.lastError();
        ASSERT_TRUE(host.start()) << host.lastError();
        portMap.set(1, host.slavePath());
        ASSERT_EQ(link.SetSerial(), 1) << port.lastError();
        link.tmrTimeout().setInterval(200);
    }

    int read(const std::string& code, std::string* value = nullptr) {
        std::string text(12, ' ');
        const int r = link.Read_Parameter(settings.UnitAddress, code, text);
        if (value && r > 0) *value = text.substr(0, static_cast<std::size_t>(r));
        return r;
    }

    sim::PtyHost host;
    PortMap portMap;
    QtEventLoop loop;
    QtSerialPort port;
    ScriptedDialogs dialogs;
    CommSettings settings;
    CompanyInfo company;
    Control portPanel, unitPanel, formatPanel, window{Control::Kind::Window};
    SerialLink link;
};

TEST_F(PtyLink, ReadWriteAndUnknownRegister) {
    std::string value;
    ASSERT_EQ(read("01", &value), 7);
    EXPECT_EQ(value, "+001234");
    ASSERT_EQ(link.Transmit_Parameter("11", "02", "000777"), 1);
    ASSERT_EQ(read("02", &value), 6);
    EXPECT_EQ(value, "000777");
    EXPECT_EQ(read("7z"), kErrUnknownCode);
    std::int16_t status = 0;
    EXPECT_EQ(link.Read_Status("11", "01", status), kErrNotH);
}

TEST_F(PtyLink, MismatchedLineGetsNoAnswerUntilSettingsMatch) {
    settings.BaudRateCode = 5;  // 19200 against a unit at 9600
    ASSERT_EQ(link.SetSerial(), 1);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(read("00"), kErrTimeoutHeader);
    EXPECT_GE(t.elapsed(), 190);
    settings.BaudRateCode = 0;
    settings.SerialFormatCode = 1;  // two stop bits: the pty carries them
    ASSERT_EQ(link.SetSerial(), 1);
    EXPECT_EQ(read("00"), kErrTimeoutHeader);
    settings.SerialFormatCode = 0;
    ASSERT_EQ(link.SetSerial(), 1);
    EXPECT_EQ(read("00"), 1);
}

TEST_F(PtyLink, SevenBitLineLosesTheEighthBitAndEightBitsKeepIt) {
    host.withUnit([](sim::SimUnit& u) { u.setRegisterValue("05", "Gr\xF6\xDF" "e"); });
    std::string value;
    ASSERT_EQ(read("05", &value), 5);
    EXPECT_EQ(value, "Grv_e");  // 0xF6 & 0x7F = 'v', 0xDF & 0x7F = '_'
    ASSERT_EQ(link.Set_UnitFormat("11", "9>"), 1);
    ASSERT_EQ(link.ConfigurePort(1, 9600, 8, 1, kParityEven), 1);
    ASSERT_EQ(read("05", &value), 5);
    EXPECT_EQ(value, "Gr\xF6\xDF" "e");
    ASSERT_EQ(link.Set_UnitFormat("11", "9?"), 1);
    ASSERT_EQ(link.SetSerial(), 1);
    EXPECT_EQ(read("00"), 1);
}

TEST_F(PtyLink, UnpluggedUnitTimesOutAndIsFoundAgain) {
    host.unplug();
    EXPECT_EQ(read("00"), kErrTimeoutHeader);
    host.replug();
    EXPECT_EQ(read("00"), 1);
}

}  // namespace
}  // namespace qu32::test
