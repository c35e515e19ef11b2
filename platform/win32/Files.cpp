#include "platform/Files.h"

#include "platform/Error.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/WideText.h"

#include <chrono>
#include <cstdint>
#include <thread>
#include <windows.h>

namespace platform {
namespace {

// Windows paths are UTF-16; ours are UTF-8.
std::wstring Wide(const std::string& path)
{
    const std::u16string w = NarrowToWide(path);
    return std::wstring(w.begin(), w.end());
}

void Unlock(HANDLE h);

class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Reset(); }
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE Release()
    {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void Reset(HANDLE h = INVALID_HANDLE_VALUE)
    {
        if (Valid()) {
            if (locked_) Unlock(h_);
            ::CloseHandle(h_);
        }
        h_ = h;
        locked_ = false;
    }
    // The handle holds the file's lock (OpenLocked): given back at Reset.
    void MarkLocked() { locked_ = Valid(); }

private:
    HANDLE h_;
    bool locked_ = false;
};

[[noreturn]] void WriteFailed(const std::string& path) { throw Error("Unable to write to " + path); }

// Other programs open files without sharing for a moment (sync clients,
// backup agents, virus scanners, the indexer): those refusals pass, so
// they are retried for a while; anything else is an answer at once.
constexpr unsigned kSharingWaitMs = 3000;

bool Transient(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_DELETE_PENDING;
}

// Calls attempt until it succeeds, fails for a lasting reason or the wait
// is over; the last error stays the attempt's.
template <typename Attempt>
auto Retrying(Attempt attempt)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSharingWaitMs);
    auto pause = std::chrono::milliseconds(5);
    for (;;) {
        auto result = attempt();
        const DWORD why = ::GetLastError();
        if (result || !Transient(why) || std::chrono::steady_clock::now() >= deadline) {
            ::SetLastError(why);
            return result;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
    }
}

HANDLE OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    HANDLE h = Retrying([&]() -> HANDLE {
        const HANDLE got = ::CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
        return got == INVALID_HANDLE_VALUE ? nullptr : got;
    });
    return h ? h : INVALID_HANDLE_VALUE;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The lock is one byte far past any configuration file's end: Windows locks
// are mandatory, and a lock on the content would keep readers out.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

bool LockWithin(HANDLE h, bool exclusive, unsigned ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        OVERLAPPED at {};
        at.OffsetHigh = kLockOffsetHigh;
        const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
        if (::LockFileEx(h, flags, 0, 1, 0, &at)) return true;
        if (::GetLastError() != ERROR_LOCK_VIOLATION && ::GetLastError() != ERROR_IO_PENDING) return false;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(10000));
    }
}

// Locks go with the handle, but the system frees them some time after it is
// closed: they are given back first.
void Unlock(HANDLE h)
{
    OVERLAPPED at {};
    at.OffsetHigh = kLockOffsetHigh;
    ::UnlockFileEx(h, 0, 1, 0, &at);
}

bool SameFile(HANDLE a, const std::wstring& path)
{
    BY_HANDLE_FILE_INFORMATION held {}, named {};
    if (!::GetFileInformationByHandle(a, &held)) return false;
    Handle other(OpenFile(path, 0, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!other.Valid() || !::GetFileInformationByHandle(other.Get(), &named)) return false;
    return held.dwVolumeSerialNumber == named.dwVolumeSerialNumber && held.nFileIndexHigh == named.nFileIndexHigh &&
           held.nFileIndexLow == named.nFileIndexLow;
}

// Opens and locks the file the path names once the lock is held.
HANDLE OpenLocked(const std::wstring& path, bool create, DWORD& error)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        Handle h(OpenFile(path, GENERIC_READ | GENERIC_WRITE, kShareAll, create ? OPEN_ALWAYS : OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL));
        if (!h.Valid()) {
            error = ::GetLastError();
            return INVALID_HANDLE_VALUE;
        }
        if (!LockWithin(h.Get(), true, kFileLockWaitMs)) {
            error = ERROR_LOCK_VIOLATION;
            return INVALID_HANDLE_VALUE;
        }
        if (SameFile(h.Get(), path)) return h.Release();
        Unlock(h.Get());
    }
    error = ERROR_LOCK_VIOLATION;
    return INVALID_HANDLE_VALUE;
}

bool ReadAll(HANDLE h, std::string& out)
{
    LARGE_INTEGER size {};
    if (!::GetFileSizeEx(h, &size) || size.QuadPart > 0x7FFFFFFF) return false;
    out.assign(static_cast<size_t>(size.QuadPart), '\0');
    LARGE_INTEGER zero {};
    if (!::SetFilePointerEx(h, zero, nullptr, FILE_BEGIN)) return false;
    size_t done = 0;
    while (done < out.size()) {
        DWORD got = 0;
        if (!::ReadFile(h, out.data() + done, static_cast<DWORD>(out.size() - done), &got, nullptr)) return false;
        if (got == 0) return false;  // shorter than it said
        done += got;
    }
    return true;
}

bool WriteAll(HANDLE h, std::string_view data)
{
    while (!data.empty()) {
        DWORD put = 0;
        if (!::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr) || put == 0) return false;
        data.remove_prefix(put);
    }
    return true;
}

// The new text is first written whole beside the file under the temporary
// name, then renamed to the journal name: a journal is always complete.
std::wstring TemporaryName(const std::wstring& path) { return path + L".tavrin-tmp"; }
std::wstring JournalName(const std::wstring& path) { return path + L".tavrin-new"; }

