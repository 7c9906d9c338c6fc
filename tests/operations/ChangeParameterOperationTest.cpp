#include "operations/ChangeParameterOperation.h"

#include "operations/OperationFixture.h"

namespace qu32::test {
namespace {

using ChangeParameter = OperationFixture;

TEST_F(ChangeParameter, EnterWritesActivatesStoresAndReadsBack) {
    edit("01", "0150");
    pressEnter();
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    ASSERT_TRUE(runPending());

    EXPECT_EQ(first(takeWire(), 4), (Strings{"11 01=0150", "11 67=1", "11 68=1", "11 01?"}));
    EXPECT_EQ(unit.storedValue("01"), "0150");
    EXPECT_EQ(param("01").UnitValue, "0150");
    EXPECT_EQ(window.form.Label11[std::size_t(window.list.selectedRow())].caption(), "0150");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
}

TEST_F(ChangeParameter, UnpluggedUnitGetsFiveAttemptsThenBeepAndMessage) {
    edit("01", "0150");
    unit.unplug();
    pressEnter();
    ASSERT_TRUE(runPending());

    const Strings wire = takeWire();
    EXPECT_EQ(count(wire, "11 01=0150"), kWriteAttempts);
    EXPECT_EQ(count(wire, "11 67=1") + count(wire, "11 68=1"), 0);
    EXPECT_EQ(dialogs.beeps, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Transmission error!");
    EXPECT_EQ(dialogs.shown[0].title, "QU 3.2 nimbus");
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(param("01").ParamValue, "0150") << "the edited text stays";
    EXPECT_EQ(param("01").UnitValue, "0120");

    clsChangeParameterOperation alone(window);
    alone.Add("01", "0150", indexOf("01"));
    EXPECT_EQ(executeAlone(alone), kOperationAborted);
}

class AddressChangeByEnter : public OperationFixture {
  protected:
    AddressChangeByEnter() : OperationFixture("aa459") {}
};

TEST_F(AddressChangeByEnter, StoreAndReadBackReachTheUnitUnderItsNewAddress) {
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
