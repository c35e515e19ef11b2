// A stand-in for the kernel's ppdev driver inside dlportio-probe: the real
// libdlportio.so opens its "devices" (plain files in a test's device
// directory) and drives them with ppdev ioctls, which land here because the
// probe defines ioctl itself and an executable's symbols come first in the
// dynamic symbol search. Requests on anything else go on to the C library.
//
// Each ppdev call is logged to the world's call log, e.g.
//   ppdev: parport0 claim
//   ppdev: parport0 write control 0x0F
//   ppdev: parport0 read status = 0xD8
// scenario.ini, section [ppdev]: status=0xD8 (what the status register reads).
// <sys/ioctl.h> is left out on purpose: glibc declares ioctl there as
// noexcept (throw()), which this definition would have to repeat.
#include "Testbed.h"

#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <linux/ioctl.h>
#include <linux/ppdev.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Registers {
    unsigned char data = 0;
    unsigned char control = 0;
};

// Never destroyed: the library releases its ports from its own static
// destructor, which may run after this file's would have.
std::mutex& Lock()
{
    static auto* m = new std::mutex;
    return *m;
}

std::map<std::string, Registers>& Ports()
{
    static auto* ports = new std::map<std::string, Registers>;
    return *ports;
}

// The device file's name ("parport0") when fd is a plain file, else "".
std::string FakeDevice(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return {};
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[4096];
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    if (n <= 0) return {};
    std::string p(path, std::size_t(n));
    // A device removed while open is still the device it was opened as.
    const std::string deleted = " (deleted)";
    if (p.ends_with(deleted)) p.erase(p.size() - deleted.size());
    return p.substr(p.find_last_of('/') + 1);
}

std::string Hex(unsigned v)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", v);
    return text;
}

bool IsPpdevRequest(unsigned long request)
{
    switch (request) {
    case PPCLAIM: case PPRELEASE: case PPRDATA: case PPWDATA: case PPRSTATUS: case PPRCONTROL: case PPWCONTROL:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);

    const std::string device = IsPpdevRequest(request) ? FakeDevice(fd) : std::string();
    if (device.empty()) {
        using IoctlFn = int (*)(int, unsigned long, ...);
        static const auto next = reinterpret_cast<IoctlFn>(::dlsym(RTLD_NEXT, "ioctl"));
        return next(fd, request, arg);
    }

    const testbed::World world = testbed::World::FromEnvironment();
    std::lock_guard lock(Lock());
    Registers& r = Ports()[device];
    auto* byte = static_cast<unsigned char*>(arg);
    std::string what;
    switch (request) {
    case PPCLAIM: what = "claim"; break;
    case PPRELEASE: what = "release"; break;
    case PPWDATA: r.data = *byte; what = "write data " + Hex(*byte); break;
    case PPWCONTROL: r.control = *byte; what = "write control " + Hex(*byte); break;
    case PPRDATA: *byte = r.data; what = "read data = " + Hex(*byte); break;
    case PPRCONTROL: *byte = r.control; what = "read control = " + Hex(*byte); break;
    case PPRSTATUS:
        *byte = static_cast<unsigned char>(world.ScenarioInt("ppdev", "status", 0xD8));
        what = "read status = " + Hex(*byte);
        break;
    }
    world.Log("ppdev", device + " " + what);
    return 0;
}
