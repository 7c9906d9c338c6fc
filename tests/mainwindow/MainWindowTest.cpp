#include <algorithm>
#include <map>

#include "mainwindow/MainWindowFixture.h"

namespace qu32::test {
namespace {

using StartUp = MainWindowFixture;

TEST_F(StartUp, FirstStartWritesTheDefaultFileAndProbesTheUnit) {
    window.load();
    EXPECT_FALSE(configText().empty()) << "the default configuration is written";
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(window.controls.portPanel.caption(), "COM 1");
    EXPECT_EQ(window.controls.window.caption(), "QU 3.2 nimbus   (Offline)");
    EXPECT_FALSE(window.controls.developEntry.visible());
    EXPECT_TRUE(window.controls.openEntry.enabled());
    EXPECT_FALSE(window.controls.saveAsEntry.enabled() || window.controls.transmitButton.enabled());
    EXPECT_TRUE(window.mainTimer().enabled());
    EXPECT_TRUE(dialogs.shown.empty());

    ASSERT_TRUE(runUntil([&] { return connected(); }));
    EXPECT_EQ(window.state(), CycleState::PcInputs);
    EXPECT_EQ(window.controls.window.caption(),
              "QU 3.2 nimbus  -  TQ593 Version TQ59312 /DPV10204");
    EXPECT_TRUE(window.controls.transmitButton.enabled() && window.controls.saveAsEntry.enabled());
    const Parameter& first = window.unit.description.parameters[1];
    EXPECT_FALSE(first.value.empty());
    EXPECT_EQ(window.controls.rowTexts[1].caption() + "=" + window.controls.rowValues[1].caption(),
              first.text + "=" + first.value);
    EXPECT_TRUE(window.controls.editCursor.visible());
}

TEST_F(StartUp, ConfiguredSettingsAreUsedAndWrittenBackAtExit) {
    {
        std::ofstream f(folder + "/Qu32_Config.xml", std::ios::binary);
        f << "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<Qu32><Settings Product=\"x\">"
             "<Serial ComPort=\"Com1\" Baud=\"19200\" Setting=\"e,7,1\" UnitId=\"07\"/>"
             "<Company QuVersion=\"Line 7 QU\"/><Extra keep=\"yes\"/></Settings></Qu32>\r\n";
    }
    window.load();
    EXPECT_EQ(window.serial.baudRateCode, 5);
    EXPECT_EQ(window.controls.unitPanel.caption(), "Unit 07");
    EXPECT_EQ(window.controls.window.caption(), "Line 7 QU   (Offline)");
    window.serial.baudRateCode = 6;
    window.requestClose();
    EXPECT_TRUE(window.isClosed());
    EXPECT_EQ(closedCount, 1);
    EXPECT_FALSE(port.isOpen());
    const std::string text = configText();
    EXPECT_NE(text.find("Baud=\"38400\""), std::string::npos) << text;
    EXPECT_NE(text.find("<Extra keep=\"yes\""), std::string::npos) << text;
}

class Connection : public MainWindowFixture {
  protected:
    explicit Connection(const std::string& model = "tq593") : MainWindowFixture(model) {}
    void SetUp() override {
        window.load();
        ASSERT_TRUE(runUntil([&] { return connected(); }));
        takeRequests();
    }
};

TEST_F(Connection, AbsentUnitIsProbedEveryTickWithoutMessages) {
    unit.unplug();
    ASSERT_TRUE(runUntil([&] { return window.state() == CycleState::Init; }, 2000));
    EXPECT_EQ(window.controls.window.caption(), "QU 3.2 nimbus   (Offline)");
    takeRequests();
    loop.runFor(3000);
    const auto codes = takeRequests();
    ASSERT_GE(codes.size(), 10u);
    EXPECT_EQ(codes, std::vector<std::string>(codes.size(), "00"));
    // 100 ms between ticks plus a 100 ms answer time-out for each probe.
    EXPECT_LE(codes.size(), 16u);
    EXPECT_TRUE(dialogs.shown.empty());
    for (const auto& p : window.controls.inputPcPanels)
        EXPECT_EQ(p.backColor(), kWhite);

    unit.replug();
    ASSERT_TRUE(runUntil([&] { return connected(); }));
}

TEST_F(Connection, MultiReadUnitPollsTwoRequestsPerPass) {
    loop.runFor(2000);
    const auto codes = takeRequests();
    ASSERT_GE(codes.size(), 8u);
    for (std::size_t i = 0; i < codes.size(); ++i)
        EXPECT_EQ(codes[i], i % 2 == 0 ? "9g" : "99") << i;
}

TEST_F(Connection, ReplacedUnitIsInitialisedAgainWithinOnePass) {
    unit.replaceModel(*sim::findModel("vm628"));
    // One pass is two ticks; the tick that notices the change initialises the new unit at once.
    ASSERT_TRUE(runUntil([&] { return window.unit.identity.unitType == "VM628"; }, 400));
    ASSERT_TRUE(runUntil([&] { return connected(); }));
    EXPECT_NE(window.controls.window.caption().find("VM628"), std::string::npos);
}

TEST_F(Connection, InputPanelsFollowTheUnit) {
    sim::UnitStatus s = unit.status();
    s.serialInputs = 0x8000;  // input 0 in groups 1, 2, 9 and 12
    unit.setStatus(s);
    loop.runFor(500);
    EXPECT_EQ(window.controls.inputPcPanels[0].backColor(), kBlue);
    EXPECT_EQ(window.controls.inputPcPanels[1].backColor(), kWhite);
}

class SingleReadConnection : public Connection {
  protected:
    SingleReadConnection() : Connection("nt876") {}
};

TEST_F(SingleReadConnection, PollsEachStatusRegisterThenValueThenIdentity) {
    loop.runFor(3000);
    const auto codes = takeRequests();
    ASSERT_GE(codes.size(), 12u);
    const std::vector<std::string> pass = {"86", "87", "8C", "85", ":1", "99"};
    // From the start of a pass on, the order repeats.
    const std::size_t start = std::find(codes.begin(), codes.end(), "86") - codes.begin();
    for (std::size_t i = start; i < codes.size(); ++i)
        EXPECT_EQ(codes[i], pass[(i - start) % pass.size()]) << i;
    EXPECT_EQ(window.unit.identity.unitType, "NT594");
    EXPECT_NE(window.controls.window.caption().find("NT594 Version NT87604 "), std::string::npos);
}

// A model code that no group knows, and no description file in the program folder to name it.
class UnknownModel : public Connection {
  protected:
    UnknownModel() : Connection("cng-unit") {}
};

TEST_F(UnknownModel, IsWarnedAboutOnceWithTheEndOfTheTitle) {
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              "The connected device could not be identified. Some functions of nimbus might not "
              "work properly!");
    EXPECT_EQ(dialogs.shown[0].title, "QU 3.2 nimbus");
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Stop);
    EXPECT_EQ(window.unit.group.activateCode, "64");
}

