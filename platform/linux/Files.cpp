#include "platform/Files.h"

#include "platform/Process.h"
#include "platform/Text.h"

#include <dirent.h>
#include <sys/stat.h>

namespace platform {

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> FindFileIgnoringCase(const std::string& path)
{
    if (FileExists(path)) return path;
    const std::string dir = ExtractFilePath(path);
    const std::string name = ExtractFileName(path);
    if (name.empty()) return std::nullopt;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return std::nullopt;
    std::optional<std::string> found;
    int hits = 0;
    while (const dirent* e = ::readdir(d)) {
        if (SameText(e->d_name, name) && FileExists(dir + e->d_name)) {
            found = dir + e->d_name;
            ++hits;
        }
    }
    ::closedir(d);
    // Two files differing only in case: the choice would be a guess.
    return hits == 1 ? found : std::nullopt;
}

} // namespace platform
