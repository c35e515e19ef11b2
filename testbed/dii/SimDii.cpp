// Stand-ins for the DII and DIGID printer drivers. One source, built once per
// driver file with the interface that driver offers (DII_ENCODER,
// DII_SMARTCARD, DII_CX320, DII_CXSCAN), and in variants lacking an entry
// point (DII_WITHOUT_END, DII_WITHOUT_UNLOAD). Every call is logged as
//   dii: <Entry>(<arguments>) = <code>
// and moves the virtual printer's card when the code is 0.
// scenario.ini, section [dii]: a result code per entry (init, end, load,
// unload, scan, loadcard, movecard; default 0), handle=N (what
// ExtEncodeInit hands out, default 4242), id1=N and id2=N (what the scan
// finds, default 7 and 9).
#include "Export.h"
#include "Testbed.h"
#include "VirtualPrinter.h"
#include "families/DiiDrivers.h"

#include <string>
#include <type_traits>

#if defined(_WIN32)
// Exported through the module definition testbed/dii/CMakeLists.txt
// writes: under the decorated names the program looks up, as the vendor's
// drivers export them.
#define DII_EXPORT extern "C"
#else
#define DII_EXPORT TESTBED_EXPORT
#endif

namespace {

testbed::World& World()
{
    static testbed::World world = testbed::World::FromEnvironment();
    return world;
}

std::int32_t Code(const char* key) { return World().ScenarioInt("dii", key, 0); }

std::int32_t Logged(const std::string& call, std::int32_t code)
{
    World().Log("dii", call + " = " + std::to_string(code));
    return code;
}

void Move(std::int32_t code, bool (testbed::VirtualPrinter::*movement)())
{
    if (code != 0) return;
    testbed::VirtualPrinter printer(World());
    (printer.*movement)();
}

[[maybe_unused]] std::string Args(std::initializer_list<std::string> args)
{
    std::string s;
    for (const auto& a : args) s += (s.empty() ? "" : ", ") + a;
    return s;
}

[[maybe_unused]] std::string Quoted(const char* s) { return s ? "\"" + std::string(s) + "\"" : "null"; }
[[maybe_unused]] std::string N(long long v) { return std::to_string(v); }

} // namespace

#if defined(DII_ENCODER)
DII_EXPORT std::int32_t TAVRIN_STDCALL ExtEncodeInit(const char* printer, std::int32_t contact, std::int32_t reserved, std::int32_t* handle)
{
    const std::int32_t code = Code("init");
    if (handle) *handle = World().ScenarioInt("dii", "handle", 4242);
    Move(code, &testbed::VirtualPrinter::Feed);
    return Logged("ExtEncodeInit(" + Args({Quoted(printer), N(contact), N(reserved)}) + ")", code);
}
static_assert(std::is_same_v<decltype(&ExtEncodeInit), DiiExtEncodeInit>);
#if !defined(DII_WITHOUT_END)
// ELF names carry no argument size: "_ExtEncodeEnd@8" and "_ExtEncodeEnd@12"
// both come down to this one entry point.
DII_EXPORT std::int32_t TAVRIN_STDCALL ExtEncodeEnd(std::int32_t handle, std::int32_t mode)
{
    const std::int32_t code = Code("end");
    Move(code, mode == 0 ? &testbed::VirtualPrinter::Eject : &testbed::VirtualPrinter::Return);
    return Logged("ExtEncodeEnd(" + Args({N(handle), N(mode)}) + ")", code);
}
static_assert(std::is_same_v<decltype(&ExtEncodeEnd), DiiExtEncodeEnd>);
#endif
#endif

