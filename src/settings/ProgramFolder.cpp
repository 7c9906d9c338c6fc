#include "settings/ProgramFolder.h"

#include <filesystem>
#include <system_error>

namespace qu32 {

namespace {

std::string& folderState() {
    static std::string folder;
    return folder;
}

}  // namespace

void setProgramFolder(const std::string& folder) {
    if (folder.empty()) {
        folderState().clear();
        return;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    // Without a current directory the name is kept as given rather than lost.
    folderState() = error ? folder : absolute.lexically_normal().string();
}

std::string programFolder() {
    return folderState();
}

std::string programFile(const std::string& name) {
    const std::string& folder = folderState();
    if (folder.empty())
        return name;
    return (std::filesystem::path(folder) / name).string();
}

}  // namespace qu32
