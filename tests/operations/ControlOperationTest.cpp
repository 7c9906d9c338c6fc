#include "operations/ControlOperation.h"

#include "operations/OperationFixture.h"
#include "serial/Result.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

constexpr char kConnectedCaption[] = "QU 3.2 nimbus  -  TQ593 Version TQ59312 /DPV10204";
using ControlOperations = OperationFixture;

// Enter, Transmit and Store as the operator uses them, and a refused store.
TEST_F(ControlOperations, EnterTransmitAndStoreSucceedAndAStoreRefusalIsShown) {
    auto& shown = watch(window.controls.transmitButton);
    auto& stored = watch(window.controls.storeButton);
    edit("01", "0140");
    pressEnter();
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 4), (Strings{"11 01=0140", "11 67=1", "11 68=1", "11 01?"}));
    EXPECT_EQ(unit.storedValue("01"), "0140");
    EXPECT_EQ(param("01").unitValue, "0140");
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);

    edit("01", "0150");
    window.commands.transmitClicked();
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 3), (Strings{"11 01=0150", "11 67=1", "11 01?"}));
    ASSERT_EQ(texts(shown), (Strings{"OK", "Tra&nsmit"}));
    EXPECT_NEAR(shownFor(shown, 0), kOutcomeShowMs, 1);
    EXPECT_EQ(param("01").unitValue, "0150");
    EXPECT_EQ(window.controls.rowValues[std::size_t(window.list.selectedRow())].caption(), "0150");
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);

    ASSERT_FALSE(unit.unstoredValues().empty());
    window.commands.storeClicked();
    ASSERT_TRUE(runPending());
    EXPECT_TRUE(unit.unstoredValues().empty());
    unit.injectFault(fault(sim::FaultKind::Nak, "68", 1));
    window.commands.storeClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(texts(stored), (Strings{"OK", "&Store EEprom", "ERROR", "&Store EEprom"}));
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ControlOperations, NothingIsOfferedForAHeadingRowOrAnEmptyList) {
    window.list.onRowClicked(0);  // "Maschinendaten"
    window.commands.transmitClicked();
    EXPECT_FALSE(window.scheduler.isBusy());
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    window.unit.description.parameterCount = 0;
    window.commands.transmitClicked();
    window.commands.readAllClicked();
    EXPECT_FALSE(window.scheduler.isBusy());
}

TEST_F(ControlOperations, TransmitAllWritesEverythingActivatesOnceAndReadsItAllBack) {
    auto& shown = watch(window.controls.transmitAllButton);
    auto& caption = watch(window.controls.window);
    param("03").value = "0007";
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());

    Strings writes, reads;
    const UnitDescription& d = window.unit.description;
    for (int i = 0; i < d.parameterCount; ++i) {
        const Parameter& p = d.parameters[std::size_t(i)];
        if (!p.isHeading()) {
            writes.push_back("11 " + p.code + "=" + cleanValue(p.unitValue));
            reads.push_back("11 " + p.code + "?");
        }
    }
    writes.push_back("11 67=1");
    writes.insert(writes.end(), reads.begin(), reads.end());
    EXPECT_EQ(first(takeWire(), writes.size()), writes);
    EXPECT_EQ(unit.registerValue("03"), "0007");
    ASSERT_EQ(texts(shown), (Strings{"OK", "Transmit &All"}));
    EXPECT_NEAR(shownFor(shown, 0), kTransmitAllOutcomeShowMs, 1);

    const Strings progress = texts(caption);
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress.front(), "QU 3.2 nimbus  -  ... Transmit Parameter[0]");
    EXPECT_EQ(count(progress, "QU 3.2 nimbus  -  ... Activate Data"), 1);
    EXPECT_EQ(progress[progress.size() - 2],
              "QU 3.2 nimbus  -  ... Read Parameter[" + std::to_string(d.parameterCount - 1) + "]");
    EXPECT_EQ(progress.back(), kConnectedCaption);
    EXPECT_GE(caption.back().atMs, shown.back().atMs) << "refreshed after the outcome";
}

TEST_F(ControlOperations, TransmitAllWithTwoRefusedValuesEndsWithErrorsAndReadsBackAll) {
    auto& shown = watch(window.controls.transmitAllButton);
    // A set made for another unit: two values lie outside this unit's ranges.
    param("01").value = "0000";
    param("04").value = "0000";
    param("14").value = "009";
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());

    const Strings wire = takeWire();
    EXPECT_EQ(count(wire, "11 01=0000"), kWriteAttempts);
    EXPECT_EQ(count(wire, "11 67=1"), 1);
    EXPECT_EQ(unit.registerValue("14"), "009");
    EXPECT_EQ(param("01").value, "0120") << "shows what the unit kept";
    EXPECT_EQ(param("04").value, "0001");
    EXPECT_EQ(param("14").value, "009");
    ASSERT_EQ(texts(shown), (Strings{"ERRORS", "Transmit &All"}));
    EXPECT_NEAR(shownFor(shown, 0), kTransmitAllOutcomeShowMs, 1);
    EXPECT_EQ(dialogs.beeps, 1);
}

