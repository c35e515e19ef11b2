#include "LPTPort.h"

#include "dlportio/DlPortIO.h"
#include "platform/Clock.h"

namespace tavrin {
namespace {

constexpr std::uint32_t kByteDeadlineMs = 10000;
// Synchronising with a printer that keeps answering a status other than
// 0xD8 gets the same patience as one byte; then that status is the result.
constexpr std::uint32_t kSyncDeadlineMs = 10000;
constexpr std::uint8_t kAnswerPending = 0x20;
constexpr std::uint8_t kAnswerBit = 0x08;
constexpr std::size_t kMaxAnswer = 201;

} // namespace

std::uint32_t T_LPT_Port::WriteByte(std::uint8_t b) const
{
    const std::uint32_t start = platform::GetTickCount();
    DlPortWritePortUchar(address_, b);
    DlPortWritePortUchar(address_ + 2, 0x0F);
    DlPortWritePortUchar(address_ + 2, 0x0E);
    do {
        const std::uint8_t status = DlPortReadPortUchar(address_ + 1);
        if (status >= kLptReady) return status;
    } while (platform::GetTickCount() - start < kByteDeadlineMs);
    return kLptTimeOut;
}

std::uint32_t T_LPT_Port::SendCommand(std::string_view text) const
{
    const std::uint32_t start = platform::GetTickCount();
    std::uint32_t status;
    do {
        status = WriteByte(0x00);
    } while (status != kLptReady && status < 0x100 && platform::GetTickCount() - start < kSyncDeadlineMs);
    if (status != kLptReady) return status;

    if ((status = WriteByte(0x1B)) != kLptReady) return status;
    for (const char c : text) {
        if (c == '\0') break;
        if ((status = WriteByte(static_cast<std::uint8_t>(c))) != kLptReady) return status;
    }
    return WriteByte(0x0D);
}

std::uint32_t T_LPT_Port::SendAndReceive(std::string& text) const
{
    std::uint32_t status = SendCommand(text);
    if (status == kLptReady) status = SendCommand("E 1");
    if (status == kLptReady) ReceiveAnswer(text);
    else text.clear();
    return status;
}

void T_LPT_Port::ReceiveAnswer(std::string& text) const
{
    text.clear();
    platform::Sleep(10);
    while ((DlPortReadPortUchar(address_ + 1) & kAnswerPending) && text.size() < kMaxAnswer) {
        std::uint8_t byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            WriteByte(0x00);
            platform::Sleep(2);
            const bool one = !(DlPortReadPortUchar(address_ + 1) & kAnswerBit);
            byte = static_cast<std::uint8_t>((byte << 1) | (one ? 1 : 0));
        }
        text += static_cast<char>(byte);
    }
}

} // namespace tavrin
