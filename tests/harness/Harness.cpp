#include "harness/Harness.h"

#include "platform/DynamicLibrary.h"
#include "platform/MessageBox.h"

#include <cups/cups.h>

#include <algorithm>
#include <atomic>
#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sys/file.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace harness {
namespace {

// What the sandbox's program directory is made of, and where stand-ins are.
#ifdef TAVRIN_HARNESS_WINE
const std::string kBuiltProgramDir = TAVRIN_WINDOWS_BUILD_DIR "/bin";
const std::string kStandInDir = TAVRIN_WINDOWS_BUILD_DIR "/testbed";
#else
const std::string kBuiltProgramDir = TAVRIN_PROGRAM_DIR;
const std::string kStandInDir = TAVRIN_TESTBED_BUILD_DIR;
#endif

void LinkOrCopy(const std::string& from, const std::string& to)
{
    std::error_code ec;
    fs::remove(to, ec);
    fs::create_hard_link(from, to, ec);
    if (ec) fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// Runs argv in cwd with the variables named in unset removed and env set,
// standard output and error going to unnamed files (a pipe stays open as
// long as anything the program started holds it, and Wine keeps one open
// until its server ends). Killed after limit.
RunResult Execute(const std::vector<std::string>& argv, const std::string& cwd,
                  const std::map<std::string, std::string>& env, const std::vector<std::string>& unset,
                  std::chrono::seconds limit)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (!out || !err) throw std::runtime_error("no temporary file for a run's output");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        const int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull < 0 || ::dup2(fileno(out), 1) < 0 || ::dup2(fileno(err), 2) < 0 || ::dup2(devnull, 0) < 0 ||
            ::chdir(cwd.c_str()) != 0)
            ::_exit(126);
        for (const auto& name : unset) ::unsetenv(name.c_str());
        for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    bool killed = false;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (!killed && std::chrono::steady_clock::now() - start >= limit) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    RunResult r;
    r.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    for (auto [file, text] : {std::pair {out, &r.out}, std::pair {err, &r.err}}) {
        std::rewind(file);
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text->append(buffer, got);
        std::fclose(file);
    }
    if (killed) r.err += "\n[harness: killed after time limit]\n";
    return r;
}

#ifdef TAVRIN_HARNESS_WINE
// One Windows program of the suite at a time, for two reasons of Wine's
// spooler:
//  - it numbers print jobs per process and names each job's spool file
//    after its number (system32\spool\PRINTERS\00001.SPL for every
//    process's first), so two programs spooling at once in one prefix
//    write into each other's jobs;
//  - it copies the CUPS queues into its own printer list only in a process
//    that finds no other process of the prefix using the spooler; one that
//    does takes the list as that one found it, which may be older than a
//    queue just added. Alone, every program starts with the current list.
class WineRunLock {
public:
    WineRunLock() : fd_(::open(TAVRIN_WINE_PREFIX "/tavrin-run.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        if (fd_ < 0) throw std::runtime_error("cannot open the wine run lock in " TAVRIN_WINE_PREFIX);
        while (::flock(fd_, LOCK_EX) != 0)
            if (errno != EINTR) throw std::runtime_error("cannot take the wine run lock");
    }
    WineRunLock(const WineRunLock&) = delete;
    WineRunLock& operator=(const WineRunLock&) = delete;
    ~WineRunLock() { ::close(fd_); }

private:
    int fd_;
};

// Runs the Windows build's printer tool (tests/windows/WinePrinters.cpp).
RunResult WinePrinters(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {TAVRIN_WINE, TAVRIN_WINDOWS_BUILD_DIR "/tests-bin/wine-printers.exe"};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::map<std::string, std::string> env = {{"WINEPREFIX", TAVRIN_WINE_PREFIX}, {"WINEDEBUG", "-all"}};
    const WineRunLock oneAtATime;
    return Execute(argv, "/", env, {"DISPLAY", "WAYLAND_DISPLAY"}, std::chrono::seconds(60));
}

// Waits until the programs under Wine know the printer: once a process has
// listed the queue, Wine's own list has it for every later one (see
// WineRunLock for why a process may not see a queue at once).
void WaitUntilWineLists(const std::string& printer)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        const RunResult r = WinePrinters({"list"});
        std::istringstream lines(r.out);
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line == printer) return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    throw std::runtime_error("Wine's spooler never listed " + printer);
}

// The message log: "#icon <name>" before each box's console form.
void ReadMessageLog(const std::string& text, RunResult& r)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#icon ", 0) != 0) {
            r.err += line + (in.eof() ? "" : "\n");
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        r.icons.push_back(line.substr(6));
    }
}
#endif

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
    for (const auto& entry : fs::directory_iterator(kBuiltProgramDir)) {
        // The program and its libraries; never a configuration left behind.
        const auto ext = entry.path().extension();
        if (ext == ".ini" || ext == ".dat") continue;
        if (entry.is_regular_file()) LinkOrCopy(entry.path().string(), ProgramDir() + entry.path().filename().string());
    }
    // tavrin.exe binds the vendor's dlportio.dll at load time: it cannot
    // start without one.
    if (kWine) InstallStandIn("dlportio.dll");
}

