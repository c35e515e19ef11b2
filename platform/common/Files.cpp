// Reading and updating configuration files, the same on every system: the
// bounded wait for a lock, the open-and-lock of the file a path names, the
// first write of a file that is not there yet, and what a failed write
// says. Opening, locking, writing and renaming are the backends'.
#include "platform/Files.h"

#include "Backend.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace platform {
namespace {

// How long a reader waits for a writer: a writer that holds on for longer
// than this is not waited for.
constexpr unsigned kReadLockWaitMs = 1000;

// How often a name that keeps changing under the lock is tried again.
constexpr int kAttempts = 1000;

// A handle of the system's, closed (and its lock given back first) when
// it goes.
class HeldFile {
public:
    explicit HeldFile(NativeHandle h = kNoHandle) : h_(h) {}
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile() { Reset(); }
    NativeHandle Get() const { return h_; }
    bool Valid() const { return h_ != kNoHandle; }
    void Reset()
    {
        if (Valid()) {
            if (locked_) backend::UnlockFile(h_);
            backend::CloseFile(h_);
        }
        h_ = kNoHandle;
        locked_ = false;
    }
    // Takes over what other holds.
    void Adopt(HeldFile& other)
    {
        Reset();
        std::swap(h_, other.h_);
        std::swap(locked_, other.locked_);
    }
    // The lock, waited for at most ms: a writer holds it only for one
    // read-modify-write, so a lock held longer belongs to a process that
    // hangs.
    bool Lock(bool exclusive, unsigned ms)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        auto pause = std::chrono::microseconds(200);
        for (;;) {
            switch (backend::TryLockFile(h_, exclusive)) {
            case backend::LockAttempt::Locked: locked_ = true; return true;
            case backend::LockAttempt::Failed: return false;
            case backend::LockAttempt::Busy: break;
            }
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(10000));
        }
    }

private:
    NativeHandle h_;
    bool locked_ = false;
};

// "Unable to write to <path>", with the system's words for why.
[[noreturn]] void WriteFailed(const std::string& path, std::string reason)
{
    throw FileWriteError(path, std::move(reason));
}

// Opens the file at path and locks it exclusively, or fails the write. The
// lock is on the file that the path names once it is held: a file
// replaced while we waited is opened again. False (nothing held) when no
// file is there.
bool OpenLocked(const std::string& path, HeldFile& file)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        file.Reset();
        HeldFile opened(backend::OpenFileToWrite(path, false, nullptr));
        if (!opened.Valid()) {
            if (backend::FileMissing()) return false;
            WriteFailed(path, backend::FileError());
        }
        if (!opened.Lock(true, kFileLockWaitMs)) WriteFailed(path, backend::FileError());
        if (backend::NamesFile(opened.Get(), path)) {
            file.Adopt(opened);
            return true;
        }
    }
    WriteFailed(path, "the file kept being replaced");
}

// The update of a file that is there, held locked.
void UpdateHeld(const HeldFile& file, const std::string& path, const FileChange& change)
{
    if (!backend::FinishInterruptedUpdate(file.Get(), path)) WriteFailed(path, backend::FileError());
    std::string current;
    if (!backend::ReadWholeFile(file.Get(), current)) WriteFailed(path, backend::FileError());
    const auto next = change(current);
    if (!next || *next == current) return;
    if (!backend::ReplaceFileContent(file.Get(), path, current, *next)) WriteFailed(path, backend::FileError());
}

// Removes the temporary file of a first write while it is still the one
// held: never one that another writer has made under the name since.
void Withdraw(const HeldFile& file, const std::string& claim)
{
    if (backend::NamesFile(file.Get(), claim)) backend::RemoveFile(claim);
}

enum class FirstWrite { Done, Taken };

// The first write of a file that is not there. The file must never be
// seen half made, nor empty: its text goes whole into <name>.tavrin-tmp,
// which is locked in its place, and is renamed to the name only where
// nothing has come to stand there meanwhile. Writers serialise on the
// temporary file's lock; one that finds the file made while it waited
// (Taken) updates the file instead. A kill leaves at most the temporary
// file, which the next write takes over or removes.
FirstWrite WriteFirst(const std::string& path, const FileChange& change)
{
    const std::string target = backend::NameToCreate(path);
    // A first write holds the temporary file's lock until the new file is
    // in place.
    const std::string claim = backend::TemporaryFileName(target);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        bool asNew = false;
        HeldFile file(backend::OpenFileToWrite(claim, true, &asNew));
        if (!file.Valid()) WriteFailed(path, backend::FileError());
        if (!file.Lock(true, kFileLockWaitMs)) WriteFailed(path, backend::FileError());
        // Put in place, or removed, by the writer we waited for.
        if (!backend::NamesFile(file.Get(), claim)) continue;
        if (backend::PathTaken(target)) {
            Withdraw(file, claim);
            return FirstWrite::Taken;
        }
        // Left by a write that was killed, maybe with another owner or
        // mode than a new file gets: made again.
        if (!asNew) {
            backend::RemoveFile(claim);
            continue;
        }
        const auto text = change(std::string_view());
        if (!text) {
            Withdraw(file, claim);  // nothing to write: no file is made
            return FirstWrite::Done;
        }
        bool taken = false;
        if (!backend::WriteWholeFile(file.Get(), *text) || !backend::RenameToNewName(claim, target, &taken)) {
            std::string why = backend::FileError();
            Withdraw(file, claim);
            if (taken) return FirstWrite::Taken;
            WriteFailed(path, std::move(why));
        }
        return FirstWrite::Done;
    }
    WriteFailed(path, "the file kept being replaced");
}

} // namespace

std::optional<std::string> ReadFileText(const std::string& path)
{
    if (path.empty()) return std::nullopt;
    HeldFile file(backend::OpenFileToRead(path));
    if (!file.Valid()) return std::nullopt;
    // A shared lock keeps an update in place from being read half done.
    file.Lock(false, kReadLockWaitMs);
    std::string text;
    const bool read = backend::ReadWholeFile(file.Get(), text);
    file.Reset();
    if (!read) return std::nullopt;
    if (auto pending = backend::InterruptedUpdateText(path)) return pending;
    return text;
}

bool FileHasContent(const std::string& path)
{
    const auto stamp = GetFileStamp(path);
    return stamp && stamp->size > 0;
}

void UpdateFile(const std::string& path, const FileChange& change)
{
    if (path.empty()) WriteFailed(path, backend::FileError(true));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        HeldFile file;
        if (OpenLocked(path, file)) return UpdateHeld(file, path, change);
        if (WriteFirst(path, change) == FirstWrite::Done) return;
    }
    WriteFailed(path, "the file kept being replaced");
}

} // namespace platform
