#include "operations/ChangeParameterOperation.h"

#include "operations/OperationFixture.h"

namespace qu32::test {
namespace {

using ChangeParameter = OperationFixture;

// The success path and an address change by Enter are in ControlOperationTest.
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
    EXPECT_EQ(dialogs.shown[0].text + "|" + dialogs.shown[0].title,
              "Transmission error!|QU 3.2 nimbus");
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(param("01").value, "0150") << "the edited text stays";
    EXPECT_EQ(param("01").unitValue, "0120");

    ChangeParameterOperation alone(window.operationHost(), "01", "0150", indexOf("01"));
    EXPECT_EQ(executeAlone(alone), Result::Aborted);
}

}  // namespace
}  // namespace qu32::test
