#pragma once

namespace qu32 {

// States of the main cycle: probing for the unit, then one polling step per tick.
enum class CycleState {
    Init = 0,
    PcInputs = 1,
    ExternalInputs = 2,
    Outputs = 3,
    ActualValue = 4,
    VersionCheck = 5,
    Closing = 6,
    BusInputs = 7,
    Disabled = 100,
};

inline constexpr int kMainTickMs = 100;
// Answer time-outs: short while probing for a unit, longer once one answers.
inline constexpr int kProbeTimeoutMs = 100;
inline constexpr int kIdentifyTimeoutMs = 200;
inline constexpr int kDescriptionTimeoutMs = 1000;

}  // namespace qu32
