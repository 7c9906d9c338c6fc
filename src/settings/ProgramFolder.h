#pragma once

#include <string>

namespace qu32 {

// Command-line option (without its dashes) that points the program at another folder, so a
// second configuration or a test set-up does not need a copy of the program.
inline constexpr const char* kProgramFolderOption = "program-folder";

// The folder that holds the configuration file, the description files and the icon. Set once
// at start: the executable's folder, or the folder given with --program-folder. A relative
// folder is made absolute at once, because start-up makes the program folder current and a
// relative name would then point one level too deep.
void setProgramFolder(const std::string& folder);
std::string programFolder();

// `name` inside the program folder; `name` alone while no folder has been set.
std::string programFile(const std::string& name);

}  // namespace qu32
