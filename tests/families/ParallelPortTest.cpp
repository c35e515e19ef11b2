// The parallel port: the LPT device, and the port driven at its registers
// with the answer line (through the simulated libdlportio.so).
#include "FamilyFixture.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <sstream>

using namespace families;
using namespace std::string_literals;

namespace {

// Counts how often a directory itself is opened (a scan of it) while it is
// watched: inotify reports each opendir, without timing anything. Closes are
// watched too, because the kernel merges identical events that follow each
// other unread, and an open-close pair per scan keeps every open apart.
class DirectoryScans {
public:
    explicit DirectoryScans(const std::string& dir) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        EXPECT_GE(fd_, 0);
        EXPECT_GE(::inotify_add_watch(fd_, dir.c_str(), IN_OPEN | IN_CLOSE_NOWRITE), 0) << dir;
    }
    ~DirectoryScans() { ::close(fd_); }
    DirectoryScans(const DirectoryScans&) = delete;
    DirectoryScans& operator=(const DirectoryScans&) = delete;

    // The scans since the last call; -1 when so many came that the kernel's
    // queue overflowed.
    long Count()
    {
        long scans = 0;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) return scans;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (e->mask & IN_Q_OVERFLOW) return -1;
                // The watched directory itself has no name in its events.
                if ((e->mask & IN_OPEN) && e->len == 0) ++scans;
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
    }

private:
    int fd_;
};

class Parallel : public Family {
protected:
    void Direct(const std::string& type, const std::string& commands, const std::string& scenario = "")
    {
        Configure(type, "PARALLEL", "[Port]\nReceiveData=YES\nPortAddress=$0378\n" + commands);
        box.InstallStandIn(Sandbox::LibraryFile("dlportio.dll"));
        Scenario("dlportio", scenario);
    }
    Strings Frames() const
    {
        Strings frames;
        for (const auto& line : box.Calls("dlportio"))
            if (line.rfind("frame ", 0) == 0) frames.push_back(line.substr(6));
        return frames;
    }
};

} // namespace

TEST_F(Parallel, TheLptDeviceGetsTheFrameAndABlankPre)
{
    MakeLpt1();
    Configure("ESCPRINTERS", "PARALLEL", "[ControlCommands]\nInsert=MS\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Sandbox::ReadFile(Lpt1()), "\x1BMS\r\x1B\r");
}

TEST_F(Parallel, PortNoChoosesTheDevice)
{
    std::filesystem::create_directories(DeviceDir());
    Sandbox::WriteFile(DeviceDir() + "/lp2", "");
    Configure("ZEBRA", "PARALLEL", "[Port]\nPortNo=3\n");
    EXPECT_EQ(Run({"/e:EJECT"}).err, "");
    EXPECT_EQ(Sandbox::ReadFile(DeviceDir() + "/lp2"), "\x1B" "ME\r");
}

TEST_F(Parallel, HexadecimalPayloadsGoOutWithoutTheFrame)
{
    MakeLpt1();
    Configure("ZEBRA", "PARALLEL");
    EXPECT_EQ(Run({"/e:$1B 4D53"}).err, "");
    EXPECT_EQ(Sandbox::ReadFile(Lpt1()), "\x1B\x4D\x53");
    Sandbox::WriteFile(Lpt1(), "");
    EXPECT_EQ(Run({"/e:$0D0a"}).err, "") << "lower-case a dropped, the single 0 left over ignored";
    EXPECT_EQ(Sandbox::ReadFile(Lpt1()), "\x0D");
    Sandbox::WriteFile(Lpt1(), "");
    EXPECT_EQ(Run({"/e:$"}).err, "");
    EXPECT_EQ(Sandbox::ReadFile(Lpt1()), "");
}

TEST_F(Parallel, ADeviceThatCannotBeOpenedOrWrittenIsAFailure)
{
    Configure("ZEBRA", "PARALLEL");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed) << "no device at all";
    std::filesystem::create_directories(DeviceDir());
    std::filesystem::create_symlink("/dev/full", Lpt1());
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed) << "a device that takes no bytes";
}

TEST_F(Parallel, TheAnswerLineCarriesTheCommandAndReadsTheAnswer)
{
    Direct("ZEBRA", "", "answer=READY\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Frames(), (Strings {"\"<1B>MS<0D>\"", "\"<1B>E 1<0D>\""}));
    const auto calls = box.Calls("dlportio");
    EXPECT_EQ(calls.back(), "answer bits read 40") << "the five bytes of READY, one bit per strobe";
    EXPECT_EQ(CardPlace(), "encoding station");
}

