// Opening a serial port by name, the same on every system; the device and
// its line settings are the backends'.
#include "platform/SerialPort.h"

#include "Backend.h"

namespace platform {

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
    const std::string why = backend::OpenSerialDevice(path_, settings, handle_);
    if (why.empty()) return true;
    if (error) *error = why;
    Close();
    return false;
}

} // namespace platform
