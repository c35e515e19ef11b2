#include "platform/DriverDirectory.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstdlib>
#include <windows.h>

namespace platform {
namespace {

constexpr const char* kSubPath = "system32\\spool\\drivers\\w32x86\\2\\";

// The registry value as text; "" when there is none.
std::string SystemRoot()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return {};
    std::string value;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, "SystemRoot", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        value.assign(size, '\0');
        if (::RegQueryValueExA(key, "SystemRoot", nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
            ERROR_SUCCESS)
            value.clear();
        value.resize(std::min<std::size_t>(size, value.size()));
        if (const auto end = value.find('\0'); end != std::string::npos) value.resize(end);
    }
    ::RegCloseKey(key);
    return value;
}

bool DirectoryExists(const char* path)
{
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::string PrinterDriverDir()
{
    if (const char* dir = std::getenv("TAVRIN_PRINTER_DRIVER_DIR"); dir && *dir) {
        std::string d = dir;
        if (d.back() != '\\' && d.back() != '/') d += '\\';
        return d;
    }
    // Joined as the driver search has always joined them: the sub-path
    // gets a leading backslash unless it names a directory under the
    // current directory as it is.
    std::string sub = kSubPath;
    if (!DirectoryExists(sub.c_str())) sub.insert(0, 1, '\\');
    std::string root = Trim(SystemRoot());
    if (!root.empty() && root.back() == '\\') root.pop_back();
    return root + sub;
}

} // namespace platform
