#pragma once

#include <optional>

namespace qu32 {

// Calls `attempt(n)` for n = 1 up to `maxAttempts` until it returns a decision, and returns that
// decision; nothing when every attempt passed without one. The policy stays with the caller: its
// attempt decides what ends the retries early and what it counts on the way.
template <typename Attempt>
auto retry(int maxAttempts, Attempt&& attempt) -> decltype(attempt(1)) {
    for (int n = 1; n <= maxAttempts; ++n) {
        if (auto decision = attempt(n))
            return decision;
    }
    return std::nullopt;
}

}  // namespace qu32
