#pragma once

#include <string>

namespace qu32 {

// The parameter file in use.
struct ParameterFileState {
    std::string path;      // empty while no file is open
    bool changed = false;  // the list differs from the file
};

}  // namespace qu32
