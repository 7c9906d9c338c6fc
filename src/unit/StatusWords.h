#pragma once

#include <cstdint>
#include <string>

namespace qu32 {

// The unit's status words as last read.
struct StatusWords {
    std::int16_t pcInputs = 0;        // inputs set from the PC
    std::int16_t externalInputs = 0;  // terminal inputs
    std::int16_t busInputs = 0;
    std::string actualValueText = std::string(12, ' ');
    std::int16_t outputs = 0;
};

// Whether any bit of `mask` is set in a status word.
constexpr bool isBitSet(std::int16_t word, int mask) {
    return (static_cast<std::uint16_t>(word) & static_cast<unsigned>(mask)) != 0;
}

}  // namespace qu32
