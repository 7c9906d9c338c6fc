#include "operations/Scheduler.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/ScriptedDialogs.h"

namespace qu32 {
namespace {

// What happened to the operations of one test, kept outside them because they die in the
// scheduler or the tick.
struct Journal {
    int executed = 0;
    int destroyed = 0;
};

class FakeOperation : public IBaseOperation {
  public:
    FakeOperation(Journal& journal, std::string type, std::function<std::int32_t()> work = {})
        : journal_(journal), type_(std::move(type)), work_(std::move(work)) {}
    ~FakeOperation() override { ++journal_.destroyed; }

    std::string OperationType() const override {
        if (type_ == "throw")
            throw std::runtime_error("no type");
        return type_;
    }
    std::int32_t Execute() override {
        ++journal_.executed;
        return work_ ? work_() : 7;
    }
    std::string Test() const override { return test; }

    std::string test = kBaseOperationType;

  private:
    Journal& journal_;
    std::string type_;
    std::function<std::int32_t()> work_;
};

class SchedulerTest : public ::testing::Test {
  protected:
    std::unique_ptr<FakeOperation> make(std::string type, std::function<std::int32_t()> work = {}) {
        return std::make_unique<FakeOperation>(journal, std::move(type), std::move(work));
    }
    PendingRun tick(bool communicationDisabled = false) {
        return runPendingOperation(scheduler, communicationDisabled, dialogs);
    }

    Journal journal;
    clsScheduler scheduler;
    test::ScriptedDialogs dialogs;
};

TEST_F(SchedulerTest, SingleSlotHandsOverTheSameOperationAndFreesTheSlot) {
    EXPECT_FALSE(scheduler.IsBusy());
    auto operation = make(kControlOperationType);
    IBaseOperation* const offered = operation.get();

    EXPECT_TRUE(scheduler.Add(std::move(operation)));
    EXPECT_TRUE(scheduler.IsBusy());
    EXPECT_EQ(scheduler.OperationType(), kControlOperationType);

    std::unique_ptr<IBaseOperation> taken = scheduler.GetOperation();
    EXPECT_EQ(taken.get(), offered);
    EXPECT_FALSE(scheduler.IsBusy());
    EXPECT_EQ(scheduler.OperationType(), "");
    EXPECT_EQ(journal.destroyed, 0);

    scheduler.Add(make("throw"));  // an operation that cannot name its type
    EXPECT_EQ(scheduler.OperationType(), "");
}

TEST_F(SchedulerTest, SecondAddWhileBusyIsDroppedAndTheFirstStays) {
    Journal second;
    scheduler.Add(make(kControlOperationType, [] { return 1; }));
    EXPECT_TRUE(scheduler.Add(std::make_unique<FakeOperation>(second, kGuiOperationType)));
    EXPECT_EQ(second.destroyed, 1);
    EXPECT_EQ(scheduler.OperationType(), kControlOperationType);

    EXPECT_EQ(tick().outcome, PendingOutcome::Executed);
    EXPECT_EQ(journal.executed, 1);
    EXPECT_EQ(second.executed, 0);
    EXPECT_EQ(tick().outcome, PendingOutcome::Idle);
}

TEST_F(SchedulerTest, TwoClicksBeforeTheTickRunOnlyTheFirst) {
    int built = 0;
    auto click = [&] {
        return offerOperation(scheduler, dialogs, PointerWhileWaiting::Hourglass, [&] {
            ++built;
            return make(kControlOperationType);
        });
    };
    EXPECT_TRUE(click());
    EXPECT_FALSE(click());
    EXPECT_EQ(built, 1);  // the lost click builds nothing
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);

