#include "operations/Scheduler.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>

#include "support/ScriptedDialogs.h"

namespace qu32 {
namespace {

// What happened to an operation, kept outside it because it dies in the scheduler or the tick.
struct Journal {
    int executed = 0;
    int destroyed = 0;
};

class FakeOperation : public Operation {
  public:
    FakeOperation(Journal& journal, OperationKind kind, std::function<Result()> work = {})
        : journal_(journal), kind_(kind), work_(std::move(work)) {}
    ~FakeOperation() override { ++journal_.destroyed; }
    OperationKind kind() const override { return kind_; }
    Result execute() override {
        ++journal_.executed;
        return work_ ? work_() : Result::Ok;
    }

  private:
    Journal& journal_;
    OperationKind kind_;
    std::function<Result()> work_;
};

class SchedulerTest : public ::testing::Test {
  protected:
    std::unique_ptr<FakeOperation> make(OperationKind kind, std::function<Result()> work = {},
                                        Journal* to = nullptr) {
        return std::make_unique<FakeOperation>(to ? *to : journal, kind, work);
    }
    PendingRun tick(bool communicationDisabled = false) {
        return runPendingOperation(scheduler, communicationDisabled, dialogs);
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
    EXPECT_TRUE(scheduler.isBusy());
    EXPECT_FALSE(offerOperation(scheduler, dialogs, PointerWhileWaiting::Hourglass, [&] {
        ADD_FAILURE() << "a lost click builds nothing";
        return make(OperationKind::Gui);
    }));
    Journal second;
    scheduler.offer(make(OperationKind::Gui, {}, &second));
    EXPECT_EQ(second.destroyed, 1);
    EXPECT_EQ(scheduler.pendingKind(), OperationKind::Control);

    EXPECT_EQ(scheduler.takeOperation().get(), offered);
    EXPECT_FALSE(scheduler.isBusy());
    EXPECT_EQ(tick().outcome, PendingOutcome::Idle);

    scheduler.offer(make(OperationKind::Control));
    scheduler.clear();
    EXPECT_FALSE(scheduler.isBusy());
    EXPECT_EQ(journal.destroyed, 2);
    EXPECT_EQ(journal.executed, 0);
}

// While communication is disabled, only the program's own commands run; a neutral operation
// never runs.
TEST_F(SchedulerTest, DispatchByKindAndCommunicationState) {
    const std::tuple<OperationKind, bool, PendingOutcome> cases[] = {
        {OperationKind::Input, false, PendingOutcome::Executed},
        {OperationKind::ChangeParameter, false, PendingOutcome::Executed},
        {OperationKind::Control, false, PendingOutcome::Executed},
        {OperationKind::Gui, false, PendingOutcome::Executed},
        {OperationKind::Neutral, false, PendingOutcome::NotRunnable},
        {OperationKind::Input, true, PendingOutcome::Disabled},
        {OperationKind::ChangeParameter, true, PendingOutcome::Disabled},
        {OperationKind::Control, true, PendingOutcome::Disabled},
        {OperationKind::Gui, true, PendingOutcome::Executed}};
    for (const auto& [kind, disabled, outcome] : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + (disabled ? " disabled" : ""));
        Journal local;
        scheduler.offer(make(kind, {}, &local));
        dialogs.pointer = MousePointer::Hourglass;
        EXPECT_EQ(tick(disabled).outcome, outcome);
        EXPECT_EQ(local.executed, outcome == PendingOutcome::Executed ? 1 : 0);
        EXPECT_EQ(local.destroyed, 1);
        EXPECT_FALSE(scheduler.isBusy());
        EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    }
}

TEST_F(SchedulerTest, FaultInExecuteEndsTheOperationAsAbortedAndTheNextTickWorks) {
    scheduler.offer(make(OperationKind::Control,
                         []() -> Result { throw std::runtime_error("index out of range"); }));
    dialogs.pointer = MousePointer::Hourglass;
    const PendingRun run = tick();
    EXPECT_EQ(run.outcome, PendingOutcome::Executed);
    EXPECT_EQ(run.result, Result::Aborted);
    EXPECT_EQ(journal.destroyed, 1);
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    scheduler.offer(make(OperationKind::Gui, [] { return Result::UnknownCode; }));
    EXPECT_EQ(tick().result, Result::UnknownCode);  // passes on what execute returned
}

}  // namespace
}  // namespace qu32