TEST_F(Parallel, FeedOnTheAnswerLineSendsPreAfterInsert)
{
    Direct("ESCPRINTERS", "[ControlCommands]\nInsert=MS\nPre=MS 2\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Frames(), (Strings {"\"<1B>MS<0D>\"", "\"<1B>E 1<0D>\"", "\"<1B>MS 2<0D>\"", "\"<1B>E 1<0D>\""}));
}

TEST_F(Parallel, AWrongStatusOrAPrinterNeverReadyFailsTheCommandWithinItsBound)
{
    const struct {
        const char* printer;
        const char* scenario;
        long atLeastMs, belowMs;
    } rows[] = {
        // Synchronised (strobe 1), then the printer shows 0xDF at the 'M'.
        {"a wrong status after a strobe", "status=0xDF\nfail_from=3\n", 0, 60000},
        {"a wrong status for ever: the synchronisation is bounded", "status=0xDF\n", 0, 60000},
        {"never ready: one byte gets ten seconds", "ready=0\n", 10000, 60000},
    };
    for (const auto& row : rows) {
        Direct("ZEBRA", "", row.scenario);
        std::filesystem::remove(box.World() + "/calls.log");
        const auto r = Run({"/e:FEED"});
        EXPECT_EQ(r.err, kCommandFailed) << row.printer;
        EXPECT_GE(r.elapsed.count(), row.atLeastMs) << row.printer;
        EXPECT_LT(r.elapsed.count(), row.belowMs) << row.printer;
        EXPECT_TRUE(Frames().empty()) << row.printer;
    }
}

TEST_F(Parallel, AnEndlessAnswerStopsAfter201Bytes)
{
    Direct("ZEBRA", "", "endless=1\n");
    EXPECT_EQ(Run({"/e:EJECT"}).err, "");
    EXPECT_EQ(Frames().size(), 2u);
    EXPECT_EQ(box.Calls("dlportio").back(), "answer bits read 1608") << "201 bytes of 8 bits";
}

