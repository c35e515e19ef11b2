#include "platform/DriverDirectory.h"

#include "Owned.h"
#include "platform/Text.h"
#include "platform/WideText.h"

#include <algorithm>
#include <cstdlib>
#include <windows.h>
#include <winspool.h>

namespace platform {
namespace {

constexpr const char* kSubPath = "system32\\spool\\drivers\\w32x86\\2\\";

// The registry value as text; "" when there is none.
std::string SystemRoot()
{
    win32::RegistryKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ,
                        key.Out()) != ERROR_SUCCESS)
        return {};
    std::string value;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key.Get(), "SystemRoot", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        value.assign(size, '\0');
        if (::RegQueryValueExA(key.Get(), "SystemRoot", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                               &size) != ERROR_SUCCESS)
            value.clear();
        value.resize(std::min<std::size_t>(size, value.size()));
        if (const auto end = value.find('\0'); end != std::string::npos) value.resize(end);
    }
    return value;
}

// SystemRoot as the driver search has always taken it: trimmed, without
// one trailing backslash.
std::string TrimmedSystemRoot()
{
    std::string root = Trim(SystemRoot());
    if (!root.empty() && root.back() == '\\') root.pop_back();
    return root;
}

bool DirectoryExists(const char* path)
{
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The spooler's own driver folder for drivers of this process's kind, with
// the version-3 folder in it (where Windows has kept printer drivers since
// Vista: W32X86\3, x64\3); "" when the spooler names none.
std::string SpoolerDriverDir()
{
#ifdef _WIN64
    wchar_t environment[] = L"Windows x64";
#else
    wchar_t environment[] = L"Windows NT x86";
#endif
    std::wstring dir(MAX_PATH, L'\0');
    DWORD needed = 0;
    if (!::GetPrinterDriverDirectoryW(nullptr, environment, 1, reinterpret_cast<BYTE*>(dir.data()),
                                      static_cast<DWORD>(dir.size() * sizeof(wchar_t)), &needed)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return {};
        dir.assign(needed / sizeof(wchar_t) + 1, L'\0');
        if (!::GetPrinterDriverDirectoryW(nullptr, environment, 1, reinterpret_cast<BYTE*>(dir.data()),
                                          static_cast<DWORD>(dir.size() * sizeof(wchar_t)), &needed))
            return {};
    }
    dir.resize(dir.find(L'\0'));
    if (dir.empty()) return {};
    std::string path = WideToNarrow(std::u16string(dir.begin(), dir.end()));
    if (path.back() != '\\') path += '\\';
    return path + "3\\";
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
    const std::string classic = TrimmedSystemRoot() + sub;
    // That folder first, where it is there; a Windows that has none keeps
    // its drivers in the spooler's version-3 folder.
    if (DirectoryExists(classic.c_str())) return classic;
    if (const std::string current = SpoolerDriverDir(); !current.empty() && DirectoryExists(current.c_str()))
        return current;
    return classic;
}

// Where the driver chooser has always started: the 32-bit drivers' folder.
std::string DriverChooserDir()
{
    std::string root = TrimmedSystemRoot();
    if (root.empty()) root = "C:\\WINDOWS";
    return root + "\\system32\\spool\\drivers\\w32x86";
}

} // namespace platform
