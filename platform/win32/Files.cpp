#include "platform/Files.h"

#include "platform/Error.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/WideText.h"

#include <chrono>
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
        if (Valid()) ::CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_;
};

[[noreturn]] void WriteFailed(const std::string& path) { throw Error("Unable to write to " + path); }

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

bool SameFile(HANDLE a, const std::wstring& path)
{
    BY_HANDLE_FILE_INFORMATION held {}, named {};
    if (!::GetFileInformationByHandle(a, &held)) return false;
    Handle other(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!other.Valid() || !::GetFileInformationByHandle(other.Get(), &named)) return false;
    return held.dwVolumeSerialNumber == named.dwVolumeSerialNumber && held.nFileIndexHigh == named.nFileIndexHigh &&
           held.nFileIndexLow == named.nFileIndexLow;
}

// Opens and locks the file the path names once the lock is held.
HANDLE OpenLocked(const std::wstring& path, bool create, DWORD& error)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        Handle h(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.Valid()) {
            error = ::GetLastError();
            return INVALID_HANDLE_VALUE;
        }
        if (!LockWithin(h.Get(), true, kFileLockWaitMs)) {
            error = ERROR_LOCK_VIOLATION;
            return INVALID_HANDLE_VALUE;
        }
        if (SameFile(h.Get(), path)) return h.Release();
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

std::wstring TemporaryName(const std::wstring& path) { return path + L".tavrin-tmp"; }

enum class Replaced { Done, NotPossible, Failed };

// A new file beside the old one, then ReplaceFile: the old file's
// attributes and security descriptor go over to the new one.
Replaced ReplaceWhole(const std::wstring& path, HANDLE old, std::string_view content)
{
    BY_HANDLE_FILE_INFORMATION info {};
    if (!::GetFileInformationByHandle(old, &info)) return Replaced::Failed;
    if (info.nNumberOfLinks > 1) return Replaced::NotPossible;  // a replacement would break the other links
    const std::wstring tmp = TemporaryName(path);
    ::DeleteFileW(tmp.c_str());  // left by an update that was killed
    Handle t(::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!t.Valid()) return Replaced::NotPossible;
    if (!WriteAll(t.Get(), content) || !::FlushFileBuffers(t.Get())) {
        t.Reset();
        ::DeleteFileW(tmp.c_str());
        return Replaced::Failed;
    }
    t.Reset();
    if (!::ReplaceFileW(path.c_str(), tmp.c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr)) {
        if (::GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
            // The old file is gone already and the new text is only in the
            // temporary file: give it the name, or keep it for the next try.
            if (::MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return Replaced::Done;
            return Replaced::Failed;
        }
        // Both files kept their names (the old one may be held without
        // leave to delete it, or lie in a directory we may not write): the
        // old file is as it was and can still be written in place.
        ::DeleteFileW(tmp.c_str());
        return Replaced::NotPossible;
    }
    return Replaced::Done;
}

bool Overwrite(HANDLE h, const std::wstring& path, std::string_view content)
{
    ::DeleteFileW(TemporaryName(path).c_str());
    LARGE_INTEGER zero {};
    return ::SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && WriteAll(h, content) && ::SetEndOfFile(h) &&
           ::FlushFileBuffers(h);
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
    Handle h(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) return std::nullopt;
    LockWithin(h.Get(), false, 1000);
    std::string text;
    if (!ReadAll(h.Get(), text)) return std::nullopt;
    return text;
}

void UpdateFile(const std::string& path, const FileChange& change)
{
    if (path.empty()) WriteFailed(path);
    const std::wstring wide = Wide(path);
    DWORD error = 0;
    Handle h(OpenLocked(wide, false, error));
    if (!h.Valid()) {
        if (error != ERROR_FILE_NOT_FOUND) WriteFailed(path);
        if (!change(std::string_view())) return;
        h.Reset(OpenLocked(wide, true, error));
        if (!h.Valid()) WriteFailed(path);
    }
    std::string current;
    if (!ReadAll(h.Get(), current)) WriteFailed(path);
    const auto next = change(current);
    if (!next || *next == current) return;
    switch (ReplaceWhole(wide, h.Get(), *next)) {
    case Replaced::Done: return;
    case Replaced::Failed: WriteFailed(path);
    case Replaced::NotPossible:
        if (!Overwrite(h.Get(), wide, *next)) WriteFailed(path);
        return;
    }
}

} // namespace platform
