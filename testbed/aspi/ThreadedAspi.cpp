// libwnaspi32-threaded.so: an ASPI layer that carries out every SCSI
// command on a thread of its own and completes it some time after it was
// handed over, refusing aborts. It does not wait for those threads when it
// is unloaded: once the code is unmapped, a thread still running it
// crashes the process. That is the layer a caller must not unload while it
// still holds one of its requests.
//
// There is no device behind it: a command completes with SS_ERR.
//
// scenario.ini, section [aspi]:
//   late_ms=N     a command completes N ms after it was sent (default 3500)
// Logged (component "aspi"): "EXEC = pending", "ABORT = 3", and
// "LATE COMPLETION" once the thread has written the status.
#include "Testbed.h"
#include "aspi/wnaspi32.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

void Complete(std::uint8_t* block, int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    std::atomic_ref<std::uint8_t>(block[1]).store(SS_ERR, std::memory_order_release);
    // Still in this library's code after the status is out.
    testbed::World::FromEnvironment().Log("aspi", "LATE COMPLETION");
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) std::uint32_t SendASPI32Command(void* srb)
{
    if (!srb) return SS_INVALID_SRB;
    auto* block = static_cast<std::uint8_t*>(srb);
    const testbed::World world = testbed::World::FromEnvironment();
    switch (block[0]) {
    case SC_HA_INQUIRY: {
        auto& inquiry = *static_cast<SRB_HAInquiry*>(srb);
        inquiry.HA_Count = 1;
        inquiry.HA_SCSI_ID = 0;
        std::atomic_ref<std::uint8_t>(block[1]).store(SS_COMP, std::memory_order_release);
        return SS_COMP;
    }
    case SC_EXEC_SCSI_CMD: {
        world.Log("aspi", "EXEC = pending");
        std::thread(Complete, block, world.ScenarioInt("aspi", "late_ms", 3500)).detach();
        return SS_PENDING;
    }
    case SC_ABORT_SRB:
        world.Log("aspi", "ABORT = 3");
        block[1] = SS_ABORT_FAIL;
        return SS_ABORT_FAIL;
    default:
        block[1] = SS_INVALID_CMD;
        return SS_INVALID_CMD;
    }
}

__attribute__((visibility("default"))) std::uint32_t GetASPI32SupportInfo(void) { return (SS_COMP << 8) | 1; }

} // extern "C"
