// syslog-capture COMMAND [ARGS...]: runs the command in a mount namespace of
// its own, where /dev is a fresh tmpfs holding the usual device nodes and a
// /dev/log socket this program listens on, and prints every datagram the
// command sent to the system log, one per line. The exit status is the
// command's. Needs root (a mount namespace); the machine's own log never
// sees the command's lines.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "syslog-capture: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(70);
}

void Check(bool ok, const std::string& what)
{
    if (!ok) Fail(what);
}

// The real node at from, bound over an empty file or directory at to.
void BindNode(const std::string& from, const std::string& to, bool directory)
{
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0) return;  // not every machine has every node
    if (directory) {
        Check(::mkdir(to.c_str(), 0755) == 0, "mkdir " + to);
    } else {
        const int fd = ::open(to.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0666);
        Check(fd >= 0, "create " + to);
        ::close(fd);
    }
    Check(::mount(from.c_str(), to.c_str(), nullptr, MS_BIND | MS_REC, nullptr) == 0, "bind " + to);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: syslog-capture COMMAND [ARGS...]\n");
        return 64;
    }
    Check(::unshare(CLONE_NEWNS) == 0, "unshare (needs root)");
    Check(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0, "make / private");

    // The real /dev stays reachable under a scratch directory while the
    // fresh one is put together.
    char scratch[] = "/tmp/tavrin-syslog-XXXXXX";
    Check(::mkdtemp(scratch) != nullptr, "mkdtemp");
    const std::string real = std::string(scratch) + "/dev";
    Check(::mkdir(real.c_str(), 0755) == 0, "mkdir " + real);
    Check(::mount("/dev", real.c_str(), nullptr, MS_BIND | MS_REC, nullptr) == 0, "bind /dev");
    Check(::mount("tmpfs", "/dev", "tmpfs", 0, "mode=0755") == 0, "mount /dev");
    for (const char* node : {"null", "zero", "full", "random", "urandom", "tty"})
        BindNode(real + "/" + node, std::string("/dev/") + node, false);
    for (const char* dir : {"shm", "pts"}) BindNode(real + "/" + dir, std::string("/dev/") + dir, true);
    ::umount2(real.c_str(), MNT_DETACH);
    ::rmdir(real.c_str());
    ::rmdir(scratch);

    const int log = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    Check(log >= 0, "socket");
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, "/dev/log");
    Check(::bind(log, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0, "bind /dev/log");
    ::chmod("/dev/log", 0666);

    const pid_t pid = ::fork();
    Check(pid >= 0, "fork");
    if (pid == 0) {
        ::execv(argv[1], argv + 1);
        std::fprintf(stderr, "syslog-capture: cannot run %s: %s\n", argv[1], std::strerror(errno));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    // Everything the command sent is queued on the socket by now.
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::recv(log, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0) break;
        std::fwrite(buffer, 1, static_cast<size_t>(got), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
