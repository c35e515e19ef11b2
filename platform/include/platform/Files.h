#pragma once
#include <optional>
#include <string>

namespace platform {

// True when a regular file (or a link to one) exists at path.
bool FileExists(const std::string& path);

// When path names no file, looks in its directory for the one entry whose
// name equals the file name without regard to case. Paths written for a
// case-blind file system keep working this way.
std::optional<std::string> FindFileIgnoringCase(const std::string& path);

} // namespace platform
