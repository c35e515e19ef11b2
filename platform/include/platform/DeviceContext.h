#pragma once
// Printer device contexts: a device context belongs to one printer of the
// printer model (Printers.h) and prints with its own copy of a settings
// record; its escapes go to the printer's driver. HDC is the system's own
// handle type where it has one.
//
// Every call refuses a handle that is not a live printer device context
// instead of following it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/DevMode.h"

namespace platform {

#ifdef _WIN32
using HDC = ::HDC;
#else
class DeviceContext;
using HDC = DeviceContext*;
#endif

// The printer's device context printing with settings (the printer's
// current settings when null). nullptr when the printer is unknown or its
// driver cannot be loaded.
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
    void operator()(HDC dc) const { platform::DeleteDC(dc); }
};
using UniqueDC = std::unique_ptr<std::remove_pointer_t<HDC>, DCDeleter>;

} // namespace platform
