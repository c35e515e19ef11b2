#include "platform/Process.h"

#include "platform/WideText.h"

#include <windows.h>

namespace platform {
namespace {

// The module's path as UTF-8, whatever the host program's ANSI code page.
std::string ModulePath(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return WideToNarrow(std::u16string(path.begin(), path.end()));
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);  // cut: try a larger buffer
    }
}

} // namespace

std::string ProgramPath() { return ModulePath(nullptr); }

std::string ModuleDir(const void* addressInModule)
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(addressInModule), &module))
        return ProgramDir();
    return ExtractFilePath(ModulePath(module));
}

} // namespace platform
