// libdlportio.so over ppdev. A register address is served by the parallel
// port whose base address (as the kernel publishes it in
// /proc/sys/dev/parport/parportN/base-addr) is that address or lies one or
// two below it; the port is claimed through /dev/parportN on first use and
// kept for the life of the process.
//
// The kernel's port list is read once, at the first access, and every
// address is decided from that copy: a strobe is three register accesses
// and a status poll one more, so a directory scan per access would stretch
// the strobe and turn a missing port into a busy loop of scans. A port that
// appears later is not seen by this process; one that disappears keeps its
// open descriptor. TAVRIN_PARPORT_PROC and TAVRIN_PARPORT_DEV name other
// directories for the list and the devices (the tests use them).
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

std::string DirectoryFromEnvironment(const char* variable, const char* fallback)
{
    const char* dir = std::getenv(variable);
    return (dir && *dir) ? dir : fallback;
}

// Base address -> parport number, for every port the kernel lists. The
// first base address of each entry counts; of two entries with the same
// base, the first read wins.
std::map<std::uint32_t, int> ScanPorts()
{
    std::map<std::uint32_t, int> ports;
    const std::string root = DirectoryFromEnvironment("TAVRIN_PARPORT_PROC", "/proc/sys/dev/parport");
    DIR* d = ::opendir(root.c_str());
    if (!d) return ports;
    while (const dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, "parport", 7) != 0) continue;
        std::ifstream in(root + "/" + e->d_name + "/base-addr");
        unsigned long first = 0;
        if (in >> first && first <= 0xFFFFFFFFul)
            ports.emplace(static_cast<std::uint32_t>(first), std::atoi(e->d_name + 7));
    }
    ::closedir(d);
    return ports;
}

struct Port {
    int fd = -1;
};

class Ports {
public:
    ~Ports()
    {
        for (auto& [base, port] : claimed_) {
            if (port.fd >= 0) {
                ::ioctl(port.fd, PPRELEASE);
                ::close(port.fd);
            }
        }
    }

    // The claimed port serving address, with the register offset; nullptr
    // when no port serves it or its port could not be claimed. Only the
    // first access to a port does any I/O; after that this is a lookup.
    Port* Lookup(std::uint32_t address, int* reg)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!scanned_) {
            listed_ = ScanPorts();
            scanned_ = true;
        }
        for (std::uint32_t off = 0; off <= 2 && off <= address; ++off) {
            const std::uint32_t base = address - off;
            const auto listed = listed_.find(base);
            if (listed == listed_.end()) continue;
            auto it = claimed_.find(base);
            // A port that could not be claimed stays unclaimed: trying again
            // on every access would repeat the message and the cost.
            if (it == claimed_.end()) it = claimed_.emplace(base, Claim(base, listed->second)).first;
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
    static Port Claim(std::uint32_t base, int number)
    {
        Port port;
        const std::string dev =
            DirectoryFromEnvironment("TAVRIN_PARPORT_DEV", "/dev") + "/parport" + std::to_string(number);
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
    bool scanned_ = false;
    std::map<std::uint32_t, int> listed_;
    // Claimed (or failed) ports by base address; map nodes stay put, so the
    // Port pointers handed out remain valid.
    std::map<std::uint32_t, Port> claimed_;
    bool warned_ = false;
};

Ports& AllPorts()
{
    static Ports ports;
    return ports;
}

} // namespace

DLPORTIO_API std::uint8_t DLPORTIO_CALL DlPortReadPortUchar(std::uint32_t port)
{
    int reg = 0;
    Port* p = AllPorts().Lookup(port, &reg);
    if (!p) return kAbsent;
    unsigned char value = kAbsent;
    const unsigned long request = reg == 0 ? PPRDATA : reg == 1 ? PPRSTATUS : PPRCONTROL;
    if (::ioctl(p->fd, request, &value) != 0) return kAbsent;
    return value;
}

DLPORTIO_API void DLPORTIO_CALL DlPortWritePortUchar(std::uint32_t port, std::uint8_t value)
{
    int reg = 0;
    Port* p = AllPorts().Lookup(port, &reg);
    if (!p || reg == 1) return;  // the status register cannot be written
    unsigned char v = value;
    ::ioctl(p->fd, reg == 0 ? PPWDATA : PPWCONTROL, &v);
}
