#pragma once
#include "platform/Error.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// True when a regular file (or a link to one) exists at path.
bool FileExists(const std::string& path);

// True when such a file exists and holds at least one byte. A configuration
// file of none holds nothing anyone stored (an earlier writer killed in its
// first write could leave one), so the run takes it for a missing one.
bool FileHasContent(const std::string& path);

// When path names no file, looks in its directory for the one entry whose
// name equals the file name without regard to case. Paths written for a
// case-blind file system keep working this way.
std::optional<std::string> FindFileIgnoringCase(const std::string& path);

// The whole content of a regular file; nullopt when there is none or it
// cannot be read in full. A read never sees half of an update made by
// UpdateFile.
std::optional<std::string> ReadFileText(const std::string& path);

// What the file system records of a regular file: which file it is, its
// size and when it was last changed. Two equal stamps of a path, both
// settled, mean the content did not change in between.
struct FileStamp {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    // The last change lies at least kFileStampSettleMs in the past, so any
    // later change shows in the times (file system clocks move in steps: two
    // changes within one step may leave the same times). A stamp that is
    // not settled tells nothing about the content; nor does one taken while
    // an UpdateFile that was killed has left its work unfinished.
    bool settled = false;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
constexpr unsigned kFileStampSettleMs = 2000;

// The stamp of path now; nullopt when there is no regular file there.
std::optional<FileStamp> GetFileStamp(const std::string& path);

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
// the file is then as it was. Where the system says why, the error is a
// FileWriteError that carries its words.
void UpdateFile(const std::string& path, const FileChange& change);

// "Unable to write to <path>", and the system's reason ("Permission
// denied"), for a log that is to say why.
class FileWriteError : public Error {
public:
    FileWriteError(const std::string& path, std::string reason)
        : Error("Unable to write to " + path), reason_(std::move(reason))
    {
    }
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

constexpr unsigned kFileLockWaitMs = 10000;

} // namespace platform
