#pragma once

#include <cstdint>
#include <string>

namespace qu32 {

// The unit's status words as last read.
struct StatusWords {
    std::int16_t SerialInputWord = 0;
    std::int16_t ExternalInputWord = 0;
    std::int16_t StatusWord8C = 0;
    std::string ActualValueText = std::string(12, ' ');
    std::int16_t OutputWord = 0;
};

}  // namespace qu32
