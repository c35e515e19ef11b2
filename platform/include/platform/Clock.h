#pragma once
#include <cstdint>

namespace platform {

// Blocks the calling thread for ms milliseconds. (Tests may script the
// clock instead: see TAVRIN_SCRIPTED_CLOCK in docs/testbed.md.)
void Sleep(std::uint32_t ms);

// Milliseconds from a fixed point in the past on a monotonic clock, cut to
// 32 bits; differences taken with unsigned arithmetic survive wrap-around.
std::uint32_t GetTickCount();

} // namespace platform
