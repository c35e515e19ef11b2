// Printer device contexts are GDI's own, on the printer's real driver.
#include "platform/DeviceContext.h"

#include "platform/WideText.h"

#include <map>
#include <windows.h>

namespace platform {
namespace {

// The device contexts made here, with the printer each was made for.
// Contexts the application made itself (and hands to Velkit) are GDI's
// alone; GDI vouches for them, but their printer is not known here.
std::map<HDC, std::string>& Made()
{
    static std::map<HDC, std::string> made;
    return made;
}

// GDI refuses a handle it does not know, a deleted one included; only a
// context on a printer is taken.
bool IsLive(HDC dc)
{
    if (!dc) return false;
    const bool live = ::GetObjectType(dc) == OBJ_DC && ::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER;
    if (!live) Made().erase(dc);  // gone behind our back; its number may come again
    return live;
}

HDC Remember(HDC dc, std::string printer)
{
    if (dc) Made()[dc] = std::move(printer);
    return dc;
}

} // namespace

HDC CreateDCA(std::string_view printerName, const DEVMODEA* settings)
{
    std::string name(printerName);
    if (name.empty()) return nullptr;
    return Remember(::CreateDCA("WINSPOOL", name.c_str(), nullptr, settings), name);
}

HDC CreateDCW(std::u16string_view printerName, const DEVMODEW* settings)
{
    // Both sides hold UTF-16 code units.
    const std::wstring name(printerName.begin(), printerName.end());
    if (name.empty()) return nullptr;
    return Remember(::CreateDCW(L"WINSPOOL", name.c_str(), nullptr, settings), WideToNarrow(printerName));
}

bool DeleteDC(HDC dc)
{
    if (!IsLive(dc)) return false;
    Made().erase(dc);
    return ::DeleteDC(dc) != FALSE;
}

int ExtEscape(HDC dc, int escape, int inSize, const void* in, int outSize, void* out)
{
    if (!IsLive(dc)) return 0;
    if (inSize < 0 || outSize < 0 || (inSize > 0 && !in) || (outSize > 0 && !out)) return -1;
    return ::ExtEscape(dc, escape, inSize, static_cast<LPCSTR>(in), outSize, static_cast<LPSTR>(out));
}

HDC ResetDCA(HDC dc, const DEVMODEA* settings)
{
    if (!settings || !IsLive(dc)) return nullptr;
    return ::ResetDCA(dc, settings);
}

HDC ResetDCW(HDC dc, const DEVMODEW* settings)
{
    if (!settings || !IsLive(dc)) return nullptr;
    return ::ResetDCW(dc, settings);
}

std::string DCPrinterName(HDC dc)
{
    if (!IsLive(dc)) return {};
    const auto found = Made().find(dc);
    return found != Made().end() ? found->second : std::string();
}

} // namespace platform
