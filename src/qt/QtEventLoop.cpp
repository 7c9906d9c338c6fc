#include "qt/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

namespace qu32 {

namespace {

// Waits nested deeper than this are a runaway recursion, not a design.
constexpr std::size_t kMaxNestedWaits = 64;
// Two passes, so that events posted by the first pass get through as well.
constexpr int kPumpPasses = 2;

class QtTimer : public Timer {
  public:
    QtTimer() {
        // Answer time-outs of 100 ms must not fire early, which coarse timers may do.
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(false);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }

    void setInterval(int intervalMs) override {
        intervalMs_ = std::max(0, intervalMs);
        if (enabled_)
            restart();
    }
    int interval() const override { return intervalMs_; }

    void setEnabled(bool enabled) override {
        enabled_ = enabled;
        if (enabled_) {
            restart();
        } else {
            timer_.stop();
        }
    }
    bool enabled() const override { return enabled_; }

    void setOnTick(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

  private:
    void restart() {
        // An interval of 0 means the timer never ticks; a QTimer would instead fire on every
        // idle pass of the loop.
        if (intervalMs_ > 0) {
            timer_.start(intervalMs_);
        } else {
            timer_.stop();
        }
    }

    void tick() {
        // A copy, because the handler may replace itself or switch the timer off.
        std::function<void()> handler = onTick_;
        if (!handler)
            return;
        // An exception must not unwind through Qt's event loop; the window logic catches its own.
        try {
            handler();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "timer handler failed: %s\n", e.what());
        }
    }

    QTimer timer_;
    int intervalMs_ = 0;
    bool enabled_ = false;
    std::function<void()> onTick_;
};

class QtWakeEvent : public WakeEvent {
  public:
    void set() override {
        signalled_ = true;
        // Auto-reset: wake only the innermost wait on this event; it consumes the signal.
        if (!waiters_.empty())
            waiters_.back()->quit();
    }
    bool isSet() const override { return signalled_; }

    bool consume() {
        const bool was = signalled_;
        signalled_ = false;
        return was;
    }
    void addWaiter(QEventLoop* loop) { waiters_.push_back(loop); }
    void removeWaiter(QEventLoop* loop) {
        waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), loop), waiters_.end());
    }

  private:
    bool signalled_ = false;
    std::vector<QEventLoop*> waiters_;
};

thread_local std::size_t waitDepth = 0;

}  // namespace

QtEventLoop::QtEventLoop() {
    clock_.start();
}

std::int64_t QtEventLoop::nowMs() const {
    return clock_.elapsed();
}

void QtEventLoop::pumpPendingEvents() {
    for (int pass = 0; pass < kPumpPasses; ++pass) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

std::unique_ptr<Timer> QtEventLoop::createTimer() {
    return std::make_unique<QtTimer>();
}

std::unique_ptr<WakeEvent> QtEventLoop::createWakeEvent() {
    return std::make_unique<QtWakeEvent>();
}

bool QtEventLoop::waitFor(WakeEvent& event, int maxMs) {
    auto* wake = dynamic_cast<QtWakeEvent*>(&event);
    if (wake == nullptr) {
        // Only our own events can stop a QEventLoop; anything else is a wiring mistake.
        throw std::logic_error("QtEventLoop::waitFor needs an event made by createWakeEvent()");
    }
    // A signal given while nobody waited is kept and ends this wait at once.
    if (wake->consume())
        return true;
    if (maxMs <= 0 || waitDepth >= kMaxNestedWaits) {
        pumpPendingEvents();
        return wake->consume();
    }

    QEventLoop loop;
    QTimer deadline;
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(maxMs);

    wake->addWaiter(&loop);
    ++waitDepth;
    loop.exec(QEventLoop::AllEvents);
    --waitDepth;
    wake->removeWaiter(&loop);
    return wake->consume();
}

}  // namespace qu32
