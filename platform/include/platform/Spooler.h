#pragma once
// The printing system: which printers are installed, which one is the
// default, and raw jobs whose bytes reach the printer unchanged.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Names of the local and connected printers the printing system knows.
// Empty when the printing system cannot be asked.
std::vector<std::string> InstalledPrinters();

// True when the printing system knows a printer of that name (compared
// without regard to case). One question to the server, not a listing.
// When the printing system itself cannot be reached the answer is false
// and *unreachable (when given) says why, as "print system unreachable:
// <the system's words>"; it is left empty for a printer that is simply
// not there.
bool PrinterInstalled(const std::string& name, std::string* unreachable = nullptr);

// The default printer's name, or "" when there is none.
std::string DefaultPrinter();

// How long SpoolRawJob follows a job to the device unless told otherwise:
// TAVRIN_SPOOL_WAIT_MS (a whole number of milliseconds, at most a day),
// default 30000. 0 means a job counts as done once the printing system has
// accepted it.
std::uint32_t SpoolWaitLimitMs();

// What became of one raw job.
struct SpoolOutcome {
    // True only when the job reached the device (or, with no wait, the
    // printing system accepted it).
    bool done = false;
    // Why not, in plain words that name the printer; empty when done.
    std::string cause;
    // The job as the printing system numbers it; empty when none was made.
    std::string jobId;
    // Its last state in the printing system's words ("completed",
    // "aborted", "pending", ...), and the reasons it gave, blank-separated.
    std::string state;
    std::string reasons;
    // From handing the job over to its delivery (or to giving up).
    std::uint32_t ms = 0;
    // A job that failed or ran out of time and was then removed from the
    // queue, so that it cannot reach the printer later.
    bool cancelled = false;
};

// Sends one raw job named documentName to printer ("" = the default
// printer). With waitMs > 0:
//  - a queue that is paused, does not accept jobs, or reports itself
//    offline or in error gets nothing;
//  - the job is followed until it has left the printing system for the
//    device; one that is aborted, cancelled, stopped or held, one whose
//    queue stops while it waits, and one still there after waitMs fail,
//    and a failed job is removed from the queue before this returns.
// With waitMs == 0 the job is done once the printing system has taken it
// whole.
SpoolOutcome SpoolRawJob(const std::string& printer, const std::string& documentName,
                         std::span<const std::uint8_t> bytes, std::uint32_t waitMs);

} // namespace platform
