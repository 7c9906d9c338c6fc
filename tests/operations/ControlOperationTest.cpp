#include "operations/ControlOperation.h"

#include "operations/OperationFixture.h"
#include "serial/ProtocolError.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

constexpr char kConnectedCaption[] = "QU 3.2 nimbus  -  TQ593 Version TQ59312 /DPV10204";
using ControlOperations = OperationFixture;

// Enter, Transmit and Store as the operator uses them, and a refused store.
TEST_F(ControlOperations, EnterTransmitAndStoreSucceedAndAStoreRefusalIsShown) {
    auto& shown = watch(window.form.Transmit);
    auto& stored = watch(window.form.StoreEEProm);
    edit("01", "0140");
    pressEnter();
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 4), (Strings{"11 01=0140", "11 67=1", "11 68=1", "11 01?"}));
    EXPECT_EQ(unit.storedValue("01"), "0140");
    EXPECT_EQ(param("01").UnitValue, "0140");
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);

    edit("01", "0150");
    window.commands.Transmit_Click();
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 3), (Strings{"11 01=0150", "11 67=1", "11 01?"}));
    ASSERT_EQ(texts(shown), (Strings{"OK", "Tra&nsmit"}));
    EXPECT_NEAR(shownFor(shown, 0), kOutcomeShowMs, 1);
    EXPECT_EQ(param("01").UnitValue, "0150");
    EXPECT_EQ(window.form.Label11[std::size_t(window.list.selectedRow())].caption(), "0150");
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);

    ASSERT_FALSE(unit.unstoredValues().empty());
    window.commands.StoreEEProm_Click();
    ASSERT_TRUE(runPending());
    EXPECT_TRUE(unit.unstoredValues().empty());
    unit.injectFault(fault(sim::FaultKind::Nak, "68", 1));
    window.commands.StoreEEProm_Click();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(texts(stored), (Strings{"OK", "&Store EEprom", "ERROR", "&Store EEprom"}));
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ControlOperations, NothingIsOfferedForAHeadingRowOrAnEmptyList) {
    window.list.onRowClicked(0);  // "Maschinendaten"
    window.commands.Transmit_Click();
    EXPECT_FALSE(window.scheduler.IsBusy());
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    window.unit.description.ParamCount = 0;
    window.commands.Transmit_Click();
    window.commands.Read_Pars_Click();
    EXPECT_FALSE(window.scheduler.IsBusy());
}

