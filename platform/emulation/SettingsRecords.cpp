// The settings records (DEVMODE) of printer objects where the system has
// none: the public part this model keeps (orientation, copies, duplex)
// and the private part of the queue's printer-driver plug-in.
#include "platform/Printers.h"

#include "../common/Backend.h"
#include "PrinterDriver.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace platform {
namespace {

template <typename Char>
void CopyName(Char (&field)[CCHDEVICENAME], std::basic_string_view<Char> name)
{
    std::fill(std::begin(field), std::end(field), Char(0));
    const std::size_t n = std::min(name.size(), CCHDEVICENAME - 1);
    std::copy_n(name.begin(), n, field);
}

template <typename Char>
long Properties(const Printer& printer, std::basic_string_view<Char> deviceName, DevModeT<Char>* out,
                const DevModeT<Char>* in, std::uint32_t mode, std::size_t& queriedSize)
{
    using DevMode = DevModeT<Char>;
    PrinterDriver::Settings settings;
    if (const std::string module = printer.DriverModule(); !module.empty()) {
        auto driver = PrinterDriver::Load(module);
        if (!driver) return -1;
        auto current = driver->CurrentSettings(printer.Name());
        if (!current) return -1;
        settings = std::move(*current);
    }
    const std::size_t total = sizeof(DevMode) + settings.privateBytes.size();
    if ((mode & DM_OUT_BUFFER) == 0) {
        queriedSize = total;
        return static_cast<long>(total);
    }
    if (!out) return -1;
    // The caller's buffer holds what the size query said, and no more.
    if (total > queriedSize) return -1;

    auto record = std::make_unique<unsigned char[]>(total);
    std::memset(record.get(), 0, total);
    DevMode dm {};
    CopyName(dm.dmDeviceName, deviceName);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmDriverVersion = settings.driverVersion;
    dm.dmSize = sizeof(DevMode);
    dm.dmDriverExtra = static_cast<std::uint16_t>(settings.privateBytes.size());
    dm.dmFields = DM_ORIENTATION | DM_COPIES | DM_DUPLEX;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    dm.dmCopies = 1;
    dm.dmDuplex = DMDUP_SIMPLEX;
    std::memcpy(record.get() + sizeof(DevMode), settings.privateBytes.data(), settings.privateBytes.size());

    if ((mode & DM_IN_BUFFER) && in) {
        if (in->dmFields & DM_ORIENTATION) dm.dmOrientation = in->dmOrientation;
        if (in->dmFields & DM_COPIES) dm.dmCopies = in->dmCopies;
        if (in->dmFields & DM_DUPLEX) dm.dmDuplex = in->dmDuplex;
        if (in->dmDriverExtra == dm.dmDriverExtra && in->dmSize >= sizeof(DevMode))
            std::memcpy(record.get() + sizeof(DevMode), reinterpret_cast<const unsigned char*>(in) + in->dmSize,
                        dm.dmDriverExtra);
    }
    std::memcpy(record.get(), &dm, sizeof dm);
    std::memcpy(out, record.get(), total);
    return IDOK;
}

} // namespace

long backend::DocumentProperties(const Printer& printer, NativeHandle, std::string_view deviceName, DEVMODEA* out,
                                 const DEVMODEA* in, std::uint32_t mode, std::size_t& queriedSize)
{
    return Properties<char>(printer, deviceName, out, in, mode, queriedSize);
}

long backend::DocumentProperties(const Printer& printer, NativeHandle, std::u16string_view deviceName, DEVMODEW* out,
                                 const DEVMODEW* in, std::uint32_t mode, std::size_t& queriedSize)
{
    return Properties<char16_t>(printer, deviceName, out, in, mode, queriedSize);
}

} // namespace platform
