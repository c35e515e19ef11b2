#include "platform/DynamicLibrary.h"

#include "../common/Backend.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/WideText.h"

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

// Our names are UTF-8; the system's W functions take UTF-16 whatever the
// ANSI code page of the host program is.
std::wstring Wide(const std::string& text)
{
    const std::u16string w = NarrowToWide(text);
    return std::wstring(w.begin(), w.end());
}

HMODULE LoadFile(const std::string& file) { return ::LoadLibraryW(Wide(file).c_str()); }

// A relative path (".\name", "sub\name") as the current directory makes
// it: the system would search its directories for it as for a bare name
// (the program's directory first), Wine takes it from the current one.
std::string FullPath(const std::string& file)
{
    const std::wstring wide = Wide(file);
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD n = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return file;
        if (n < full.size()) {
            full.resize(n);
            return WideToNarrow(std::u16string(full.begin(), full.end()));
        }
        full.resize(n);
    }
    return file;
}

// LoadLibraryA's own search: the program's directory first, the system's
// directories, then the current directory before the PATH. A file of the
// name in the current directory must not win over one installed on the
// PATH, so then the search is made here, with the current directory last.
HMODULE LoadBareName(const std::string& file)
{
    if (FileExists(ProgramDir() + file) || !FileExists(file)) return LoadFile(file);
    if (HMODULE h = ::LoadLibraryExW(Wide(file).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return h;
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
            if (HMODULE h = LoadFile(FullPath(dir + file))) return h;
    }
    return LoadFile(FullPath(file));
}

} // namespace

std::optional<DynamicLibrary> DynamicLibrary::Load(std::string_view name, std::string* error)
{
    const std::string file(name);
    // A dialog box for a missing or broken file would hold a station, so
    // none is shown; for this thread alone, as a host program's other
    // threads keep the mode they set.
    DWORD oldMode = 0;
    const bool modeSet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode) != FALSE;
    HMODULE h = IsPath(file) ? LoadFile(FullPath(file)) : LoadBareName(file);
    const DWORD why = h ? 0 : ::GetLastError();
    if (modeSet) ::SetThreadErrorMode(oldMode, nullptr);
    if (!h) {
        if (error) *error = file + ": cannot be loaded (error " + std::to_string(why) + ")";
        return std::nullopt;
    }
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(h, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return DynamicLibrary(h, n ? WideToNarrow(std::u16string(path.begin(), path.end())) : file);
}

} // namespace platform
