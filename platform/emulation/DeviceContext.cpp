#include "platform/DeviceContext.h"

#include "PrinterDriver.h"
#include "platform/Printers.h"
#include "platform/WideText.h"

#include <cstring>
#include <mutex>
#include <set>
#include <type_traits>
#include <vector>

namespace platform {

class DeviceContext {
public:
    std::string printer;
    std::vector<std::uint8_t> settings;  // DEVMODEA or DEVMODEW with its private bytes
    bool wide = false;
    std::shared_ptr<PrinterDriver> driver;
};

namespace {

std::mutex& LiveLock()
{
    static std::mutex m;
    return m;
}

std::set<DeviceContext*>& Live()
{
    static std::set<DeviceContext*> live;
    return live;
}

bool IsLive(HDC dc)
{
    std::lock_guard lock(LiveLock());
    return dc && Live().count(dc) != 0;
}

template <typename DevMode>
std::vector<std::uint8_t> CopyRecord(const DevMode* dm)
{
    const std::size_t size = std::size_t(dm->dmSize) + dm->dmDriverExtra;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(dm);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

template <typename DevMode>
HDC Create(const std::string& name, const DevMode* settings, bool wide)
{
    auto printer = Printer::Open(name);
    if (!printer) return nullptr;
    auto dc = std::make_unique<DeviceContext>();
    dc->printer = printer->Name();
    dc->wide = wide;
    if (const std::string module = printer->DriverModule(); !module.empty()) {
        dc->driver = PrinterDriver::Load(module);
        if (!dc->driver) return nullptr;
    }
    if (settings) {
        dc->settings = CopyRecord(settings);
    } else {
        long size = 0;
        if constexpr (std::is_same_v<DevMode, DEVMODEA>)
            size = printer->DocumentPropertiesA(nullptr, nullptr, nullptr, 0);
        else
            size = printer->DocumentPropertiesW(nullptr, nullptr, nullptr, 0);
        if (size < long(sizeof(DevMode))) return nullptr;
        dc->settings.assign(static_cast<std::size_t>(size), 0);
        auto* out = reinterpret_cast<DevMode*>(dc->settings.data());
        long done = 0;
        if constexpr (std::is_same_v<DevMode, DEVMODEA>)
            done = printer->DocumentPropertiesA(nullptr, out, nullptr, DM_OUT_BUFFER);
        else
            done = printer->DocumentPropertiesW(nullptr, out, nullptr, DM_OUT_BUFFER);
        if (done != IDOK) return nullptr;
    }
    std::lock_guard lock(LiveLock());
    Live().insert(dc.get());
    return dc.release();
}

template <typename DevMode>
HDC Reset(HDC dc, const DevMode* settings, bool wide)
{
    if (!settings || !IsLive(dc)) return nullptr;
    dc->settings = CopyRecord(settings);
    dc->wide = wide;
    if (dc->driver) dc->driver->ResetDC(dc->printer, dc->settings, wide);
    return dc;
}

} // namespace

HDC CreateDCA(std::string_view printerName, const DEVMODEA* settings)
{
    return Create(std::string(printerName), settings, false);
}

HDC CreateDCW(std::u16string_view printerName, const DEVMODEW* settings)
{
    return Create(WideToNarrow(printerName), settings, true);
}

bool DeleteDC(HDC dc)
{
    {
        std::lock_guard lock(LiveLock());
        if (!dc || Live().erase(dc) == 0) return false;
    }
    delete dc;
    return true;
}

int ExtEscape(HDC dc, int escape, int inSize, const void* in, int outSize, void* out)
{
    if (!IsLive(dc) || !dc->driver) return 0;
    if (inSize < 0 || outSize < 0 || (inSize > 0 && !in) || (outSize > 0 && !out)) return -1;
    const std::span<const std::uint8_t> input(static_cast<const std::uint8_t*>(in), in ? std::size_t(inSize) : 0);
    const std::span<std::uint8_t> output(static_cast<std::uint8_t*>(out), out ? std::size_t(outSize) : 0);
    return dc->driver->Escape(dc->printer, dc->settings, dc->wide, escape, input, output);
}

HDC ResetDCA(HDC dc, const DEVMODEA* settings) { return Reset(dc, settings, false); }
HDC ResetDCW(HDC dc, const DEVMODEW* settings) { return Reset(dc, settings, true); }

std::string DCPrinterName(HDC dc) { return IsLive(dc) ? dc->printer : std::string(); }

} // namespace platform
