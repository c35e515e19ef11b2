#include "platform/Process.h"

#include "platform/WideText.h"

#include <cstdio>
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

bool Missing(DWORD which)
{
    const HANDLE h = ::GetStdHandle(which);
    return h == nullptr || h == INVALID_HANDLE_VALUE;
}

// The C library's stream and the system's handle, both to the console.
void ToConsole(DWORD which, std::FILE* stream)
{
    if (!std::freopen("CONOUT$", "w", stream)) return;
    const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) ::SetStdHandle(which, console);
}

} // namespace

void BindStandardStreams()
{
    const bool out = Missing(STD_OUTPUT_HANDLE), err = Missing(STD_ERROR_HANDLE);
    // Handed streams (a pipe, a file, a console given by the caller) stay;
    // a program started by a windowed one has no console to attach to.
    if ((!out && !err) || !::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (out) ToConsole(STD_OUTPUT_HANDLE, stdout);
    if (err) ToConsole(STD_ERROR_HANDLE, stderr);
}

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