    tick();
    EXPECT_EQ(journal.executed, 1);
    EXPECT_EQ(journal.destroyed, 1);
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
}

TEST_F(SchedulerTest, EmptyOrNamelessSlotYieldsANeutralOperation) {
    struct Case {
        const char* name;
        bool addOperation;
        const char* type;
    };
    const Case cases[] = {
        {"free scheduler", false, ""},
        {"empty type", true, ""},
        {"type query fails", true, "throw"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Journal local;
        clsScheduler slot;
        if (c.addOperation)
            slot.Add(std::make_unique<FakeOperation>(local, c.type));

        std::unique_ptr<IBaseOperation> taken = slot.GetOperation();
        ASSERT_NE(taken, nullptr);
        EXPECT_EQ(taken->OperationType(), kBaseOperationType);
        EXPECT_EQ(taken->Test(), kBaseOperationType);
        EXPECT_EQ(taken->InterfaceTest(), kBaseOperationType);
        EXPECT_EQ(taken->Execute(), kNeutralOperationResult);
        EXPECT_FALSE(slot.IsBusy());
        EXPECT_EQ(local.destroyed, c.addOperation ? 1 : 0);
        EXPECT_EQ(local.executed, 0);
    }
}

TEST_F(SchedulerTest, NeutralOperationInTheSlotIsTakenButNotRun) {
    scheduler.Add(std::make_unique<IBaseOperation>());
    EXPECT_EQ(tick().outcome, PendingOutcome::NotRunnable);
    EXPECT_FALSE(scheduler.IsBusy());

    scheduler.Add(nullptr);  // a handler that lost its object still blocks only one tick
    EXPECT_TRUE(scheduler.IsBusy());
    EXPECT_EQ(tick().outcome, PendingOutcome::NotRunnable);
    EXPECT_FALSE(scheduler.IsBusy());
}

TEST_F(SchedulerTest, DispatchByTypeAndCommunicationState) {
    struct Case {
        const char* type;
        bool disabled;
        PendingOutcome outcome;
    };
    const Case cases[] = {
        {kInputOperationType, false, PendingOutcome::Executed},
        {kChangeParameterOperationType, false, PendingOutcome::Executed},
        {kControlOperationType, false, PendingOutcome::Executed},
        {kGuiOperationType, false, PendingOutcome::Executed},
        {kBaseOperationType, false, PendingOutcome::NotRunnable},
        {"control", false, PendingOutcome::NotRunnable},  // names are exact
        {kInputOperationType, true, PendingOutcome::Disabled},
        {kChangeParameterOperationType, true, PendingOutcome::Disabled},
        {kControlOperationType, true, PendingOutcome::Disabled},
        {kGuiOperationType, true, PendingOutcome::Executed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + (c.disabled ? " disabled" : " enabled"));
        Journal local;
        scheduler.Add(std::make_unique<FakeOperation>(local, c.type));
        dialogs.pointer = MousePointer::Hourglass;

        const PendingRun run = tick(c.disabled);
        EXPECT_EQ(run.outcome, c.outcome);
        EXPECT_EQ(local.executed, c.outcome == PendingOutcome::Executed ? 1 : 0);
        EXPECT_EQ(local.destroyed, 1);
        EXPECT_FALSE(scheduler.IsBusy());
        EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    }
}

TEST_F(SchedulerTest, NonConformingOperationIsDroppedUnrun) {
    auto operation = make(kGuiOperationType);
    operation->test = "Other";
    scheduler.Add(std::move(operation));
    EXPECT_EQ(tick().outcome, PendingOutcome::NotConforming);
    EXPECT_EQ(journal.executed, 0);
    EXPECT_EQ(journal.destroyed, 1);
}

TEST_F(SchedulerTest, FaultInExecuteEndsTheOperationAsAborted) {
    scheduler.Add(make(kControlOperationType,
                       []() -> std::int32_t { throw std::runtime_error("index out of range"); }));
    dialogs.pointer = MousePointer::Hourglass;

    const PendingRun run = tick();
    EXPECT_EQ(run.outcome, PendingOutcome::Executed);
    EXPECT_EQ(run.result, kOperationAborted);
    EXPECT_EQ(journal.destroyed, 1);
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);

    // The next tick works as usual, and passes on what Execute returned.
    scheduler.Add(make(kGuiOperationType, [] { return -3; }));
    EXPECT_EQ(tick().result, -3);
}

TEST_F(SchedulerTest, ClickDuringExecuteIsTakenForTheNextTick) {
    Journal later;
    scheduler.Add(make(kControlOperationType, [&] {
        // The slot is already free while the operation waits on the line.
        EXPECT_FALSE(scheduler.IsBusy());
        scheduler.Add(std::make_unique<FakeOperation>(later, kGuiOperationType));
        return 1;
    }));

    tick();
    EXPECT_TRUE(scheduler.IsBusy());
    EXPECT_EQ(later.executed, 0);
    tick();
    EXPECT_EQ(later.executed, 1);
}

TEST_F(SchedulerTest, CleanDropsThePendingOperation) {
    scheduler.Add(make(kControlOperationType));
    scheduler.Clean();
    EXPECT_FALSE(scheduler.IsBusy());
    EXPECT_EQ(journal.destroyed, 1);
    EXPECT_EQ(tick().outcome, PendingOutcome::Idle);
    EXPECT_EQ(journal.executed, 0);
}

}  // namespace
}  // namespace qu32
