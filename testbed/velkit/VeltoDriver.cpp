// Stand-in for the Velto printer driver's plug-in (VeltoDrv.dll, here
// libveltodrv.so): the driver's private settings and its escapes.
//
// scenario.ini, section [veltodrv]:
//   version=0x0102   the driver version word (default 0x0100)
//   extra=64         the number of driver-private bytes (default 200, room
//                    for every document and page setting); a list such as
//                    extra=200,260 gives the first size query 200 and every
//                    later one 260, so the size can change between the two
//                    calls of a DocumentProperties pair (the queries are
//                    counted in the world, whichever process asks)
//   refuse=16027,15027  escapes the driver refuses (answers 0); "current"
//                    stands for every number of the 16xxx series, "older"
//                    for every number of the 15xxx series
//   answer=5         the 32-bit value an escape with an output gives back
//                    (default 0)
// calls.log: "veltodrv: Escape(16034, 520: <hex of the block>) = 1" and
// "veltodrv: ResetDC(wide 0, fields 0x00001001, orientation 1, copies 1,
// duplex 3) = 1" with the public members of the record the DC now uses.
#include "StandIn.h"

#include "platform/DevMode.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace testbed;
using namespace testbed::velto;

namespace {
const char* const kSection = "veltodrv";
World TheWorld() { return World::FromEnvironment(); }

bool Refused(const World& w, int escape)
{
    const std::string list = w.Scenario(kSection, "refuse", "");
    if (list.find("current") != std::string::npos && escape >= 16000 && escape < 17000) return true;
    if (list.find("older") != std::string::npos && escape >= 15000 && escape < 16000) return true;
    const auto refused = IntList(list);
    return std::find(refused.begin(), refused.end(), escape) != refused.end();
}

template <typename DevMode>
std::string PublicMembers(const void* settings)
{
    DevMode dm;
    std::memcpy(&dm, settings, sizeof dm);
    char text[96];
    std::snprintf(text, sizeof text, "fields 0x%08X, orientation %d, copies %d, duplex %d", unsigned(dm.dmFields),
                  dm.dmOrientation, dm.dmCopies, dm.dmDuplex);
    return text;
}

// The private size for this call. A call without a buffer is a size query
// and moves on to the next entry of the list; a fill call answers what the
// last query did.
int PrivateSize(const World& w, bool query)
{
    const std::vector<int> sizes = IntList(w.Scenario(kSection, "extra", "200"));
    if (sizes.empty()) return 200;
    if (sizes.size() == 1 || !w.Exists()) return sizes.front();
    const std::string counter = w.Path("veltodrv.queries");
    std::size_t queries = 0;
    if (std::FILE* f = std::fopen(counter.c_str(), "r")) {
        if (std::fscanf(f, "%zu", &queries) != 1) queries = 0;
        std::fclose(f);
    }
    if (query) {
        ++queries;
        if (std::FILE* f = std::fopen(counter.c_str(), "w")) {
            std::fprintf(f, "%zu\n", queries);
            std::fclose(f);
        }
    }
    const std::size_t index = queries == 0 ? 0 : std::min(queries, sizes.size()) - 1;
    return sizes[index];
}
} // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT std::int32_t PrinterDriver_Settings(const char* /*printerName*/, std::uint16_t* driverVersion,
                                           void* privateBytes, std::int32_t capacity)
{
    const World w = TheWorld();
    const int extra = PrivateSize(w, privateBytes == nullptr);
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
    const int r = Refused(w, escape) ? 0 : 1;
    if (r > 0 && out && outSize > 0) {
        std::memset(out, 0, std::size_t(outSize));
        const std::uint32_t answer = std::uint32_t(w.ScenarioInt(kSection, "answer", 0));
        std::memcpy(out, &answer, std::min<std::size_t>(std::size_t(outSize), sizeof answer));
    }
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    w.Log("veltodrv", "Escape(" + std::to_string(escape) + ", " + std::to_string(inSize) + ": " +
                          Hex({bytes, in && inSize > 0 ? std::size_t(inSize) : 0}) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t PrinterDriver_ResetDC(const char* /*printerName*/, const void* settings, std::int32_t wide)
{
    const std::string members =
        wide ? PublicMembers<platform::DEVMODEW>(settings) : PublicMembers<platform::DEVMODEA>(settings);
    TheWorld().Log("veltodrv", "ResetDC(wide " + std::to_string(wide) + ", " + members + ") = 1");
    return 1;
}
