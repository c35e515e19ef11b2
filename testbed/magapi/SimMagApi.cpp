// The simulated Magicard vendor library, libmagapi.so. It moves the virtual
// card printer's card and logs every call as
//   magapi: <Entry>(<arguments>) = <result>
// scenario.ini, section [magapi]:
//   enable=N        EnableStatusReporting's result (default 0)
//   feed=N, eject=N the results of FeedCardA and EjectCardA (default 0)
//   wait=1,1,0      WaitForPrinter's results in turn; the last one repeats
//                   (default: 0 once the card has moved; -1 when the
//                   virtual printer refused)
//   message=TEXT    what GetLastPrinterMessage delivers
// Built also without one entry point (MAGAPI_WITHOUT), for tests of a
// library that lacks it.
#include "EscInterpreter.h"
#include "Export.h"
#include "Testbed.h"
#include "VirtualPrinter.h"
#include "families/MagAPI.h"

#include <cstring>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#define MAGAPI_EXPORT TESTBED_EXPORT

namespace {

testbed::World& World()
{
    static testbed::World world = testbed::World::FromEnvironment();
    return world;
}

int gHandle = 0;
std::vector<int> gWaits;
size_t gWaitIndex = 0;
bool gMoved = true;

std::int32_t Result(const char* key, std::int32_t def) { return World().ScenarioInt("magapi", key, def); }

std::int32_t Log(const std::string& call, std::int32_t result)
{
    World().Log("magapi", call + " = " + std::to_string(result));
    return result;
}

[[maybe_unused]] void LoadWaits()
{
    gWaits.clear();
    gWaitIndex = 0;
    std::stringstream ss(World().Scenario("magapi", "wait", ""));
    std::string item;
    while (std::getline(ss, item, ','))
        if (!item.empty()) gWaits.push_back(std::stoi(item));
}

} // namespace

#ifndef MAGAPI_WITHOUT_EnableStatusReporting
MAGAPI_EXPORT std::int32_t TAVRIN_STDCALL EnableStatusReporting(void* dc, void** handle, std::uint32_t flags)
{
    const std::int32_t r = Result("enable", 0);
    if (r == 0 && handle) *handle = &gHandle;
    LoadWaits();
    return Log(std::string("EnableStatusReporting(") + (dc ? "dc" : "null") + ", " + std::to_string(flags) + ")", r);
}
#endif

MAGAPI_EXPORT std::int32_t TAVRIN_STDCALL DisableStatusReporting(void* handle)
{
    return Log(std::string("DisableStatusReporting(") + (handle == &gHandle ? "handle" : "?") + ")", 0);
}

#ifndef MAGAPI_WITHOUT_FeedCardA
MAGAPI_EXPORT std::int32_t TAVRIN_STDCALL FeedCardA(void* handle, std::int32_t mode, std::int32_t param, const char* comment)
{
    const std::int32_t r = Result("feed", 0);
    if (r == 0) {
        testbed::VirtualPrinter printer(World());
        gMoved = printer.Feed();
    }
    return Log(std::string("FeedCardA(") + (handle == &gHandle ? "handle" : "?") + ", " + std::to_string(mode) + ", " +
                   std::to_string(param) + ", \"" + (comment ? comment : "") + "\")",
               r);
}
#endif

MAGAPI_EXPORT std::int32_t TAVRIN_STDCALL EjectCardA(void* handle, const char* comment)
{
    const std::int32_t r = Result("eject", 0);
    if (r == 0) {
        testbed::VirtualPrinter printer(World());
        gMoved = printer.Eject();
    }
    return Log(std::string("EjectCardA(") + (handle == &gHandle ? "handle" : "?") + ", \"" + (comment ? comment : "") + "\")", r);
}

MAGAPI_EXPORT std::int32_t TAVRIN_STDCALL WaitForPrinter(void* handle)
{
    std::int32_t r;
    if (gWaits.empty()) r = gMoved ? 0 : -1;
    else r = gWaits[std::min(gWaitIndex++, gWaits.size() - 1)];
    return Log(std::string("WaitForPrinter(") + (handle == &gHandle ? "handle" : "?") + ")", r);
}

MAGAPI_EXPORT std::int32_t TAVRIN_STDCALL GetLastPrinterMessage(void* handle, char* buffer, std::uint32_t* size)
{
    const std::string text = World().Scenario("magapi", "message", "Ready");
    if (buffer && size && *size > 0) {
        const size_t n = std::min<size_t>(text.size(), *size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return Log(std::string("GetLastPrinterMessage(") + (handle == &gHandle ? "handle" : "?") + ", " +
                   std::to_string(size ? *size : 0) + ")",
               0);
}

// Each entry point as the program calls it.
#ifndef MAGAPI_WITHOUT_EnableStatusReporting
static_assert(std::is_same_v<decltype(&EnableStatusReporting), MagEnableStatusReporting>);
#endif
#ifndef MAGAPI_WITHOUT_FeedCardA
static_assert(std::is_same_v<decltype(&FeedCardA), MagFeedCardA>);
#endif
static_assert(std::is_same_v<decltype(&DisableStatusReporting), MagDisableStatusReporting>);
static_assert(std::is_same_v<decltype(&EjectCardA), MagEjectCardA>);
static_assert(std::is_same_v<decltype(&WaitForPrinter), MagWaitForPrinter>);
static_assert(std::is_same_v<decltype(&GetLastPrinterMessage), MagGetLastPrinterMessage>);
