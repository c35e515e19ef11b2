// The clock and waits, with the scripted clock the tests use; the system's
// clock and its sleep are the backends'.
#include "platform/Clock.h"

#include "Backend.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

// Tests: when TAVRIN_SCRIPTED_CLOCK names a file, waits do not block. Each
// is written to that file as a line "sleep <ms>" and the clock moves on by
// as much, so a test checks what the program waited for without sitting
// through it.
const char* ScriptedClock()
{
    static const char* const file = [] {
        const char* f = std::getenv("TAVRIN_SCRIPTED_CLOCK");
        return (f && *f) ? f : nullptr;
    }();
    return file;
}

std::atomic<std::uint64_t> scriptedMs {0};

} // namespace

void Sleep(std::uint32_t ms)
{
    if (const char* file = ScriptedClock()) {
        // Binary, so that the lines end alike on every system.
        if (std::FILE* f = std::fopen(file, "ab")) {
            std::fprintf(f, "sleep %u\n", static_cast<unsigned>(ms));
            std::fclose(f);
        }
        scriptedMs += ms;
        return;
    }
    backend::Wait(ms);
}

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(backend::MonotonicMs() + scriptedMs.load()); }

} // namespace platform