class SlowParameter : public MainWindowFixture {};

TEST_F(SlowParameter, AnswerAtTheSixthAttemptIsEnoughAndNeverAbandons) {
    // Attempts shown per parameter index.
    std::map<std::string, std::string> retries;
    window.controls.window.setObserver([&](Control& c, Control::Property p) {
        const std::string& t = c.caption();
        const auto at = t.find("Read Parameter[");
        if (p == Control::Property::Caption && at != std::string::npos)
            retries[t.substr(at + 15, t.find(']') - at - 15)] += t.back();
    });
    sim::Fault f;
    f.code = "01";
    f.count = 5;
    unit.injectFault(f);
    window.load();
    ASSERT_TRUE(runUntil([&] { return connected(); }));
    const Parameter* p01 = window.unit.description.find("01");
    ASSERT_NE(p01, nullptr);
    const auto index = std::to_string(p01 - &window.unit.description.parameters[0]);
    EXPECT_EQ(retries[index], "123456");
    EXPECT_EQ(retries[std::to_string(std::stoi(index) + 1)], "1") << "the next answers at once";

    // A parameter that never answers abandons initialisation, every time.
    window.returnToInit();
    window.descriptionLoaded = false;
    f.count = -1;
    unit.injectFault(f);
    loop.runFor(15000);
    EXPECT_EQ(window.state(), CycleState::Init);
    EXPECT_FALSE(window.descriptionLoaded);
    EXPECT_EQ(window.controls.window.caption(), "QU 3.2 nimbus   (Offline)");
}

}  // namespace
}  // namespace qu32::test
