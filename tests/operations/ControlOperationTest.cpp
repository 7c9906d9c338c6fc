#include "operations/ControlOperation.h"

#include "operations/OperationFixture.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

constexpr char kConnectedCaption[] = "QU 3.2 nimbus  -  TQ593 Version TQ59312 /DPV10204";
using ControlOperations = OperationFixture;
using ChangeParameter = OperationFixture;

// Enter sends the edited value: written, activated, stored and read back; when the unit does not
// take it, a beep and a message, and the edited text stays.
TEST_F(ChangeParameter, EnterSendsStoresAndReadsBackOrReportsTheFailure) {
    edit("01", "0140");
    pressEnter();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 4), (Strings{"11 01=0140", "11 67=1", "11 68=1", "11 01?"}));
    EXPECT_EQ(param("01").unitValue, "0140");

    edit("01", "0150");
    unit.unplug();
    pressEnter();
    ASSERT_TRUE(runPending());
    const Strings wire = takeWire();
    EXPECT_EQ(count(wire, "11 01=0150"), kWriteAttempts);
    EXPECT_EQ(count(wire, "11 67=1") + count(wire, "11 68=1"), 0);
    EXPECT_EQ(dialogs.beeps, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text + "|" + dialogs.shown[0].title,
              "Transmission error!|QU 3.2 nimbus");
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(param("01").value + "|" + param("01").unitValue, "0150|0140");
}

// Transmit sends the selected value without storing it; a refused value is offered five times,
// stays as typed and is reported with a beep and "ERROR". Store shows its outcome on its button,
// with a beep when refused.
TEST_F(ControlOperations, TransmitAndStoreShowTheirOutcomeOnTheirButtons) {
    auto& shown = watch(window.controls.transmitButton);
    auto& stored = watch(window.controls.storeButton);
    edit("01", "0150");
    window.commands.transmitClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 3), (Strings{"11 01=0150", "11 67=1", "11 01?"}));
    EXPECT_EQ(param("01").unitValue, "0150");

    unit.injectFault({sim::FaultKind::Nak, "01", kWriteAttempts});
    edit("01", "0160");
    window.commands.transmitClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(writtenCodes(takeWire()), Strings(kWriteAttempts, "01"));
    ASSERT_EQ(shown.texts, (Strings{"OK", "Tra&nsmit", "ERROR", "Tra&nsmit"}));
    EXPECT_NEAR(shown.shownFor(0), kOutcomeShowMs, 1);
    EXPECT_NEAR(shown.shownFor(2), kOutcomeShowMs, 1);
    EXPECT_EQ(param("01").value, "0160");
    EXPECT_EQ(param("01").unitValue, "0150");
    EXPECT_EQ(dialogs.beeps, 1);

    window.commands.storeClicked();
    ASSERT_TRUE(runPending());
    EXPECT_TRUE(unit.unstoredValues().empty());
    unit.injectFault({sim::FaultKind::Nak, "68", 1});
    window.commands.storeClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(stored.texts, (Strings{"OK", "&Store EEprom", "ERROR", "&Store EEprom"}));
    EXPECT_EQ(dialogs.beeps, 2);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ControlOperations, NothingIsSentForAHeadingRowOrAnEmptyList) {
    window.list.onRowClicked(0);  // "Maschinendaten"
    window.commands.transmitClicked();
    EXPECT_FALSE(window.scheduler.isBusy());
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    window.unit.description.parameterCount = 0;
    window.commands.transmitClicked();
    window.commands.readAllClicked();
    EXPECT_FALSE(window.scheduler.isBusy());
    auto& all = watch(window.controls.transmitAllButton);
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());
    EXPECT_TRUE(all.texts.empty());
    EXPECT_TRUE(writtenCodes(takeWire()).empty());
}

// Transmit All writes every value, activates once and reads everything back. The button shows OK,
// ERRORS when the unit refused values, or TIMEOUT when it stopped answering, which ends the run.
TEST_F(ControlOperations, TransmitAllShowsOkErrorsOrTimeout) {
    auto& caption = watch(window.controls.window);
    auto& shown = watch(window.controls.transmitAllButton);
    param("03").value = "0007";
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());
    Strings expected, reads;
    const UnitDescription& d = window.unit.description;
    for (int i = 0; i < d.parameterCount; ++i) {
        const Parameter& p = d.parameters[std::size_t(i)];
        if (!p.isHeading()) {
            expected.push_back("11 " + p.code + "=" + cleanValue(p.unitValue));
            reads.push_back("11 " + p.code + "?");
        }
    }
    expected.push_back("11 67=1");
    expected.insert(expected.end(), reads.begin(), reads.end());
    EXPECT_EQ(first(takeWire(), expected.size()), expected);
    const Strings progress = caption.texts;
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress.front(), "QU 3.2 nimbus  -  ... Transmit Parameter[0]");
    EXPECT_EQ(count(progress, "QU 3.2 nimbus  -  ... Activate Data"), 1);
    EXPECT_EQ(progress[progress.size() - 2],
              "QU 3.2 nimbus  -  ... Read Parameter[" + std::to_string(d.parameterCount - 1) + "]");
    EXPECT_EQ(progress.back(), kConnectedCaption);
    EXPECT_GE(caption.atMs.back(), shown.atMs.back()) << "refreshed after the outcome";
    EXPECT_EQ(dialogs.beeps, 0);

    // A set made for another unit: two values lie outside this unit's ranges.
    param("01").value = "0000";
    param("04").value = "0000";
    param("14").value = "009";
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());
    const Strings wire = takeWire();
    EXPECT_EQ(count(wire, "11 01=0000"), kWriteAttempts);
    EXPECT_EQ(count(wire, "11 14=009") + count(wire, "11 67=1"), 2) << "goes on after a refusal";
    EXPECT_EQ(param("01").value + "|" + param("04").value + "|" + param("14").value,
              "0120|0001|009")
        << "shows what the unit kept";
    EXPECT_EQ(dialogs.beeps, 1);

    unit.injectFault({sim::FaultKind::NoAnswer, "08", -1});
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());
    const Strings writes = writtenCodes(takeWire());
    ASSERT_GE(writes.size(), std::size_t(kWriteAttempts));
    EXPECT_EQ(Strings(writes.end() - kWriteAttempts, writes.end()), Strings(kWriteAttempts, "08"))
        << "nothing written after the silent parameter, no activate";
    EXPECT_EQ(dialogs.beeps, 2);
    EXPECT_EQ(window.controls.window.caption(), kConnectedCaption);

    EXPECT_EQ(shown.texts, (Strings{"OK", "Transmit &All", "ERRORS", "Transmit &All", "TIMEOUT",
                                    "Transmit &All"}));
    EXPECT_NEAR(shown.shownFor(0), kTransmitAllOutcomeShowMs, 1);
    EXPECT_NEAR(shown.shownFor(2), kTransmitAllOutcomeShowMs, 1);
    EXPECT_NEAR(shown.shownFor(4), kOutcomeShowMs, 1);
}

