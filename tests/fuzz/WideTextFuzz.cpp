// UTF-8 and UTF-16 conversion. The C library's own converter (iconv) is the
// judge: where it takes the input as valid, ours gives the same result and
// the way back restores the input exactly; where it refuses the input, ours
// put in at least one replacement character. Whatever the input, the result
// is valid and converts back and forth unchanged.
#include "FuzzCheck.h"
#include "platform/WideText.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <optional>
#include <string>
#include <string_view>

using platform::NarrowToWide;
using platform::WideToNarrow;

namespace {

// The whole input converted by iconv, or nothing when iconv finds it invalid.
std::optional<std::string> Iconv(const char* to, const char* from, std::string_view in)
{
    iconv_t cd = ::iconv_open(to, from);
    FUZZ_CHECK(cd != reinterpret_cast<iconv_t>(-1));
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    ::iconv_close(cd);
    if (r == static_cast<size_t>(-1) || srcLeft != 0) return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

std::string Bytes(std::u16string_view w)
{
    std::string b;
    for (const char16_t u : w) {
        b += static_cast<char>(u & 0xFF);
        b += static_cast<char>(u >> 8);
    }
    return b;
}

std::u16string Units(std::string_view b)
{
    std::u16string w;
    for (size_t i = 0; i + 1 < b.size(); i += 2)
        w += static_cast<char16_t>(static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8));
    return w;
}

constexpr char16_t kReplacement = 0xFFFD;
const std::string kReplacementUtf8 = "\xEF\xBF\xBD";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string narrow(reinterpret_cast<const char*>(data), size);

    // The bytes as UTF-8.
    const std::u16string wide = NarrowToWide(narrow);
    const auto judged = Iconv("UTF-16LE", "UTF-8", narrow);
    if (judged) {
        FUZZ_CHECK_SHOW(Bytes(wide) == *judged, narrow);
        FUZZ_CHECK_SHOW(WideToNarrow(wide) == narrow, narrow);
    } else {
        FUZZ_CHECK_SHOW(wide.find(kReplacement) != std::u16string::npos, narrow);
    }
    // What came out is valid UTF-16: it goes to UTF-8 and back unchanged.
    FUZZ_CHECK_SHOW(Iconv("UTF-8", "UTF-16LE", Bytes(wide)).has_value(), narrow);
    FUZZ_CHECK_SHOW(NarrowToWide(WideToNarrow(wide)) == wide, narrow);

    // The bytes as UTF-16 code units (little-endian pairs).
    const std::u16string units = Units(narrow);
    const std::string back = WideToNarrow(units);
    const auto judgedWide = Iconv("UTF-8", "UTF-16LE", Bytes(units));
    if (judgedWide) {
        FUZZ_CHECK_SHOW(back == *judgedWide, narrow);
        FUZZ_CHECK_SHOW(NarrowToWide(back) == units, narrow);
    } else {
        FUZZ_CHECK_SHOW(back.find(kReplacementUtf8) != std::string::npos, narrow);
    }
    FUZZ_CHECK_SHOW(Iconv("UTF-16LE", "UTF-8", back).has_value(), narrow);
    FUZZ_CHECK_SHOW(WideToNarrow(NarrowToWide(back)) == back, narrow);
    return 0;
}
