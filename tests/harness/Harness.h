#pragma once
// The black-box harness: runs the real binaries against the testbed and
// returns what the user was shown and what reached the printer.
//
// Each Sandbox is one test's own corner of the file system:
//   root/prog/   the program directory: hard links (or copies) of every
//                file the build put beside tavrin; stand-ins are linked
//                in over the real libraries on request
//   root/world/  the testbed world (see testbed/common/Testbed.h)
//   root/work/   the current directory of the runs
// It is removed when the test ends (kept when TAVRIN_KEEP_SANDBOX is set).
//
// Two flavours, one interface. Built plain, the program is this build's
// tavrin. Built with TAVRIN_HARNESS_WINE, it is the tavrin.exe of a Windows
// build (TAVRIN_WINDOWS_BUILD_DIR) with that build's stand-in DLLs, run under
// Wine: paths handed to it must be its own (Native), stand-ins are named by
// the vendors' file names (LibraryFile), and what the message boxes showed is
// read from the file TAVRIN_MESSAGE_LOG names (docs/testbed.md).
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace harness {

struct RunResult {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // what the message boxes showed, in their console form
    std::chrono::milliseconds elapsed {0};
    // Wine flavour: each box's icon ("error", ...), in order, and the
    // program's own standard error.
    std::vector<std::string> icons;
    std::string stderrText;
    // The moment the program ended, before the harness waited for the
    // queues: jobs still active on this sandbox's queues, and jobs the
    // world's printer had received.
    int activeJobsAtEnd = 0;
    size_t deliveredAtEnd = 0;
};

// True in the Wine flavour.
#ifdef TAVRIN_HARNESS_WINE
inline constexpr bool kWine = true;
#else
inline constexpr bool kWine = false;
#endif
// The end of a line the program writes on standard output (the Windows C
// library writes text with CR LF).
inline constexpr const char* kOutputLineEnd = kWine ? "\r\n" : "\n";

struct Job {
    std::string title;
    std::string bytes;
};

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& Root() const { return root_; }
    std::string ProgramDir() const { return root_ + "/prog/"; }
    std::string Program() const { return ProgramDir() + (kWine ? "tavrin.exe" : "tavrin"); }
    std::string World() const { return root_ + "/world"; }
    std::string WorkDir() const { return root_ + "/work"; }

    // The default configuration file beside the program.
    std::string ConfigPath() const { return ProgramDir() + "tavrin.ini"; }
    void WriteConfig(const std::string& content) const { WriteFile(ConfigPath(), content); }

    // Links a built file (a stand-in from build/testbed, or any path) into
    // the program directory under the given name, replacing what was there.
    void InstallInProgramDir(const std::string& builtFile, const std::string& asName = "") const;
    // A stand-in from the testbed build folder, by file name.
    void InstallStandIn(const std::string& fileName, const std::string& asName = "") const;
    // Where a stand-in of the testbed build folder is, by file name.
    static std::string StandInPath(const std::string& fileName);

    // A path as the program under test names it: the path itself, or under
    // Wine the same file on drive Z: ("Z:\tmp\x" for "/tmp/x").
    static std::string Native(const std::string& path);
    // The file of a library the program loads by its Windows name
    // ("MagAPI.DLL"): that name under Wine, the Linux library rule's name
    // (libmagapi.so) otherwise. Variants keep their suffix:
    // "MagAPI-noenable.DLL" is libmagapi-noenable.so.
    static std::string LibraryFile(const std::string& windowsName);

    // Adds a CUPS queue on the private server whose jobs reach this world.
    // The name is base plus a suffix unique to this sandbox; returned.
    std::string AddQueue(const std::string& base, const std::vector<std::string>& lpadminOptions = {});
    // A printer on a port of its own ("VUSB3:", "SCSI2:"), as a vendor's port
    // monitor makes one: on Linux a queue whose port-name-default is the
    // port; under Wine (whose spooler takes no such option from CUPS) a
    // printer of Wine's own on that port, with the driver Wine made for a
    // queue of this sandbox. The name is returned, as for AddQueue.
    std::string AddPrinterOnPort(const std::string& base, const std::string& port,
                                 const std::vector<std::string>& lpadminOptions = {});

#ifdef TAVRIN_HARNESS_WINE
    // Sets or clears a printer's "use printer offline", through the
    // spooler of the Wine prefix.
    void SetWorkOffline(const std::string& printer, bool offline) const;
#endif

    // Runs the program in the program directory with the given arguments,
    // in WorkDir(), with TAVRIN_TESTBED_DIR set to World(), no display
    // (DISPLAY and WAYLAND_DISPLAY empty; under Wine unset), no log line
    // (TAVRIN_LOG=off) and CUPS_SERVER inherited, plus env (under Wine,
    // paths in it must be Native). Notes what was still queued and what was
    // delivered when it ended, then waits until the jobs it spooled are
    // processed.
    RunResult Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {},
                  const std::string& program = "") const;

    // Raw jobs that reached this world's printer, in order.
    std::vector<Job> Jobs() const;
    // The world's call log, whole, or the lines of one component (without
    // the "component: " prefix).
    std::string CallLog() const;
    std::vector<std::string> Calls(const std::string& component) const;

    static void WriteFile(const std::string& path, const std::string& content);
    static std::string ReadFile(const std::string& path);
    static bool Exists(const std::string& path);

private:
    // What the queues held when a run ended, then waits until they are idle.
    void Settle(RunResult& r) const;
    void WaitForQueues() const;
    int ActiveJobs() const;

    std::string root_;
    std::vector<std::string> queues_;
    std::vector<std::string> winePrinters_;
};

// Runs any command line (argv[0] a path) with extra environment.
RunResult RunProcess(const std::vector<std::string>& argv, const std::string& cwd,
                     const std::map<std::string, std::string>& env, std::chrono::seconds limit);

// The console form of a message box, as the program writes it.
std::string Box(const std::string& caption, const std::string& text);
inline std::string ErrorBox(const std::string& text) { return Box("Error", text); }

} // namespace harness
