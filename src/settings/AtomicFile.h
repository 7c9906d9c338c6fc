#pragma once

#include <string>

namespace qu32 {

// The new content is written under this name beside the target and then renamed over it.
inline constexpr const char* kAtomicTempSuffix = ".tmp";

// Replaces `target` with `bytes` so that it holds either the old or the new content, never a
// part of either: the bytes go to a temporary file beside the target, reach the disk, and only
// then take the target's name. A write-protected target is left alone. On failure `error` says
// why, for the log.
bool writeFileAtomically(const std::string& target, const std::string& bytes, std::string& error);

}  // namespace qu32
