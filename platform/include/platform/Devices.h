#pragma once
// Devices opened like files, by their device names: "LPTn", the parallel
// printer device of port n (as ParallelPorts.h numbers them), "COMn", the
// serial port n; a name with a directory part is a path and used as given.
// docs/platform.md says which device each name is on each system.
#include "platform/NativeHandle.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// The system's name for the device.
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
    DeviceFile(DeviceFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }
    DeviceFile& operator=(DeviceFile&& other) noexcept;
    ~DeviceFile() { Close(); }

    // Opens an existing device for reading and writing, for this process
    // alone (another process holding it makes the open fail).
    static std::optional<DeviceFile> Open(std::string_view deviceName, std::string* error = nullptr);

    // True when every byte was written within DeviceWriteLimitMs().
    bool Write(std::span<const std::uint8_t> bytes);
    void Close();

private:
    explicit DeviceFile(NativeHandle handle) : handle_(handle) {}
    NativeHandle handle_ = kNoHandle;
};

} // namespace platform
