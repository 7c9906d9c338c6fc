#include "settings/UnitScan.h"

#include <algorithm>

#include "settings/SettingsDialogFixture.h"

namespace qu32::test {
namespace {

TEST(ScanList, RunsUnitByUnitFastestBaudFirstFormatByFormat) {
    const std::vector<ScanEntry> none = buildScanList({false, false, false});
    EXPECT_EQ(none, (std::vector<ScanEntry>{{"11", "9600,e,7,1"}}));
    const std::vector<ScanEntry> bauds = buildScanList({false, true, false});
    EXPECT_EQ(bauds, (std::vector<ScanEntry>{
                         {"11", "38400,e,7,1"}, {"11", "19200,e,7,1"}, {"11", "9600,e,7,1"}}));
    EXPECT_EQ(buildScanList({true, false, false}).size(), 81u);
    EXPECT_EQ(buildScanList({false, false, true}).back(), (ScanEntry{"11", "9600,n,8,2"}));

    const std::vector<ScanEntry> all = buildScanList({true, true, true});
    ASSERT_EQ(all.size(), 2430u);
    EXPECT_EQ(all[0], (ScanEntry{"11", "38400,e,7,1"}));
    EXPECT_EQ(all[1], (ScanEntry{"11", "38400,e,7,2"}));
    EXPECT_EQ(all[10], (ScanEntry{"11", "19200,e,7,1"}));
    EXPECT_EQ(all[342], (ScanEntry{"23", "19200,o,7,1"}));
    EXPECT_EQ(all.back(), (ScanEntry{"99", "9600,n,8,2"}));
    EXPECT_TRUE(std::none_of(all.begin(), all.end(),
                             [](const ScanEntry& e) { return e.unitAddress.back() == '0'; }));
}

class Scan : public SettingsDialogFixture {
  protected:
    void SetUp() override {
        machine({1}, {device("/dev/ttyS0"), device("/dev/ttyS1")});
        port.setPortNumber(1);
        dialog.load();
    }
    // The scan's requests on the wire, as "address settings".
    Strings probes() {
        Strings out;
        const Bytes& w = port.written();
        for (std::size_t i = 0; i + 5 < w.size(); ++i) {
            if (w[i] == 0x04 && w[i + 5] == 0x05)
                out.push_back(std::string{char(w[i + 1]), char(w[i + 2])});
        }
        return out;
    }
};

// Found on the 343rd of 2430 probes: the three log lines, the lists on the found line, the
// unit number only in the log, the long time-out back and everything enabled again.
TEST_F(Scan, FindsAUnitAt23On19200Odd7Bits) {
    unitAt("23", "19200,o,7,1");
    runScan(true, true, true);
    std::vector<int> timeouts;
    Strings settingsShown;
    dialog.settingsStatus.setObserver([&](Control& c, Control::Property) {
        settingsShown.push_back(c.caption());
        timeouts.push_back(link.answerTimeoutMs());
    });
    ASSERT_TRUE(runUntil([&] { return !dialog.scan().running(); }));
    EXPECT_EQ(dialog.log.caption(),
              "Unit setting: \r\nUnitnumber: 23\r\nSerial settings: 19200,o,7,1");
    EXPECT_EQ(dialog.progressToolTip, "Scan step 343/2430");
    EXPECT_EQ(dialog.progress.value(), 342);
    EXPECT_EQ(dialog.progress.maximum(), 2430);
    EXPECT_FALSE(dialog.progress.visible());
    EXPECT_EQ(dialog.baudList.text, "19200");
    EXPECT_EQ(dialog.formatList.text, "7 Data, 1 Stop, Parity Odd");
    EXPECT_EQ(dialog.unitField.caption(), "11");
    EXPECT_EQ(settings.unitAddress, "11") << "the program's address is put back after each probe";
    EXPECT_EQ(link.answerTimeoutMs(), 1000);
    EXPECT_TRUE(std::all_of(timeouts.begin(), timeouts.end(), [](int t) { return t == 100; }));
    EXPECT_EQ(settingsShown.size(), 343u);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(dialog.okButton.enabled() && dialog.scanUnits.control.enabled() &&
                dialog.startScanButton.enabled() && !dialog.abortScanButton.enabled());
    EXPECT_EQ(settings.baudRateCode, 0) << "nothing stored before Ok";
    dialog.unitField.setCaption("23");
    dialog.okClicked();
    EXPECT_EQ(settings.baudRateCode, 5);
    EXPECT_EQ(settings.formatCode, 2);
}

// Nothing ticked: one probe of unit 11 at 9600,e,7,1, read twice, 20 ms apart after the first
// gave up; exhausted, the lists show the combination tried.
TEST_F(Scan, NothingTickedProbesOnceAndEndsWithoutConnection) {
    unitAt("12", "9600,e,7,1");
    runScan(false, false, false);
    port.clearWritten();
    ASSERT_TRUE(runUntil([&] { return !dialog.scan().running(); }));
    EXPECT_EQ(probes(), (Strings{"11", "11"}));
    EXPECT_EQ(dialog.log.caption(), kNoConnection);
    EXPECT_EQ(dialog.progressToolTip, "Scan step 1/1");
    EXPECT_EQ(dialog.baudList.text + "|" + dialog.formatList.text,
              "9600|7 Data, 1 Stop, Parity Even");
    EXPECT_EQ(link.answerTimeoutMs(), 1000);
}

// A probe counts the second read: a unit that misses the first request is found.
TEST_F(Scan, TheSecondReadOfAProbeFindsAUnitThatMissedTheFirst) {
    unitAt("11", "38400,e,7,1");
    unit.injectFault({sim::FaultKind::NoAnswer, "00", 1});
    runScan(false, true, false);
    ASSERT_TRUE(runUntil([&] { return !dialog.scan().running(); }));
    EXPECT_EQ(dialog.progressToolTip, "Scan step 1/3");
    EXPECT_EQ(dialog.baudList.text, "38400");
}

TEST_F(Scan, AbortEndsAtTheNextTickUnlessTheProbeAnswers) {
    const struct {
        const char* what;
        const char* unitLine;
        std::size_t abortAt;  // position of the probe during which Abort is pressed
        const char* log;
        const char* toolTip;
    } cases[] = {
        {"silent probe", "9600,n,8,2", 4, kScanAborted, "Scan step 5/30"},
        {"answering probe", "19200,e,7,1", 10,
         "Unit setting: \r\nUnitnumber: 11\r\nSerial settings: 19200,e,7,1", "Scan step 11/30"},
        {"last probe", "4800,e,7,1", 29, kNoConnection, "Scan step 30/30"},
    };
    for (const auto& c : cases) {
        unitAt("11", c.unitLine);
        runScan(false, true, true);
        dialog.settingsStatus.setObserver([&](Control&, Control::Property) {
            if (dialog.scan().position() == c.abortAt)
                dialog.abortScanClicked();
        });
        ASSERT_TRUE(runUntil([&] { return !dialog.scan().running(); })) << c.what;
        dialog.settingsStatus.setObserver(nullptr);
        EXPECT_EQ(dialog.log.caption(), c.log) << c.what;
        EXPECT_EQ(dialog.progressToolTip, c.toolTip) << c.what;
        EXPECT_EQ(link.answerTimeoutMs(), 1000) << c.what;
        EXPECT_TRUE(dialog.startScanButton.enabled() && !dialog.abortScanButton.enabled() &&
                    dialog.updateEntry.enabled())
            << c.what;
    }
}

TEST_F(Scan, ClosingDuringAScanIsRefusedWithTheWarning) {
    unitAt("11", "9600,n,8,2");
    runScan(false, true, true);
    loop.runFor(500);
    ASSERT_TRUE(dialog.scan().running());
    EXPECT_FALSE(dialog.okButton.enabled());
    EXPECT_FALSE(dialog.requestClose());
    EXPECT_EQ(dialog.log.caption(),
              "Warning: The scanning process is still running.\r\n"
              "For abort press the >Abort Scanning< button please");
    EXPECT_TRUE(dialog.isLoaded());
    EXPECT_EQ(closedCount, 0);
    dialog.abortScanClicked();
    ASSERT_TRUE(runUntil([&] { return !dialog.scan().running(); }));
    EXPECT_TRUE(dialog.requestClose());
    EXPECT_EQ(closedCount, 1);
}

}  // namespace
}  // namespace qu32::test
