#include "SgLinux.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace aspi {
namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool IsSgName(const char* name)
{
    if (std::strncmp(name, "sg", 2) != 0 || !name[2]) return false;
    for (const char* p = name + 2; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

// The node is gone, or no device stands behind it: nothing to report.
bool NoDevice(int error) { return error == ENOENT || error == ENXIO || error == ENODEV; }

// What a node that would not open for reading and writing does allow.
SgDenied Probe(const std::string& path, int error)
{
    SgDenied d;
    d.Path = path;
    d.Error = error;
    d.CanRead = Fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)).get() >= 0;
    d.CanWrite = Fd(::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)).get() >= 0;
    return d;
}

// Where the sg nodes are: /dev, or TAVRIN_SG_DIR (tests).
std::string SgDir()
{
    const char* dir = std::getenv("TAVRIN_SG_DIR");
    return dir && *dir ? dir : "/dev";
}

} // namespace

SgScan SgLinux::Scan()
{
    SgScan scan;
    const std::string dirName = SgDir();
    DIR* dir = ::opendir(dirName.c_str());
    if (!dir) return scan;
    while (const dirent* e = ::readdir(dir)) {
        if (!IsSgName(e->d_name)) continue;
        const std::string path = dirName + "/" + e->d_name;
        // Opened as a command will open it: a device we may only read is
        // no more use than one we may not touch.
        Fd fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
        if (fd.get() < 0) {
            const int error = errno;
            if (!NoDevice(error)) scan.Denied.push_back(Probe(path, error));
            continue;
        }
        sg_scsi_id id {};
        if (::ioctl(fd.get(), SG_GET_SCSI_ID, &id) != 0) continue;
        scan.Devices.push_back({path, id.host_no, id.channel, id.scsi_id, id.lun, id.scsi_type});
    }
    ::closedir(dir);
    return scan;
}

SgOutcome SgLinux::Execute(const SgDevice& device, SgCommand& command)
{
    SgOutcome out;
    Fd fd(::open(device.Path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        const int error = errno;
        if (!NoDevice(error)) out.Denied = Probe(device.Path, error);
        return out;
    }
    sg_io_hdr_t io {};
    io.interface_id = 'S';
    switch (command.Direction) {
    case SgDirection::None: io.dxfer_direction = SG_DXFER_NONE; break;
    case SgDirection::ToDevice: io.dxfer_direction = SG_DXFER_TO_DEV; break;
    case SgDirection::FromDevice: io.dxfer_direction = SG_DXFER_FROM_DEV; break;
    }
    io.cmd_len = command.CdbLen;
    io.cmdp = const_cast<unsigned char*>(command.Cdb);
    io.dxferp = command.Data;
    io.dxfer_len = command.DataLen;
    io.sbp = command.Sense;
    io.mx_sb_len = command.SenseLen;
    io.timeout = command.TimeoutMs;
    if (::ioctl(fd.get(), SG_IO, &io) != 0) return out;
    out.Done = true;
    out.HostStatus = io.host_status;
    out.DriverStatus = io.driver_status;
    out.Status = io.status;
    return out;
}

bool SgLinux::ResetDevice(const SgDevice& device)
{
    Fd fd(::open(device.Path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return false;
    int op = SG_SCSI_RESET_DEVICE;
    return ::ioctl(fd.get(), SG_SCSI_RESET, &op) == 0;
}

} // namespace aspi
