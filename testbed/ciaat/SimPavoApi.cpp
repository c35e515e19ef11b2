// The CIAAT vendor library stand-in, libpavoapi.so. Logs
//   pavo: PAVO_MoveCard("<printer>", <code>) = <result>
// and moves the virtual printer's card (3 feeds, 4 ejects).
// scenario.ini, section [pavo]: result=N (default 0).
#include "Export.h"
#include "Testbed.h"
#include "VirtualPrinter.h"
#include "families/DiiDrivers.h"

#include <string>
#include <type_traits>

TESTBED_EXPORT std::int32_t TAVRIN_STDCALL PAVO_MoveCard(const char* printer, std::int32_t moveCode)
{
    const testbed::World world = testbed::World::FromEnvironment();
    const std::int32_t result = world.ScenarioInt("pavo", "result", 0);
    if (result == 0) {
        testbed::VirtualPrinter p(world);
        if (moveCode == 3) p.Feed();
        else if (moveCode == 4) p.Eject();
    }
    world.Log("pavo", "PAVO_MoveCard(\"" + std::string(printer ? printer : "") + "\", " + std::to_string(moveCode) +
                          ") = " + std::to_string(result));
    return result;
}
static_assert(std::is_same_v<decltype(&PAVO_MoveCard), PavoMoveCard>);
