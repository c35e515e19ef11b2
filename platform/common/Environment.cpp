#include "platform/Environment.h"

#include <cerrno>
#include <cstdlib>

namespace platform {

unsigned long EnvironmentNumber(const char* name, unsigned long def, unsigned long max)
{
    const char* text = std::getenv(name);
    if (!text || *text < '0' || *text > '9') return def;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > max) return def;
    return value;
}

} // namespace platform
