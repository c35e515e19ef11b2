#pragma once
// The parallel port driven at its registers, with the strobe handshake and
// the answer line: data at the base address, status at base + 1, control at
// base + 2.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrin {

// Status values: the status byte when it read 0xD8 or more; exactly 0xD8
// is success.
constexpr std::uint32_t kLptReady = 0xD8;
constexpr std::uint32_t kLptTimeOut = 0x9000;

class T_LPT_Port {
public:
    explicit T_LPT_Port(std::uint32_t address) : address_(address) {}

    std::uint32_t WriteByte(std::uint8_t b) const;
    std::uint32_t SendCommand(std::string_view text) const;
    std::uint32_t SendAndReceive(std::string& text) const;
    void ReceiveAnswer(std::string& text) const;

private:
    std::uint32_t address_;
};

} // namespace tavrin
