#include "platform/Process.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace platform {

// A Linux program always has the streams its caller gave it.
void BindStandardStreams() {}

std::string ProgramPath()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<size_t>(n));
}

std::string ModuleDir(const void* addressInModule)
{
    Dl_info info {};
    if (::dladdr(addressInModule, &info) == 0 || !info.dli_fname) return ProgramDir();
    std::string path = info.dli_fname;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    return ExtractFilePath(path);
}

} // namespace platform
