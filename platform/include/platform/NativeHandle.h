#pragma once
// A handle of the system's own that a platform object holds (a file
// descriptor, a kernel object handle), kept as a number so that the
// contracts need no system header.
#include <cstdint>

namespace platform {

using NativeHandle = std::intptr_t;
constexpr NativeHandle kNoHandle = -1;

} // namespace platform
