#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace qu32 {

// A repeating timer delivered by the event loop. Enabling it (again) starts a full interval.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void setInterval(int intervalMs) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void setOnTick(std::function<void()> onTick) = 0;
};

// An auto-reset wake-up event: set() wakes one waitFor(); the wait resets it.
class WakeEvent {
  public:
    virtual ~WakeEvent() = default;
    virtual void set() = 0;
    virtual bool isSet() const = 0;
};

class EventLoop {
  public:
    virtual ~EventLoop() = default;

    // Monotonic milliseconds; never wraps in the life of the program.
    virtual std::int64_t nowMs() const = 0;
    // Delivers the events that are due now (timers, port notifications, user input) and returns.
    virtual void pumpPendingEvents() = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    virtual std::unique_ptr<WakeEvent> createWakeEvent() = 0;
    // Blocks in the event loop, delivering events, until `event` is set or maxMs have passed.
    // Returns true (and resets the event) when it was set.
    virtual bool waitFor(WakeEvent& event, int maxMs) = 0;

    // Pauses for `ms` (its magnitude, when negative) while keeping events flowing.
    void wait(int ms);
};

}  // namespace qu32
