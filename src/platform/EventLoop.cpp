#include "platform/EventLoop.h"

#include <cstdlib>

namespace qu32 {

void EventLoop::wait(int ms) {
    if (ms < 0)
        ms = -ms;
    // The event is never set, so each waitFor() sleeps until the remaining time is over while
    // still delivering events; measured on the monotonic clock, so nothing can wrap.
    auto never = createWakeEvent();
    const std::int64_t start = nowMs();
    for (std::int64_t elapsed = 0; elapsed < ms; elapsed = nowMs() - start) {
        waitFor(*never, static_cast<int>(ms - elapsed));
    }
}

}  // namespace qu32
