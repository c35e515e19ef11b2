// The printing system is the Windows spooler (winspool).
#include "platform/Spooler.h"

#include "../common/Backend.h"
#include "Owned.h"
#include "SizedBuffer.h"
#include "SystemError.h"

#include <limits>
#include <optional>
#include <vector>
#include <windows.h>
#include <winspool.h>

namespace platform {
namespace {

using PrinterHandle = win32::Owned<HANDLE, &::ClosePrinter>;

// The spooler service itself did not answer (stopped, or not installed).
bool SpoolerUnreachable(DWORD code) { return code == RPC_S_SERVER_UNAVAILABLE || code == RPC_S_CALL_FAILED; }

// The spooler's words for a printer it would not open.
std::string OpenFailure(DWORD code)
{
    return (SpoolerUnreachable(code) ? "print system unreachable: " : "") + win32::SystemMessage(code);
}

bool Open(const std::string& name, PrinterHandle& h, std::string* error)
{
    if (::OpenPrinterA(const_cast<LPSTR>(name.c_str()), h.Out(), nullptr)) return true;
    if (error) *error = OpenFailure(::GetLastError());
    return false;
}

// Whether the queue lists the job, or nothing when the list cannot be had.
std::optional<bool> JobListed(HANDLE printer, DWORD id)
{
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (!win32::FetchSized(buffer, [&](BYTE* b, DWORD size, DWORD* needed) {
            return ::EnumJobsA(printer, 0, 0xFFFFFFFF, 1, b, size, needed, &count);
        }))
        return std::nullopt;
    const auto* jobs = reinterpret_cast<const JOB_INFO_1A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (jobs[i].JobId == id) return true;
    return false;
}

void AddWord(std::string& words, bool present, const char* word)
{
    if (!present) return;
    if (!words.empty()) words += ' ';
    words += word;
}

} // namespace

std::vector<std::string> InstalledPrinters()
{
    std::vector<std::string> names;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD count = 0;
    std::vector<BYTE> buffer;
    if (!win32::FetchSized(buffer, [&](BYTE* b, DWORD size, DWORD* needed) {
            return ::EnumPrintersA(flags, nullptr, 4, b, size, needed, &count);
        }))
        return names;
    const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pPrinterName) names.emplace_back(info[i].pPrinterName);
    return names;
}

bool PrinterInstalled(const std::string& name, std::string* unreachable)
{
    if (unreachable) unreachable->clear();
    // An empty name would open the print server itself.
    if (name.empty()) return false;
    PrinterHandle printer;
    if (::OpenPrinterA(const_cast<LPSTR>(name.c_str()), printer.Out(), nullptr)) return true;
    const DWORD code = ::GetLastError();
    if (unreachable && SpoolerUnreachable(code)) *unreachable = OpenFailure(code);
    return false;
}

std::string DefaultPrinter()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        DWORD size = 0;
        if (::GetDefaultPrinterA(nullptr, &size) || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
            return {};
        std::string name(size, '\0');
        if (::GetDefaultPrinterA(name.data(), &size)) {
            name.resize(name.find('\0') == std::string::npos ? name.size() : name.find('\0'));
            return name;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    }
    return {};
}

bool backend::QueryQueue(const std::string& printer, QueueReport& report, std::string* error)
{
    PrinterHandle h;
    if (!Open(printer, h, error)) return false;
    std::vector<BYTE> buffer;
    if (!win32::FetchSized(buffer, [&](BYTE* b, DWORD size, DWORD* needed) {
            return ::GetPrinterA(h.Get(), 2, b, size, needed);
        }) ||
        buffer.empty()) {
        if (error) *error = win32::LastErrorMessage();
        return false;
    }
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    const DWORD st = info->Status;
    const bool workOffline = (info->Attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) != 0;
    report.paused = (st & PRINTER_STATUS_PAUSED) != 0;
    report.accepting = (st & PRINTER_STATUS_PENDING_DELETION) == 0;
    report.offline = (st & (PRINTER_STATUS_OFFLINE | PRINTER_STATUS_NOT_AVAILABLE)) != 0 || workOffline;
    report.error = (st & (PRINTER_STATUS_ERROR | PRINTER_STATUS_PAPER_OUT | PRINTER_STATUS_PAPER_JAM |
                          PRINTER_STATUS_PAPER_PROBLEM | PRINTER_STATUS_DOOR_OPEN | PRINTER_STATUS_USER_INTERVENTION |
                          PRINTER_STATUS_OUTPUT_BIN_FULL | PRINTER_STATUS_NO_TONER)) != 0;
    report.reasons.clear();
    AddWord(report.reasons, st & PRINTER_STATUS_PAUSED, "paused");
    AddWord(report.reasons, st & PRINTER_STATUS_PENDING_DELETION, "pending-deletion");
    AddWord(report.reasons, st & PRINTER_STATUS_OFFLINE, "offline");
    AddWord(report.reasons, st & PRINTER_STATUS_NOT_AVAILABLE, "not-available");
    AddWord(report.reasons, workOffline, "work-offline");
    AddWord(report.reasons, st & PRINTER_STATUS_ERROR, "error");
    AddWord(report.reasons, st & PRINTER_STATUS_PAPER_OUT, "paper-out");
    AddWord(report.reasons, st & PRINTER_STATUS_PAPER_JAM, "paper-jam");
    AddWord(report.reasons, st & PRINTER_STATUS_PAPER_PROBLEM, "paper-problem");
    AddWord(report.reasons, st & PRINTER_STATUS_DOOR_OPEN, "door-open");
    AddWord(report.reasons, st & PRINTER_STATUS_USER_INTERVENTION, "user-intervention");
    AddWord(report.reasons, st & PRINTER_STATUS_OUTPUT_BIN_FULL, "output-bin-full");
    AddWord(report.reasons, st & PRINTER_STATUS_NO_TONER, "no-toner");
    return true;
}

