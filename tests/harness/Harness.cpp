#include "harness/Harness.h"

#include "platform/MessageBox.h"

#include <cups/cups.h>

#include <algorithm>
#include <atomic>
#include <sys/stat.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace harness {
namespace {

void LinkOrCopy(const std::string& from, const std::string& to)
{
    std::error_code ec;
    fs::remove(to, ec);
    fs::create_hard_link(from, to, ec);
    if (ec) fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

} // namespace

Sandbox::Sandbox()
{
    std::string tmpl = (fs::temp_directory_path() / "tavrin-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    root_ = tmpl;
    // The backend runs as root, the spooler as lp: the world is open to both.
    ::chmod(root_.c_str(), 0755);
    fs::create_directories(root_ + "/prog");
    fs::create_directories(World());
    fs::create_directories(WorkDir());
    ::chmod(World().c_str(), 0777);
    for (const auto& entry : fs::directory_iterator(TAVRIN_PROGRAM_DIR)) {
        // The program and its libraries; never a configuration left behind.
        const auto ext = entry.path().extension();
        if (ext == ".ini" || ext == ".dat") continue;
        if (entry.is_regular_file()) LinkOrCopy(entry.path().string(), ProgramDir() + entry.path().filename().string());
    }
}

Sandbox::~Sandbox()
{
    for (const auto& q : queues_) {
        const char* server = std::getenv("CUPS_SERVER");
        if (server) RunProcess({"/usr/sbin/lpadmin", "-x", q}, "/", {}, std::chrono::seconds(20));
    }
    if (!std::getenv("TAVRIN_KEEP_SANDBOX")) {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
}

void Sandbox::InstallInProgramDir(const std::string& builtFile, const std::string& asName) const
{
    const std::string name = asName.empty() ? fs::path(builtFile).filename().string() : asName;
    LinkOrCopy(builtFile, ProgramDir() + name);
}

void Sandbox::InstallStandIn(const std::string& fileName, const std::string& asName) const
{
    InstallInProgramDir(std::string(TAVRIN_TESTBED_BUILD_DIR) + "/" + fileName, asName);
}

std::string Sandbox::AddQueue(const std::string& base, const std::vector<std::string>& options)
{
    static std::atomic<int> counter {0};
    const std::string name = base + "_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    std::vector<std::string> argv = {"/usr/sbin/lpadmin", "-p", name, "-E", "-v", "tavrin-testbed:" + World(), "-m", "raw"};
    argv.insert(argv.end(), options.begin(), options.end());
    const RunResult r = RunProcess(argv, "/", {}, std::chrono::seconds(30));
    if (r.exitCode != 0) throw std::runtime_error("lpadmin failed for " + name + ": " + r.err);
    queues_.push_back(name);
    return name;
}

RunResult Sandbox::Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                       const std::string& program) const
{
    std::vector<std::string> argv = {program.empty() ? Program() : program};
    argv.insert(argv.end(), args.begin(), args.end());
    // No window may open unless a test asks for a display, and the runs'
    // lines stay out of the machine's system log unless a test asks.
    std::map<std::string, std::string> all = {
        {"TAVRIN_TESTBED_DIR", World()}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"TAVRIN_LOG", "off"}};
    for (const auto& [k, v] : env) all[k] = v;
    RunResult r = RunProcess(argv, WorkDir(), all, std::chrono::seconds(90));
    WaitForQueues();
    return r;
}

void Sandbox::WaitForQueues() const
{
    for (const auto& q : queues_) {
        for (int i = 0; i < 400; ++i) {
            cups_job_t* jobs = nullptr;
            const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, q.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
            cupsFreeJobs(n, jobs);
            if (n <= 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
}

std::vector<Job> Sandbox::Jobs() const
{
    std::vector<Job> jobs;
    const std::string dir = World() + "/jobs";
    if (!fs::exists(dir)) return jobs;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".bin") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    for (const auto& n : names) jobs.push_back({ReadFile(dir + "/" + n + ".title"), ReadFile(dir + "/" + n + ".bin")});
    return jobs;
}

std::string Sandbox::CallLog() const
{
    const std::string path = World() + "/calls.log";
    return Exists(path) ? ReadFile(path) : std::string();
}

std::vector<std::string> Sandbox::Calls(const std::string& component) const
{
    std::vector<std::string> lines;
    std::istringstream in(CallLog());
    std::string line;
    const std::string prefix = component + ": ";
    while (std::getline(in, line))
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line.substr(prefix.size()));
    return lines;
}

void Sandbox::WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string Sandbox::ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool Sandbox::Exists(const std::string& path) { return fs::exists(path); }

RunResult RunProcess(const std::vector<std::string>& argv, const std::string& cwd,
                     const std::map<std::string, std::string>& env, std::chrono::seconds limit)
{
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        const int devnull = ::open("/dev/null", O_RDONLY);
        ::dup2(devnull, 0);
        if (::chdir(cwd.c_str()) != 0) ::_exit(126);
        for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    RunResult r;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        const auto left = limit - (std::chrono::steady_clock::now() - start);
        if (left <= std::chrono::milliseconds(0) && !killed) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        const int n = ::poll(fds, 2, 200);
        if (n < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
            if (got > 0) {
                sinks[i]->append(buf, static_cast<size_t>(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (killed) r.err += "\n[harness: killed after time limit]\n";
    return r;
}

std::string Box(const std::string& caption, const std::string& text)
{
    return platform::ConsoleMessageLine(text, caption);
}

} // namespace harness
