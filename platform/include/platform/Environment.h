#pragma once
// Settings read from the environment.

namespace platform {

// The whole decimal number in environment variable name, or def when the
// variable is unset, empty, not a plain number, or larger than max: a typo
// keeps the default rather than meaning 0.
unsigned long EnvironmentNumber(const char* name, unsigned long def, unsigned long max);

} // namespace platform
