#include "support/VirtualEventLoop.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace qu32::test {

namespace {

// A timer or a chain of zero-delay events that keeps re-posting itself would never let a pump
// return; this bound turns such a fault into a test failure instead of a hang.
constexpr int kMaxEventsPerPump = 1000000;

class VirtualTimer : public Timer {
  public:
    explicit VirtualTimer(VirtualEventLoop& loop) : loop_(loop) {}
    ~VirtualTimer() override { unschedule(); }

    void setInterval(int intervalMs) override {
        intervalMs_ = std::max(1, intervalMs);
        if (enabled_)
            schedule();
    }
    int interval() const override { return intervalMs_; }
    void setEnabled(bool enabled) override {
        enabled_ = enabled;
        // Switching on a timer that already runs starts its interval again, as the real one
        // does; code that relies on it (a restarted time-out) must behave the same here.
        if (enabled_) {
            schedule();
        } else {
            unschedule();
        }
    }
    bool enabled() const override { return enabled_; }
    void setOnTick(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

  private:
    void schedule() {
        unschedule();
        scheduled_ = true;
        key_ = loop_.postAfter(intervalMs_, [this] {
            scheduled_ = false;
            schedule();
            if (onTick_)
                onTick_();
        });
    }
    void unschedule() {
        if (scheduled_)
            loop_.cancel(key_);
        scheduled_ = false;
    }

    VirtualEventLoop& loop_;
    int intervalMs_ = 1000;
    bool enabled_ = false;
    bool scheduled_ = false;
    VirtualEventLoop::Key key_{};
    std::function<void()> onTick_;
};

class VirtualWakeEvent : public WakeEvent {
  public:
    void set() override { set_ = true; }
    bool isSet() const override { return set_; }
    bool take() {
        const bool was = set_;
        set_ = false;
        return was;
    }

  private:
    bool set_ = false;
};

}  // namespace

VirtualEventLoop::Key VirtualEventLoop::postAt(double atMs, std::function<void()> work) {
    const auto atUs = std::max(nowUs_, static_cast<std::int64_t>(std::llround(atMs * 1000.0)));
    const Key key{atUs, sequence_++};
    queue_.emplace(key, std::move(work));
    return key;
}

bool VirtualEventLoop::runNextDueBy(std::int64_t limitUs) {
    if (queue_.empty() || queue_.begin()->first.first > limitUs)
        return false;
    auto node = queue_.extract(queue_.begin());
    nowUs_ = std::max(nowUs_, node.key().first);
    node.mapped()();
    return true;
}

void VirtualEventLoop::pumpPendingEvents() {
    for (int i = 0; i < kMaxEventsPerPump; ++i) {
        if (!runNextDueBy(nowUs_))
            return;
    }
    throw std::runtime_error("event loop: events keep re-posting themselves");
}

std::unique_ptr<Timer> VirtualEventLoop::createTimer() {
    return std::make_unique<VirtualTimer>(*this);
}

std::unique_ptr<WakeEvent> VirtualEventLoop::createWakeEvent() {
    return std::make_unique<VirtualWakeEvent>();
}

bool VirtualEventLoop::waitFor(WakeEvent& event, int maxMs) {
    auto& wake = static_cast<VirtualWakeEvent&>(event);
    const std::int64_t deadline = nowUs_ + std::int64_t{std::max(0, maxMs)} * 1000;
    for (int i = 0; i < kMaxEventsPerPump; ++i) {
        if (wake.take())
            return true;
        if (!runNextDueBy(deadline)) {
            nowUs_ = std::max(nowUs_, deadline);
            return wake.take();
        }
    }
    throw std::runtime_error("event loop: events keep re-posting themselves");
}

void VirtualEventLoop::runFor(double ms) {
    const std::int64_t end = nowUs_ + static_cast<std::int64_t>(std::llround(ms * 1000.0));
    for (int i = 0; i < kMaxEventsPerPump; ++i) {
        if (!runNextDueBy(end)) {
            nowUs_ = std::max(nowUs_, end);
            return;
        }
    }
    throw std::runtime_error("event loop: events keep re-posting themselves");
}

}  // namespace qu32::test
