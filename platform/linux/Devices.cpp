#include "platform/Devices.h"

#include "platform/ParallelPorts.h"
#include "platform/SerialPort.h"
#include "platform/Text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

// The number after a three-letter device prefix ("LPT12" gives 12), or 0.
int DeviceNumber(std::string_view name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || !SameText(name.substr(0, prefix.size()), prefix)) return 0;
    int n = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9' || n > 100000) return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

std::string DevicePath(std::string_view name)
{
    if (name.find('/') != std::string_view::npos) return std::string(name);
    if (const int n = DeviceNumber(name, "LPT"); n > 0) return ParallelDevicePath(n);
    if (const auto serial = SerialDevicePath(name)) return *serial;
    return std::string(name);
}

DeviceFile& DeviceFile::operator=(DeviceFile&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

std::optional<DeviceFile> DeviceFile::Open(std::string_view deviceName, std::string* error)
{
    const std::string path = DevicePath(deviceName);
    // Open-existing: never create a file where a device should be.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    // No sharing: a device another process holds is not ours to write.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (error) *error = path + ": in use by another process";
        ::close(fd);
        return std::nullopt;
    }
    return DeviceFile(fd);
}

bool DeviceFile::Write(std::span<const std::uint8_t> bytes)
{
    if (fd_ < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void DeviceFile::Close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace platform
