#pragma once
// What each backend gives the common code: every call into the system that
// the OS-free parts of the platform layer route to, grouped by facility,
// each with what it must guarantee. Each is defined once per system: in
// linux/ or win32/, or, for the Windows printer model that Linux does not
// have, in emulation/. A backend defines nothing else for common/, and
// nothing else declares these. Not for callers outside platform/.
#include "platform/DevMode.h"
#include "platform/MessageBox.h"
#include "platform/NativeHandle.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {
class Printer;
struct SerialSettings;
} // namespace platform

namespace platform::backend {

// ---- messages and windows ----

// The system's own modal box for a message with no backend installed:
// a window where the system can show one, otherwise the console form on
// standard error.
void ShowSystemMessageBox(std::string_view text, std::string_view caption, MessageIcon icon);

// The GUI module's file name, looked for in the program directory.
const char* GuiModuleFile();

// Why no window can be shown, or nullptr when there is a desktop.
const char* NoDisplayReason();

// ---- devices ----

// The device of serial port n (from 1).
std::string SerialPortDevice(int n);

// Opens the serial device at path exclusively for reading and writing and
// applies the line settings and the DTR and RTS lines (a device without
// modem lines is taken as it is). The handle is stored in handle as soon
// as the device is open, so the caller closes it on failure too. "" when
// the port is ready, otherwise why not ("<path>: <the system's words>").
std::string OpenSerialDevice(const std::string& path, const SerialSettings& settings, NativeHandle& handle);

// ---- libraries ----

// Gives back a library that the backend's DynamicLibrary::Load loaded.
void UnloadLibrary(void* handle);

// The entry point of exactly that name, or nullptr.
void* LibrarySymbol(void* handle, const char* name);

// ---- clock ----

// Blocks the calling thread for at least ms milliseconds.
void Wait(std::uint32_t ms);

// Milliseconds on a monotonic clock from a fixed point in the past.
std::uint64_t MonotonicMs();

// ---- printing system ----

// What a queue says of itself, in the neutral terms the spooler's rules
// are written in.
struct QueueReport {
    bool paused = false;     // stopped by an operator, or by the system after a failed delivery
    bool accepting = true;   // takes new jobs
    bool offline = false;    // the device is not there
    bool error = false;      // the device reports a fault (out of cards, jammed, ...)
    std::string reasons;     // the system's own words for the state, blank-separated
};

// Asks the printing system for the state of a queue. False when it could
// not be asked or does not know the queue, with the system's words in
// *error.
bool QueryQueue(const std::string& printer, QueueReport& report, std::string* error);

// Hands one raw job to a named printer (SpoolRawJob has resolved the
// default): the job is taken whole or not at all. Its id in jobId.
bool SubmitRawJob(const std::string& printer, const std::string& documentName,
                  std::span<const std::uint8_t> bytes, std::string& jobId, std::string* error);

enum class JobPhase {
    Waiting,    // in the queue, not yet with the device
    Printing,   // being sent to the device
    Delivered,  // the device took it
    Failed,     // ended without reaching the device (aborted, cancelled, stopped)
    Held,       // kept back until someone releases it
    Gone,       // no longer in the queue, and the system keeps no record of how it ended
};

struct JobReport {
    JobPhase phase = JobPhase::Waiting;
    std::string state;    // the system's name for the state
    std::string reasons;  // and its reasons, blank-separated
    std::string message;  // what the device or its backend last said, if anything
};

// The job's current state. False when the system could not be asked.
bool QueryJob(const std::string& printer, const std::string& jobId, JobReport& report, std::string* error);

// Removes the job from the queue, stopping its delivery. True when it is
// gone or has ended.
bool CancelJob(const std::string& printer, const std::string& jobId);

// ---- printer objects ----

// DocumentProperties for Printer::DocumentPropertiesA/W on the printer
// object (handle: its system handle, kNoHandle where the system has none).
// Mode 0 answers the whole record's size and stores it in queriedSize;
// DM_OUT_BUFFER writes the whole record to out only when it is no larger
// than queriedSize, and writes nothing otherwise (a negative answer).
// IDOK or the system's answer on success, a negative value on failure.
long DocumentProperties(const Printer& printer, NativeHandle handle, std::string_view deviceName, DEVMODEA* out,
                        const DEVMODEA* in, std::uint32_t mode, std::size_t& queriedSize);
long DocumentProperties(const Printer& printer, NativeHandle handle, std::u16string_view deviceName, DEVMODEW* out,
                        const DEVMODEW* in, std::uint32_t mode, std::size_t& queriedSize);

// ---- configuration files ----
//
// Files are held through the system's handle (kNoHandle: none). A call
// that fails leaves the system's reason for FileError(), untouched by
// anything else the backend does on the way out.

// The one temporary file an update may leave beside a file, whichever part
// of the update makes it: the common first write and the backends'
// replacements use this name alone.
inline std::string TemporaryFileName(const std::string& file) { return file + ".tavrin-tmp"; }

// Opens an existing file for reading, shared with every reader and writer.
NativeHandle OpenFileToRead(const std::string& path);

// Opens the file at path for reading and writing, shared with every other
// user. create: a missing file is made first, with the permissions a new
// file of this user gets, and a symbolic link at path is not followed. *asNew tells whether the file may stand as a new file of
// this user as it is: made by this call, or any file on a system where a
// file takes its owner and permissions from its folder when it is made.
NativeHandle OpenFileToWrite(const std::string& path, bool create, bool* asNew);

// True when the last failed open failed because nothing is at the path.
bool FileMissing();

// The system's words for why the last file call failed (never empty).
// missing: the words for "no such file", whatever the last call left.
std::string FileError(bool missing = false);

enum class LockAttempt {
    Locked,  // the lock is held, until UnlockFile or CloseFile
    Busy,    // another handle holds a lock that conflicts
    Failed,  // the file cannot be locked at all
};

// One attempt, without waiting, at the lock of a file: shared (readers)
// or exclusive (writers). Locks serialise only those who take them: a
// reader that takes none still reads, and a lock never keeps a reader
// from the content (Windows locks are mandatory, so the lock is taken on
// a byte past any content there).
LockAttempt TryLockFile(NativeHandle file, bool exclusive);

// Gives a lock back: before the handle is closed, where a system frees
// the locks of a closed handle only some time later.
void UnlockFile(NativeHandle file);

void CloseFile(NativeHandle file);

// True when path names, now, the file the handle holds: it was not
// renamed, replaced or removed since it was opened. A handle of something
// that is no regular file is taken for the one named (reading it fails
// later), so nothing waits on a name that never settles.
bool NamesFile(NativeHandle file, const std::string& path);

// The whole content, read from the start; false when it cannot be read in
// full (the file shorter than it says, not a regular file).
bool ReadWholeFile(NativeHandle file, std::string& out);

// The content becomes exactly text, and is on the disk when this returns.
bool WriteWholeFile(NativeHandle file, std::string_view text);

// True when anything (a file, a directory, a link) stands at path.
bool PathTaken(const std::string& path);

// Removes the file at path; nothing happens when there is none.
void RemoveFile(const std::string& path);

// Renames the file at from to to, only when nothing stands at to; false
// with *taken set when something does, false alone when the rename failed.
// Once this returns true the new name is on the disk.
bool RenameToNewName(const std::string& from, const std::string& to, bool* taken);

// The name a file made for path is to have: path, or where path is a
// symbolic link that points at nothing, the name it points at (the link
// stays, and leads to the new file).
std::string NameToCreate(const std::string& path);

// Before the content of a file held locked for an update is read: where an
// update that was killed half-way can have left the file torn, with its
// whole text beside it (Windows writes in place, behind a journal), that
// text is put into the file and the journal removed. True when there was
// none or it is done.
bool FinishInterruptedUpdate(NativeHandle file, const std::string& path);

// What a read is to see instead of the file's content: the whole text of
// an update killed half-way, while the file may be torn. nullopt where
// none is pending (always, where files are replaced whole).
std::optional<std::string> InterruptedUpdateText(const std::string& path);

// Gives the file held locked for an update (its content current) the
// content next, keeping its owner, group, permissions and links. Where the
// system allows, a process killed at any moment leaves current or next,
// and at most the file <name>.tavrin-tmp beside it. False when it cannot
// be done: the file is as it was, or reads whole with next.
bool ReplaceFileContent(NativeHandle file, const std::string& path, std::string_view current,
                        std::string_view next);

} // namespace platform::backend