TEST_F(Parallel, NoAddressIsReported)
{
    Configure("ZEBRA", "PARALLEL", "[Port]\nReceiveData=YES\nPortAddress=abc\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, ErrorBox("No Portadress found!") + kCommandFailed);
}

TEST_F(Parallel, ReceiveDataMustBeExactlyYes)
{
    MakeLpt1();
    Configure("ZEBRA", "PARALLEL", "[Port]\nReceiveData=yes\nPortAddress=$0378\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Sandbox::ReadFile(Lpt1()), "\x1BMS\r");
}

TEST_F(Parallel, TheRealPortLibrarySaysWhenThereIsNoSuchPort)
{
    Configure("ZEBRA", "PARALLEL", "[Port]\nReceiveData=YES\nPortAddress=$0378\n");
    std::filesystem::create_directories(box.Root() + "/parport");
    DirectoryScans scans(box.Root() + "/parport");
    const auto r = Run({"/e:FEED"}, {{"TAVRIN_PARPORT_PROC", box.Root() + "/parport"}});
    EXPECT_EQ(r.err, "dlportio: no parallel port has its registers at 0x0378\n" + kCommandFailed);
    // The synchronisation strobes the missing port for its whole bound; the
    // port list is still read only once.
    EXPECT_EQ(scans.Count(), 1);
}

// The real libdlportio.so in the probe, against a port list and device
// directory of the test's own, with the kernel's ppdev driver stood in
// inside the probe (testbed/dlportio/FakePpdev.cpp).
class RealPortLibrary : public ::testing::Test {
protected:
    std::string Proc() const { return box.Root() + "/parport"; }
    std::string Dev() const { return box.Root() + "/pdev"; }

    void SetUp() override
    {
        std::filesystem::create_directories(Proc());
        std::filesystem::create_directories(Dev());
    }

    // Port n's entry in the port list, and its device file.
    std::string Entry(int n) const { return Proc() + "/parport" + std::to_string(n); }
    std::string Device(int n) const { return Dev() + "/parport" + std::to_string(n); }

    // A parport entry with its base address, and its device file.
    void AddPort(int n, unsigned base, bool device = true) const
    {
        std::filesystem::create_directories(Entry(n));
        Sandbox::WriteFile(Entry(n) + "/base-addr", std::to_string(base) + "\t0\n");
        if (device) Sandbox::WriteFile(Device(n), "");
    }
    // A probe step that adds or removes a port while the probe runs, without
    // opening the list's directory itself.
    std::string AddPortStep(int n, unsigned base) const
    {
        return "run mkdir " + Entry(n) + " && printf '" + std::to_string(base) + "\\t0\\n' > " + Entry(n) +
               "/base-addr && : > " + Device(n);
    }
    std::string RemovePortStep(int n) const
    {
        return "run rm " + Entry(n) + "/base-addr " + Device(n) + " && rmdir " + Entry(n);
    }

    // Runs the probe; its output lines after the library line. What the
    // library said on standard error must be err, and whatever the steps,
    // it reads the port list once.
    Strings Probe(const Strings& steps, const std::string& err = "")
    {
        DirectoryScans scans(Proc());
        const auto result = box.Run(steps, {{"TAVRIN_PARPORT_PROC", Proc()}, {"TAVRIN_PARPORT_DEV", Dev()}},
                                    std::string(TAVRIN_TESTBED_BUILD_DIR) + "/dlportio-probe");
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        EXPECT_EQ(result.err, err);
        EXPECT_EQ(scans.Count(), 1);
        Strings lines;
        std::istringstream in(result.out);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        EXPECT_FALSE(lines.empty());
        if (lines.empty()) return lines;
        EXPECT_EQ(lines.front(), "library " + std::string(TAVRIN_PROGRAM_DIR) + "/libdlportio.so")
            << "the probe must drive the real library";
        lines.erase(lines.begin());
        return lines;
    }

    Sandbox box;
};

TEST_F(RealPortLibrary, EachRegisterReachesItsPortAndThePortListIsReadOnce)
{
    AddPort(0, 0x378);
    AddPort(1, 0x278);
    // One byte with its strobe and status poll, then the other port.
    EXPECT_EQ(Probe({"w 0x378 0x41", "w 0x37A 0x0F", "w 0x37A 0x0E", "r 0x379", "r 0x37A", "r 0x378", "r 0x279"}),
              (Strings {"w 0x378 0x41", "w 0x37A 0x0F", "w 0x37A 0x0E", "r 0x379 = 0xD8", "r 0x37A = 0x0E",
                        "r 0x378 = 0x41", "r 0x279 = 0xD8"}));
    EXPECT_EQ(box.Calls("ppdev"),
              (Strings {"parport0 claim", "parport0 write data 0x41", "parport0 write control 0x0F",
                        "parport0 write control 0x0E", "parport0 read status = 0xD8", "parport0 read control = 0x0E",
                        "parport0 read data = 0x41", "parport1 claim", "parport1 read status = 0xD8",
                        "parport1 release", "parport0 release"}));
}

TEST_F(RealPortLibrary, APortRemovedAfterItsFirstUseKeepsWorking)
{
    AddPort(0, 0x378);
    EXPECT_EQ(Probe({"r 0x379", RemovePortStep(0), "r 0x379", "w 0x37A 0x0E", "r 0x37A"}),
              (Strings {"r 0x379 = 0xD8", "run = 0", "r 0x379 = 0xD8", "w 0x37A 0x0E", "r 0x37A = 0x0E"}));
    EXPECT_EQ(box.Calls("ppdev"),
              (Strings {"parport0 claim", "parport0 read status = 0xD8", "parport0 read status = 0xD8",
                        "parport0 write control 0x0E", "parport0 read control = 0x0E", "parport0 release"}));
}

TEST_F(RealPortLibrary, APortAddedAfterItsAddressWasFoundMissingStaysMissing)
{
    EXPECT_EQ(Probe({"r 0x379", AddPortStep(0, 0x378), "r 0x379", "w 0x37A 0x0F", "w 0x378 0x41", "r 0x378"},
                    "dlportio: no parallel port has its registers at 0x0379\n"),
              (Strings {"r 0x379 = 0xFF", "run = 0", "r 0x379 = 0xFF", "w 0x37A 0x0F", "w 0x378 0x41",
                        "r 0x378 = 0xFF"}));
    EXPECT_TRUE(box.Calls("ppdev").empty());
}

TEST_F(RealPortLibrary, APortThatCannotBeOpenedIsSaidOnceAndNotTriedAgain)
{
    AddPort(0, 0x378, false);
    EXPECT_EQ(Probe({"r 0x379", "w 0x37A 0x0F", "run : > " + Device(0), "r 0x379", "r 0x37A"},
                    "dlportio: cannot open " + Device(0) + " for the port at 0x0378: No such file or directory\n"),
              (Strings {"r 0x379 = 0xFF", "w 0x37A 0x0F", "run = 0", "r 0x379 = 0xFF", "r 0x37A = 0xFF"}));
    EXPECT_TRUE(box.Calls("ppdev").empty());
}
