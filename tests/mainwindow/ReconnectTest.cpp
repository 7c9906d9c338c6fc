// The USB adapter between the PC and the unit is pulled and plugged back: the window waits for
// the device without a word to the operator and finds the unit again by itself.

#include <functional>

#include "mainwindow/MainWindowFixture.h"

namespace qu32::test {
namespace {

constexpr char kOffline[] = "QU 3.2 nimbus   (Offline)";
constexpr double kOutageMs = 10000;

class Reconnect : public MainWindowFixture {
  protected:
    // Pulls the adapter the first time the caption contains `text` (empty: at once).
    void pullWhenCaptionShows(const std::string& text) {
        window.controls.window.setObserver([this, text](Control& c, Control::Property p) {
            if (p == Control::Property::Caption && !pulled &&
                c.caption().find(text) != std::string::npos) {
                pulled = true;
                port.pullDevice();
            }
        });
    }
    bool offline() {
        return window.state() == CycleState::Init && window.controls.window.caption() == kOffline;
    }

    bool pulled = false;
};

struct Moment {
    const char* name;
    const char* caption;  // the adapter goes when the caption first shows this
};
void PrintTo(const Moment& m, std::ostream* os) {
    *os << m.name;
}

class PulledAt : public Reconnect, public ::testing::WithParamInterface<Moment> {};

// Wherever the window was, it shows the line offline, looks for the device once a second
// without writing a byte or opening a message box, and once the device is back finds the unit
// with its first probe.
TEST_P(PulledAt, WaitsQuietlyAndFindsTheUnitWithTheFirstProbe) {
    window.load();
    if (std::string(GetParam().caption).empty()) {
        ASSERT_TRUE(runUntil([&] { return connected(); }));
        pulled = true;
        port.pullDevice();
    }
    pullWhenCaptionShows(GetParam().caption);
    ASSERT_TRUE(runUntil([&] { return pulled && offline(); }, 5000))
        << window.controls.window.caption();
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.deviceGone());
    EXPECT_EQ(window.controls.portPanel.caption(), "COM 1") << "the settings stay";

    takeWire();
    const int checksBefore = port.deviceChecks();
    loop.runFor(kOutageMs);
    const int checks = port.deviceChecks() - checksBefore;
    EXPECT_GE(checks, 9);
    EXPECT_LE(checks, 11);
    EXPECT_TRUE(takeWire().empty());
    EXPECT_TRUE(offline());
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().text;

    unit.setRegisterValue("01", "0150");  // changed on the unit's keys meanwhile
    port.plugDevice();
    ASSERT_TRUE(runUntil([&] { return port.isOpen(); }, 1200)) << "within a second and a tick";
    ASSERT_TRUE(runUntil([&] { return connected(); }));
    const Strings wire = takeWire();
    ASSERT_GE(wire.size(), 2u);
    // The first probe is answered; after a pull in the middle of switching back, the unit is
    // still looked for on the 8-bit line first, and found on its own line in the same tick.
    const bool twoLines = std::string(GetParam().name) == "SwitchingBack";
    EXPECT_EQ(wire[0] + " " + wire[1], twoLines ? "11 00? 11 00?" : "11 00? 11 99?");
    EXPECT_EQ(window.serial.comPort, 1);
    EXPECT_EQ(window.controls.formatPanel.caption(), "9600, 7, 1, E");
    EXPECT_EQ(window.unit.description.find("01")->value, "0150") << "read again";
    EXPECT_TRUE(dialogs.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Reconnect, PulledAt,
                         ::testing::Values(Moment{"Polling", ""},
                                           Moment{"Identification", "Initializing Communication"},
                                           Moment{"DescriptionRead", "Read UnitData"},
                                           // Unit and PC on the 8-bit line.
                                           Moment{"EightBitPhase", "read Data InputTexts"},
                                           // The unit is back on its line, the PC not yet.
                                           Moment{"SwitchingBack", "set Com format back"},
                                           Moment{"ParameterRead", "Read Parameter["}),
                         [](const auto& info) { return std::string(info.param.name); });

// The operator's switch still switches off while the device is away: no more looking for it,
// and a device that comes back stays closed until communication is switched on again.
TEST_F(Reconnect, DisableCommunicationDuringTheOutageStopsTheWaiting) {
    window.load();
    ASSERT_TRUE(runUntil([&] { return connected(); }));
    port.pullDevice();
    ASSERT_TRUE(runUntil([&] { return offline(); }, 5000));

    window.commands.disableClicked();
    ASSERT_TRUE(runUntil([&] { return window.state() == CycleState::Disabled; }, 1000));
    EXPECT_EQ(window.controls.window.caption(), "QU 3.2 nimbus");
    EXPECT_EQ(window.controls.disableEntry.caption(), "&Enable Communication");
    EXPECT_FALSE(port.deviceGone());
    port.plugDevice();
    const int checks = port.deviceChecks();
    loop.runFor(kOutageMs);
    EXPECT_EQ(port.deviceChecks(), checks);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(window.state(), CycleState::Disabled);

    window.commands.disableClicked();
    ASSERT_TRUE(runUntil([&] { return window.state() == CycleState::PcInputs; }));
    EXPECT_EQ(window.controls.disableEntry.caption(), "&Disable Communication");
    EXPECT_TRUE(dialogs.shown.empty());
}

// The line goes silent in the middle of the 8-bit phase of the description read: the unit is
// left talking 8 bits, where no probe on the configured line reaches it. Once the line is back,
// the window finds it there, asks it back to its format and starts up as usual.
TEST_F(Reconnect, AUnitLeftInItsEightBitPhaseIsBroughtBack) {
    window.controls.window.setObserver([this](Control& c, Control::Property p) {
        if (p == Control::Property::Caption && !pulled &&
            c.caption().find("read Data InputTexts") != std::string::npos) {
            pulled = true;
            unit.injectFault({sim::FaultKind::NoAnswer, "", -1});
        }
    });
    window.load();
    ASSERT_TRUE(runUntil([&] { return pulled && offline(); }, 60000));
    loop.runFor(3000);
    ASSERT_TRUE(unit.eightBitMode());
    unit.clearFaults();
    ASSERT_TRUE(runUntil([&] { return connected(); }, 15000));
    EXPECT_FALSE(unit.eightBitMode());
    EXPECT_EQ(window.controls.formatPanel.caption(), "9600, 7, 1, E");
    EXPECT_EQ(port.settings(), "9600,e,7,1");
    EXPECT_EQ(window.serial.comPort, 1);
}

}  // namespace
}  // namespace qu32::test
