#pragma once
// Serial ports by name: "COMn" (n from 1, any case) is the system's serial
// port n; a name with a directory part is a device path and used as given.
// docs/platform.md says which device that is on each system.
#include "platform/NativeHandle.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The device path of a port name; nullopt for a name that is neither
// "COMn" (n from 1, any case) nor a path.
std::optional<std::string> SerialDevicePath(std::string_view portName);

struct SerialSettings {
    int BaudRate = 9600;
    int DataBits = 8;       // 5 to 8
    bool ParityNone = true; // only "no parity" is offered
    int StopBits = 1;       // 1 or 2
    bool Dtr = false;       // the line is asserted while the port is open
    bool Rts = false;
};

// One serial port held open. No flow control; reads return at once with
// what has arrived.
class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device exclusively for reading and writing and applies the
    // line settings and the DTR and RTS lines (a stand-in device without
    // modem lines, such as a test's, skips them).
    // False with the reason in *error when the port cannot be opened or
    // set up; nothing stays open then.
    bool Open(std::string_view portName, const SerialSettings& settings, std::string* error = nullptr);
    void Close();
    bool IsOpen() const { return handle_ != kNoHandle; }
    const std::string& DevicePath() const { return path_; }

private:
    NativeHandle handle_ = kNoHandle;
    std::string path_;
};

} // namespace platform
