#include <map>

#include "mainwindow/MainWindowFixture.h"

namespace qu32::test {
namespace {

constexpr char kOffline[] = "QU 3.2 nimbus   (Offline)";

using StartUp = MainWindowFixture;

TEST_F(StartUp, ConfiguredSettingsAreUsedAndWrittenBackAtExit) {
    {
        std::ofstream f(folder + "/Qu32_Config.xml", std::ios::binary);
        f << "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<Qu32><Settings Product=\"x\">"
             "<Serial ComPort=\"Com1\" Baud=\"19200\" Setting=\"e,7,1\" UnitId=\"07\"/>"
             "<Company QuVersion=\"Line 7 QU\"/></Settings></Qu32>\r\n";
    }
    window.load();
    EXPECT_EQ(window.controls.unitPanel.caption(), "Unit 07");
    EXPECT_EQ(window.controls.window.caption(), "Line 7 QU   (Offline)");
    window.serial.baudRateCode = 6;
    window.requestClose();
    EXPECT_TRUE(window.isClosed() && closedCount == 1 && !port.isOpen());
    EXPECT_NE(configText().find("Baud=\"38400\""), std::string::npos) << configText();
}

// A unit as the window shows and polls it: the caption, the warning about a unit no group knows,
// and the requests of one polling pass, which repeat in this order.
struct Polled {
    const char* model;
    const char* caption;
    Strings pass;
    bool warned;
};
void PrintTo(const Polled& u, std::ostream* os) {
    *os << u.model;
}

class EachUnit : public MainWindowFixture, public ::testing::WithParamInterface<Polled> {
  protected:
    EachUnit() : MainWindowFixture(GetParam().model) {}
};

// The window probes for the unit with the commands disabled; once the unit is loaded they are
// enabled and its first parameter is selected.
TEST_P(EachUnit, IsShownPolledInOrderAndFollowedThroughUnplugAndReplacement) {
    const Polled& u = GetParam();
    window.load();
    EXPECT_EQ(window.controls.portPanel.caption(), "COM 1");
    EXPECT_EQ(window.controls.window.caption(), kOffline);
    EXPECT_FALSE(window.controls.developEntry.visible());
    EXPECT_TRUE(window.controls.openEntry.enabled());
    EXPECT_FALSE(window.controls.saveAsEntry.enabled() || window.controls.transmitButton.enabled());
    ASSERT_TRUE(runUntil([&] { return connected(); }));
    EXPECT_TRUE(window.controls.transmitButton.enabled() && window.controls.saveAsEntry.enabled());
    const Parameter& first = window.unit.description.parameters[1];
    EXPECT_EQ(window.controls.rowTexts[1].caption() + "=" + window.controls.rowValues[1].caption(),
              first.text + "=" + first.value);
    EXPECT_FALSE(first.value.empty());
    EXPECT_EQ(first.unitValue, first.value) << "as the unit holds it";
    EXPECT_TRUE(window.controls.editCursor.visible()) << "on the first parameter, not the heading";
    EXPECT_EQ(window.controls.window.caption(), std::string("QU 3.2 nimbus  -  ") + u.caption);
    ASSERT_EQ(dialogs.shown.size(), u.warned ? 1u : 0u);
    if (u.warned) {
        EXPECT_EQ(dialogs.shown[0].text + "|" + dialogs.shown[0].title,
                  "The connected device could not be identified. Some functions of nimbus might "
                  "not work properly!|QU 3.2 nimbus");
        EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Stop);
    }

    takeWire();
    loop.runFor(3000);
    const Strings wire = takeWire();
    ASSERT_GE(wire.size(), 2 * u.pass.size());
    const auto start = std::find(wire.begin(), wire.end(), "11 " + u.pass[0] + "?");
    for (auto at = start; at != wire.end(); ++at)
        EXPECT_EQ(*at, "11 " + u.pass[std::size_t(at - start) % u.pass.size()] + "?");

    // An absent unit is probed every tick: 100 ms between ticks plus 100 ms for the probe to time
    // out. No message while it is away.
    unit.unplug();
    ASSERT_TRUE(runUntil([&] { return window.state() == CycleState::Init; }, 2000));
    EXPECT_EQ(window.controls.window.caption(), kOffline);
    takeWire();
    loop.runFor(3000);
    const Strings probes = takeWire();
    EXPECT_TRUE(probes.size() >= 10 && probes.size() <= 16) << probes.size();
    EXPECT_EQ(probes, Strings(probes.size(), "11 00?"));
    EXPECT_EQ(dialogs.shown.size(), u.warned ? 1u : 0u);
    unit.replug();
    ASSERT_TRUE(runUntil([&] { return connected(); }));

    // Another unit on the line is noticed by the identity read of the next pass and initialised
    // in the same tick.
    unit.replaceModel(*sim::findModel("vm628"));
    ASSERT_TRUE(runUntil([&] { return window.unit.identity.unitType == "VM628"; },
                         200.0 * double(u.pass.size())));
    ASSERT_TRUE(runUntil([&] { return connected(); }));
    EXPECT_NE(window.controls.window.caption().find("VM628"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, EachUnit,
    ::testing::Values(
        // All status words in one read.
        Polled{"tq593", "TQ593 Version TQ59312 /DPV10204", {"9g", "99"}, false},
        // Each status register on its own, then the actual value, then the identity.
        Polled{"nt876", "NT594 Version NT87604 ", {"86", "87", "8C", "85", ":1", "99"}, false},
        // A model code that no group knows, and no description file in the program folder.
        Polled{"cng-unit", "TV985 Version QX12301 ", {"86", "87", "8C", "85", ":1", "99"}, true}),
    [](const auto& info) {
        std::string name = info.param.model;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

using SlowParameter = MainWindowFixture;

TEST_F(SlowParameter, AnswerAtTheSixthAttemptIsEnoughAndNeverAbandons) {
    // Attempts shown per parameter index.
    std::map<std::string, std::string> retries;
    window.controls.window.setObserver([&](Control& c, Control::Property p) {
        const std::string& t = c.caption();
        const auto at = t.find("Read Parameter[");
        if (p == Control::Property::Caption && at != std::string::npos)
            retries[t.substr(at + 15, t.find(']') - at - 15)] += t.back();
    });
    unit.injectFault({sim::FaultKind::NoAnswer, "01", 5});
    window.load();
    ASSERT_TRUE(runUntil([&] { return connected(); }));
    const UnitDescription& d = window.unit.description;
    const auto index = std::to_string(d.find("01") - &d.parameters[0]);
    EXPECT_EQ(retries[index], "123456");
    EXPECT_EQ(retries[std::to_string(std::stoi(index) + 1)], "1") << "the next answers at once";

    // A parameter that never answers abandons initialisation, every time.
    window.returnToInit();
    window.descriptionLoaded = false;
    unit.injectFault({sim::FaultKind::NoAnswer, "01", -1});
    loop.runFor(15000);
    EXPECT_EQ(window.state(), CycleState::Init);
    EXPECT_FALSE(window.descriptionLoaded);
    EXPECT_EQ(window.controls.window.caption(), kOffline);
}

}  // namespace
}  // namespace qu32::test