TEST_F(ControlOperations, ReadAllGoesOnAfterFailedReadsAndShowsEachOfThem) {
    auto& shown = watch(window.controls.readAllButton);
    ASSERT_GE(indexOf("74"), kListRows) << "one failure beyond the first page";
    unit.injectFault({sim::FaultKind::NoAnswer, "02", 1});
    unit.injectFault({sim::FaultKind::NoAnswer, "74", 1});
    const std::string before02 = param("02").value;
    const std::string before74 = param("74").value;
    unit.setRegisterValue("77", "00123456");
    param("00").value = "9999.9";
    window.commands.readAllClicked();
    ASSERT_TRUE(runPending());

    EXPECT_EQ(shown.texts, (Strings{"ERROR", "&Read", "ERROR", "&Read", "OK", "&Read"}));
    // A value that could not be read keeps what was shown, never zeros the next Transmit All
    // would send.
    EXPECT_EQ(param("02").value, before02);
    EXPECT_EQ(param("74").value, before74);
    EXPECT_NE(before74, formatValue("", param("74").format));
    EXPECT_EQ(param("77").value, formatValue("00123456", param("77").format));
    EXPECT_EQ(param("00").value, "0250.0");
    EXPECT_TRUE(window.file.changed);
    EXPECT_EQ(dialogs.beeps, 2);
}

TEST_F(ControlOperations, ResetTogglesBothWaysAndAFailedWriteKeepsTheState) {
    auto& shown = watch(window.controls.resetButton);
    ASSERT_EQ(window.controls.resetButton.caption(), "R&eset is OFF");
    for (int click = 0; click < 3; ++click) {
        window.commands.resetClicked();
        ASSERT_TRUE(runPending());
        loop.runFor(500);  // polled again
    }
    unit.injectFault({sim::FaultKind::Nak, "58", kWriteAttempts});
    window.commands.resetClicked();
    ASSERT_TRUE(runPending());

    EXPECT_NE(unit.status().serialInputs & 0x0200, 0) << "still on";
    EXPECT_EQ(shown.texts, (Strings{"OK", "R&eset is ON", "OK", "R&eset is OFF", "OK",
                                    "R&eset is ON", "ERROR", "R&eset is ON"}));
    const Strings wire = takeWire();
    EXPECT_EQ(count(wire, "11 58=1"), 2);
    EXPECT_EQ(count(wire, "11 58=0"), 1 + kWriteAttempts);
    EXPECT_EQ(dialogs.beeps, 1);
}

class AddressChange : public OperationFixture {
  protected:
    AddressChange() : OperationFixture("aa459") {}
};

// The unit answers at its new address once the value is activated; Transmit reads back there,
// Enter stores and reads back there, and Transmit All moves the PC along too. So does a new
// baud-rate code.
TEST_F(AddressChange, ThePcFollowsTheUnitToItsNewAddressAndBaudRate) {
    auto& shown = watch(window.controls.transmitButton);
    edit("90", "12");
    window.commands.transmitClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 3), (Strings{"11 90=12", "11 67=1", "12 90?"}));
    EXPECT_EQ(window.controls.unitPanel.caption(), "Unit 12");
    EXPECT_EQ(shown.texts, (Strings{"OK", "Tra&nsmit"}));

    edit("90", "07");
    pressEnter();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 4), (Strings{"12 90=07", "12 67=1", "07 68=1", "07 90?"}));
    EXPECT_EQ(unit.storedAddress(), "07");

    param("90").value = "05";
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(window.controls.unitPanel.caption(), "Unit 05");

    edit("91", "5");  // 19200 baud
    pressEnter();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(port.settings(), "19200,e,7,1");
    EXPECT_TRUE(dialogs.shown.empty());
    loop.runFor(2000);
    EXPECT_NE(window.state(), CycleState::Init) << "polling goes on at the new address";
}

}  // namespace
}  // namespace qu32::test
