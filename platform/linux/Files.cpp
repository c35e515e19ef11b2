// Files on Linux: an update is a new file renamed over the old one, under
// flock locks on the file itself.
#include "platform/Files.h"

#include "../common/Backend.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int Get() const { return fd_; }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1)
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view data, off_t offset)
{
    while (!data.empty()) {
        const ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
        offset += n;
    }
    return true;
}

std::string ResolvedPath(const std::string& path)
{
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    return target;
}

void SyncDirectory(const std::string& dir)
{
    Fd d(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.Get() >= 0) ::fsync(d.Get());
}

// errno as it was when made, whatever happens until it goes.
class KeptErrno {
public:
    KeptErrno() : saved_(errno) {}
    KeptErrno(const KeptErrno&) = delete;
    KeptErrno& operator=(const KeptErrno&) = delete;
    ~KeptErrno() { errno = saved_; }

private:
    int saved_;
};

enum class Replaced { Done, NotPossible, Failed };

// Writes a new file and renames it over the old one, with the old one's
// owner, group and permissions. NotPossible when the directory takes no new
// file or the owner cannot be kept; Failed when writing failed.
Replaced ReplaceWhole(const std::string& target, const struct stat& old, std::string_view content)
{
    if (old.st_nlink > 1) return Replaced::NotPossible;  // a rename would break the other links
    const std::string tmp = backend::TemporaryFileName(target);
    ::unlink(tmp.c_str());  // left by an update that was killed
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Get() < 0) return Replaced::NotPossible;
    auto give_up = [&](Replaced why) {
        const KeptErrno keep;
        fd.Reset();
        ::unlink(tmp.c_str());
        return why;
    };
    struct stat mine {};
    if (::fstat(fd.Get(), &mine) != 0) return give_up(Replaced::Failed);
    if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) && ::fchown(fd.Get(), old.st_uid, old.st_gid) != 0)
        return give_up(Replaced::NotPossible);
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(fd.Get(), old.st_mode & 07777) != 0) return give_up(Replaced::NotPossible);
    if (!WriteAll(fd.Get(), content, 0) || ::fsync(fd.Get()) != 0) return give_up(Replaced::Failed);
    if (::close(fd.Release()) != 0 || ::rename(tmp.c_str(), target.c_str()) != 0) {
        const KeptErrno keep;
        ::unlink(tmp.c_str());
        return Replaced::Failed;
    }
    SyncDirectory(ExtractFilePath(target));
    return Replaced::Done;
}

// Writes over the file itself: keeps owner, links and everything, but a
// process killed half-way leaves a torn file.
bool Overwrite(int fd, const std::string& target, std::string_view content)
{
    ::unlink(backend::TemporaryFileName(target).c_str());
    return backend::WriteWholeFile(fd, content);
}

} // namespace

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> FindFileIgnoringCase(const std::string& path)
{
    if (FileExists(path)) return path;
    const std::string dir = ExtractFilePath(path);
    const std::string name = ExtractFileName(path);
    if (name.empty()) return std::nullopt;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return std::nullopt;
    std::optional<std::string> found;
    int hits = 0;
    while (const dirent* e = ::readdir(d)) {
        if (SameText(e->d_name, name) && FileExists(dir + e->d_name)) {
            found = dir + e->d_name;
            ++hits;
        }
    }
    ::closedir(d);
    // Two files differing only in case: the choice would be a guess.
    return hits == 1 ? found : std::nullopt;
}

std::optional<FileStamp> GetFileStamp(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    auto ns = [](const timespec& t) { return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
    FileStamp stamp;
    stamp.volume = static_cast<std::uint64_t>(st.st_dev);
    stamp.file = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = ns(st.st_mtim);
    stamp.changedNs = ns(st.st_ctim);
    // The file times come from the system's wall clock.
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t last = std::max(stamp.modifiedNs, stamp.changedNs);
    stamp.settled = ns(now) - last >= std::int64_t(kFileStampSettleMs) * 1000000;
    return stamp;
}

NativeHandle backend::OpenFileToRead(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    return fd < 0 ? kNoHandle : fd;
}

NativeHandle backend::OpenFileToWrite(const std::string& path, bool create, bool* asNew)
{
    constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NOCTTY;
    if (asNew) *asNew = false;
    if (!create) {
        const int fd = ::open(path.c_str(), kFlags);
        return fd < 0 ? kNoHandle : fd;
    }
    // Made here, or there already: only a file made by this call is known
    // to have the owner and permissions a new file gets.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            if (asNew) *asNew = true;
            return fd;
        }
        if (errno != EEXIST) return kNoHandle;
        fd = ::open(path.c_str(), kFlags | O_NOFOLLOW);
        if (fd >= 0) return fd;
        if (errno != ENOENT) return kNoHandle;
    }
    return kNoHandle;
}

