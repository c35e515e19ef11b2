// What loading a library means on every system: where a bare name is
// looked for, handing the library on, the decorated names. The loading
// itself is the backends'.
#include "platform/DynamicLibrary.h"

#include "Backend.h"
#include "platform/Files.h"
#include "platform/Process.h"

namespace platform {

bool LibraryFileExists(std::string_view name)
{
    const std::string file = LibraryFileName(name);
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
    if (handle_) backend::UnloadLibrary(handle_);
    handle_ = nullptr;
}

void* DynamicLibrary::Symbol(std::string_view name, int stdcallArgumentBytes) const
{
    if (!handle_) return nullptr;
    const std::string exact(name);
    if (void* p = backend::LibrarySymbol(handle_, exact.c_str())) return p;
    const auto at = exact.rfind('@');
    if (at == std::string::npos) {
        // A plain name whose library exports it only decorated.
        if (stdcallArgumentBytes < 0 || exact.empty()) return nullptr;
        const std::string suffix = "@" + std::to_string(stdcallArgumentBytes);
        if (void* p = backend::LibrarySymbol(handle_, ("_" + exact + suffix).c_str())) return p;
        return backend::LibrarySymbol(handle_, (exact + suffix).c_str());
    }
    // "_Name@N": the 32-bit stdcall decoration. A library built without it
    // (any ELF one, any 64-bit Windows one) exports the plain name.
    if (exact.size() > 2 && exact.front() == '_' && at > 1 && at + 1 < exact.size() &&
        exact.find_first_not_of("0123456789", at + 1) == std::string::npos)
        return backend::LibrarySymbol(handle_, exact.substr(1, at - 1).c_str());
    return nullptr;
}

} // namespace platform