#if defined(DII_SMARTCARD)
DII_EXPORT std::int32_t TAVRIN_STDCALL LoadCardSC(std::int32_t contact, void* window, std::int32_t a, std::int32_t b, const char* printer,
                                   std::int32_t reserved)
{
    const std::int32_t code = Code("load");
    Move(code, &testbed::VirtualPrinter::Feed);
    return Logged("LoadCardSC(" + Args({N(contact), window ? "window" : "null", N(a), N(b), Quoted(printer), N(reserved)}) + ")", code);
}
static_assert(std::is_same_v<decltype(&LoadCardSC), DiiLoadCardSC>);
#if !defined(DII_WITHOUT_UNLOAD)
DII_EXPORT std::int32_t TAVRIN_STDCALL UnloadCardSC(std::int32_t contact, void* window, std::int32_t a, std::int32_t b, std::int32_t eject,
                                     std::int32_t flip, std::int32_t reserved)
{
    const std::int32_t code = Code("unload");
    Move(code, eject ? &testbed::VirtualPrinter::Eject : &testbed::VirtualPrinter::Return);
    return Logged("UnloadCardSC(" + Args({N(contact), window ? "window" : "null", N(a), N(b), N(eject), N(flip), N(reserved)}) + ")", code);
}
static_assert(std::is_same_v<decltype(&UnloadCardSC), DiiUnloadCardSC>);
#endif
#endif

#if defined(DII_CX320) || defined(DII_CXSCAN)
namespace {
std::int32_t Scan(const char* entry, std::uint32_t* id1, std::uint32_t* id2)
{
    if (id1) *id1 = static_cast<std::uint32_t>(World().ScenarioInt("dii", "id1", 7));
    if (id2) *id2 = static_cast<std::uint32_t>(World().ScenarioInt("dii", "id2", 9));
    return Logged(std::string(entry) + "()", Code("scan"));
}
} // namespace

DII_EXPORT std::int32_t TAVRIN_STDCALL CXCMD_LoadCard(std::uint32_t id1, std::uint32_t id2, std::int32_t pos, std::int32_t flip,
                                       std::int32_t r1, std::int32_t r2)
{
    const std::int32_t code = Code("loadcard");
    Move(code, &testbed::VirtualPrinter::Feed);
    return Logged("CXCMD_LoadCard(" + Args({N(id1), N(id2), N(pos), N(flip), N(r1), N(r2)}) + ")", code);
}

DII_EXPORT std::int32_t TAVRIN_STDCALL CXCMD_MoveCard(std::uint32_t id1, std::uint32_t id2, std::int32_t pos, std::int32_t flip,
                                       std::int32_t r1, std::int32_t r2)
{
    const std::int32_t code = Code("movecard");
    Move(code, pos == 4 ? &testbed::VirtualPrinter::Eject : &testbed::VirtualPrinter::Return);
    return Logged("CXCMD_MoveCard(" + Args({N(id1), N(id2), N(pos), N(flip), N(r1), N(r2)}) + ")", code);
}
static_assert(std::is_same_v<decltype(&CXCMD_LoadCard), DiiCxCard>);
static_assert(std::is_same_v<decltype(&CXCMD_MoveCard), DiiCxCard>);
#endif

#if defined(DII_CX320)
DII_EXPORT std::int32_t TAVRIN_STDCALL CXCMD_ScanCX320(std::uint32_t* id1, std::uint32_t* id2) { return Scan("CXCMD_ScanCX320", id1, id2); }
static_assert(std::is_same_v<decltype(&CXCMD_ScanCX320), DiiCxScan>);
#endif

#if defined(DII_CXSCAN)
DII_EXPORT std::int32_t TAVRIN_STDCALL CXCMD_ScanPrinter(std::uint32_t* id1, std::uint32_t* id2) { return Scan("CXCMD_ScanPrinter", id1, id2); }
DII_EXPORT std::int32_t TAVRIN_STDCALL CXCMD_ScanPrinterNext(std::uint32_t* id1, std::uint32_t* id2) { return Scan("CXCMD_ScanPrinterNext", id1, id2); }
DII_EXPORT std::int32_t TAVRIN_STDCALL CXCMD_CheckIfConnected(std::uint32_t id1, std::uint32_t id2)
{
    return Logged("CXCMD_CheckIfConnected(" + Args({N(id1), N(id2)}) + ")", 0);
}
static_assert(std::is_same_v<decltype(&CXCMD_ScanPrinter), DiiCxScan>);
static_assert(std::is_same_v<decltype(&CXCMD_ScanPrinterNext), DiiCxScan>);
static_assert(std::is_same_v<decltype(&CXCMD_CheckIfConnected), DiiCxCheck>);
#endif
