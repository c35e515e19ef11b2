#include "Testbed.h"

#include "platform/Profile.h"

#include <cstdio>
#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace testbed {

World::World(std::string dir) : dir_(std::move(dir))
{
    while (dir_.size() > 1 && (dir_.back() == '/' || dir_.back() == '\\')) dir_.pop_back();
}

World World::FromEnvironment()
{
    const char* dir = std::getenv("TAVRIN_TESTBED_DIR");
    return World(dir ? dir : "");
}

std::string World::Path(std::string_view name) const { return dir_ + "/" + std::string(name); }

void World::Log(std::string_view component, std::string_view text) const
{
    if (!Exists()) return;
    std::string line;
    line.append(component).append(": ").append(text).append("\n");
#ifdef _WIN32
    // Append-only access: each write lands at the end as one piece, so lines
    // of several processes never mix (the same as O_APPEND below).
    const HANDLE file = ::CreateFileA(Path("calls.log").c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
#else
    // One write per line with O_APPEND: lines of several processes never mix.
    const int fd = ::open(Path("calls.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t n = ::write(fd, line.data(), line.size());
    ::close(fd);
#endif
}

std::string World::Scenario(std::string_view section, std::string_view key, std::string_view def) const
{
    if (!Exists()) return std::string(def);
    return platform::ReadProfileValue(Path("scenario.ini"), section, key).value_or(std::string(def));
}

int World::ScenarioInt(std::string_view section, std::string_view key, int def) const
{
    const std::string text = Scenario(section, key, "");
    return platform::ParseWholeNumber(text).value_or(def);
}

std::string Hex(std::span<const std::uint8_t> bytes)
{
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        if (i) out += ' ';
        out += buf;
    }
    return out;
}

std::string Printable(std::span<const std::uint8_t> bytes)
{
    std::string out;
    char buf[8];
    for (const std::uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F && b != '<') {
            out += static_cast<char>(b);
        } else {
            std::snprintf(buf, sizeof buf, "<%02X>", b);
            out += buf;
        }
    }
    return out;
}

} // namespace testbed
