#pragma once
// What the Velto port-module and driver stand-ins share: scenario lists and
// byte strings, and the virtual printer's answer to a card movement.
#include "Export.h"
#include "Testbed.h"
#include "VirtualPrinter.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace testbed::velto {

// "2, 5,2" -> {2, 5, 2}
std::vector<int> IntList(const std::string& text);
// "05 81 30" -> bytes
std::vector<std::uint8_t> HexBytes(const std::string& text);

// A scripted result for an entry point ([section] Name=value), or def.
int Result(const World& world, const char* section, const char* entry, int def);

// Logs "clock: <component> <entry> <tick>" with the monotonic millisecond
// tick, so a test can order a module call against the steps around it
// without timing anything itself.
void Stamp(const World& world, const std::string& component, const std::string& entry);

// The virtual printer moves the card for an eject code (4: to the encoder,
// 2: out, 1: back to the print position); 0 when it did, 1 when refused.
int MoveCard(const World& world, int code);

// An encoder library's pointer argument as the log shows it: the text it
// holds in quotes (up to 32 characters, NUL-terminated), or null.
std::string PointerText(const void* p);

// One call of an encoder-library stand-in: logs "<Entry>(<args>) = <status>"
// under section and answers the status scenario.ini gives the entry
// (default 0). Pointer arguments show the text they hold.
inline std::string ArgText(const void* p) { return PointerText(p); }
inline std::string ArgText(std::int32_t v) { return std::to_string(v); }

template <typename... Args>
int LoggedCall(const char* section, const char* entry, Args... args)
{
    const World w = World::FromEnvironment();
    const int r = w.ScenarioInt(section, entry, 0);
    std::string line = std::string(entry) + "(";
    bool first = true;
    ((line += (first ? "" : ", ") + ArgText(args), first = false), ...);
    w.Log(section, line + ") = " + std::to_string(r));
    return r;
}

// Copies a scripted reply with its NUL into an encoder library's buffer.
void PutReply(void* buffer, const std::string& text);

} // namespace testbed::velto

// Logs "module: <file> loaded" and "... unloaded" as the loader takes the
// stand-in in and out, so tests see when a library is really released. On
// Windows the library's entry point does it, naming the file it was loaded
// from (its vendor name).
#if defined(_WIN32)
namespace testbed::velto {
void LogModuleLifetime(void* module, unsigned long reason);
}
#define TESTBED_LOG_MODULE_LIFETIME(file)                                                  \
    extern "C" int __stdcall DllMain(void* module, unsigned long reason, void*)            \
    {                                                                                      \
        testbed::velto::LogModuleLifetime(module, reason);                                 \
        return 1;                                                                          \
    }
#else
#define TESTBED_LOG_MODULE_LIFETIME(file)                                                                      \
    __attribute__((constructor)) static void ModuleLoaded() { testbed::World::FromEnvironment().Log("module", file " loaded"); } \
    __attribute__((destructor)) static void ModuleUnloaded() { testbed::World::FromEnvironment().Log("module", file " unloaded"); }
#endif

// An entry point has the type of the program's slot of the same name in
// the record it is loaded into (velkit/PortModules.h, EncoderModules.h):
// arguments, result and calling convention.
#define TESTBED_SAME_AS_SLOT(Record, name) \
    static_assert(std::is_same_v<decltype(&name), decltype(velkit::Record::name)>, #name " as Velkit calls it")
