#include "platform/DynamicLibrary.h"

#include "platform/Files.h"
#include "platform/Process.h"

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

std::optional<DynamicLibrary> DynamicLibrary::Load(std::string_view name, std::string* error)
{
    const std::string file(name);
    // LoadLibraryA's own search starts in the program's directory; a dialog
    // box for a missing or broken file would hold a station, so none is shown.
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE h = ::LoadLibraryA(file.c_str());
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
    const std::string exact(name);
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), exact.c_str()));
}

} // namespace platform
