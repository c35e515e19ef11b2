#include "../common/Backend.h"

#include <windows.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform {
namespace {

// Sleep lasts at least one tick of the system timer, 15.6 ms unless some
// program has raised its resolution: a 2 ms pause per answer bit of the
// parallel port would make a 200-byte answer last 25 s. Short waits use a
// high-resolution waitable timer instead (Windows 10 1803 and later), one
// per thread; where the system has none, Sleep as before.
class ShortTimer {
public:
    ShortTimer()
        : timer_(::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_MODIFY_STATE | SYNCHRONIZE))
    {
    }
    ShortTimer(const ShortTimer&) = delete;
    ShortTimer& operator=(const ShortTimer&) = delete;
    ~ShortTimer()
    {
        if (timer_) ::CloseHandle(timer_);
    }

    bool Wait(std::uint32_t ms) const
    {
        if (!timer_) return false;
        LARGE_INTEGER due {};
        due.QuadPart = -static_cast<LONGLONG>(ms) * 10000;  // relative, in 100 ns steps
        return ::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) &&
               ::WaitForSingleObject(timer_, INFINITE) == WAIT_OBJECT_0;
    }

private:
    HANDLE timer_;
};

constexpr std::uint32_t kShortWaitMs = 50;

} // namespace

void backend::Wait(std::uint32_t ms)
{
    if (ms > 0 && ms < kShortWaitMs) {
        static thread_local const ShortTimer timer;
        if (timer.Wait(ms)) return;
    }
    ::Sleep(ms);
}

std::uint64_t backend::MonotonicMs() { return ::GetTickCount64(); }

} // namespace platform
