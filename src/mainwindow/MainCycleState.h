#pragma once

namespace qu32 {

// States of the main cycle.
enum MainCycleState : int {
    INIT = 0,
    SERIALINPUTS_IN = 1,
    EXTINPUTS_IN = 2,
    OUTPUTS_IN = 3,
    VALUE_IN = 4,
    VERSION_CHECK = 5,
    CLOSING = 6,
    BUSINPUTS_IN = 7,
    DISABLED = 100,
};

inline constexpr int kMainInterruptMs = 100;
inline constexpr int kProbeTimeoutMs = 100;
inline constexpr int kIdentifyTimeoutMs = 200;
inline constexpr int kDescriptionTimeoutMs = 1000;

}  // namespace qu32