Sandbox::~Sandbox()
{
#ifdef TAVRIN_HARNESS_WINE
    for (const auto& p : winePrinters_) WinePrinters({"delete", p});
#endif
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
    InstallInProgramDir(StandInPath(fileName), asName);
}

std::string Sandbox::StandInPath(const std::string& fileName) { return kStandInDir + "/" + fileName; }

std::string Sandbox::Native(const std::string& path)
{
    if (!kWine) return path;
    std::string native = "Z:" + path;
    std::replace(native.begin(), native.end(), '/', '\\');
    return native;
}

std::string Sandbox::LibraryFile(const std::string& windowsName)
{
    return kWine ? windowsName : platform::LibraryFileName(windowsName);
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
#ifdef TAVRIN_HARNESS_WINE
    WaitUntilWineLists(name);
#endif
    return name;
}

std::string Sandbox::AddPrinterOnPort(const std::string& base, const std::string& port,
                                      const std::vector<std::string>& options)
{
#ifdef TAVRIN_HARNESS_WINE
    // A queue first: Wine's driver for it is the one the printer gets.
    const std::string name = AddQueue(base, options) + "_port";
    const RunResult r = WinePrinters({"add", name, port});
    if (r.exitCode != 0) throw std::runtime_error("no Wine printer " + name + " on " + port + ": " + r.err);
    winePrinters_.push_back(name);
    return name;
#else
    std::vector<std::string> all = {"-o", "port-name-default=" + port};
    all.insert(all.end(), options.begin(), options.end());
    return AddQueue(base, all);
#endif
}

#ifdef TAVRIN_HARNESS_WINE
void Sandbox::SetWorkOffline(const std::string& printer, bool offline) const
{
    const RunResult r = WinePrinters({"offline", printer, offline ? "1" : "0"});
    if (r.exitCode != 0) throw std::runtime_error("cannot set " + printer + " offline: " + r.err);
}
#endif

RunResult Sandbox::Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
                       const std::string& program) const
{
#ifdef TAVRIN_HARNESS_WINE
    // Under wine64, with the suite's prefix (whose server the fixture keeps
    // running), Wine's own ASPI and port layers set aside for the files in
    // the program directory, and without a display: message boxes return
    // at once, and the program copies each to the message log.
    static std::atomic<int> runs {0};
    const std::string messages = root_ + "/run-" + std::to_string(++runs) + ".messages";
    std::vector<std::string> argv = {TAVRIN_WINE, Native(program.empty() ? Program() : program)};
    argv.insert(argv.end(), args.begin(), args.end());
    std::map<std::string, std::string> all = {{"WINEPREFIX", TAVRIN_WINE_PREFIX},
                                              {"WINEDEBUG", "-all"},
                                              {"WINEDLLOVERRIDES", "wnaspi32=n;dlportio=n"},
                                              {"TAVRIN_TESTBED_DIR", Native(World())},
                                              {"TAVRIN_MESSAGE_LOG", Native(messages)},
                                              {"TAVRIN_LOG", "off"}};
    for (const auto& [k, v] : env)
        if (k != "DISPLAY" && k != "WAYLAND_DISPLAY") all[k] = v;
    RunResult r;
    {
        const WineRunLock oneAtATime;
        r = Execute(argv, WorkDir(), all, {"DISPLAY", "WAYLAND_DISPLAY"}, std::chrono::seconds(90));
    }
    r.stderrText = std::move(r.err);
    r.err.clear();
    if (Exists(messages)) ReadMessageLog(ReadFile(messages), r);
    Settle(r);
    return r;
#else
    std::vector<std::string> argv = {program.empty() ? Program() : program};
    argv.insert(argv.end(), args.begin(), args.end());
    // No window may open unless a test asks for a display, and the runs'
    // lines stay out of the machine's system log unless a test asks.
    std::map<std::string, std::string> all = {
        {"TAVRIN_TESTBED_DIR", World()}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"TAVRIN_LOG", "off"}};
    for (const auto& [k, v] : env) all[k] = v;
    RunResult r = RunProcess(argv, WorkDir(), all, std::chrono::seconds(90));
    Settle(r);
    return r;
#endif
}

void Sandbox::Settle(RunResult& r) const
{
    r.activeJobsAtEnd = ActiveJobs();
    r.deliveredAtEnd = Jobs().size();
    WaitForQueues();
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

int Sandbox::ActiveJobs() const
{
    int active = 0;
    for (const auto& q : queues_) {
        cups_job_t* jobs = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, q.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(n, jobs);
        if (n > 0) active += n;
    }
    return active;
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
    return Execute(argv, cwd, env, {}, limit);
}

std::string Box(const std::string& caption, const std::string& text)
{
    return platform::ConsoleMessageLine(text, caption);
}

} // namespace harness
