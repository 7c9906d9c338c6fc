#pragma once

#include <QElapsedTimer>

#include "platform/EventLoop.h"

namespace qu32 {

// The event loop of the running program: Qt timers, a local QEventLoop for every wait and a
// monotonic clock. Needs a QCoreApplication (or QApplication) on the calling thread.
class QtEventLoop : public EventLoop {
  public:
    QtEventLoop();

    std::int64_t nowMs() const override;
    void pumpPendingEvents() override;
    std::unique_ptr<Timer> createTimer() override;
    std::unique_ptr<WakeEvent> createWakeEvent() override;
    // `event` must come from createWakeEvent() of a QtEventLoop.
    bool waitFor(WakeEvent& event, int maxMs) override;

  private:
    QElapsedTimer clock_;
};

}  // namespace qu32
