#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qu32 {

namespace {

namespace fs = std::filesystem;

std::string errnoText() {
    return std::error_code(errno, std::generic_category()).message();
}

}  // namespace

// A full disk or a crash while writing must never leave half a file behind.
bool writeFileAtomically(const std::string& target, const std::string& bytes, std::string& error) {
    std::error_code ec;
    fs::path finalPath(target);
    // Replace the file a symbolic link names rather than the link itself.
    if (fs::is_symlink(finalPath, ec)) {
        const fs::path resolved = fs::canonical(finalPath, ec);
        if (!ec)
            finalPath = resolved;
    }
    fs::path folder = finalPath.parent_path();
    if (folder.empty())
        folder = ".";
    if (!fs::is_directory(folder, ec)) {
        error = "the folder " + folder.string() + " does not exist";
        return false;
    }
    const fs::file_status oldStatus = fs::status(finalPath, ec);
    const bool replacing = fs::exists(oldStatus);
    if (replacing && !fs::is_regular_file(oldStatus)) {
        error = finalPath.string() + " is not a regular file";
        return false;
    }
    constexpr fs::perms kAnyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    // A write-protected file is the operator's way of keeping the settings as they are.
    if (replacing && (oldStatus.permissions() & kAnyWrite) == fs::perms::none) {
        error = finalPath.string() + " is write-protected";
        return false;
    }

    const std::string tempPath = finalPath.string() + kAtomicTempSuffix;
    std::FILE* file = std::fopen(tempPath.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + tempPath + ": " + errnoText();
        return false;
    }
    bool ok =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
#ifndef _WIN32
    ok = ok && ::fsync(::fileno(file)) == 0;
#endif
    if (!ok)
        error = "cannot write " + tempPath + ": " + errnoText();
    if (std::fclose(file) != 0 && ok) {
        error = "cannot write " + tempPath + ": " + errnoText();
        ok = false;
    }
    if (ok && replacing)
        fs::permissions(tempPath, oldStatus.permissions(), ec);
    if (ok) {
        fs::rename(tempPath, finalPath, ec);
        if (ec) {
            error = "cannot replace " + finalPath.string() + ": " + ec.message();
            ok = false;
        }
    }
    if (!ok) {
        fs::remove(tempPath, ec);
        return false;
    }
#ifndef _WIN32
    // The rename itself must reach the disk too, or a power cut may bring back the old file.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
#endif
    return true;
}

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

void forEachFileIn(const std::string& folder,
                   const std::function<bool(const std::string&)>& visit) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    std::size_t seen = 0;
    for (; !ec && it != fs::directory_iterator() && seen < kMaxFolderEntries; it.increment(ec)) {
        ++seen;
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        if (!visit(it->path().filename().string()))
            return;
    }
}

std::string findFileInFolder(const std::string& folder, const std::string& name) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string::npos)
        return {};
    std::error_code ec;
    const fs::path exact = fs::path(folder) / name;
    if (fs::is_regular_file(exact, ec))
        return exact.string();
    std::string found;
    forEachFileIn(folder, [&](const std::string& file) {
        if (!equalsIgnoringCase(file, name))
            return true;
        found = (fs::path(folder) / file).string();
        return false;
    });
    return found;
}

bool LocalFiles::exists(const std::string& path) const {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool LocalFiles::isReadOnly(const std::string& path) const {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return !ec && fs::exists(status) &&
           (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

bool LocalFiles::setReadOnly(const std::string& path, bool readOnly) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add, ec);
    return !ec;
}

std::optional<std::chrono::system_clock::time_point> LocalFiles::modified(
    const std::string& path) const {
    std::error_code ec;
    const fs::file_time_type time = fs::last_write_time(path, ec);
    if (ec)
        return std::nullopt;
    return std::chrono::file_clock::to_sys(time);
}

std::optional<std::string> LocalFiles::read(const std::string& path, std::size_t maxBytes,
                                            std::string& error) const {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        error = path + " is not a file";
        return std::nullopt;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + path + ": " + errnoText();
        return std::nullopt;
    }
    std::string bytes;
    char block[4096];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
        if (bytes.size() + n > maxBytes) {
            std::fclose(file);
            error = path + " is larger than " + std::to_string(maxBytes) + " bytes";
            return std::nullopt;
        }
        bytes.append(block, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = "cannot read " + path + ": " + errnoText();
        return std::nullopt;
    }
    return bytes;
}

bool LocalFiles::replace(const std::string& path, const std::string& bytes, std::string& error) {
    return writeFileAtomically(path, bytes, error);
}

}  // namespace qu32
