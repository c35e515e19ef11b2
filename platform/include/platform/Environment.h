#pragma once
// Settings read from the environment.

namespace platform {

// The longest wait a setting may ask for.
inline constexpr unsigned long kOneDayMs = 24UL * 3600 * 1000;

// The whole decimal number in environment variable name, or def when the
// variable is unset, empty, not a plain number, or larger than max: a typo
// keeps the default rather than meaning 0.
unsigned long EnvironmentNumber(const char* name, unsigned long def, unsigned long max);

} // namespace platform
