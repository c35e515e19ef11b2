#include "../common/Backend.h"

#include <chrono>
#include <thread>

namespace platform {

void backend::Wait(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::uint64_t backend::MonotonicMs()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace platform
