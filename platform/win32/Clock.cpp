#include "platform/Clock.h"

#include <windows.h>

namespace platform {

void Sleep(std::uint32_t ms) { ::Sleep(ms); }

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(::GetTickCount64()); }

} // namespace platform
