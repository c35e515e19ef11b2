#include "platform/Devices.h"

#include <cstdlib>

namespace platform {

unsigned DeviceWriteLimitMs()
{
    const char* text = std::getenv("TAVRIN_LP_WRITE_LIMIT_MS");
    if (!text || !*text) return kDeviceWriteLimitMs;
    char* end = nullptr;
    const unsigned long ms = std::strtoul(text, &end, 10);
    // Anything but a plain number of at most a day is a typo: keep the default.
    if (*end != '\0' || ms > 24UL * 3600 * 1000) return kDeviceWriteLimitMs;
    return static_cast<unsigned>(ms);
}

} // namespace platform
