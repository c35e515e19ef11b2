// Files on Windows: an update writes the file in place, behind a journal,
// under a lock on a byte past its end (docs/platform.md, "On Windows").
#include "platform/Files.h"

#include "../common/Backend.h"
#include "SystemError.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/WideText.h"

#include <chrono>
#include <cstdint>
#include <memory>
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

// A handle that is closed when it goes; empty for a failed open.
struct HandleCloser {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

Handle Own(HANDLE h) { return Handle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

HANDLE Native(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
NativeHandle Held(HANDLE h)
{
    return h == INVALID_HANDLE_VALUE || h == nullptr ? kNoHandle : reinterpret_cast<NativeHandle>(h);
}

// The last error as it was when made, whatever happens until it goes.
class KeptError {
public:
    KeptError() : saved_(::GetLastError()) {}
    KeptError(const KeptError&) = delete;
    KeptError& operator=(const KeptError&) = delete;
    ~KeptError() { ::SetLastError(saved_); }

private:
    DWORD saved_;
};

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

bool SameFile(HANDLE a, const std::wstring& path)
{
    BY_HANDLE_FILE_INFORMATION held {}, named {};
    if (!::GetFileInformationByHandle(a, &held)) return false;
    const Handle other = Own(OpenFile(path, 0, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!other || !::GetFileInformationByHandle(other.get(), &named)) return false;
    return held.dwVolumeSerialNumber == named.dwVolumeSerialNumber && held.nFileIndexHigh == named.nFileIndexHigh &&
           held.nFileIndexLow == named.nFileIndexLow;
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
std::wstring JournalName(const std::wstring& path) { return path + L".tavrin-new"; }

bool ReadWhole(const std::wstring& path, std::string& out)
{
    const Handle h = Own(OpenFile(path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    return h && ReadAll(h.get(), out);
}

bool Overwrite(HANDLE h, std::string_view content)
{
    LARGE_INTEGER zero {};
    return ::SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && WriteAll(h, content) && ::SetEndOfFile(h) &&
           ::FlushFileBuffers(h);
}

enum class Journal { Written, NotPossible, Failed };

Journal WriteJournal(const std::string& path, std::string_view content)
{
    const std::wstring tmp = Wide(backend::TemporaryFileName(path));
    ::DeleteFileW(tmp.c_str());  // left by an update that was killed
    Handle t = Own(OpenFile(tmp, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH));
    // A directory that takes no new file: the text can only go in place.
    if (!t) return Journal::NotPossible;
    if (!WriteAll(t.get(), content) || !::FlushFileBuffers(t.get())) {
        t.reset();
        ::DeleteFileW(tmp.c_str());
        return Journal::Failed;
    }
    t.reset();
    const std::wstring journal = JournalName(Wide(path));
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
    WIN32_FILE_ATTRIBUTE_DATA data {};
    if (path.empty() || !::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return false;
    return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Windows file names are case-blind already.
std::optional<std::string> FindFileIgnoringCase(const std::string& path)
{
    if (FileExists(path)) return path;
    return std::nullopt;
}

std::optional<FileStamp> GetFileStamp(const std::string& path)
{
    if (path.empty()) return std::nullopt;
    const std::wstring wide = Wide(path);
    const Handle h = Own(OpenFile(wide, FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    BY_HANDLE_FILE_INFORMATION info {};
    if (!h || !::GetFileInformationByHandle(h.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
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

NativeHandle backend::OpenFileToRead(const std::string& path)
{
    return Held(OpenFile(Wide(path), GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
}

NativeHandle backend::OpenFileToWrite(const std::string& path, bool create, bool* asNew)
{
    // A file made here takes its security from its folder, whoever made it.
    if (asNew) *asNew = true;
    return Held(OpenFile(Wide(path), GENERIC_READ | GENERIC_WRITE, kShareAll, create ? OPEN_ALWAYS : OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL));
}

bool backend::FileMissing() { return ::GetLastError() == ERROR_FILE_NOT_FOUND; }

std::string backend::FileError(bool missing)
{
    const DWORD error = missing ? ERROR_FILE_NOT_FOUND : ::GetLastError();
    return error != ERROR_SUCCESS ? win32::SystemMessage(error) : "the file could not be written";
}

backend::LockAttempt backend::TryLockFile(NativeHandle file, bool exclusive)
{
    OVERLAPPED at {};
    at.OffsetHigh = kLockOffsetHigh;
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (::LockFileEx(Native(file), flags, 0, 1, 0, &at)) return LockAttempt::Locked;
    const DWORD why = ::GetLastError();
    return why == ERROR_LOCK_VIOLATION || why == ERROR_IO_PENDING ? LockAttempt::Busy : LockAttempt::Failed;
}

// Locks go with the handle, but the system frees them some time after it is
// closed: they are given back first.
void backend::UnlockFile(NativeHandle file)
{
    const KeptError keep;
    OVERLAPPED at {};
    at.OffsetHigh = kLockOffsetHigh;
    ::UnlockFileEx(Native(file), 0, 1, 0, &at);
}

void backend::CloseFile(NativeHandle file)
{
    const KeptError keep;
    ::CloseHandle(Native(file));
}

bool backend::NamesFile(NativeHandle file, const std::string& path) { return SameFile(Native(file), Wide(path)); }

bool backend::ReadWholeFile(NativeHandle file, std::string& out) { return ReadAll(Native(file), out); }

bool backend::WriteWholeFile(NativeHandle file, std::string_view text) { return Overwrite(Native(file), text); }

bool backend::PathTaken(const std::string& path)
{
    if (::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD why = ::GetLastError();
    return why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND;
}

void backend::RemoveFile(const std::string& path)
{
    const KeptError keep;
    ::DeleteFileW(Wide(path).c_str());
}

bool backend::RenameToNewName(const std::string& from, const std::string& to, bool* taken)
{
    *taken = false;
    const std::wstring source = Wide(from), target = Wide(to);
    // Without MOVEFILE_REPLACE_EXISTING the rename refuses a name in use.
    if (Retrying([&] { return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE; }))
        return true;
    const DWORD why = ::GetLastError();
    *taken = why == ERROR_ALREADY_EXISTS || why == ERROR_FILE_EXISTS;
    return false;
}

std::string backend::NameToCreate(const std::string& path) { return path; }

bool backend::FinishInterruptedUpdate(NativeHandle file, const std::string& path)
{
    return Recover(Native(file), Wide(path));
}

std::optional<std::string> backend::InterruptedUpdateText(const std::string& path)
{
    // A journal means the file may be torn; the journal holds what its
    // last writer meant.
    if (std::string journal; ReadWhole(JournalName(Wide(path)), journal)) return journal;
    return std::nullopt;
}

bool backend::ReplaceFileContent(NativeHandle file, const std::string& path, std::string_view current,
                                 std::string_view next)
{
    // The file itself is written, never replaced: it keeps its identity,
    // so the lock on it keeps serialising, and its attributes, security
    // and links stay. The journal beside it makes the write crash-safe.
    const HANDLE h = Native(file);
    const std::wstring wide = Wide(path);
    const Journal journal = WriteJournal(path, next);
    if (journal == Journal::Failed) return false;
    if (!Overwrite(h, next)) {
        const KeptError keep;
        // Put the old text back; only when that fails too does the journal
        // stay, so the file reads whole, with the new text.
        if (Overwrite(h, current)) ::DeleteFileW(JournalName(wide).c_str());
        return false;
    }
    if (journal == Journal::Written) ::DeleteFileW(JournalName(wide).c_str());
    return true;
}

} // namespace platform
