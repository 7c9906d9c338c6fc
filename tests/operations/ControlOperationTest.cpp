#include "operations/ControlOperation.h"

#include "operations/OperationFixture.h"
#include "serial/ProtocolError.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

constexpr char kConnectedCaption[] = "QU 3.2 nimbus  -  TQ593 Version TQ59312 /DPV10204";
using ControlOperations = OperationFixture;

TEST_F(ControlOperations, TransmitWritesActivatesReadsBackAndShowsOkForHalfASecond) {
    auto& shown = watch(window.form.Transmit);
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

    Strings expected;
    const UnitDescription& d = window.unit.description;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < d.ParamCount; ++i) {
            const Parameter& p = d.params[std::size_t(i)];
            if (!p.isHeading())
                expected.push_back("11 " + p.ParamCode +
                                   (pass ? "?" : "=" + CleanValue(p.UnitValue)));
        }
        if (pass == 0)
            expected.push_back("11 67=1");
    }
    EXPECT_EQ(first(takeWire(), expected.size()), expected);
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

TEST_F(ControlOperations, StoreKeepsTheWorkingValuesAndReportsARefusal) {
    auto& shown = watch(window.form.StoreEEProm);
    edit("01", "0150");
    window.commands.Transmit_Click();
    ASSERT_TRUE(runPending());
    ASSERT_FALSE(unit.unstoredValues().empty());
    window.commands.StoreEEProm_Click();
    ASSERT_TRUE(runPending());
    EXPECT_TRUE(unit.unstoredValues().empty());

    unit.injectFault(fault(sim::FaultKind::Nak, "68", 1));
    window.commands.StoreEEProm_Click();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(texts(shown), (Strings{"OK", "&Store EEprom", "ERROR", "&Store EEprom"}));
    EXPECT_EQ(dialogs.beeps, 1);
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

// Results of the procedures, run on their own with the main cycle held.
TEST_F(ControlOperations, ResultCodes) {
    struct Case {
        const char* operation;
        std::string code, value;
        std::optional<sim::Fault> fault;
        std::int32_t result;
    };
    const Case cases[] = {
        {kStoreEEPromOperation, "68", "1", std::nullopt, 1},
        {kStoreEEPromOperation, "68", "1", fault(sim::FaultKind::Nak, "68", 1), kErrNotAck},
        {kResetOperation, "58", "", fault(sim::FaultKind::NoAnswer, "58", 5), kErrTimeoutHeader},
        {kReadAllParametersOperation, "", "", fault(sim::FaultKind::NoAnswer, "77", 1),
         kErrTimeoutHeader},
        {kTransmitOperation, "01", "0000", std::nullopt, kOperationAborted},
        {"Blink", "", "", std::nullopt, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        if (c.fault)
            unit.injectFault(*c.fault);
        clsControlOperation operation(window);
        operation.Add(c.code, c.value, window.form.Transmit, c.operation, indexOf("01"));
        EXPECT_EQ(executeAlone(operation), c.result);
        unit.clearFaults();
    }
    EXPECT_EQ(param("01").ParamValue, "0120") << "a failed transmission keeps the value";

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

}  // namespace
}  // namespace qu32::test
