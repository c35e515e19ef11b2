#include "StandIn.h"

#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <cstring>
#include <sstream>
#ifdef _WIN32
#include <windows.h>
#endif

namespace testbed::velto {

std::vector<int> IntList(const std::string& text)
{
    std::vector<int> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        const auto v = platform::ParseWholeNumber(platform::Trim(item));
        if (v) out.push_back(*v);
    }
    return out;
}

std::vector<std::uint8_t> HexBytes(const std::string& text)
{
    std::vector<std::uint8_t> out;
    std::stringstream in(text);
    std::string item;
    while (in >> item) out.push_back(static_cast<std::uint8_t>(std::stoul(item, nullptr, 16)));
    return out;
}

int Result(const World& world, const char* section, const char* entry, int def)
{
    return world.ScenarioInt(section, entry, def);
}

void Stamp(const World& world, const std::string& component, const std::string& entry)
{
    world.Log("clock", component + " " + entry + " " + std::to_string(platform::GetTickCount()));
}

int MoveCard(const World& world, int code)
{
    VirtualPrinter printer(world);
    bool moved = true;
    if (code == 4) moved = printer.Feed();
    else if (code == 2) moved = printer.Eject();
    else if (code == 1) moved = printer.Return();
    return moved ? 0 : 1;
}

std::string PointerText(const void* p)
{
    if (!p) return "null";
    const auto* bytes = static_cast<const std::uint8_t*>(p);
    std::size_t n = 0;
    while (n < 32 && bytes[n] != 0) ++n;
    return "\"" + Printable({bytes, n}) + "\"";
}

void PutReply(void* buffer, const std::string& text)
{
    if (buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
}

#ifdef _WIN32
void LogModuleLifetime(void* module, unsigned long reason)
{
    if (reason != DLL_PROCESS_ATTACH && reason != DLL_PROCESS_DETACH) return;
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(static_cast<HMODULE>(module), path, MAX_PATH);
    std::string file(path, n);
    if (const auto slash = file.find_last_of("\\/"); slash != std::string::npos) file.erase(0, slash + 1);
    World::FromEnvironment().Log("module", file + (reason == DLL_PROCESS_ATTACH ? " loaded" : " unloaded"));
}
#endif

} // namespace testbed::velto
