#pragma once
// Port objects that write to a device like a file: the parallel printer
// device "LPT" + n. They send only.
#include "platform/Devices.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tavrin {

class TPort {
public:
    TPort() = default;
    TPort(const TPort&) = delete;
    TPort& operator=(const TPort&) = delete;
    virtual ~TPort() = default;  // derived classes close an open port

    bool IsOpen() const { return open_; }
    virtual void MarkOpen() { open_ = true; }
    virtual void Close() { open_ = false; }
    virtual bool WriteString(std::string_view text) = 0;
    virtual bool WriteBuffer(std::span<const std::uint8_t> bytes) = 0;

private:
    bool open_ = false;
};

class TWindowsPort : public TPort {
public:
    ~TWindowsPort() override;
    void Close() override;
    bool WriteString(std::string_view text) override;
    bool WriteBuffer(std::span<const std::uint8_t> bytes) override;
    virtual bool OpenDevice(const std::string& deviceName);

private:
    std::optional<platform::DeviceFile> device_;
};

class TLptPort : public TWindowsPort {
public:
    virtual bool OpenLpt(int n);
};

} // namespace tavrin
