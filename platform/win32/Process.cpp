#include "platform/Process.h"

#include <windows.h>

namespace platform {
namespace {

std::string ModulePath(HMODULE module)
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);  // cut: try a larger buffer
    }
}

} // namespace

std::string ProgramPath() { return ModulePath(nullptr); }

std::string ModuleDir(const void* addressInModule)
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(addressInModule), &module))
        return ProgramDir();
    return ExtractFilePath(ModulePath(module));
}

} // namespace platform
