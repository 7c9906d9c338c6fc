#include "mainwindow/MainWindowFixture.h"
#include "settings/SerialSettingsDialog.h"

namespace qu32::test {
namespace {

class FixedPortLister : public PortLister {
  public:
    std::optional<std::vector<SerialDeviceInfo>> listDevices() override {
        SerialDeviceInfo com1;
        com1.device = "/dev/ttyS0";
        SerialDeviceInfo com2;
        com2.device = "/dev/ttyS1";
        SerialDeviceInfo adapter;
        adapter.device = "/dev/ttyUSB4";
        return std::vector<SerialDeviceInfo>{com1, com2, adapter};
    }
};

// The settings command takes the line from the main cycle and gives it back when the dialog
// closes, with the settings the operator confirmed.
class SerialSettingsCommand : public MainWindowFixture {
  protected:
    void SetUp() override {
        window.portLister = &lister;
        window.commands.showSerialSettings = [this] {
            ++shown;
            inTick = !window.mainTimer().enabled();
        };
    }
    void openDialog() {
        window.commands.serialSettingsClicked();
        loop.runFor(200);
    }
    SerialSettingsDialog& dialog() { return *window.serialSettingsDialog(); }

    FixedPortLister lister;
    int shown = 0;
    bool inTick = false;
};

// A unit whose settings nobody knows: the program cannot reach it, a scan in the dialog finds
// it, Ok hands the settings over and the main window connects.
TEST_F(SerialSettingsCommand, AScanFindsTheUnitAndOkReconnectsWithItsSettings) {
    sim::LineFormat line;
    ASSERT_TRUE(sim::parseLineFormat("19200,o,7,1", line));
    unit.setAddress("23");
    unit.setNormalLine(line);
    window.load();
    loop.runFor(3000);
    ASSERT_FALSE(connected());
    window.controls.disableEntry.setCaption("&Enable Communication");

    openDialog();
    ASSERT_EQ(shown, 1);
    EXPECT_TRUE(inTick) << "shown from the main cycle";
    EXPECT_EQ(window.state(), CycleState::Disabled);
    EXPECT_FALSE(port.isOpen());
    ASSERT_TRUE(dialog().isLoaded());
    EXPECT_EQ(dialog().portList.items, (Strings{"COM1"}));

    window.commands.serialSettingsClicked();
    loop.runFor(200);
    EXPECT_EQ(shown, 1) << "nothing while the dialog is open";

    dialog().scanUnits.checked = true;
    dialog().startScanClicked();
    ASSERT_TRUE(runUntil([&] { return !dialog().scan().running(); }, 300000));
    port.clearWritten();
    loop.runFor(1000);
    EXPECT_TRUE(port.written().empty()) << "the main cycle keeps off the line meanwhile";
    dialog().unitField.setCaption("23");
    dialog().okClicked();
    EXPECT_FALSE(dialog().isLoaded());
    EXPECT_EQ(window.serial.comPort, 1);
    EXPECT_EQ(window.serial.baudRateCode, 5);
    EXPECT_EQ(window.serial.formatCode, 2);
    EXPECT_EQ(window.serial.unitAddress, "23");
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.settings(), "19200,o,7,1");
    EXPECT_EQ(window.state(), CycleState::Init);
    EXPECT_EQ(window.controls.disableEntry.caption(), "&Disable Communication");
    EXPECT_TRUE(window.mainTimer().enabled());
    ASSERT_TRUE(runUntil([&] { return connected(); }, 60000));

    window.unload();
    const std::string config = configText();
    EXPECT_NE(config.find("ComPort=\"Com1\" Baud=\"19200\" Setting=\"o,7,1\" UnitId=\"23\""),
              std::string::npos);
    EXPECT_NE(config.find("<Port Com=\"13\" Device=\"/dev/ttyUSB4\" />"), std::string::npos)
        << "the number given to the adapter is kept with Ok: " << config;
}

// A port that does not open any more: the dialog still closes, the settings are the program's,
// the main cycle starts again and the open failure is reported once, by the port opening.
TEST_F(SerialSettingsCommand, TheDialogClosesEvenWhenThePortDoesNotReopen) {
    window.load();
    ASSERT_TRUE(runUntil([&] { return connected(); }, 60000));
    port.setExistingPorts({1, 2});
    openDialog();
    dialog().portList.text = "COM2";
    dialog().portListKeyPressed();
    port.setExistingPorts({1});
    dialogs.shown.clear();
    EXPECT_TRUE(dialog().requestClose());
    EXPECT_FALSE(dialog().isLoaded());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].text.starts_with("Unable to open COM 2")) << dialogs.shown[0].text;
    EXPECT_EQ(window.serial.comPort, -1);
    EXPECT_FALSE(portMap.device(13).has_value()) << "not confirmed";
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(window.state(), CycleState::Init);
    EXPECT_TRUE(window.mainTimer().enabled());

    // Open again: a fresh dialog on the program's settings.
    openDialog();
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(dialog().isLoaded());
    EXPECT_EQ(dialog().dialogSettings().comPort, -1);
}

}  // namespace
}  // namespace qu32::test