TEST_F(ControlOperations, TransmitAllTimingOutStopsThereWithoutActivating) {
    auto& shown = watch(window.controls.transmitAllButton);
    unit.injectFault(fault(sim::FaultKind::NoAnswer, "08", -1));
    window.commands.transmitAllClicked();
    ASSERT_TRUE(runPending());

    Strings writes;
    for (const auto& r : takeWire()) {
        if (r.back() != '?')
            writes.push_back(r.substr(3, 2));
    }
    ASSERT_GE(writes.size(), std::size_t(kWriteAttempts));
    EXPECT_EQ(Strings(writes.end() - kWriteAttempts, writes.end()), Strings(kWriteAttempts, "08"))
        << "nothing written after the silent parameter, no activate";
    ASSERT_EQ(texts(shown), (Strings{"TIMEOUT", "Transmit &All"}));
    EXPECT_NEAR(shownFor(shown, 0), kOutcomeShowMs, 1);
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(window.controls.window.caption(), kConnectedCaption);
}

TEST_F(ControlOperations, ReadAllGoesOnAfterFailedReadsAndShowsEachOfThem) {
    auto& shown = watch(window.controls.readAllButton);
    ASSERT_GE(indexOf("74"), kListRows) << "one failure beyond the first page";
    unit.injectFault(fault(sim::FaultKind::NoAnswer, "02", 1));
    unit.injectFault(fault(sim::FaultKind::NoAnswer, "74", 1));
    unit.setRegisterValue("77", "00123456");
    param("00").value = "9999.9";
    window.commands.readAllClicked();
    ASSERT_TRUE(runPending());

    EXPECT_EQ(texts(shown), (Strings{"ERROR", "&Read", "ERROR", "&Read", "OK", "&Read"}));
    for (const char* failed : {"02", "74"})
        EXPECT_EQ(param(failed).value, formatValue("", param(failed).format));
    EXPECT_EQ(param("77").value, formatValue("00123456", param("77").format));
    EXPECT_EQ(param("00").value, "0250.0");
    EXPECT_EQ(window.unit.description.parameters[0].value, "") << "heading";
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
    unit.injectFault(fault(sim::FaultKind::Nak, "58", kWriteAttempts));
    window.commands.resetClicked();
    ASSERT_TRUE(runPending());

    EXPECT_NE(unit.status().serialInputs & 0x0200, 0) << "still on";
    EXPECT_EQ(texts(shown), (Strings{"OK", "R&eset is ON", "OK", "R&eset is OFF", "OK",
                                     "R&eset is ON", "ERROR", "R&eset is ON"}));
    const Strings wire = takeWire();
    EXPECT_EQ(count(wire, "11 58=1"), 2);
    EXPECT_EQ(count(wire, "11 58=0"), 1 + kWriteAttempts);
    EXPECT_EQ(dialogs.beeps, 1);
}

// Run on their own with the main cycle held: a refused value and an empty list end the
// procedure at once and change nothing.
TEST_F(ControlOperations, RefusedTransmissionAndEmptyListAbortWithoutChanges) {
    ControlOperation one(window.operationHost(), ControlCommand::Transmit,
                         window.controls.transmitButton, "01", "0000", indexOf("01"));
    EXPECT_EQ(executeAlone(one), Result::Aborted);
    EXPECT_EQ(param("01").value, "0120");
    EXPECT_EQ(unit.registerValue("01"), "0120");

    takeWire();
    window.unit.description.parameterCount = 0;
    ControlOperation all(window.operationHost(), ControlCommand::TransmitAll,
                         window.controls.transmitAllButton);
    EXPECT_EQ(executeAlone(all), Result::Aborted);
    EXPECT_TRUE(takeWire().empty());
}

class AddressChange : public OperationFixture {
  protected:
    AddressChange() : OperationFixture("aa459") {}
};

TEST_F(AddressChange, TransmitMovesThePcToTheNewAddressBeforeReadingBack) {
    auto& shown = watch(window.controls.transmitButton);
    edit("90", "12");
    window.commands.transmitClicked();
    ASSERT_TRUE(runPending());

    EXPECT_EQ(first(takeWire(), 3), (Strings{"11 90=12", "11 67=1", "12 90?"}));
    EXPECT_EQ(window.controls.unitPanel.caption(), "Unit 12");
    EXPECT_EQ(texts(shown), (Strings{"OK", "Tra&nsmit"}));
    loop.runFor(2000);
    EXPECT_NE(window.state(), CycleState::Init) << "polling goes on at the new address";
}

TEST_F(AddressChange, EnterStoresAndReadsBackUnderTheNewAddress) {
    edit("90", "07");
    pressEnter();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 4), (Strings{"11 90=07", "11 67=1", "07 68=1", "07 90?"}));
    EXPECT_EQ(unit.storedAddress(), "07");
    EXPECT_TRUE(dialogs.shown.empty());
    loop.runFor(2000);
    EXPECT_NE(window.state(), CycleState::Init);
}

}  // namespace
}  // namespace qu32::test
