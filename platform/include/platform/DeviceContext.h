#pragma once
// Printer device contexts: what CreateDC, DeleteDC, ExtEscape and ResetDC
// are on Windows. A device context belongs to one printer of the printer
// model (Printers.h) and carries its own copy of a settings record; its
// escapes go to the printer's driver plug-in (PrinterDriver.h).
//
// Handles are plain pointers so that C callers can hold them. Every call
// checks that its handle is a live device context of this copy of the
// platform layer, so a stale or foreign handle is refused instead of being
// followed.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/DevMode.h"

namespace platform {

class DeviceContext;
using HDC = DeviceContext*;

// The printer's device context printing with settings (the printer's
// current settings when null). nullptr when the printer is unknown or its
// driver plug-in cannot be loaded.
HDC CreateDCA(std::string_view printerName, const DEVMODEA* settings);
HDC CreateDCW(std::u16string_view printerName, const DEVMODEW* settings);

// false when dc is not a live device context.
bool DeleteDC(HDC dc);

// The driver's answer: > 0 done, 0 not supported (also: dc not live, or a
// generic driver), < 0 failed.
int ExtEscape(HDC dc, int escape, int inSize, const void* in, int outSize, void* out);

// The device context prints with new settings from now on; dc on success,
// nullptr when dc is not live or settings is null.
HDC ResetDCA(HDC dc, const DEVMODEA* settings);
HDC ResetDCW(HDC dc, const DEVMODEW* settings);

// The printer of a live device context ("" otherwise).
std::string DCPrinterName(HDC dc);

struct DCDeleter {
    void operator()(DeviceContext* dc) const { DeleteDC(dc); }
};
using UniqueDC = std::unique_ptr<DeviceContext, DCDeleter>;

} // namespace platform
