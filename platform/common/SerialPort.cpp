// Serial port names, the same on every system; the device and its line
// settings are the backends'.
#include "platform/SerialPort.h"

#include "Backend.h"
#include "platform/Process.h"

namespace platform {

std::optional<std::string> SerialDevicePath(std::string_view portName)
{
    if (IsPath(portName)) return std::string(portName);
    const int n = backend::DeviceNumber(portName, "COM");
    if (n < 1) return std::nullopt;
    return backend::SerialPortDevice(n);
}

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Open(std::string_view portName, const SerialSettings& settings, std::string* error)
{
    Close();
    const auto path = SerialDevicePath(portName);
    if (!path) {
        if (error) *error = "not a serial port name: " + std::string(portName);
        return false;
    }
    path_ = *path;
    if (OpenDevice(settings, error)) return true;
    Close();
    return false;
}

} // namespace platform
