#include "platform/ParallelPorts.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>

namespace platform {
namespace {

std::string DeviceDir()
{
    const char* dir = std::getenv("TAVRIN_LP_DIR");
    return (dir && *dir) ? dir : "/dev";
}

} // namespace

std::optional<std::vector<std::string>> ParallelPortNames()
{
    std::vector<std::string> names;
    DIR* d = ::opendir(DeviceDir().c_str());
    if (!d) {
        // No device directory is no port at all; anything else is a failure.
        if (errno == ENOENT) return names;
        return std::nullopt;
    }
    errno = 0;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() > 2 && name.compare(0, 2, "lp") == 0 &&
            name.find_first_not_of("0123456789", 2) == std::string::npos && name.size() <= 6)
            names.push_back("LPT" + std::to_string(std::atoi(name.c_str() + 2) + 1));
        errno = 0;
    }
    const bool failed = errno != 0;
    ::closedir(d);
    if (failed) return std::nullopt;
    return names;
}

std::string ParallelDevicePath(int n)
{
    std::string dir = DeviceDir();
    if (dir.back() != '/') dir += '/';
    return dir + "lp" + std::to_string(n - 1);
}

} // namespace platform
