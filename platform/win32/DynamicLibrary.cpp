#include "platform/DynamicLibrary.h"

#include "../common/Backend.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <cstdlib>
#include <windows.h>

namespace platform {

// Windows loads the vendor's own file names as they are.
std::string LibraryFileName(std::string_view name) { return std::string(name); }

void backend::UnloadLibrary(void* handle) { ::FreeLibrary(static_cast<HMODULE>(handle)); }

void* backend::LibrarySymbol(void* handle, const char* name)
{
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}

namespace {

// LoadLibraryA's own search: the program's directory first, the system's
// directories, then the current directory before the PATH. A file of the
// name in the current directory must not win over one installed on the
// PATH, so then the search is made here, with the current directory last.
HMODULE LoadBareName(const std::string& file)
{
    if (FileExists(ProgramDir() + file) || !FileExists(file)) return ::LoadLibraryA(file.c_str());
    if (HMODULE h = ::LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return h;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "";
    while (!dirs.empty()) {
        const auto end = dirs.find(';');
        std::string dir(dirs.substr(0, end));
        dirs = end == std::string_view::npos ? std::string_view() : dirs.substr(end + 1);
        if (dir.size() > 1 && dir.front() == '"' && dir.back() == '"') dir = dir.substr(1, dir.size() - 2);
        if (dir.empty() || dir == ".") continue;
        if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
        if (FileExists(dir + file))
            if (HMODULE h = ::LoadLibraryA((dir + file).c_str())) return h;
    }
    return ::LoadLibraryA((".\\" + file).c_str());
}

} // namespace

std::optional<DynamicLibrary> DynamicLibrary::Load(std::string_view name, std::string* error)
{
    const std::string file(name);
    // A dialog box for a missing or broken file would hold a station, so
    // none is shown.
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE h = IsPath(file) ? ::LoadLibraryA(file.c_str()) : LoadBareName(file);
    const DWORD why = h ? 0 : ::GetLastError();
    ::SetErrorMode(oldMode);
    if (!h) {
        if (error) *error = file + ": cannot be loaded (error " + std::to_string(why) + ")";
        return std::nullopt;
    }
    std::string path(MAX_PATH, '\0');
    const DWORD n = ::GetModuleFileNameA(h, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return DynamicLibrary(h, n ? path : file);
}

} // namespace platform
