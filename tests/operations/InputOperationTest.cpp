#include "operations/InputOperation.h"

#include "operations/OperationFixture.h"

namespace qu32::test {
namespace {

using InputOperations = OperationFixture;

TEST_F(InputOperations, EachClickSendsTheOppositeOfThePolledStateAndShowsTheOutcome) {
    auto& start = watch(window.controls.inputButtons[0]);  // "Start", set with "54"
    auto& stop = watch(window.controls.inputButtons[1]);   // "Stopp", set with "55"
    for (int click = 0; click < 2; ++click) {
        window.commands.inputButtonClicked(0);
        ASSERT_TRUE(runPending());
        loop.runFor(500);
        EXPECT_EQ(window.controls.inputPcPanels[0].backColor(), click == 0 ? kBlue : kWhite);
    }
    unit.injectFault({sim::FaultKind::Nak, "55", -1});
    window.commands.inputButtonClicked(1);
    ASSERT_TRUE(runPending());

    const Strings wire = takeWire();
    EXPECT_EQ(count(wire, "11 54=1"), 1);
    EXPECT_EQ(count(wire, "11 54=0"), 1);
    EXPECT_EQ(count(wire, "11 55=1"), kWriteAttempts);
    EXPECT_EQ(start.texts, (Strings{"OK", "Start", "OK", "Start"}));
    EXPECT_NEAR(start.shownFor(0), kOutcomeShowMs, 1);
    EXPECT_EQ(stop.texts, (Strings{"ERROR", "Stopp"}));
    EXPECT_EQ(dialogs.beeps, 0);
    EXPECT_TRUE(dialogs.shown.empty());

    for (int index : {8, -1, kInputButtons})  // a terminal input only, none at all
        window.commands.inputButtonClicked(index);
    EXPECT_FALSE(window.scheduler.isBusy());
}

}  // namespace
}  // namespace qu32::test
