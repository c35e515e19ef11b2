// Printer objects are the spooler's own, reached through winspool.
#include "platform/Printers.h"

#include "../common/Backend.h"
#include "platform/Process.h"
#include "platform/WideText.h"
#include "SizedBuffer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>
#include <windows.h>
#include <winspool.h>

namespace platform {
namespace {

HANDLE Native(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }

std::string Text(const char* s) { return s ? s : ""; }

// One GetPrinterA level into a buffer of its own size.
std::vector<BYTE> PrinterLevel(NativeHandle h, DWORD level)
{
    std::vector<BYTE> buffer;
    if (h == kNoHandle) return buffer;
    if (win32::FetchSized(buffer, [&](BYTE* b, DWORD size, DWORD* needed) {
            return ::GetPrinterA(Native(h), level, b, size, needed);
        }))
        return buffer;
    return {};
}

} // namespace

std::optional<Printer> Printer::Open(std::string_view name, std::uint32_t desiredAccess)
{
    // An empty name would open the print server, not a printer.
    if (name.empty()) return std::nullopt;
    std::string printerName(name);
    // Changing a printer's attributes needs PRINTER_ACCESS_ADMINISTER; the
    // standard rights PRINTER_ALL_ACCESS adds (delete, change permissions,
    // take ownership) are never used, and an account given only the right
    // to manage the printer's settings would be refused them.
    const DWORD asked = desiredAccess == PRINTER_ALL_ACCESS ? PRINTER_ACCESS_ADMINISTER | PRINTER_ACCESS_USE
                                                            : desiredAccess;
    // The name is UTF-8; OpenPrinterA would read it in the ANSI code page.
    std::u16string wide = NarrowToWide(printerName);
    std::wstring wideName(wide.begin(), wide.end());
    PRINTER_DEFAULTSW defaults {nullptr, nullptr, asked};
    HANDLE h = nullptr;
    if (!::OpenPrinterW(wideName.data(), &h, &defaults)) return std::nullopt;
    return Printer(std::move(printerName), desiredAccess, reinterpret_cast<NativeHandle>(h));
}

Printer::Printer(Printer&& other) noexcept
    : name_(std::move(other.name_)), access_(other.access_), handle_(other.handle_), queriedSize_(other.queriedSize_)
{
    other.handle_ = kNoHandle;
    other.queriedSize_ = 0;
}

Printer& Printer::operator=(Printer&& other) noexcept
{
    if (this != &other) {
        if (handle_ != kNoHandle) ::ClosePrinter(Native(handle_));
        name_ = std::move(other.name_);
        access_ = other.access_;
        handle_ = other.handle_;
        queriedSize_ = other.queriedSize_;
        other.handle_ = kNoHandle;
        other.queriedSize_ = 0;
    }
    return *this;
}

Printer::~Printer()
{
    if (handle_ != kNoHandle) ::ClosePrinter(Native(handle_));
}

std::optional<PrinterInfo5> Printer::GetInfo5() const
{
    const auto buffer = PrinterLevel(handle_, 5);
    if (buffer.empty()) return std::nullopt;
    const auto* info = reinterpret_cast<const PRINTER_INFO_5A*>(buffer.data());
    return PrinterInfo5 {Text(info->pPrinterName), Text(info->pPortName), info->Attributes};
}

std::optional<PrinterInfo2> Printer::GetInfo2() const
{
    const auto buffer = PrinterLevel(handle_, 2);
    if (buffer.empty()) return std::nullopt;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    return PrinterInfo2 {Text(info->pPrinterName), Text(info->pPortName), Text(info->pDriverName), info->Attributes};
}

bool Printer::SetInfo5(const PrinterInfo5& info) const
{
    if ((access_ & PRINTER_ACCESS_ADMINISTER) == 0) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // The printer's own level 5 with the attributes changed: names, port
    // and time-outs stay as the spooler has them.
    auto buffer = PrinterLevel(handle_, 5);
    if (buffer.empty()) return false;
    auto* current = reinterpret_cast<PRINTER_INFO_5A*>(buffer.data());
    current->Attributes = info.attributes;
    ::SetLastError(ERROR_SUCCESS);
    if (::SetPrinterA(Native(handle_), 5, buffer.data(), 0)) return true;
    // A spooler that reads level 5 but will not set it (Wine's) still
    // takes the same attributes at level 2; a refusal for any other reason
    // stands.
    if (const DWORD why = ::GetLastError(); why != ERROR_SUCCESS && why != ERROR_INVALID_LEVEL) return false;
    auto full = PrinterLevel(handle_, 2);
    if (full.empty()) return false;
    auto* level2 = reinterpret_cast<PRINTER_INFO_2A*>(full.data());
    level2->Attributes = info.attributes;
    // Left as they are: the security descriptor (setting it needs more
    // rights, and a copy read back may not be the one that applies) and
    // the settings record.
    level2->pSecurityDescriptor = nullptr;
    level2->pDevMode = nullptr;
    return ::SetPrinterA(Native(handle_), 2, full.data(), 0) != FALSE;
}

std::string Printer::DriverModule() const
{
    if (handle_ == kNoHandle) return {};
    std::vector<BYTE> buffer;
    if (!win32::FetchSized(buffer, [&](BYTE* b, DWORD size, DWORD* needed) {
            return ::GetPrinterDriverA(Native(handle_), nullptr, 2, b, size, needed);
        }) ||
        buffer.empty())
        return {};
    const auto* info = reinterpret_cast<const DRIVER_INFO_2A*>(buffer.data());
    return info->pDriverPath ? ExtractFileName(info->pDriverPath) : std::string();
}

namespace {

// The system's DocumentProperties for either layout.
LONG SystemDocumentProperties(HANDLE printer, std::string& deviceName, DEVMODEA* out, DEVMODEA* in, DWORD mode)
{
    return ::DocumentPropertiesA(nullptr, printer, deviceName.data(), out, in, mode);
}

LONG SystemDocumentProperties(HANDLE printer, std::u16string& deviceName, DEVMODEW* out, DEVMODEW* in, DWORD mode)
{
    // Both sides hold UTF-16 code units.
    std::wstring name(deviceName.begin(), deviceName.end());
    return ::DocumentPropertiesW(nullptr, printer, name.data(), out, in, mode);
}

template <typename Char>
long Properties(NativeHandle handle, std::basic_string_view<Char> deviceName, DevModeT<Char>* out,
                const DevModeT<Char>* in, std::uint32_t mode, std::size_t& queriedSize)
{
    using DevMode = DevModeT<Char>;
    if (handle == kNoHandle) return -1;
    const HANDLE h = Native(handle);
    std::basic_string<Char> name(deviceName);
    // The system takes the input record as writable; it is ours to keep
    // as the caller gave it.
    auto* input = const_cast<DevMode*>(in);

    if ((mode & DM_OUT_BUFFER) == 0) {
        const LONG answer = SystemDocumentProperties(h, name, nullptr, (mode & DM_IN_BUFFER) ? input : nullptr, mode);
        if (mode == 0) queriedSize = answer > 0 ? static_cast<std::size_t>(answer) : 0;
        return answer;
    }
    if (!out) return -1;
    // The caller's buffer holds what the last size query said, and no
    // more: the record goes into one of our own, sized by a fresh query,
    // and is copied only when it fits.
    const LONG size = SystemDocumentProperties(h, name, nullptr, nullptr, 0);
    if (size < static_cast<LONG>(sizeof(DevMode))) return -1;
    if (static_cast<std::size_t>(size) > queriedSize) return -1;
    auto record = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
    std::memset(record.get(), 0, static_cast<std::size_t>(size));
    auto* own = reinterpret_cast<DevMode*>(record.get());
    const LONG answer = SystemDocumentProperties(h, name, own, (mode & DM_IN_BUFFER) ? input : nullptr, mode);
    if (answer < 0) return answer;
    // The record as the driver sized it, never past what was asked for.
    const std::size_t filled = std::min(std::size_t(own->dmSize) + own->dmDriverExtra, std::size_t(size));
    std::memcpy(out, record.get(), filled);
    return answer;
}

} // namespace

long backend::DocumentProperties(const Printer&, NativeHandle handle, std::string_view deviceName, DEVMODEA* out,
                                 const DEVMODEA* in, std::uint32_t mode, std::size_t& queriedSize)
{
    return Properties<char>(handle, deviceName, out, in, mode, queriedSize);
}

long backend::DocumentProperties(const Printer&, NativeHandle handle, std::u16string_view deviceName, DEVMODEW* out,
                                 const DEVMODEW* in, std::uint32_t mode, std::size_t& queriedSize)
{
    return Properties<char16_t>(handle, deviceName, out, in, mode, queriedSize);
}

} // namespace platform
