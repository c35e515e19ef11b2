#include "platform/Files.h"

#include "platform/Error.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
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

// error: the errno of the step that failed, taken before anything else
// can change it.
[[noreturn]] void WriteFailed(const std::string& path, int error = errno)
{
    throw FileWriteError(path, error != 0 ? std::strerror(error) : "the file could not be written");
}

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

// Everything up to the end; at least as many bytes as the file had when it
// was opened, or the read failed.
bool ReadAll(int fd, std::string& out)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out.clear();
    out.reserve(static_cast<size_t>(st.st_size));
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out.size() >= static_cast<size_t>(st.st_size);
}

// flock with a bounded wait: a writer holds the lock only for one
// read-modify-write, so a lock held longer belongs to a process that hangs.
bool LockWithin(int fd, int operation, unsigned ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(10000));
    }
}

// Opens the file and locks it exclusively. The lock is on the file that the
// path names once it is held: a file replaced while we waited is opened
// again. -1 with errno set when it cannot be done.
int OpenLocked(const std::string& path, bool create)
{
    const int flags = O_RDWR | O_CLOEXEC | O_NOCTTY | (create ? O_CREAT : 0);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        Fd fd(::open(path.c_str(), flags, 0666));
        if (fd.Get() < 0) return -1;
        if (!LockWithin(fd.Get(), LOCK_EX, kFileLockWaitMs)) return -1;
        struct stat held {}, named {};
        if (::fstat(fd.Get(), &held) != 0) return -1;
        if (::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            return fd.Release();
        }
        if (!S_ISREG(held.st_mode)) return -1;
    }
    errno = EAGAIN;
    return -1;
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

// The one temporary file an update may leave behind, beside the file.
std::string TemporaryName(const std::string& target) { return target + ".tavrin-tmp"; }

enum class Replaced { Done, NotPossible, Failed };

// Writes a new file and renames it over the old one, with the old one's
// owner, group and permissions. NotPossible when the directory takes no new
// file or the owner cannot be kept; Failed when writing failed.
Replaced ReplaceWhole(const std::string& target, const struct stat& old, std::string_view content)
{
    if (old.st_nlink > 1) return Replaced::NotPossible;  // a rename would break the other links
    const std::string tmp = TemporaryName(target);
    ::unlink(tmp.c_str());  // left by an update that was killed
    Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Get() < 0) return Replaced::NotPossible;
    auto give_up = [&](Replaced why) {
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
    if (::close(fd.Release()) != 0) {
        ::unlink(tmp.c_str());
        return Replaced::Failed;
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
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
    ::unlink(TemporaryName(target).c_str());
    return WriteAll(fd, content, 0) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fsync(fd) == 0;
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

std::optional<std::string> ReadFileText(const std::string& path)
{
    if (path.empty()) return std::nullopt;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (fd.Get() < 0) return std::nullopt;
    // A shared lock keeps a write in place from being read half done; a
    // writer that holds on for too long is not waited for.
    LockWithin(fd.Get(), LOCK_SH, 1000);
    std::string text;
    if (!ReadAll(fd.Get(), text)) return std::nullopt;
    return text;
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

void UpdateFile(const std::string& path, const FileChange& change)
{
    if (path.empty()) WriteFailed(path, ENOENT);
    Fd fd(OpenLocked(path, false));
    if (fd.Get() < 0) {
        if (errno != ENOENT) WriteFailed(path);
        if (!change(std::string_view())) return;  // nothing to write: no file is made
        fd.Reset(OpenLocked(path, true));
        if (fd.Get() < 0) WriteFailed(path);
    }
    struct stat st {};
    std::string current;
    if (::fstat(fd.Get(), &st) != 0 || !ReadAll(fd.Get(), current)) WriteFailed(path);
    const auto next = change(current);
    if (!next || *next == current) return;
    const std::string target = ResolvedPath(path);
    switch (ReplaceWhole(target, st, *next)) {
    case Replaced::Done: return;
    case Replaced::Failed: WriteFailed(path);
    case Replaced::NotPossible:
        if (!Overwrite(fd.Get(), target, *next)) WriteFailed(path);
        return;
    }
}

} // namespace platform
