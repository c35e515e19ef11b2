#pragma once
// The text of the parameter help window: the valid parameters and command
// words, one entry per line, exactly as the window shows them.
#include <array>
#include <string>
#include <string_view>

namespace tavrin {

inline constexpr std::size_t kInfoLineCount = 64;

const std::array<std::string_view, kInfoLineCount>& InfoLines();

// The lines joined with '\n', with a final '\n'.
std::string InfoText();

} // namespace tavrin
