#include "platform/Devices.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace platform {

std::optional<DeviceFile> DeviceFile::Open(std::string_view deviceName, std::string* error)
{
    const std::string path = DevicePath(deviceName);
    // Open-existing: never create a file where a device should be.
    // Non-blocking, so that neither the open nor a write can wait for a
    // printer that is off-line or out of paper without end.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
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
    const int fd = static_cast<int>(handle_);
    if (fd < 0) return false;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(DeviceWriteLimitMs());
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return false;
        // The device takes nothing now: wait for room, but only until the
        // deadline. The parallel printer driver has no poll of its own and
        // reports room at once, so a wait that returns early still pauses.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p {fd, POLLOUT, 0};
        const auto before = Clock::now();
        const int step = static_cast<int>(std::min<long long>(left, 50));
        if (::poll(&p, 1, step) < 0 && errno != EINTR) return false;
        if (Clock::now() - before < std::chrono::milliseconds(1))
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(step, 5)));
    }
    return true;
}

void DeviceFile::Close()
{
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = kNoHandle;
}

} // namespace platform
