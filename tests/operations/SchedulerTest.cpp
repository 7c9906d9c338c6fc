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
    std::unique_ptr<FakeOperation> make(std::string type, std::function<std::int32_t()> work = {},
                                        Journal* to = nullptr) {
        return std::make_unique<FakeOperation>(to ? *to : journal, std::move(type), work);
    }
    PendingRun tick(bool communicationDisabled = false) {
        return runPendingOperation(scheduler, communicationDisabled, dialogs);
    }

    Journal journal;
    clsScheduler scheduler;
    test::ScriptedDialogs dialogs;
};

// Clicks through the main window are covered end to end in CommandsTest; here the slot itself.
TEST_F(SchedulerTest, OneSlotTheFirstOperationStaysAndTakingFreesIt) {
    auto operation = make(kControlOperationType);
    IBaseOperation* const offered = operation.get();
    EXPECT_TRUE(offerOperation(scheduler, dialogs, PointerWhileWaiting::Hourglass,
                               [&] { return std::move(operation); }));
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
    EXPECT_TRUE(scheduler.IsBusy());
    EXPECT_FALSE(offerOperation(scheduler, dialogs, PointerWhileWaiting::Hourglass, [&] {
        ADD_FAILURE() << "a lost click builds nothing";
        return make(kGuiOperationType);
    }));
    Journal second;
    EXPECT_TRUE(scheduler.Add(make(kGuiOperationType, {}, &second)));
    EXPECT_EQ(second.destroyed, 1);
    EXPECT_EQ(scheduler.OperationType(), kControlOperationType);

    EXPECT_EQ(scheduler.GetOperation().get(), offered);
    EXPECT_FALSE(scheduler.IsBusy());
    EXPECT_EQ(scheduler.OperationType(), "");
    EXPECT_EQ(tick().outcome, PendingOutcome::Idle);

    scheduler.Add(make(kControlOperationType));
    scheduler.Clean();
    EXPECT_FALSE(scheduler.IsBusy());
    EXPECT_EQ(journal.destroyed, 2);
    EXPECT_EQ(journal.executed, 0);
}

TEST_F(SchedulerTest, NamelessOrNeutralOperationsAreTakenButNotRun) {
    scheduler.Add(make(""));
    EXPECT_EQ(tick().outcome, PendingOutcome::NotRunnable);
    scheduler.Add(make("throw"));  // an operation that cannot name its type
    EXPECT_EQ(scheduler.OperationType(), "");
    EXPECT_EQ(tick().outcome, PendingOutcome::NotRunnable);
    scheduler.Add(std::make_unique<IBaseOperation>());
    EXPECT_EQ(tick().outcome, PendingOutcome::NotRunnable);
    scheduler.Add(nullptr);  // a handler that lost its object still blocks only one tick
    EXPECT_TRUE(scheduler.IsBusy());
    EXPECT_EQ(tick().outcome, PendingOutcome::NotRunnable);
    EXPECT_FALSE(scheduler.IsBusy());
    EXPECT_EQ(journal.executed, 0);
    EXPECT_EQ(journal.destroyed, 2);

    // An empty slot hands out the neutral operation.
    const std::unique_ptr<IBaseOperation> neutral = scheduler.GetOperation();
    ASSERT_NE(neutral, nullptr);
    EXPECT_EQ(neutral->OperationType(), kBaseOperationType);
    EXPECT_EQ(neutral->Test(), kBaseOperationType);
    EXPECT_EQ(neutral->Execute(), kNeutralOperationResult);
}

// While communication is disabled, only the program's own commands run.
TEST_F(SchedulerTest, DispatchByTypeConformanceAndCommunicationState) {
    const std::string base = kBaseOperationType;
    const std::tuple<const char*, std::string, bool, PendingOutcome> cases[] = {
        {kInputOperationType, base, false, PendingOutcome::Executed},
        {kChangeParameterOperationType, base, false, PendingOutcome::Executed},
        {kControlOperationType, base, false, PendingOutcome::Executed},
        {kGuiOperationType, base, false, PendingOutcome::Executed},
        {kBaseOperationType, base, false, PendingOutcome::NotRunnable},
        {"control", base, false, PendingOutcome::NotRunnable},  // names are exact
        {kGuiOperationType, "Other", false, PendingOutcome::NotConforming},
        {kInputOperationType, base, true, PendingOutcome::Disabled},
        {kChangeParameterOperationType, base, true, PendingOutcome::Disabled},
        {kControlOperationType, base, true, PendingOutcome::Disabled},
        {kGuiOperationType, base, true, PendingOutcome::Executed}};
    for (const auto& [type, test, disabled, outcome] : cases) {
        SCOPED_TRACE(std::string(type) + " " + test + (disabled ? " disabled" : " enabled"));
        Journal local;
        auto operation = make(type, {}, &local);
        operation->test = test;
        scheduler.Add(std::move(operation));
        dialogs.pointer = MousePointer::Hourglass;
        EXPECT_EQ(tick(disabled).outcome, outcome);
        EXPECT_EQ(local.executed, outcome == PendingOutcome::Executed ? 1 : 0);
        EXPECT_EQ(local.destroyed, 1);
        EXPECT_FALSE(scheduler.IsBusy());
        EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    }
}

TEST_F(SchedulerTest, FaultInExecuteEndsTheOperationAsAbortedAndTheNextTickWorks) {
    scheduler.Add(make(kControlOperationType,
                       []() -> std::int32_t { throw std::runtime_error("index out of range"); }));
    dialogs.pointer = MousePointer::Hourglass;
    const PendingRun run = tick();
    EXPECT_EQ(run.outcome, PendingOutcome::Executed);
    EXPECT_EQ(run.result, kOperationAborted);
    EXPECT_EQ(journal.destroyed, 1);
    EXPECT_EQ(dialogs.pointer, MousePointer::Default);
    scheduler.Add(make(kGuiOperationType, [] { return -3; }));
    EXPECT_EQ(tick().result, -3);  // passes on what Execute returned
}

}  // namespace
}  // namespace qu32
