#include "_Ports.h"

namespace tavrin {

TWindowsPort::~TWindowsPort()
{
    if (IsOpen()) TWindowsPort::Close();
}

bool TWindowsPort::OpenDevice(const std::string& deviceName)
{
    device_ = platform::DeviceFile::Open(deviceName);
    if (!device_) return false;
    MarkOpen();
    return true;
}

void TWindowsPort::Close()
{
    device_.reset();
    TPort::Close();
}

bool TWindowsPort::WriteString(std::string_view text)
{
    // Up to the first zero byte, as a zero-terminated copy would be.
    const auto zero = text.find('\0');
    if (zero != std::string_view::npos) text = text.substr(0, zero);
    return WriteBuffer({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

bool TWindowsPort::WriteBuffer(std::span<const std::uint8_t> bytes)
{
    // A short or failed write leaves no error state to clear on Linux.
    return device_ && device_->Write(bytes);
}

bool TLptPort::OpenLpt(int n) { return OpenDevice("LPT" + std::to_string(n)); }

} // namespace tavrin
