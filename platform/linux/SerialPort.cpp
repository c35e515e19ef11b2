#include "platform/SerialPort.h"

#include "../common/Backend.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace platform {
namespace {

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

// Unix98 pseudo-terminal slaves have the majors 136 to 143.
bool IsPseudoTerminal(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

} // namespace

std::string backend::SerialPortDevice(int n)
{
    const char* dir = std::getenv("TAVRIN_COM_DIR");
    std::string base = dir && *dir ? dir : "/dev";
    if (base.back() != '/') base += '/';
    return base + "ttyS" + std::to_string(n - 1);
}

void SerialPort::Close()
{
    if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
    handle_ = kNoHandle;
}

std::string backend::OpenSerialDevice(const std::string& path, const SerialSettings& s, NativeHandle& handle)
{
    // O_NONBLOCK: a port without carrier must not block the open.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return path + ": " + std::strerror(errno);
    handle = fd;
    if (!::isatty(fd)) return path + ": not a terminal device";
    // Exclusive, as the port is on the system it came from.
    if (::ioctl(fd, TIOCEXCL) != 0) return path + ": " + std::strerror(errno);

    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) return path + ": " + std::strerror(errno);
    ::cfmakeraw(&tio);
    const speed_t speed = SpeedOf(s.BaudRate);
    if (speed == B0) return path + ": unsupported baud rate";
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    switch (s.DataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    if (s.StopBits == 2) tio.c_cflag |= CSTOPB;
    // Lines drop when the port closes: DTR is asserted only while open.
    tio.c_cflag |= CLOCAL | CREAD | HUPCL;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return path + ": " + std::strerror(errno);

    if (!IsPseudoTerminal(fd)) {
        int dtr = TIOCM_DTR, rts = TIOCM_RTS;
        if (::ioctl(fd, s.Dtr ? TIOCMBIS : TIOCMBIC, &dtr) != 0) return path + ": DTR: " + std::strerror(errno);
        if (::ioctl(fd, s.Rts ? TIOCMBIS : TIOCMBIC, &rts) != 0) return path + ": RTS: " + std::strerror(errno);
    }
    return {};
}

} // namespace platform
