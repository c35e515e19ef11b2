#include "platform/DynamicLibrary.h"

#include "platform/Files.h"
#include "platform/Process.h"

#include <cstdlib>
#include <windows.h>

namespace platform {

// Windows loads the vendor's own file names as they are.
std::string LibraryFileName(std::string_view name) { return std::string(name); }

bool LibraryFileExists(std::string_view name)
{
    const std::string file(name);
    if (IsPath(file)) return FileExists(file);
    return FileExists(file) || FileExists(ProgramDir() + file);
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_))
{
    other.handle_ = nullptr;
}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept
{
    if (this != &other) {
        Free();
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        other.handle_ = nullptr;
    }
    return *this;
}

DynamicLibrary::~DynamicLibrary() { Free(); }

void DynamicLibrary::Free()
{
    if (handle_) ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
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

void* DynamicLibrary::Symbol(std::string_view name) const
{
    if (!handle_) return nullptr;
    const auto module = static_cast<HMODULE>(handle_);
    const std::string exact(name);
    if (auto p = ::GetProcAddress(module, exact.c_str())) return reinterpret_cast<void*>(p);
    // "_Name@N": a library built without the stdcall decoration (any
    // 64-bit one) exports the plain name.
    if (exact.size() > 2 && exact.front() == '_') {
        const auto at = exact.rfind('@');
        if (at != std::string::npos && at > 1 && at + 1 < exact.size() &&
            exact.find_first_not_of("0123456789", at + 1) == std::string::npos)
            return reinterpret_cast<void*>(::GetProcAddress(module, exact.substr(1, at - 1).c_str()));
    }
    return nullptr;
}

} // namespace platform
