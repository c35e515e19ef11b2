// libdlportio.so over ppdev. A register address is served by the parallel
// port whose base address (as the kernel publishes it in
// /proc/sys/dev/parport/parportN/base-addr) is that address or lies one or
// two below it; the port is claimed through /dev/parportN on first use and
// kept for the life of the process.
//
// There is no error channel in these two calls, so a port that does not
// exist or cannot be claimed is said once on standard error, reads give
// 0xFF (what an absent port reads on the bus) and writes go nowhere.
#include "dlportio/DlPortIO.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/ppdev.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t kAbsent = 0xFF;

std::string SysfsRoot()
{
    const char* root = std::getenv("TAVRIN_PARPORT_PROC");
    return (root && *root) ? root : "/proc/sys/dev/parport";
}

// The parport number whose first base address is base, or -1.
int FindPort(std::uint32_t base)
{
    const std::string root = SysfsRoot();
    DIR* d = ::opendir(root.c_str());
    if (!d) return -1;
    int found = -1;
    while (const dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, "parport", 7) != 0) continue;
        std::ifstream in(root + "/" + e->d_name + "/base-addr");
        unsigned long first = 0;
        if (in >> first && first == base) {
            found = std::atoi(e->d_name + 7);
            break;
        }
    }
    ::closedir(d);
    return found;
}

struct Port {
    int fd = -1;
};

class Ports {
public:
    ~Ports()
    {
        for (auto& [base, port] : ports_) {
            if (port.fd >= 0) {
                ::ioctl(port.fd, PPRELEASE);
                ::close(port.fd);
            }
        }
    }

    // The claimed port serving address, with the register offset.
    Port* Lookup(std::uint32_t address, int* reg)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::uint32_t off = 0; off <= 2 && off <= address; ++off) {
            const std::uint32_t base = address - off;
            auto it = ports_.find(base);
            if (it == ports_.end()) {
                if (FindPort(base) < 0) continue;
                it = ports_.emplace(base, Claim(base)).first;
            }
            *reg = static_cast<int>(off);
            return it->second.fd >= 0 ? &it->second : nullptr;
        }
        // Once per process: every register of a missing port fails alike.
        if (!warned_) {
            warned_ = true;
            std::fprintf(stderr, "dlportio: no parallel port has its registers at 0x%04X\n", address);
        }
        return nullptr;
    }

private:
    Port Claim(std::uint32_t base)
    {
        Port port;
        const int n = FindPort(base);
        const std::string dev = "/dev/parport" + std::to_string(n);
        const int fd = ::open(dev.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            std::fprintf(stderr, "dlportio: cannot open %s for the port at 0x%04X: %s\n", dev.c_str(), base,
                         std::strerror(errno));
            return port;
        }
        if (::ioctl(fd, PPCLAIM) != 0) {
            std::fprintf(stderr, "dlportio: cannot claim %s: %s\n", dev.c_str(), std::strerror(errno));
            ::close(fd);
            return port;
        }
        port.fd = fd;
        return port;
    }

    std::mutex mutex_;
    std::map<std::uint32_t, Port> ports_;
    bool warned_ = false;
};

Ports& AllPorts()
{
    static Ports ports;
    return ports;
}

} // namespace

std::uint8_t DlPortReadPortUchar(std::uint32_t port)
{
    int reg = 0;
    Port* p = AllPorts().Lookup(port, &reg);
    if (!p) return kAbsent;
    unsigned char value = kAbsent;
    const unsigned long request = reg == 0 ? PPRDATA : reg == 1 ? PPRSTATUS : PPRCONTROL;
    if (::ioctl(p->fd, request, &value) != 0) return kAbsent;
    return value;
}

void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value)
{
    int reg = 0;
    Port* p = AllPorts().Lookup(port, &reg);
    if (!p || reg == 1) return;  // the status register cannot be written
    unsigned char v = value;
    ::ioctl(p->fd, reg == 0 ? PPWDATA : PPWCONTROL, &v);
}
