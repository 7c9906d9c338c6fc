#pragma once

#include <string_view>

namespace qu32::sim {

// One text register of a model table: its code, its contents after power-up and, where a write
// must be refused outside some bounds, the range a written value must lie in.
struct RegisterRow {
    std::string_view code;
    std::string_view value;
    bool ranged = false;
    long long minValue = 0;
    long long maxValue = 0;
    bool writable = true;
};

}  // namespace qu32::sim
