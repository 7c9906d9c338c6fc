#include "settings/SerialSettingsDialog.h"

#include "settings/LineChoices.h"
#include "settings/SettingsDialogFixture.h"

namespace qu32::test {
namespace {

using SettingsDialog = SettingsDialogFixture;

std::string lines(const Strings& parts) {
    std::string text;
    for (const auto& p : parts)
        text += p + "\r\n";
    return text;
}

TEST(PortNames, NumbersComeFromTheNameAndNeverFromJunk) {
    const struct {
        const char* name;
        int number;
    } cases[] = {
        {"COM12", 12}, {"com3", 3},    {"COM17", 17},  {"COM", 0},         {"COM3x", 0},
        {"COM-1", 0},  {"ABCD7", 107}, {"ttyUSB9", 0}, {"COM99999999", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(portNumberOfName(c.name), c.number) << c.name;
}

// Each case: the devices on the PC, the list the machine reports, and what the dialog offers.
TEST_F(SettingsDialog, DiscoveryListsOnlyPortsThatOpenInNumberOrder) {
    const struct {
        const char* what;
        std::set<int> existing;
        std::vector<SerialDeviceInfo> listed;
        Strings items;
        int selected;
        bool warning;
    } cases[] = {
        {"two, reported backwards",
         {1, 3},
         {device("/dev/ttyS2"), device("/dev/ttyS0")},
         {"COM1", "COM3"},
         0,
         false},
        {"a lone port is offered, not chosen", {2}, {device("/dev/ttyS1")}, {"COM2"}, -1, false},
        {"none opens",
         {},
         {device("/dev/ttyS0"), device("/dev/ttyS1"), device("/dev/ttyUSB0")},
         {kNoUsablePort},
         0,
         true},
        {"held by another program",
         {1},
         {device("/dev/ttyS0"), device("/dev/ttyS1", DeviceProblem::Busy)},
         {"COM1"},
         0,
         false},
        {"nothing reported", {1}, {}, {kNoUsablePort}, 0, true},
    };
    for (const auto& c : cases) {
        machine(c.existing, c.listed);
        dialog.load();
        EXPECT_EQ(dialog.portList.items, c.items) << c.what;
        EXPECT_EQ(dialog.portList.selected, c.selected) << c.what;
        EXPECT_EQ(dialog.log.caption().starts_with(kNoUsablePortWarning), c.warning) << c.what;
        // Lists follow the port only once a port is chosen.
        EXPECT_EQ(dialog.baudList.selected, c.selected == 0 && !c.warning ? 0 : -1) << c.what;
        EXPECT_FALSE(port.isOpen()) << c.what;
        EXPECT_EQ(port.portNumber(), 0) << "the port's own number is put back: " << c.what;
    }
}

TEST_F(SettingsDialog, TheLogExplainsEveryPortAndWhyOneCannotBeUsed) {
    SerialDeviceInfo usb = device("/dev/ttyUSB0");
    usb.byIdPath = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    usb.description = "FT232R USB UART";
    usb.manufacturer = "FTDI";
    usb.serialNumber = "A50285BI";
    usb.vendorId = 0x0403;
    usb.productId = 0x6001;
    SerialDeviceInfo locked = device("/dev/ttyS0", DeviceProblem::NoPermission);
    locked.owningGroup = "uucp";
    machine({5}, {usb, locked, device("/dev/ttyS1", DeviceProblem::Busy),
                  device("/dev/ttyS2", DeviceProblem::Vanished)});
    dialog.load();
    const std::string usbLine =
        "COM5: /dev/ttyUSB0, by-id usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0, FT232R USB "
        "UART, FTDI, serial A50285BI, 0403:6001";
    EXPECT_EQ(
        dialog.log.caption(),
        lines({"COM1: /dev/ttyS0",
               "COM1 is not usable: no permission to open /dev/ttyS0 (it belongs to group "
               "uucp); run: sudo usermod -aG uucp $USER, then log in again",
               "COM2: /dev/ttyS1", "COM2 is not usable: /dev/ttyS1 is in use by another program",
               "COM3: /dev/ttyS2", "COM3 is not usable: /dev/ttyS2 has vanished", usbLine}));
    EXPECT_EQ(dialog.portList.items, Strings{"COM5"});
    EXPECT_EQ(dialog.portList.toolTips, Strings{usbLine}) << "hovering shows the same line";

    // The list is refreshed on demand, with the lines again rather than an empty log.
    machine({5}, {usb});
    dialog.updatePortListClicked();
    EXPECT_EQ(dialog.log.caption(), lines({usbLine}));
    EXPECT_TRUE(dialog.updateButton.enabled() && dialog.updateEntry.enabled());
}

// Devices the map does not know get the lowest free numbers (by their by-id name when they have
// one), up to 15; the pairings stay only when the operator confirms them, or when the settings
// end up on one.
TEST_F(SettingsDialog, UnnumberedDevicesGetFreeNumbersKeptOnlyWhenConfirmed) {
    SerialDeviceInfo adapter = device("/dev/ttyUSB4");
    adapter.byIdPath = "/dev/serial/by-id/usb-adapter";
    std::vector<SerialDeviceInfo> listed = {adapter, device("/dev/ttyACM4"), device("/dev/ttyACM5"),
                                            device("/dev/ttyACM6"), device("/dev/ttyS0")};
    machine({1, 13, 14, 15}, listed);
    dialog.load();
    EXPECT_EQ(dialog.portList.items, (Strings{"COM1", "COM13", "COM14", "COM15"}));
    EXPECT_EQ(portMap.device(13), "/dev/serial/by-id/usb-adapter");
    EXPECT_EQ(portMap.device(15), "/dev/ttyACM5");
    ASSERT_EQ(dialog.ports().size(), 5u);
    const PortEntry& last = dialog.ports().front();
    EXPECT_EQ(last.name + "|" + std::to_string(last.number), "/dev/ttyACM6|0");
    EXPECT_EQ(explainUnusable(last),
              "/dev/ttyACM6 is not usable: no free COM number from 1 to 15 is left for "
              "/dev/ttyACM6");

    // Closed without Ok but on COM14 chosen by key: only that pairing stays.
    dialog.portList.text = "COM14";
    dialog.portListKeyPressed();
    ASSERT_TRUE(dialog.requestClose());
    EXPECT_EQ(dialog.keptPairings(), (std::vector<PortMap::Entry>{{14, "/dev/ttyACM4"}}));
    EXPECT_FALSE(portMap.device(13).has_value());
    EXPECT_FALSE(portMap.device(15).has_value());
    EXPECT_EQ(settings.comPort, 14);

    // Confirmed with Ok: every number given is kept.
    dialog.load();
    dialog.okClicked();
    EXPECT_EQ(dialog.keptPairings().size(), 2u) << "13 and 15 given again; 14 was kept";
    EXPECT_EQ(portMap.device(13), "/dev/serial/by-id/usb-adapter");
}

TEST_F(SettingsDialog, OkAppliesTheChoiceAndGivesItToTheProgram) {
    machine({1, 3}, {device("/dev/ttyS0"), device("/dev/ttyS2")});
    dialog.load();
    dialog.portList.select(1);
    dialog.baudList.selectText("9600");
    dialog.formatList.selectText("7 Data, 1 Stop, No Parity");
    dialog.unitField.setCaption("5");
    dialog.okClicked();
    EXPECT_EQ(port.settings(), "9600,n,7,1");
    EXPECT_EQ(port.portNumber(), 3);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(settings.comPort, 3);
    EXPECT_EQ(settings.baudRateCode, 0);
    EXPECT_EQ(settings.formatCode, 4);
    EXPECT_EQ(settings.unitAddress, "05");
    EXPECT_EQ(dialog.portStatus.caption() + "|" + dialog.settingsStatus.caption() + "|" +
                  dialog.unitStatus.caption(),
              "Com3|9600,n,7,1|Unit = 05");
    EXPECT_EQ(closedCount, 1);
    EXPECT_FALSE(dialog.isLoaded());
}

TEST_F(SettingsDialog, TypedTextsFallBackAndAnEmptyUnitKeepsTheProgramsAddress) {
    machine({1}, {device("/dev/ttyS0"), device("/dev/ttyS1")});
    settings.unitAddress = "42";
    dialog.load();
    const struct {
        const char* baud;
        const char* format;
        const char* unit;
        int baudCode;
        int formatCode;
        const char* address;
        const char* shownUnit;
    } cases[] = {
        {"38400", "8 Data, 2 Stop, No Parity", "123", 6, 9, "12", "123"},
        {"4800", "9 Data", "", 1, 0, "12", "42"},
        {"fast", "8 Data, 1 Stop, Parity Odd", "7", 0, 7, "07", "7"},
    };
    for (const auto& c : cases) {
        dialog.baudList.text = c.baud;
        dialog.formatList.text = c.format;
        dialog.unitField.setCaption(c.unit);
        dialog.enterPressed(dialog.baudList);
        const SerialSettings& s = dialog.dialogSettings();
        EXPECT_EQ(s.baudRateCode, c.baudCode) << c.baud;
        EXPECT_EQ(s.formatCode, c.formatCode) << c.format;
        EXPECT_EQ(s.unitAddress, c.address) << c.unit;
        EXPECT_EQ(dialog.unitField.caption(), c.shownUnit) << c.unit;
    }
    EXPECT_EQ(port.settings(), "4800,e,7,1") << "the last settings the port could take";
    EXPECT_EQ(settings.unitAddress, "42") << "nothing reaches the program before closing";

    // A port text that is no COM name applies nothing.
    dialog.portList.text = kNoUsablePort;
    dialog.unitField.setCaption("33");
    dialog.enterPressed(dialog.baudList);
    EXPECT_EQ(dialog.dialogSettings().unitAddress, "07");
}

TEST_F(SettingsDialog, UnitFieldTakesDigitsOnlyAndTheSpinStaysWithinItsBounds) {
    machine({1}, {device("/dev/ttyS0"), device("/dev/ttyS1")});
    dialog.load();
    EXPECT_TRUE(dialog.unitKeyPressed({Key::Other, false, false, '7'}));
    EXPECT_TRUE(dialog.unitKeyPressed({Key::Backspace}));
    EXPECT_FALSE(dialog.unitKeyPressed({Key::Other, false, false, 'a'}));
    EXPECT_FALSE(dialog.unitKeyPressed({Key::Other, false, false, ' '}));

    const struct {
        const char* before;
        bool up;
        const char* after;
    } spins[] = {{"00", false, "00"}, {"99", true, "99"},   {"09", true, "10"},
                 {"5", false, "04"},  {"123", true, "123"}, {"", true, ""}};
    for (const auto& s : spins) {
        dialog.unitField.setCaption(s.before);
        dialog.spinUnit(s.up);
        EXPECT_EQ(dialog.unitField.caption(), s.after) << s.before << (s.up ? " up" : " down");
    }
    EXPECT_EQ(dialog.dialogSettings().unitAddress, "11") << "spinning applies nothing";
    dialog.unitField.setCaption("24");
    dialog.unitKeyPressed({Key::Enter});
    EXPECT_EQ(dialog.dialogSettings().unitAddress, "24") << "Enter applies";
}

TEST_F(SettingsDialog, DefaultsButtonAppliesWhileTheMenuOnlyShowsThem) {
    machine({1}, {device("/dev/ttyS0"), device("/dev/ttyS1")});
    settings = {1, 6, 9, "33"};
    dialog.load();
    dialog.defaultsChosen();
    EXPECT_EQ(
        dialog.unitField.caption() + "|" + dialog.baudList.text + "|" + dialog.formatList.text,
        "11|9600|7 Data, 1 Stop, Parity Even");
    EXPECT_EQ(dialog.dialogSettings().baudRateCode, 6);
    dialog.defaultsClicked();
    EXPECT_EQ(dialog.dialogSettings().baudRateCode, 0);
    EXPECT_EQ(dialog.dialogSettings().unitAddress, "11");
    EXPECT_EQ(port.settings(), "9600,e,7,1");
}

// The close box gives the dialog's copy back as it stands: list changes without Ok are lost,
// a port chosen by key is not.
TEST_F(SettingsDialog, ClosingWithoutOkKeepsTheSettingsButAPortChosenByKey) {
    machine({1, 2}, {device("/dev/ttyS0"), device("/dev/ttyS1")});
    settings = {1, 5, 2, "23"};
    dialog.load();
    EXPECT_EQ(dialog.baudList.text + "|" + dialog.formatList.text,
              "9600|7 Data, 1 Stop, Parity Even")
        << "the port's own settings string";
    dialog.baudList.selectText("38400");
    dialog.formatList.select(9);
    dialog.portList.text = "com2";
    dialog.portListKeyPressed();
    EXPECT_EQ(dialog.portStatus.caption(), "Com2");
    ASSERT_TRUE(dialog.requestClose());
    EXPECT_EQ(settings.comPort, 2);
    EXPECT_EQ(settings.baudRateCode, 5);
    EXPECT_EQ(settings.formatCode, 2);
    EXPECT_EQ(settings.unitAddress, "23");
}

TEST_F(SettingsDialog, RetestMarksPortsAgainWithoutRebuildingTheList) {
    machine({1, 2}, {device("/dev/ttyS0"), device("/dev/ttyS1")});
    dialog.load();
    port.setExistingPorts({1});
    dialog.portTestChosen();
    EXPECT_TRUE(dialog.ports()[0].usable);
    EXPECT_FALSE(dialog.ports()[1].usable);
    EXPECT_EQ(dialog.portList.items, (Strings{"COM1", "COM2"}));
    EXPECT_TRUE(dialog.log.caption().find("COM2 is not usable") != std::string::npos);
    dialog.clearLogChosen();
    EXPECT_EQ(dialog.log.caption(), "");
}

}  // namespace
}  // namespace qu32::test
