#pragma once

#include <string>

namespace qu32 {

// The parameter file in use.
struct ParameterFileState {
    std::string path;      // empty while no file is open
    bool changed = false;  // the list differs from the file
    // The identity and comment the file carries (or, after a Save As without a file, the
    // connected unit's identity).
    std::string softwareVersion;
    std::string standardVersion;
    std::string comment;
};

}  // namespace qu32
