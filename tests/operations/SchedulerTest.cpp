#include "operations/Scheduler.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>

#include "support/ScriptedDialogs.h"

namespace qu32 {
namespace {

// What happened to the operations, kept outside them because they die in the scheduler or the
// tick.
struct Journal {
    int executed = 0;
    int destroyed = 0;
};

class FakeOperation : public Operation {
  public:
    FakeOperation(Journal& journal, OperationKind kind, bool throws)
        : journal_(journal), kind_(kind), throws_(throws) {}
    ~FakeOperation() override { ++journal_.destroyed; }
    OperationKind kind() const override { return kind_; }
    Result execute() override {
        ++journal_.executed;
        if (throws_)
            throw std::runtime_error("index out of range");
        return Result::UnknownCode;
    }

  private:
    Journal& journal_;
    OperationKind kind_;
    bool throws_;
};

class SchedulerTest : public ::testing::Test {
  protected:
    std::unique_ptr<Operation> make(OperationKind kind, bool throws = false) {
        return std::make_unique<FakeOperation>(journal, kind, throws);
    }

    Journal journal;
    Scheduler scheduler;
    test::ScriptedDialogs dialogs;
};

// Clicks through the main window are covered end to end in CommandsTest; here the slot itself.
TEST_F(SchedulerTest, OneSlotTheFirstOperationStaysAndTakingFreesIt) {
    auto operation = make(OperationKind::Control);
    Operation* const offered = operation.get();
    EXPECT_TRUE(offerOperation(scheduler, dialogs, PointerWhileWaiting::Hourglass,
                               [&] { return std::move(operation); }));
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    EXPECT_FALSE(offerOperation(scheduler, dialogs, PointerWhileWaiting::Hourglass, [&] {
        ADD_FAILURE() << "a lost click builds nothing";
        return make(OperationKind::Gui);
    }));
    scheduler.offer(make(OperationKind::Gui));
    EXPECT_EQ(journal.destroyed, 1) << "the second is dropped";
    EXPECT_EQ(scheduler.pendingKind(), OperationKind::Control);
    EXPECT_EQ(scheduler.takeOperation().get(), offered);
    EXPECT_FALSE(scheduler.isBusy());
    EXPECT_EQ(runPendingOperation(scheduler, false, dialogs).outcome, PendingOutcome::Idle);
    scheduler.offer(make(OperationKind::Control));
    scheduler.clear();
    EXPECT_FALSE(scheduler.isBusy());
    EXPECT_EQ(journal.executed, 0);
}

// While communication is disabled only the program's own commands run; a neutral operation never
// runs. A fault inside an operation ends it as aborted. Each is taken from the slot and destroyed,
// and the pointer comes back.
TEST_F(SchedulerTest, DispatchByKindAndCommunicationState) {
    constexpr auto kRan = PendingOutcome::Executed;
    constexpr auto kHeld = PendingOutcome::Disabled;
    const std::tuple<OperationKind, bool, bool, PendingOutcome, Result> cases[] = {
        {OperationKind::Input, false, false, kRan, Result::UnknownCode},
        {OperationKind::ChangeParameter, false, false, kRan, Result::UnknownCode},
        {OperationKind::Control, false, false, kRan, Result::UnknownCode},
        {OperationKind::Gui, false, false, kRan, Result::UnknownCode},
        {OperationKind::Neutral, false, false, PendingOutcome::NotRunnable, Result::Ok},
        {OperationKind::Input, true, false, kHeld, Result::Ok},
        {OperationKind::ChangeParameter, true, false, kHeld, Result::Ok},
        {OperationKind::Control, true, false, kHeld, Result::Ok},
        {OperationKind::Gui, true, false, kRan, Result::UnknownCode},
        {OperationKind::Control, false, true, kRan, Result::Aborted},
    };
    for (const auto& [kind, disabled, throws, outcome, result] : cases) {
        SCOPED_TRACE(std::to_string(int(kind)) + (disabled ? " disabled" : "") +
                     (throws ? " throws" : ""));
        const Journal before = journal;
        scheduler.offer(make(kind, throws));
        dialogs.pointer = MousePointer::Hourglass;
        const PendingRun run = runPendingOperation(scheduler, disabled, dialogs);
        EXPECT_EQ(run.outcome, outcome);
        EXPECT_EQ(run.result, result);
        EXPECT_EQ(journal.executed - before.executed, outcome == kRan ? 1 : 0);
        EXPECT_EQ(journal.destroyed - before.destroyed, 1);
        EXPECT_FALSE(scheduler.isBusy());
        EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    }
}

}  // namespace
}  // namespace qu32
