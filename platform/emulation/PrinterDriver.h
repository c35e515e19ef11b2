#pragma once
// Printer-driver plug-ins: the part of a Windows printer driver that
// applications reach through the printer model, namely the driver's private
// part of the settings record and the driver escapes.
//
// A plug-in is a shared library in the driver directory, named by the
// printer's "driver-module" option through the library-name rule
// ("VeltoDrv.dll" is libveltodrv.so). The driver directory is
// /usr/lib/tavrin/printer-drivers, or the one named by the environment
// variable TAVRIN_PRINTER_DRIVER_DIR. A printer without a driver module has
// a generic driver: no private bytes, driver version 0, no escapes.
//
// The plug-in interface, C linkage, every entry point required except
// PrinterDriver_ResetDC:
//
//   int32_t PrinterDriver_Settings(const char* printerName,
//                                  uint16_t* driverVersion,
//                                  void* privateBytes, int32_t capacity);
//       The number of driver-private bytes of the printer's settings
//       record (negative: the printer is unknown to the driver). Stores
//       the driver version word and, when privateBytes is not null, up to
//       capacity bytes of the printer's current private settings.
//
//   int32_t PrinterDriver_Escape(const char* printerName,
//                                const void* settings, int32_t wide,
//                                int32_t escape,
//                                int32_t inSize, const void* in,
//                                int32_t outSize, void* out);
//       A driver escape on a device context of the printer whose current
//       settings record (DEVMODEA for wide 0, DEVMODEW for wide 1, private
//       bytes behind) is given. Like ExtEscape: > 0 done, 0 not supported,
//       < 0 failed.
//
//   int32_t PrinterDriver_ResetDC(const char* printerName,
//                                 const void* settings, int32_t wide);
//       The device context now prints with these settings.
//
// All strings are UTF-8.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/DriverDirectory.h"
#include "platform/DynamicLibrary.h"

namespace platform {

extern "C" {
using PrinterDriverSettingsFn = std::int32_t (*)(const char*, std::uint16_t*, void*, std::int32_t);
using PrinterDriverEscapeFn = std::int32_t (*)(const char*, const void*, std::int32_t, std::int32_t, std::int32_t,
                                               const void*, std::int32_t, void*);
using PrinterDriverResetDCFn = std::int32_t (*)(const char*, const void*, std::int32_t);
}

class PrinterDriver {
public:
    // Loads the plug-in of a driver module name; nullptr when the file is
    // missing or lacks a required entry point.
    static std::shared_ptr<PrinterDriver> Load(std::string_view module);

    // Driver version and private bytes of the printer's current settings.
    struct Settings {
        std::uint16_t driverVersion = 0;
        std::string privateBytes;
    };
    std::optional<Settings> CurrentSettings(const std::string& printerName) const;

    int Escape(const std::string& printerName, std::span<const std::uint8_t> settings, bool wide, int escape,
               std::span<const std::uint8_t> in, std::span<std::uint8_t> out) const;
    void ResetDC(const std::string& printerName, std::span<const std::uint8_t> settings, bool wide) const;

private:
    explicit PrinterDriver(DynamicLibrary library) : library_(std::move(library)) {}
    DynamicLibrary library_;
    PrinterDriverSettingsFn settings_ = nullptr;
    PrinterDriverEscapeFn escape_ = nullptr;
    PrinterDriverResetDCFn resetDC_ = nullptr;
};

} // namespace platform
