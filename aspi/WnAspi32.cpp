// libwnaspi32.so: ASPI for Win32's two entry points over Linux's sg driver.
#include "SgBus.h"
#include "linux/SgLinux.h"

namespace {

aspi::Bus& TheBus()
{
    static aspi::SgLinux backend;
    static aspi::Bus bus(backend);
    return bus;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) std::uint32_t SendASPI32Command(void* srb) { return TheBus().Send(srb); }

__attribute__((visibility("default"))) std::uint32_t GetASPI32SupportInfo(void) { return TheBus().SupportInfo(); }

} // extern "C"