bool ReadWhole(const std::wstring& path, std::string& out)
{
    Handle h(OpenFile(path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    return h.Valid() && ReadAll(h.Get(), out);
}

bool Overwrite(HANDLE h, std::string_view content)
{
    LARGE_INTEGER zero {};
    return ::SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && WriteAll(h, content) && ::SetEndOfFile(h) &&
           ::FlushFileBuffers(h);
}

enum class Journal { Written, NotPossible, Failed };

Journal WriteJournal(const std::wstring& path, std::string_view content)
{
    const std::wstring tmp = TemporaryName(path);
    ::DeleteFileW(tmp.c_str());  // left by an update that was killed
    Handle t(OpenFile(tmp, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH));
    // A directory that takes no new file: the text can only go in place.
    if (!t.Valid()) return Journal::NotPossible;
    if (!WriteAll(t.Get(), content) || !::FlushFileBuffers(t.Get())) {
        t.Reset();
        ::DeleteFileW(tmp.c_str());
        return Journal::Failed;
    }
    t.Reset();
    const std::wstring journal = JournalName(path);
    if (!Retrying([&] {
            return ::MoveFileExW(tmp.c_str(), journal.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
                   FALSE;
        })) {
        ::DeleteFileW(tmp.c_str());
        return Journal::NotPossible;
    }
    return Journal::Written;
}

// A journal found under the lock belongs to an update that was killed while
// it wrote the file in place: the file may be torn, the journal is whole.
bool Recover(HANDLE h, const std::wstring& path)
{
    const std::wstring journal = JournalName(path);
    if (::GetFileAttributesW(journal.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    std::string text;
    // A journal that stays would be read instead of the file.
    return ReadWhole(journal, text) && Overwrite(h, text) && ::DeleteFileW(journal.c_str());
}

} // namespace

bool FileExists(const std::string& path)
{
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows file names are case-blind already.
std::optional<std::string> FindFileIgnoringCase(const std::string& path)
{
    if (FileExists(path)) return path;
    return std::nullopt;
}

std::optional<std::string> ReadFileText(const std::string& path)
{
    if (path.empty()) return std::nullopt;
    Handle h(OpenFile(Wide(path), GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!h.Valid()) return std::nullopt;
    const bool locked = LockWithin(h.Get(), false, 1000);
    std::string text;
    const bool read = ReadAll(h.Get(), text);
    if (locked) Unlock(h.Get());
    if (!read) return std::nullopt;
    // A journal means the file may be torn; the journal holds what its
    // last writer meant.
    if (std::string journal; ReadWhole(JournalName(Wide(path)), journal)) return journal;
    return text;
}

std::optional<FileStamp> GetFileStamp(const std::string& path)
{
    if (path.empty()) return std::nullopt;
    const std::wstring wide = Wide(path);
    Handle h(OpenFile(wide, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    BY_HANDLE_FILE_INFORMATION info {};
    if (!h.Valid() || !::GetFileInformationByHandle(h.Get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    // FILETIME: 100 ns steps since 1601, as nanoseconds since 1970. Counted
    // from 1601 in nanoseconds the present is past what 64 bits hold.
    auto ns = [](const FILETIME& t) {
        constexpr std::int64_t kFrom1601To1970 = 116444736000000000;  // in 100 ns steps
        const auto ticks = static_cast<std::int64_t>((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime);
        return (ticks - kFrom1601To1970) * 100;
    };
    FileStamp stamp;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.file = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modifiedNs = ns(info.ftLastWriteTime);
    stamp.changedNs = ns(info.ftCreationTime);
    FILETIME now {};
    ::GetSystemTimeAsFileTime(&now);
    // A journal beside the file: an update was cut short and the next read
    // finishes it; until then the file's times say nothing.
    const bool journal = ::GetFileAttributesW(JournalName(wide).c_str()) != INVALID_FILE_ATTRIBUTES;
    stamp.settled = !journal && ns(now) - stamp.modifiedNs >= std::int64_t(kFileStampSettleMs) * 1000000;
    return stamp;
}

void UpdateFile(const std::string& path, const FileChange& change)
{
    if (path.empty()) WriteFailed(path);
    const std::wstring wide = Wide(path);
    DWORD error = 0;
    Handle h(OpenLocked(wide, false, error));
    h.MarkLocked();
    if (!h.Valid()) {
        if (error != ERROR_FILE_NOT_FOUND) WriteFailed(path);
        if (!change(std::string_view())) return;
        h.Reset(OpenLocked(wide, true, error));
        h.MarkLocked();
        if (!h.Valid()) WriteFailed(path);
    }
    if (!Recover(h.Get(), wide)) WriteFailed(path);
    std::string current;
    if (!ReadAll(h.Get(), current)) WriteFailed(path);
    const auto next = change(current);
    if (!next || *next == current) return;
    // The file itself is written, never replaced: it keeps its identity,
    // so the lock on it keeps serialising, and its attributes, security
    // and links stay. The journal beside it makes the write crash-safe.
    const Journal journal = WriteJournal(wide, *next);
    if (journal == Journal::Failed) WriteFailed(path);
    if (!Overwrite(h.Get(), *next)) {
        // Put the old text back; only when that fails too does the journal
        // stay, so the file reads whole, with the new text.
        if (Overwrite(h.Get(), current)) ::DeleteFileW(JournalName(wide).c_str());
        WriteFailed(path);
    }
    if (journal == Journal::Written) ::DeleteFileW(JournalName(wide).c_str());
}

} // namespace platform