bool backend::FileMissing() { return errno == ENOENT; }

std::string backend::FileError(bool missing)
{
    const int error = missing ? ENOENT : errno;
    return error != 0 ? std::strerror(error) : "the file could not be written";
}

backend::LockAttempt backend::TryLockFile(NativeHandle file, bool exclusive)
{
    if (::flock(static_cast<int>(file), (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return LockAttempt::Locked;
    return errno == EWOULDBLOCK || errno == EINTR ? LockAttempt::Busy : LockAttempt::Failed;
}

// flock locks go with the open file, so closing gives them back at once.
void backend::UnlockFile(NativeHandle) {}

void backend::CloseFile(NativeHandle file)
{
    const KeptErrno keep;
    ::close(static_cast<int>(file));
}

bool backend::NamesFile(NativeHandle file, const std::string& path)
{
    struct stat held {}, named {};
    if (::fstat(static_cast<int>(file), &held) != 0) return false;
    if (!S_ISREG(held.st_mode)) return true;
    return ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool backend::ReadWholeFile(NativeHandle file, std::string& out)
{
    const int fd = static_cast<int>(file);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out.clear();
    out.reserve(static_cast<size_t>(st.st_size));
    char buf[16384];
    for (;;) {
        const ssize_t n = ::pread(fd, buf, sizeof buf, static_cast<off_t>(out.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    // At least as many bytes as the file had when the read began.
    return out.size() >= static_cast<size_t>(st.st_size);
}

bool backend::WriteWholeFile(NativeHandle file, std::string_view text)
{
    const int fd = static_cast<int>(file);
    return WriteAll(fd, text, 0) && ::ftruncate(fd, static_cast<off_t>(text.size())) == 0 && ::fsync(fd) == 0;
}

bool backend::PathTaken(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

void backend::RemoveFile(const std::string& path)
{
    const KeptErrno keep;
    ::unlink(path.c_str());
}

bool backend::RenameToNewName(const std::string& from, const std::string& to, bool* taken)
{
    *taken = false;
    bool done = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
    if (!done && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
        // A file system that cannot refuse to replace in a rename: a second
        // link refuses as well, then the first name goes.
        done = ::link(from.c_str(), to.c_str()) == 0;
        if (done) {
            ::unlink(from.c_str());
        } else if (errno == EPERM || errno == ENOTSUP) {
            // Nor links: the one check left is the look before the rename.
            if (PathTaken(to)) errno = EEXIST;
            else done = ::rename(from.c_str(), to.c_str()) == 0;
        }
    }
    if (!done) {
        *taken = errno == EEXIST;
        return false;
    }
    SyncDirectory(ExtractFilePath(to));
    return true;
}

std::string backend::NameToCreate(const std::string& path)
{
    std::string name = path;
    // As many links as the system follows in one path.
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(name.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) return name;
        link.resize(static_cast<size_t>(n));
        name = link.front() == '/' ? link : ExtractFilePath(name) + link;
    }
    return name;
}

// A file is replaced whole here: nothing is ever left half written.
bool backend::FinishInterruptedUpdate(NativeHandle, const std::string&) { return true; }

std::optional<std::string> backend::InterruptedUpdateText(const std::string&) { return std::nullopt; }

bool backend::ReplaceFileContent(NativeHandle file, const std::string& path, std::string_view, std::string_view next)
{
    const int fd = static_cast<int>(file);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    const std::string target = ResolvedPath(path);
    switch (ReplaceWhole(target, st, next)) {
    case Replaced::Done: return true;
    case Replaced::Failed: return false;
    case Replaced::NotPossible: break;
    }
    return Overwrite(fd, target, next);
}

} // namespace platform
