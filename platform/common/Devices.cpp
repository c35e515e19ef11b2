// Device and serial-port names and the write bound, the same on every
// system; opening and writing are the backends'.
#include "platform/Devices.h"

#include "Backend.h"
#include "platform/Environment.h"
#include "platform/ParallelPorts.h"
#include "platform/Process.h"
#include "platform/SerialPort.h"
#include "platform/Text.h"

#include <cstdlib>

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
    if (IsPath(name)) return std::string(name);
    if (const int n = DeviceNumber(name, "LPT"); n > 0) return ParallelDevicePath(n);
    if (const auto serial = SerialDevicePath(name)) return *serial;
    return std::string(name);
}

std::optional<std::string> SerialDevicePath(std::string_view portName)
{
    if (IsPath(portName)) return std::string(portName);
    const int n = DeviceNumber(portName, "COM");
    if (n < 1) return std::nullopt;
    return backend::SerialPortDevice(n);
}

unsigned DeviceWriteLimitMs()
{
    return static_cast<unsigned>(EnvironmentNumber("TAVRIN_LP_WRITE_LIMIT_MS", kDeviceWriteLimitMs, kOneDayMs));
}

DeviceFile& DeviceFile::operator=(DeviceFile&& other) noexcept
{
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

} // namespace platform
