// The settings-record calls of a printer object, the same on every system:
// the device name a call without one uses. The record itself is the
// backend's (the spooler's on Windows, emulation/ on Linux).
#include "platform/Printers.h"

#include "Backend.h"
#include "platform/WideText.h"

namespace platform {

long Printer::DocumentPropertiesA(const char* deviceName, DEVMODEA* out, const DEVMODEA* in, std::uint32_t mode) const
{
    const std::string_view name = deviceName ? std::string_view(deviceName) : std::string_view(name_);
    return backend::DocumentProperties(*this, handle_, name, out, in, mode, queriedSize_);
}

long Printer::DocumentPropertiesW(const char16_t* deviceName, DEVMODEW* out, const DEVMODEW* in,
                                  std::uint32_t mode) const
{
    const std::u16string name = deviceName ? std::u16string(deviceName) : NarrowToWide(name_);
    return backend::DocumentProperties(*this, handle_, name, out, in, mode, queriedSize_);
}

} // namespace platform
