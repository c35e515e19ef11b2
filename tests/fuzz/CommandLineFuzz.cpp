// The command line: the collection pass over any parameters, quote removal
// and the normalisation of an "/e:" command. Parameters are built from the
// input, often around one of the markers so that the interesting cases are
// common.
#include "FuzzCheck.h"
#include "core/RunFlow.h"
#include "platform/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using tavrin::CollectParameters;
using tavrin::NormaliseCommand;
using tavrin::Unquote;

namespace {

constexpr std::array<std::string_view, 7> kOtherMarkers = {"/a:", "/c:", "/d:", "/f:", "/i:", "/l:", "/m:"};
constexpr std::array<std::string_view, 13> kPrefixes = {"", "/e:", "/E:", "/a:", "/c:", "/d:", "/f:",
                                                        "/i:", "/l:", "/m:", "/A:", "/x:", "'/e:"};
constexpr std::array<std::string_view, 5> kCommandWords = {"feed", "eject", "reject", "return", "flip"};

bool IsCommand(std::string_view p) { return platform::Contains(platform::LowerCase(p), "/e:"); }

bool HasOtherMarker(std::string_view p)
{
    return std::any_of(kOtherMarkers.begin(), kOtherMarkers.end(), [p](auto m) { return platform::Contains(p, m); });
}

bool HasCommandWord(std::string_view p)
{
    return std::any_of(kCommandWords.begin(), kCommandWords.end(), [p](auto w) { return platform::Contains(p, w); });
}

// q, the text with every q doubled, q.
std::string Quoted(std::string_view text, char q)
{
    std::string out(1, q);
    for (const char c : text) {
        out += c;
        if (c == q) out += q;
    }
    return out + q;
}

std::string TrimRight(std::string_view s)
{
    while (!s.empty() && platform::IsBlankOrControl(s.back())) s.remove_suffix(1);
    return std::string(s);
}

// The parameters are accepted when each carries a marker ("/e:" in any
// case, the others in lower case only), and none after the first "/e:"
// lacks one of the others; then they keep their order, except that the
// first "/e:" parameter moves to the end.
void CheckCollection(const std::vector<std::string>& params)
{
    std::optional<size_t> command;
    std::optional<size_t> firstBad;
    for (size_t i = 0; i < params.size() && !firstBad; ++i) {
        if (!command && IsCommand(params[i])) command = i;
        else if (!HasOtherMarker(params[i])) firstBad = i;
    }
    std::string refused = "(untouched)";
    const auto slots = CollectParameters(params, refused);
    if (firstBad) {
        FUZZ_CHECK(!slots);
        FUZZ_CHECK_SHOW(refused == params[*firstBad], refused);
        return;
    }
    FUZZ_CHECK(slots.has_value());
    FUZZ_CHECK(refused == "(untouched)");
    std::vector<std::string> expected = params;
    if (command) {
        expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(*command));
        expected.push_back(params[*command]);
    }
    FUZZ_CHECK(*slots == expected);
}

void CheckUnquote(std::string_view text, char q)
{
    const std::string r = Unquote(text, q);
    if (text.empty() || text.front() != q) {
        FUZZ_CHECK_SHOW(r == text, text);
        return;
    }
    if (r == text) return;  // never closed, or nothing between the quotes
    // The result, quoted again, is where the text began; the closing quote
    // was a single one.
    FUZZ_CHECK_SHOW(!r.empty(), text);
    const std::string again = Quoted(r, q);
    FUZZ_CHECK_SHOW(text.substr(0, again.size()) == again, text);
    FUZZ_CHECK_SHOW(text.size() == again.size() || text[again.size()] != q, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);

    // Any text, for quote removal and normalisation.
    const std::string any = in.ConsumeRandomLengthString(128);
    CheckUnquote(any, '\'');
    CheckUnquote(any, '"');
    (void)NormaliseCommand(any);

    // A quoted text and what follows it come apart again.
    const std::string inner = in.ConsumeRandomLengthString(64);
    const std::string tail = in.ConsumeRandomLengthString(16);
    for (const char q : {'\'', '"'}) {
        if (inner.empty() || (!tail.empty() && tail.front() == q)) break;
        FUZZ_CHECK_SHOW(Unquote(Quoted(inner, q) + tail, q) == inner, inner);
    }

    // "/e:" commands as callers write them: bare, or the whole parameter
    // quoted, with blanks around.
    const std::string command = in.ConsumeRandomLengthString(64);
    const std::string bare = "/e:" + command;
    const std::string upper = platform::UpperCase(command);
    FUZZ_CHECK_SHOW(NormaliseCommand(bare) == TrimRight(HasCommandWord(bare) ? upper : command), bare);
    const std::string blanks(in.ConsumeIntegralInRange(0, 2), ' ');
    for (const char q : {'\'', '"'}) {
        const std::string quoted = blanks + Quoted(bare, q) + blanks;
        FUZZ_CHECK_SHOW(NormaliseCommand(quoted) == (HasCommandWord(quoted) ? upper : command), quoted);
    }

    // The collection pass.
    std::vector<std::string> params(in.ConsumeIntegralInRange(0, 7));
    for (auto& p : params) {
        p = std::string(kPrefixes[in.ConsumeIntegralInRange<size_t>(0, kPrefixes.size() - 1)]);
        p += in.ConsumeRandomLengthString(24);
    }
    CheckCollection(params);
    for (const auto& p : params)
        if (IsCommand(p)) (void)NormaliseCommand(p);
    return 0;
}
