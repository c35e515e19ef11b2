#pragma once
// Devices opened like files, by their Windows device names.
//   "LPTn"  the parallel printer device /dev/lp(n-1) (ParallelPorts.h; the
//           directory can be overridden with TAVRIN_LP_DIR)
//   "COMn"  the serial port, as SerialPort.h maps it (/dev/ttyS(n-1))
//   a name with a '/' in it is a path and used as given.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

std::string DevicePath(std::string_view deviceName);

// How long one write to a device may take before it counts as failed: a
// printer that stops taking bytes must not hold the station for ever.
// TAVRIN_LP_WRITE_LIMIT_MS overrides the default.
constexpr unsigned kDeviceWriteLimitMs = 10000;
unsigned DeviceWriteLimitMs();

class DeviceFile {
public:
    DeviceFile(const DeviceFile&) = delete;
    DeviceFile& operator=(const DeviceFile&) = delete;
    DeviceFile(DeviceFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    DeviceFile& operator=(DeviceFile&& other) noexcept;
    ~DeviceFile() { Close(); }

    // Opens an existing device for reading and writing, for this process
    // alone (another process holding it makes the open fail).
    static std::optional<DeviceFile> Open(std::string_view deviceName, std::string* error = nullptr);

    // True when every byte was written within DeviceWriteLimitMs().
    bool Write(std::span<const std::uint8_t> bytes);
    void Close();

private:
    explicit DeviceFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace platform
