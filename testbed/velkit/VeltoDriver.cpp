// Stand-in for the Velto printer driver's plug-in (VeltoDrv.dll, here
// libveltodrv.so): the driver's private settings and its escapes.
//
// scenario.ini, section [veltodrv]:
//   version=0x0102   the driver version word (default 0x0100)
//   extra=64         the number of driver-private bytes (default 64)
//   refuse=16027,15027  escapes the driver refuses (answers 0)
// calls.log: "veltodrv: Escape(16034, 520: <hex of the block>) = 1" and
// "veltodrv: ResetDC(wide 0) = 1".
#include "StandIn.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

using namespace testbed;
using namespace testbed::velto;

namespace {
const char* const kSection = "veltodrv";
World TheWorld() { return World::FromEnvironment(); }
} // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT std::int32_t PrinterDriver_Settings(const char* /*printerName*/, std::uint16_t* driverVersion,
                                           void* privateBytes, std::int32_t capacity)
{
    const World w = TheWorld();
    const int extra = w.ScenarioInt(kSection, "extra", 64);
    *driverVersion = static_cast<std::uint16_t>(w.ScenarioInt(kSection, "version", 0x0100));
    if (privateBytes) {
        auto* out = static_cast<std::uint8_t*>(privateBytes);
        for (int i = 0; i < std::min(extra, capacity); ++i) out[i] = static_cast<std::uint8_t>(i);
    }
    return extra;
}

EXPORT std::int32_t PrinterDriver_Escape(const char* /*printerName*/, const void* /*settings*/, std::int32_t /*wide*/,
                                         std::int32_t escape, std::int32_t inSize, const void* in,
                                         std::int32_t outSize, void* out)
{
    const World w = TheWorld();
    const auto refused = IntList(w.Scenario(kSection, "refuse", ""));
    const int r = std::find(refused.begin(), refused.end(), escape) != refused.end() ? 0 : 1;
    if (r > 0 && out && outSize > 0) std::memset(out, 0, std::size_t(outSize));
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    w.Log("veltodrv", "Escape(" + std::to_string(escape) + ", " + std::to_string(inSize) + ": " +
                          Hex({bytes, in && inSize > 0 ? std::size_t(inSize) : 0}) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t PrinterDriver_ResetDC(const char* /*printerName*/, const void* /*settings*/, std::int32_t wide)
{
    TheWorld().Log("veltodrv", "ResetDC(wide " + std::to_string(wide) + ") = 1");
    return 1;
}
