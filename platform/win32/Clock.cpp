#include "../common/Backend.h"

#include <windows.h>

namespace platform {

void backend::Wait(std::uint32_t ms) { ::Sleep(ms); }

std::uint64_t backend::MonotonicMs() { return ::GetTickCount64(); }

} // namespace platform