bool backend::SubmitRawJob(const std::string& dest, const std::string& documentName,
                           std::span<const std::uint8_t> bytes, std::string& jobId, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (bytes.size() > std::numeric_limits<DWORD>::max()) return fail("the job is too large");

    PrinterHandle h;
    if (!Open(dest, h, error)) return false;

    std::string docName = documentName;
    char dataType[] = "RAW";
    DOC_INFO_1A doc {docName.data(), nullptr, dataType};
    const DWORD job = ::StartDocPrinterA(h.Get(), 1, reinterpret_cast<LPBYTE>(&doc));
    if (job == 0) return fail("the spooler refused the job: " + win32::LastErrorMessage());
    auto abandon = [&](const std::string& why) {
        ::AbortPrinter(h.Get());
        return fail(why);
    };
    if (!::StartPagePrinter(h.Get())) return abandon("the spooler refused the page: " + win32::LastErrorMessage());
    // WritePrinter may take part of the bytes: what it took is in the job,
    // so the rest follows until all are there; a call that takes nothing
    // is the failure.
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done);
        if (!::WritePrinter(h.Get(), const_cast<std::uint8_t*>(bytes.data() + done), chunk, &written))
            return abandon(win32::LastErrorMessage());
        if (written == 0)
            return abandon("the spooler took " + std::to_string(done) + " of " + std::to_string(bytes.size()) + " bytes");
        done += written;
    }
    if (!::EndPagePrinter(h.Get())) return abandon("the spooler refused the page: " + win32::LastErrorMessage());
    // The job is handed over with EndDocPrinter; a failure there means it was not.
    if (!::EndDocPrinter(h.Get())) return fail("the spooler did not take the job: " + win32::LastErrorMessage());
    jobId = std::to_string(job);
    return true;
}

bool backend::QueryJob(const std::string& printer, const std::string& jobId, JobReport& report, std::string* error)
{
    PrinterHandle h;
    if (!Open(printer, h, error)) return false;
    const DWORD id = static_cast<DWORD>(std::stoul(jobId));
    std::vector<BYTE> buffer;
    if (!win32::FetchSized(buffer, [&](BYTE* b, DWORD size, DWORD* needed) {
            return ::GetJobA(h.Get(), id, 1, b, size, needed);
        }) ||
        buffer.empty()) {
        // The spooler removes a finished job unless the printer keeps them.
        // Windows answers ERROR_INVALID_PARAMETER for a job it no longer
        // has. Not every spooler says so, and the queue's own list decides
        // then; a spooler that keeps no list either (Wine's, which hands
        // each job on within EndDocPrinter) has nothing more to tell.
        const DWORD code = ::GetLastError();
        const auto listed = code == ERROR_INVALID_PARAMETER ? std::optional<bool>(false) : JobListed(h.Get(), id);
        if (!listed || !*listed) {
            report.phase = JobPhase::Gone;
            return true;
        }
        if (error) *error = win32::SystemMessage(code);
        return false;
    }
    const auto* info = reinterpret_cast<const JOB_INFO_1A*>(buffer.data());
    const DWORD st = info->Status;
    report.message = info->pStatus ? info->pStatus : "";
    report.reasons.clear();
    AddWord(report.reasons, st & JOB_STATUS_ERROR, "error");
    AddWord(report.reasons, st & JOB_STATUS_OFFLINE, "offline");
    AddWord(report.reasons, st & JOB_STATUS_PAPEROUT, "paper-out");
    AddWord(report.reasons, st & JOB_STATUS_BLOCKED_DEVQ, "blocked-devq");
    AddWord(report.reasons, st & JOB_STATUS_USER_INTERVENTION, "user-intervention");
    AddWord(report.reasons, st & (JOB_STATUS_DELETING | JOB_STATUS_DELETED), "deleted");
    AddWord(report.reasons, st & JOB_STATUS_RESTART, "restart");
    if (st & (JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE)) {
        report.phase = JobPhase::Delivered;
        report.state = "printed";
    } else if (st & (JOB_STATUS_ERROR | JOB_STATUS_OFFLINE | JOB_STATUS_PAPEROUT | JOB_STATUS_BLOCKED_DEVQ |
                     JOB_STATUS_USER_INTERVENTION | JOB_STATUS_DELETING | JOB_STATUS_DELETED)) {
        report.phase = JobPhase::Failed;
        report.state = (st & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) ? "deleted" : "error";
    } else if (st & JOB_STATUS_PAUSED) {
        report.phase = JobPhase::Held;
        report.state = "paused";
    } else if (st & (JOB_STATUS_PRINTING | JOB_STATUS_SPOOLING)) {
        report.phase = JobPhase::Printing;
        report.state = (st & JOB_STATUS_PRINTING) ? "printing" : "spooling";
    } else {
        report.phase = JobPhase::Waiting;
        report.state = "queued";
    }
    return true;
}

bool backend::CancelJob(const std::string& printer, const std::string& jobId)
{
    PrinterHandle h;
    if (!Open(printer, h, nullptr)) return false;
    const DWORD id = static_cast<DWORD>(std::stoul(jobId));
    if (::SetJobA(h.Get(), id, 0, nullptr, JOB_CONTROL_DELETE)) return true;
    return ::GetLastError() == ERROR_INVALID_PARAMETER;  // already gone
}

} // namespace platform
