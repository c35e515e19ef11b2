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

} // namespace platform::backend
