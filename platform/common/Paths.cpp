#include "platform/Process.h"

namespace platform {
namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/:";
#else
constexpr std::string_view kSeparators = "/";
#endif

} // namespace

bool IsPath(std::string_view name) { return name.find_first_of(kSeparators) != std::string_view::npos; }

std::string CurrentDirectoryFile(std::string_view name)
{
    // The system's own separator first: it is the one every call takes.
    return std::string(".") + kSeparators.front() + std::string(name);
}

std::string ExtractFilePath(const std::string& path)
{
    const auto slash = path.find_last_of(kSeparators);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path)
{
    const auto slash = path.find_last_of(kSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext)
{
    const auto slash = path.find_last_of(kSeparators);
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
    return path.substr(0, dot) + ext;
}

std::string ProgramDir() { return ExtractFilePath(ProgramPath()); }

} // namespace platform
