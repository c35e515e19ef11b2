// Hexadecimal payloads of raw commands and the Magicard raw frame. Of any
// text, only the digits 0-9 and A-F count, two to a byte, a last single one
// dropped; the frame carries the command text unchanged between its fixed
// head and tail.
#include "FuzzCheck.h"
#include "families/EscPrinter.h"
#include "families/Magicard.h"
#include "platform/Text.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

using tavrin::HexToBytes;
using tavrin::IsCommandWord;
using tavrin::MagicardFrame;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::string digits;
    for (const char c : text)
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) digits += c;
    const std::string bytes = HexToBytes(text);
    FUZZ_CHECK_SHOW(bytes.size() == digits.size() / 2, text);
    std::string written;
    for (const char b : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(b));
        written += pair;
    }
    FUZZ_CHECK_SHOW(written == digits.substr(0, bytes.size() * 2), text);

    const std::string_view head = "\x01,NOC0,BBB1,MAG1,%";
    const std::string frame = MagicardFrame(text);
    FUZZ_CHECK_SHOW(frame.size() == head.size() + text.size() + 2, text);
    FUZZ_CHECK_SHOW(std::string_view(frame).substr(0, head.size()) == head, frame);
    FUZZ_CHECK_SHOW(frame.substr(head.size(), text.size()) == text, frame);
    FUZZ_CHECK_SHOW(frame.substr(frame.size() - 2) == "\x1C\x03", frame);

    const std::string upper = platform::UpperCase(text);
    const bool word = upper == "FEED" || upper == "EJECT" || upper == "RETURN" || upper == "REJECT" || upper == "FLIP";
    FUZZ_CHECK_SHOW(IsCommandWord(text) == word, text);
    return 0;
}
