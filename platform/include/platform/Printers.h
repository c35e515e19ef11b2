#pragma once
// The printer objects of the printing system: a printer's port name, driver
// name and attributes (the direct flag), and its settings records with the
// driver's private part. docs/platform.md says where each system keeps
// them. The attribute and access constants are the system's own where it
// has them, defined at global scope here where it does not.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/DevMode.h"
#include "platform/NativeHandle.h"

#ifdef _WIN32
#include <winspool.h>
#else
constexpr std::uint32_t PRINTER_ATTRIBUTE_DIRECT = 0x00000002;
constexpr std::uint32_t PRINTER_ACCESS_USE = 0x00000008;
constexpr std::uint32_t PRINTER_ALL_ACCESS = 0x000F000C;
#endif

namespace platform {

// PRINTER_INFO_5: what this model keeps of it.
struct PrinterInfo5 {
    std::string printerName;
    std::string portName;
    std::uint32_t attributes = 0;
};

// PRINTER_INFO_2: what this model keeps of it.
struct PrinterInfo2 {
    std::string printerName;
    std::string portName;
    std::string driverName;
    std::uint32_t attributes = 0;
};

class Printer {
public:
    // OpenPrinter. nullopt when the printing system does not know the
    // printer (or cannot be asked). Administration rights are not checked
    // here but by the printing system when a change is made.
    static std::optional<Printer> Open(std::string_view name, std::uint32_t desiredAccess = PRINTER_ACCESS_USE);

    Printer(Printer&& other) noexcept;
    Printer& operator=(Printer&& other) noexcept;
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    ~Printer();

    const std::string& Name() const { return name_; }

    // GetPrinter levels 5 and 2; nullopt when the printer cannot be read.
    std::optional<PrinterInfo5> GetInfo5() const;
    std::optional<PrinterInfo2> GetInfo2() const;

    // SetPrinter level 5: the attributes (the direct flag) change. Needs a
    // printer opened with PRINTER_ALL_ACCESS and a user the printing system
    // lets administer printers; false otherwise.
    bool SetInfo5(const PrinterInfo5& info) const;

    // The file name of the printer driver's module ("" for a generic
    // driver).
    std::string DriverModule() const;

    // DocumentProperties. mode 0: the size of the whole record (public part
    // plus driver-private bytes). DM_IN_BUFFER merges the fields in's
    // dmFields names (and its private bytes when their size matches);
    // DM_OUT_BUFFER writes the whole record to out, which must hold the
    // size mode 0 gave. IDOK on success, a negative value on failure.
    //
    // The object remembers the size its last size query returned, and
    // DM_OUT_BUFFER never writes more than that: a record that has grown
    // since (the driver's private part, the queue's driver module, or the
    // wide layout after a narrow query), or a copy with no size query
    // before it on this object, is a failure and nothing is written. One
    // object is not meant for use by two threads at once.
    long DocumentPropertiesA(const char* deviceName, DEVMODEA* out, const DEVMODEA* in, std::uint32_t mode) const;
    long DocumentPropertiesW(const char16_t* deviceName, DEVMODEW* out, const DEVMODEW* in,
                             std::uint32_t mode) const;

private:
    Printer(std::string name, std::uint32_t access, NativeHandle handle = kNoHandle)
        : name_(std::move(name)), access_(access), handle_(handle)
    {
    }
    std::string name_;
    std::uint32_t access_ = 0;
    NativeHandle handle_ = kNoHandle;  // the system's printer handle, where it has one
    // The last size query's answer; 0 before the first.
    mutable std::size_t queriedSize_ = 0;
};

} // namespace platform
