#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

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
        if (std::FILE* f = std::fopen(file, "a")) {
            std::fprintf(f, "sleep %u\n", ms);
            std::fclose(f);
        }
        scriptedMs += ms;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint32_t GetTickCount()
{
    using namespace std::chrono;
    const auto now = static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    return static_cast<std::uint32_t>(now + scriptedMs.load());
}

} // namespace platform
