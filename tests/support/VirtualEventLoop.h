#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "platform/EventLoop.h"

namespace qu32::test {

// A discrete-event loop on a virtual clock. Waiting jumps the clock to the next due event, so a
// ten-second time-out costs microseconds and every run is the same.
class VirtualEventLoop : public EventLoop {
  public:
    using Key = std::pair<std::int64_t, std::uint64_t>;  // due time in microseconds, order

    std::int64_t nowMs() const override { return nowUs_ / 1000; }
    double nowMsExact() const { return static_cast<double>(nowUs_) / 1000.0; }
    void pumpPendingEvents() override;
    std::unique_ptr<Timer> createTimer() override;
    std::unique_ptr<WakeEvent> createWakeEvent() override;
    bool waitFor(WakeEvent& event, int maxMs) override;

    // Schedules work (a unit's answer, a click) at an absolute virtual time.
    Key postAt(double atMs, std::function<void()> work);
    Key postAfter(double delayMs, std::function<void()> work) {
        return postAt(nowMsExact() + delayMs, std::move(work));
    }
    void cancel(const Key& key) { queue_.erase(key); }
    // Lets virtual time pass while delivering events, as an idle window would.
    void runFor(double ms);

  private:
    bool runNextDueBy(std::int64_t limitUs);

    std::int64_t nowUs_ = 0;
    std::uint64_t sequence_ = 0;
    std::map<Key, std::function<void()>> queue_;
};

}  // namespace qu32::test
