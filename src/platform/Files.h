#pragma once

#include <cstddef>
#include <functional>
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

}  // namespace qu32
