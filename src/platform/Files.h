#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace qu32 {

// The new content is written under this name beside the target and then renamed over it.
inline constexpr const char* kAtomicTempSuffix = ".tmp";

// Replaces `target` with `bytes` so that it holds either the old or the new content, never a
// part of either: the bytes go to a temporary file beside the target, reach the disk, and only
// then take the target's name. A write-protected target is left alone. On failure `error` says
// why, for the log.
bool writeFileAtomically(const std::string& target, const std::string& bytes, std::string& error);

// Calls `visit` with the name of every regular file of `folder` (hidden ones included), in the
// file system's order, until it returns false. Gives up after kMaxFolderEntries entries: a
// program folder holds a few dozen files.
inline constexpr std::size_t kMaxFolderEntries = 100000;
void forEachFileIn(const std::string& folder, const std::function<bool(const std::string&)>& visit);

// The file `name` in `folder`, matched exactly or else in any case (files come from systems that
// ignore case); empty when there is none. Names that reach into another folder are never found.
std::string findFileInFolder(const std::string& folder, const std::string& name);

bool equalsIgnoringCase(const std::string& a, const std::string& b);

// The files an operator opens and saves: all the file commands use of the file system.
// "Read-only" is the write protection of the file itself (on Linux: its owner may not write it).
class FileAccess {
  public:
    virtual ~FileAccess() = default;
    virtual bool exists(const std::string& path) const = 0;
    virtual bool isReadOnly(const std::string& path) const = 0;
    // Sets or clears the write protection; false when it cannot.
    virtual bool setReadOnly(const std::string& path, bool readOnly) = 0;
    virtual std::optional<std::chrono::system_clock::time_point> modified(
        const std::string& path) const = 0;
    // The whole file, at most `maxBytes` of it; nothing (and `error` says why) when it cannot
    // be read or is larger.
    virtual std::optional<std::string> read(const std::string& path, std::size_t maxBytes,
                                            std::string& error) const = 0;
    // Replaces the file atomically (see writeFileAtomically).
    virtual bool replace(const std::string& path, const std::string& bytes, std::string& error) = 0;
};

// The machine's own files.
class LocalFiles : public FileAccess {
  public:
    bool exists(const std::string& path) const override;
    bool isReadOnly(const std::string& path) const override;
    bool setReadOnly(const std::string& path, bool readOnly) override;
    std::optional<std::chrono::system_clock::time_point> modified(
        const std::string& path) const override;
    std::optional<std::string> read(const std::string& path, std::size_t maxBytes,
                                    std::string& error) const override;
    bool replace(const std::string& path, const std::string& bytes, std::string& error) override;
};

}  // namespace qu32
