#include "platform/DynamicLibrary.h"

#include "../common/Backend.h"
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
    if (IsPath(name)) return std::string(name);
    std::string_view stem = name;
    if (stem.size() > 4 && SameText(stem.substr(stem.size() - 4), ".dll")) stem.remove_suffix(4);
    // Already a Linux name (libfoo.so, libc.so.6): nothing to map.
    else if (stem.ends_with(".so") || Contains(stem, ".so.")) return std::string(name);
    return "lib" + LowerCase(stem) + ".so";
}

void backend::UnloadLibrary(void* handle) { ::dlclose(handle); }

void* backend::LibrarySymbol(void* handle, const char* name) { return ::dlsym(handle, name); }

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
    if (IsPath(file)) {
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

} // namespace platform
