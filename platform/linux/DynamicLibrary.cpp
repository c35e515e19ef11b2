#include "platform/DynamicLibrary.h"

#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::string LibraryFileName(std::string_view name)
{
    if (name.find('/') != std::string_view::npos) return std::string(name);
    std::string_view stem = name;
    if (stem.size() > 4 && SameText(stem.substr(stem.size() - 4), ".dll")) stem.remove_suffix(4);
    // Already a Linux name (libfoo.so, libc.so.6): nothing to map.
    else if (stem.ends_with(".so") || Contains(stem, ".so.")) return std::string(name);
    return "lib" + LowerCase(stem) + ".so";
}

bool LibraryFileExists(std::string_view name)
{
    const std::string file = LibraryFileName(name);
    if (file.find('/') != std::string::npos) return FileExists(file);
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
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
}

std::optional<DynamicLibrary> DynamicLibrary::Load(std::string_view name, std::string* error)
{
    const std::string file = LibraryFileName(name);
    std::string why;
    auto attempt = [&](const std::string& candidate) -> void* {
        void* h = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h) {
            const char* e = ::dlerror();
            if (why.empty() && e) why = e;
        }
        return h;
    };

    std::vector<std::string> candidates;
    if (file.find('/') != std::string::npos) {
        candidates.push_back(file);
    } else {
        const std::string inProgramDir = ProgramDir() + file;
        if (FileExists(inProgramDir)) candidates.push_back(inProgramDir);
        candidates.push_back(file);  // the system's own search
        if (FileExists(file)) candidates.push_back("./" + file);
    }
    for (const auto& candidate : candidates) {
        if (void* h = attempt(candidate)) {
            std::string path = candidate;
            // Report the file the loader actually took.
            link_map* map = nullptr;
            if (::dlinfo(h, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name) path = map->l_name;
            return DynamicLibrary(h, path);
        }
    }
    if (error) *error = why.empty() ? file + ": cannot be loaded" : why;
    return std::nullopt;
}

void* DynamicLibrary::Symbol(std::string_view name) const
{
    if (!handle_) return nullptr;
    const std::string exact(name);
    if (void* p = ::dlsym(handle_, exact.c_str())) return p;
    // "_Name@N": the stdcall decoration ELF does not have.
    if (exact.size() > 2 && exact.front() == '_') {
        const auto at = exact.rfind('@');
        if (at != std::string::npos && at > 1 && at + 1 < exact.size() &&
            exact.find_first_not_of("0123456789", at + 1) == std::string::npos)
            return ::dlsym(handle_, exact.substr(1, at - 1).c_str());
    }
    return nullptr;
}

} // namespace platform
