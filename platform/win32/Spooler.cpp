// The printing system is the Windows spooler (winspool).
#include "platform/Spooler.h"

#include "../common/Backend.h"
#include "SystemError.h"

#include <limits>
#include <vector>
#include <windows.h>
#include <winspool.h>

namespace platform {
namespace {

class PrinterHandle {
public:
    PrinterHandle() = default;
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;
    ~PrinterHandle()
    {
        if (h_) ::ClosePrinter(h_);
    }
    HANDLE* Out() { return &h_; }
    HANDLE Get() const { return h_; }

private:
    HANDLE h_ = nullptr;
};

} // namespace

std::vector<std::string> InstalledPrinters()
{
    std::vector<std::string> names;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    std::vector<BYTE> buffer;
    // The list can grow between the size query and the fetch.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::EnumPrintersA(flags, nullptr, 4, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count)) {
            const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
            for (DWORD i = 0; i < count; ++i)
                if (info[i].pPrinterName) names.emplace_back(info[i].pPrinterName);
            return names;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) break;
        buffer.assign(needed, 0);
    }
    return names;
}

bool PrinterInstalled(const std::string& name)
{
    // An empty name would open the print server itself.
    if (name.empty()) return false;
    PrinterHandle printer;
    return ::OpenPrinterA(const_cast<LPSTR>(name.c_str()), printer.Out(), nullptr) != FALSE;
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

bool backend::SpoolRawJobTo(const std::string& dest, const std::string& documentName,
                            std::span<const std::uint8_t> bytes, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (bytes.size() > std::numeric_limits<DWORD>::max()) return fail(dest + ": job too large");

    PrinterHandle h;
    if (!::OpenPrinterA(const_cast<LPSTR>(dest.c_str()), h.Out(), nullptr))
        return fail(dest + ": " + win32::LastErrorMessage());

    std::string docName = documentName;
    char dataType[] = "RAW";
    DOC_INFO_1A doc {docName.data(), nullptr, dataType};
    if (::StartDocPrinterA(h.Get(), 1, reinterpret_cast<LPBYTE>(&doc)) == 0)
        return fail(dest + ": the spooler refused the job: " + win32::LastErrorMessage());
    if (!::StartPagePrinter(h.Get())) {
        const std::string why = win32::LastErrorMessage();
        ::AbortPrinter(h.Get());
        return fail(dest + ": the spooler refused the page: " + why);
    }
    DWORD written = 0;
    const BOOL wrote = ::WritePrinter(h.Get(), const_cast<std::uint8_t*>(bytes.data()),
                                      static_cast<DWORD>(bytes.size()), &written);
    if (!wrote || written != bytes.size()) {
        // Part of a command must never reach the printer: the job goes.
        const std::string why = wrote ? "the spooler took " + std::to_string(written) + " of " +
                                            std::to_string(bytes.size()) + " bytes"
                                      : win32::LastErrorMessage();
        ::AbortPrinter(h.Get());
        return fail(dest + ": " + why);
    }
    if (!::EndPagePrinter(h.Get())) {
        const std::string why = win32::LastErrorMessage();
        ::AbortPrinter(h.Get());
        return fail(dest + ": the spooler refused the page: " + why);
    }
    // The job is handed over with EndDocPrinter; a failure there means it was not.
    if (!::EndDocPrinter(h.Get()))
        return fail(dest + ": the spooler did not take the job: " + win32::LastErrorMessage());
    return true;
}

} // namespace platform
