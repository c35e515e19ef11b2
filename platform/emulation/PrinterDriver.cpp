#include "PrinterDriver.h"

#include <cstdlib>
#include <limits>

namespace platform {

std::string PrinterDriverDir()
{
    const char* dir = std::getenv("TAVRIN_PRINTER_DRIVER_DIR");
    std::string d = (dir && *dir) ? dir : "/usr/lib/tavrin/printer-drivers";
    if (d.back() != '/') d += '/';
    return d;
}

std::string DriverChooserDir() { return PrinterDriverDir(); }

std::shared_ptr<PrinterDriver> PrinterDriver::Load(std::string_view module)
{
    if (module.empty()) return nullptr;
    // A bare module name only: a driver never comes from anywhere but the
    // driver directory.
    const std::string file = LibraryFileName(module);
    if (file.find('/') != std::string::npos) return nullptr;
    auto library = DynamicLibrary::Load(PrinterDriverDir() + file);
    if (!library) return nullptr;
    std::shared_ptr<PrinterDriver> driver(new PrinterDriver(std::move(*library)));
    driver->settings_ = driver->library_.Function<PrinterDriverSettingsFn>("PrinterDriver_Settings");
    driver->escape_ = driver->library_.Function<PrinterDriverEscapeFn>("PrinterDriver_Escape");
    driver->resetDC_ = driver->library_.Function<PrinterDriverResetDCFn>("PrinterDriver_ResetDC");
    if (!driver->settings_ || !driver->escape_) return nullptr;
    return driver;
}

std::optional<PrinterDriver::Settings> PrinterDriver::CurrentSettings(const std::string& printerName) const
{
    Settings s;
    const std::int32_t size = settings_(printerName.c_str(), &s.driverVersion, nullptr, 0);
    // The private part must fit behind the public part in a record whose
    // extra size is a 16-bit field.
    if (size < 0 || size > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;
    s.privateBytes.assign(static_cast<std::size_t>(size), '\0');
    if (size > 0 && settings_(printerName.c_str(), &s.driverVersion, s.privateBytes.data(), size) != size)
        return std::nullopt;
    return s;
}

int PrinterDriver::Escape(const std::string& printerName, std::span<const std::uint8_t> settings, bool wide,
                          int escape, std::span<const std::uint8_t> in, std::span<std::uint8_t> out) const
{
    return escape_(printerName.c_str(), settings.data(), wide ? 1 : 0, escape, static_cast<std::int32_t>(in.size()),
                   in.empty() ? nullptr : in.data(), static_cast<std::int32_t>(out.size()),
                   out.empty() ? nullptr : out.data());
}

void PrinterDriver::ResetDC(const std::string& printerName, std::span<const std::uint8_t> settings, bool wide) const
{
    if (resetDC_) resetDC_(printerName.c_str(), settings.data(), wide ? 1 : 0);
}

} // namespace platform