TEST_F(ControlOperations, TransmitAllWritesEverythingActivatesOnceAndReadsItAllBack) {
    auto& shown = watch(window.form.TransmitAll);
    auto& caption = watch(window.form.window);
    param("03").ParamValue = "0007";
    window.commands.TransmitAll_Click();
    ASSERT_TRUE(runPending());

    Strings writes, reads;
    const UnitDescription& d = window.unit.description;
    for (int i = 0; i < d.ParamCount; ++i) {
        const Parameter& p = d.params[std::size_t(i)];
        if (!p.isHeading()) {
            writes.push_back("11 " + p.ParamCode + "=" + CleanValue(p.UnitValue));
            reads.push_back("11 " + p.ParamCode + "?");
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
              "QU 3.2 nimbus  -  ... Read Parameter[" + std::to_string(d.ParamCount - 1) + "]");
    EXPECT_EQ(progress.back(), kConnectedCaption);
    EXPECT_GE(caption.back().atMs, shown.back().atMs) << "refreshed after the outcome";
}

TEST_F(ControlOperations, TransmitAllWithTwoRefusedValuesEndsWithErrorsAndReadsBackAll) {
    auto& shown = watch(window.form.TransmitAll);
    // A set made for another unit: two values lie outside this unit's ranges.
    param("01").ParamValue = "0000";
    param("04").ParamValue = "0000";
    param("14").ParamValue = "009";
    window.commands.TransmitAll_Click();
    ASSERT_TRUE(runPending());

    const Strings wire = takeWire();
    EXPECT_EQ(count(wire, "11 01=0000"), kWriteAttempts);
    EXPECT_EQ(count(wire, "11 67=1"), 1);
    EXPECT_EQ(unit.registerValue("14"), "009");
    EXPECT_EQ(param("01").ParamValue, "0120") << "shows what the unit kept";
    EXPECT_EQ(param("04").ParamValue, "0001");
    EXPECT_EQ(param("14").ParamValue, "009");
    ASSERT_EQ(texts(shown), (Strings{"ERRORS", "Transmit &All"}));
    EXPECT_NEAR(shownFor(shown, 0), kTransmitAllOutcomeShowMs, 1);
    EXPECT_EQ(dialogs.beeps, 1);
}

TEST_F(ControlOperations, TransmitAllTimingOutStopsThereWithoutActivating) {
    auto& shown = watch(window.form.TransmitAll);
    unit.injectFault(fault(sim::FaultKind::NoAnswer, "08", -1));
    window.commands.TransmitAll_Click();
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
    EXPECT_EQ(window.form.window.caption(), kConnectedCaption);
}

TEST_F(ControlOperations, ReadAllGoesOnAfterFailedReadsAndShowsEachOfThem) {
    auto& shown = watch(window.form.Read_Pars);
    ASSERT_GE(indexOf("74"), kListRows) << "one failure beyond the first page";
    unit.injectFault(fault(sim::FaultKind::NoAnswer, "02", 1));
    unit.injectFault(fault(sim::FaultKind::NoAnswer, "74", 1));
    unit.setRegisterValue("77", "00123456");
    param("00").ParamValue = "9999.9";
    window.commands.Read_Pars_Click();
    ASSERT_TRUE(runPending());

    EXPECT_EQ(texts(shown), (Strings{"ERROR", "&Read", "ERROR", "&Read", "OK", "&Read"}));
    for (const char* failed : {"02", "74"})
        EXPECT_EQ(param(failed).ParamValue, FormatValue("", param(failed).format));
    EXPECT_EQ(param("77").ParamValue, FormatValue("00123456", param("77").format));
    EXPECT_EQ(param("00").ParamValue, "0250.0");
    EXPECT_EQ(window.unit.description.params[0].ParamValue, "") << "heading";
    EXPECT_TRUE(window.ParFileChanged);
    EXPECT_EQ(dialogs.beeps, 2);
}

TEST_F(ControlOperations, ResetTogglesBothWaysAndAFailedWriteKeepsTheState) {
    auto& shown = watch(window.form.Re_Set);
    ASSERT_EQ(window.form.Re_Set.caption(), "R&eset is OFF");
    for (int click = 0; click < 3; ++click) {
        window.commands.Re_Set_Click();
        ASSERT_TRUE(runPending());
        loop.runFor(500);  // polled again
    }
    unit.injectFault(fault(sim::FaultKind::Nak, "58", kWriteAttempts));
    window.commands.Re_Set_Click();
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
    clsControlOperation one(window);
    one.Add("01", "0000", window.form.Transmit, kTransmitOperation, indexOf("01"));
    EXPECT_EQ(executeAlone(one), kOperationAborted);
    EXPECT_EQ(param("01").ParamValue, "0120");
    EXPECT_EQ(unit.registerValue("01"), "0120");

    takeWire();
    window.unit.description.ParamCount = 0;
    clsControlOperation all(window);
    all.Add("", "", window.form.TransmitAll, kTransmitAllOperation);
    EXPECT_EQ(executeAlone(all), kOperationAborted);
    EXPECT_TRUE(takeWire().empty());
}

class AddressChange : public OperationFixture {
  protected:
    AddressChange() : OperationFixture("aa459") {}
};

TEST_F(AddressChange, TransmitMovesThePcToTheNewAddressBeforeReadingBack) {
    auto& shown = watch(window.form.Transmit);
    edit("90", "12");
    window.commands.Transmit_Click();
    ASSERT_TRUE(runPending());

    EXPECT_EQ(first(takeWire(), 3), (Strings{"11 90=12", "11 67=1", "12 90?"}));
    EXPECT_EQ(window.form.unitPanel.caption(), "Unit 12");
    EXPECT_EQ(texts(shown), (Strings{"OK", "Tra&nsmit"}));
    loop.runFor(2000);
    EXPECT_NE(window.state(), INIT) << "polling goes on at the new address";
}

TEST_F(AddressChange, EnterStoresAndReadsBackUnderTheNewAddress) {
    edit("90", "07");
    pressEnter();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(first(takeWire(), 4), (Strings{"11 90=07", "11 67=1", "07 68=1", "07 90?"}));
    EXPECT_EQ(unit.storedAddress(), "07");
    EXPECT_TRUE(dialogs.shown.empty());
    loop.runFor(2000);
    EXPECT_NE(window.state(), INIT);
}

}  // namespace
}  // namespace qu32::test
