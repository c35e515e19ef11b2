#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// True when a regular file (or a link to one) exists at path.
bool FileExists(const std::string& path);

// When path names no file, looks in its directory for the one entry whose
// name equals the file name without regard to case. Paths written for a
// case-blind file system keep working this way.
std::optional<std::string> FindFileIgnoringCase(const std::string& path);

// The whole content of a regular file; nullopt when there is none or it
// cannot be read in full. A read never sees half of an update made by
// UpdateFile.
std::optional<std::string> ReadFileText(const std::string& path);

// Gets a file's current content (empty when there is no file yet) and
// returns its new content, or nullopt when nothing is to be written.
using FileChange = std::function<std::optional<std::string>(std::string_view current)>;

// Read-modify-write of one file, in one step for every other user of this
// function, in this process or another: updates of the same file are
// serialised, so none is lost, and the lock is given up after a bounded
// wait (kFileLockWaitMs) rather than waited for without end.
//  - A file that exists but cannot be read in full is never replaced.
//  - The file keeps its owner, group, permissions and hard links; a new
//    file gets the permissions new files of the user get.
//  - Where the system allows it the content is replaced whole, so a process
//    killed at any moment leaves the old content or the new one and at most
//    one temporary file beside it, which the next update removes.
// Raises Error("Unable to write to <path>") when the update cannot be done;
// the file is then as it was.
void UpdateFile(const std::string& path, const FileChange& change);

constexpr unsigned kFileLockWaitMs = 10000;

} // namespace platform
