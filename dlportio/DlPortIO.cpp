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
//
// The library is bound by the program at load time, so it is written
// against the C library alone: fixed tables and a pthread mutex rather than
// containers, strings and exceptions, which would each bring in a piece of
// the C++ runtime for every program start to map.
#include "dlportio/DlPortIO.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t kAbsent = 0xFF;

const char* DirectoryFromEnvironment(const char* variable, const char* fallback)
{
    const char* dir = std::getenv(variable);
    return (dir && *dir) ? dir : fallback;
}

// The first decimal number of a small text file ("888\t-1\n" for a port
// at 0x378), after any blanks.
bool ReadFirstNumber(const char* path, unsigned long& value)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[64];
    ssize_t n;
    do n = ::read(fd, text, sizeof text - 1);
    while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0) return false;
    text[n] = '\0';
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    if (*p < '0' || *p > '9') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoul(p, &end, 10);
    return errno == 0;
}

enum class Claim { NotYet, Claimed, Failed };

// One port the kernel lists, and what became of claiming it.
struct Port {
    std::uint32_t base = 0;
    int number = 0;
    Claim claim = Claim::NotYet;
    int fd = -1;
};

// More ports than the kernel's parport layer ever lists.
constexpr int kMaxPorts = 64;

class Ports {
public:
    ~Ports()
    {
        for (int i = 0; i < count_; ++i) {
            if (ports_[i].fd >= 0) {
                ::ioctl(ports_[i].fd, PPRELEASE);
                ::close(ports_[i].fd);
            }
        }
    }

    // The claimed port serving address, with the register offset; nullptr
    // when no port serves it or its port could not be claimed. Only the
    // first access to a port does any I/O; after that this is a lookup.
    Port* Lookup(std::uint32_t address, int* reg)
    {
        pthread_mutex_lock(&mutex_);
        Port* found = Find(address, reg);
        pthread_mutex_unlock(&mutex_);
        return found;
    }

private:
    Port* Find(std::uint32_t address, int* reg)
    {
        if (!scanned_) {
            Scan();
            scanned_ = true;
        }
        for (std::uint32_t off = 0; off <= 2 && off <= address; ++off) {
            Port* port = Listed(address - off);
            if (!port) continue;
            // A port that could not be claimed stays unclaimed: trying again
            // on every access would repeat the message and the cost.
            if (port->claim == Claim::NotYet) ClaimPort(*port);
            *reg = static_cast<int>(off);
            return port->claim == Claim::Claimed ? port : nullptr;
        }
        // Once per process: every register of a missing port fails alike.
        if (!warned_) {
            warned_ = true;
            std::fprintf(stderr, "dlportio: no parallel port has its registers at 0x%04X\n", address);
        }
        return nullptr;
    }

    Port* Listed(std::uint32_t base)
    {
        for (int i = 0; i < count_; ++i)
            if (ports_[i].base == base) return &ports_[i];
        return nullptr;
    }

    // Every port the kernel lists, by its first base address; of two
    // entries with the same base, the first read wins. Done before any
    // port is handed out.
    void Scan()
    {
        const char* root = DirectoryFromEnvironment("TAVRIN_PARPORT_PROC", "/proc/sys/dev/parport");
        DIR* d = ::opendir(root);
        if (!d) return;
        while (const dirent* e = ::readdir(d)) {
            if (std::strncmp(e->d_name, "parport", 7) != 0 || count_ == kMaxPorts) continue;
            char path[PATH_MAX];
            if (std::snprintf(path, sizeof path, "%s/%s/base-addr", root, e->d_name) >= static_cast<int>(sizeof path))
                continue;
            unsigned long first = 0;
            if (!ReadFirstNumber(path, first) || first > 0xFFFFFFFFul) continue;
            const auto base = static_cast<std::uint32_t>(first);
            if (Listed(base)) continue;
            // Kept in the order of their base addresses (the order in
            // which they are released, too).
            int at = count_;
            for (; at > 0 && ports_[at - 1].base > base; --at) ports_[at] = ports_[at - 1];
            ports_[at] = Port {};
            ports_[at].base = base;
            ports_[at].number = std::atoi(e->d_name + 7);
            ++count_;
        }
        ::closedir(d);
    }

    static void ClaimPort(Port& port)
    {
        port.claim = Claim::Failed;
        char dev[PATH_MAX];
        std::snprintf(dev, sizeof dev, "%s/parport%d", DirectoryFromEnvironment("TAVRIN_PARPORT_DEV", "/dev"),
                      port.number);
        const int fd = ::open(dev, O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            std::fprintf(stderr, "dlportio: cannot open %s for the port at 0x%04X: %s\n", dev, port.base,
                         std::strerror(errno));
            return;
        }
        if (::ioctl(fd, PPCLAIM) != 0) {
            std::fprintf(stderr, "dlportio: cannot claim %s: %s\n", dev, std::strerror(errno));
            ::close(fd);
            return;
        }
        port.fd = fd;
        port.claim = Claim::Claimed;
    }

    pthread_mutex_t mutex_ = PTHREAD_MUTEX_INITIALIZER;
    bool scanned_ = false;
    bool warned_ = false;
    int count_ = 0;
    // Entries stay where they are, so the Port pointers handed out remain valid.
    Port ports_[kMaxPorts];
};

// Set up before any call (it needs no code to run), released when the
// library is unloaded.
Ports allPorts;

} // namespace

DLPORTIO_API std::uint8_t DLPORTIO_CALL DlPortReadPortUchar(std::uint32_t port)
{
    int reg = 0;
    Port* p = allPorts.Lookup(port, &reg);
    if (!p) return kAbsent;
    unsigned char value = kAbsent;
    const unsigned long request = reg == 0 ? PPRDATA : reg == 1 ? PPRSTATUS : PPRCONTROL;
    if (::ioctl(p->fd, request, &value) != 0) return kAbsent;
    return value;
}

DLPORTIO_API void DLPORTIO_CALL DlPortWritePortUchar(std::uint32_t port, std::uint8_t value)
{
    int reg = 0;
    Port* p = allPorts.Lookup(port, &reg);
    if (!p || reg == 1) return;  // the status register cannot be written
    unsigned char v = value;
    ::ioctl(p->fd, reg == 0 ? PPWDATA : PPWCONTROL, &v);
}
