#include "platform/ParallelPorts.h"

#include "Owned.h"

#include <windows.h>

namespace platform {
namespace {

// "\DosDevices\LPT1" names LPT1: the part after the backslash of the first
// "\L"; data without one is the name itself.
std::string PortName(std::string data)
{
    if (const auto at = data.find("\\L"); at != std::string::npos) return data.substr(at + 1);
    return data;
}

} // namespace

std::optional<std::vector<std::string>> ParallelPortNames()
{
    std::vector<std::string> names;
    win32::RegistryKey key;
    // The system lists its ports while it runs; no key is no port at all.
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\PARALLEL PORTS", 0, KEY_READ, key.Out()) !=
        ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        char name[256];
        BYTE data[256];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        const LONG r = ::RegEnumValueA(key.Get(), index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) return std::nullopt;
        std::string text(reinterpret_cast<const char*>(data), dataSize);
        if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
        names.push_back(PortName(std::move(text)));
    }
    return names;
}

std::string ParallelDevicePath(int n) { return "\\\\.\\LPT" + std::to_string(n); }

} // namespace platform
