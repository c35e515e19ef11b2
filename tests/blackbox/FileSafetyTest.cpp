// What a run writes (the configuration file, Phandle.dat) is never lost:
// not to a file it cannot read, not to another owner, not to a directory it
// may not write, not to a kill, not to a second writer; a file's first
// write killed half-way leaves no file rather than an empty one; and a
// parallel printer that takes no bytes cannot hold a run for ever.
#include "families/FamilyFixture.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace families;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

struct Owner {
    uid_t uid;
    gid_t gid;
    mode_t mode;
    nlink_t links;
};

Owner OwnerOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return {st.st_uid, st.st_gid, st.st_mode & 07777, st.st_nlink};
}

void Own(const std::string& path, uid_t uid, gid_t gid, mode_t mode)
{
    ASSERT_EQ(::chown(path.c_str(), uid, gid), 0) << path;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

// Files an update left beside the file it wrote: anything named after it.
std::vector<std::string> Leftovers(const std::string& file)
{
    const fs::path path(file);
    const std::string prefix = path.filename().string() + ".";
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(path.parent_path()))
        if (e.path().filename().string().rfind(prefix, 0) == 0) found.push_back(e.path().filename().string());
    return found;
}

// DII model 0 (the encoder driver) on this sandbox's queue: a FEED writes
// [StatusWindow] Visible into the default configuration file and the
// handle into Phandle.dat.
class FileSafety : public Family {
protected:
    std::string QueueBase() const override { return "Safe_DII"; }

    void SetUpDii(const std::string& scenario = "")
    {
        InstallDriver("CX210P.DLL");
        Configure("DII", "0", "Contact=0\nCMDDelay=0\n");
        Scenario("dii", scenario);
    }

    // The program run as root, or as nobody:nogroup through setpriv.
    harness::RunResult RunDii(const std::vector<std::string>& args, bool asNobody = false)
    {
        if (!asNobody) return Run(args);
        std::vector<std::string> all = {"--reuid=65534", "--regid=65534", "--clear-groups", "--", box.Program()};
        all.insert(all.end(), args.begin(), args.end());
        auto r = box.Run(all, {{"TAVRIN_LP_DIR", DeviceDir()}, {"TAVRIN_PRINTER_DRIVER_DIR", DriverDir()}},
                         "/usr/bin/setpriv");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r;
    }

    harness::RunResult Writer(const std::vector<std::string>& args, bool asNobody = false, const char* umask = "022")
    {
        std::string line = "umask " + std::string(umask) + "; exec";
        if (asNobody) line += " /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups --";
        line += " \"$0\" \"$@\"";
        std::vector<std::string> argv = {"/bin/sh", "-c", line, INI_WRITER};
        argv.insert(argv.end(), args.begin(), args.end());
        return harness::RunProcess(argv, box.WorkDir(), {}, std::chrono::seconds(60));
    }

    void RequireRoot()
    {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    }

    std::string Config() const { return Sandbox::ReadFile(box.ConfigPath()); }
    std::string Handle() const { return Sandbox::ReadFile(box.ProgramDir() + "Phandle.dat"); }
};

} // namespace

TEST_F(FileSafety, AFileThatCannotBeReadIsNeverReplaced)
{
    RequireRoot();
    SetUpDii();
    // The run reads its settings from a file named with /f:; the DII family
    // still adds its key to the default file, which its owner may write but
    // not read.
    const std::string runFile = box.Root() + "/run.ini";
    fs::copy_file(box.ConfigPath(), runFile);
    const std::string before = "; station 7\n[PrinterConfiguration]\nFlipCard=0\n";
    box.WriteConfig(before);
    Own(box.ConfigPath(), kNobody, kNogroup, 0200);
    Sandbox::WriteFile(box.ProgramDir() + "Phandle.dat", "");
    Own(box.ProgramDir() + "Phandle.dat", kNobody, kNogroup, 0644);

    // The card still moves: the key the DII family adds is not worth a run.
    EXPECT_EQ(RunDii({"/f:" + runFile, "/e:FEED"}, true).err, "");
    EXPECT_EQ(box.Calls("dii").size(), 1u);
    EXPECT_EQ(Config(), before);
    EXPECT_EQ(OwnerOf(box.ConfigPath()).mode, 0200u);

    const auto r = Writer({box.ConfigPath(), "StatusWindow", "Visible", "1"}, true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error: Unable to write to " + box.ConfigPath() + "\n");
    EXPECT_EQ(Config(), before);
    EXPECT_TRUE(Leftovers(box.ConfigPath()).empty());
}

TEST_F(FileSafety, AWriteKeepsOwnerGroupModeAndHardLinks)
{
    RequireRoot();
    SetUpDii();
    Own(box.ConfigPath(), kNobody, kNogroup, 0640);
    EXPECT_EQ(RunDii({"/e:FEED"}).err, "");
    const Owner after = OwnerOf(box.ConfigPath());
    EXPECT_EQ(after.uid, kNobody);
    EXPECT_EQ(after.gid, kNogroup);
    EXPECT_EQ(after.mode, 0640u);
    EXPECT_NE(Config().find("[StatusWindow]\nVisible=1\n"), std::string::npos) << Config();

    // A second name for the same file sees every write.
    const std::string other = box.Root() + "/station.ini";
    fs::create_hard_link(box.ConfigPath(), other);
    ASSERT_EQ(Writer({box.ConfigPath(), "Port", "PortNo", "2"}).exitCode, 0);
    EXPECT_EQ(OwnerOf(box.ConfigPath()).links, 2u);
    EXPECT_EQ(Sandbox::ReadFile(other), Config());
    EXPECT_NE(Config().find("PortNo1=1"), std::string::npos);
}

TEST_F(FileSafety, ANewFileTakesTheUmask)
{
    const std::string fresh = box.Root() + "/fresh.ini";
    ASSERT_EQ(Writer({fresh, "S", "K", "1"}, false, "027").exitCode, 0);
    EXPECT_EQ(OwnerOf(fresh).mode, 0640u);
    const std::string open = box.Root() + "/open.ini";
    ASSERT_EQ(Writer({open, "S", "K", "1"}, false, "000").exitCode, 0);
    EXPECT_EQ(OwnerOf(open).mode, 0666u);
}

TEST_F(FileSafety, AWritableFileInADirectoryTheRunMayNotWriteIsWrittenInPlace)
{
    RequireRoot();
    SetUpDii("handle=5151\n");
    Sandbox::WriteFile(box.ProgramDir() + "Phandle.dat", "[Phandle]\nHandle=17\n");
    Own(box.ProgramDir(), 0, 0, 0755);
    Own(box.ConfigPath(), 0, 0, 0666);
    Own(box.ProgramDir() + "Phandle.dat", 0, 0, 0666);

    EXPECT_EQ(RunDii({"/e:FEED"}, true).err, "");
    EXPECT_EQ(Handle(), "[Phandle]\nHandle=5151\n");
    EXPECT_NE(Config().find("Visible=1"), std::string::npos);
    EXPECT_EQ(RunDii({"/e:EJECT"}, true).err, "");
    EXPECT_EQ(box.Calls("dii").back(), "ExtEncodeEnd(5151, 0) = 0") << "the handle of this feed, not a stale one";
    EXPECT_EQ(OwnerOf(box.ProgramDir() + "Phandle.dat").uid, 0u);
}

TEST_F(FileSafety, TwoWritersAtOnceLoseNoKey)
{
    const std::string file = box.Root() + "/shared.ini";
    Sandbox::WriteFile(file, "[Station]\r\nName=4\r\n");
    constexpr int kKeys = 300;
    std::thread a([&] { EXPECT_EQ(Writer({file, "Shared", "A", std::to_string(kKeys)}).exitCode, 0); });
    std::thread b([&] { EXPECT_EQ(Writer({file, "Shared", "B", std::to_string(kKeys)}).exitCode, 0); });
    a.join();
    b.join();
    const auto doc = platform::IniDocument::Parse(Sandbox::ReadFile(file));
    EXPECT_EQ(doc.Keys("Shared").size(), 2u * kKeys);
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(doc.Value("Shared", "A" + std::to_string(i)), std::to_string(i));
        EXPECT_EQ(doc.Value("Shared", "B" + std::to_string(i)), std::to_string(i));
    }
    EXPECT_EQ(doc.Value("Station", "Name"), "4");
    EXPECT_TRUE(Leftovers(file).empty());
}

TEST_F(FileSafety, KillsLeaveAtMostOneTemporaryFileAndNeverATornFile)
{
    const std::string dir = box.Root() + "/kills";
    fs::create_directories(dir);
    const std::string file = dir + "/tavrin.ini";
    std::mt19937 random(20261208);
    int lastKeys = 0;
    for (int round = 0; round < 25; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::execl(INI_WRITER, INI_WRITER, file.c_str(), "Keys", "K", "100000", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Once the writer is under way (its start-up takes longer under the
        // sanitizers), kill it at a random moment.
        for (int i = 0; i < 5000 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);

        // Whatever moment the kill hit, the file holds K0 .. K(n-1) whole.
        const std::string text = Sandbox::ReadFile(file);
        const auto doc = platform::IniDocument::Parse(text);
        const int n = static_cast<int>(doc.Keys("Keys").size());
        EXPECT_GE(n, lastKeys);
        std::string expected = n ? "[Keys]\n" : "";
        for (int i = 0; i < n; ++i) expected += "K" + std::to_string(i) + "=" + std::to_string(i) + "\n";
        ASSERT_EQ(text, expected) << "round " << round;
        lastKeys = n;
        EXPECT_LE(Leftovers(file).size(), 1u);
    }
    EXPECT_GT(lastKeys, 0);
    // The next write clears what a killed one left.
    ASSERT_EQ(Writer({file, "Other", "X", "1"}).exitCode, 0);
    EXPECT_TRUE(Leftovers(file).empty());
}

// The first write of a file that is not there, killed at any moment: no
// file or the whole file, never an empty or a partial one; at most the
// temporary file beside it, which stands in the way of no later write.
TEST_F(FileSafety, AKilledFirstWriteLeavesNoFileOrTheWholeFile)
{
    const std::string dir = box.Root() + "/first";
    fs::create_directories(dir);
    const std::string file = dir + "/Phandle.dat";
    // Large enough that writing it takes a while, so that many kills land
    // in the middle of the write.
    const std::string pad = "262144";
    const std::string whole = "[Phandle]\nHandle0=0" + std::string(262144, '.') + "\n";
    auto start = [&] {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(INI_WRITER, INI_WRITER, file.c_str(), "Phandle", "Handle", "1", pad.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    };
    auto reap = [](pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    };

    // How long a whole run takes here; the kills fall anywhere in it.
    const auto begun = std::chrono::steady_clock::now();
    const pid_t once = start();
    ASSERT_GT(once, 0);
    ASSERT_EQ(reap(once), 0);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begun);
    ASSERT_TRUE(Sandbox::ReadFile(file) == whole);
    fs::remove(file);

    std::mt19937 random(20261209);
    std::uniform_int_distribution<long> moment(0, span.count() * 3 / 2);
    int none = 0, made = 0, leftBehind = 0;
    for (int round = 0; round < 150; ++round) {
        const pid_t pid = start();
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(pid, SIGKILL);
        reap(pid);

        const auto left = Leftovers(file);
        ASSERT_LE(left.size(), 1u) << "round " << round;
        if (!left.empty()) {
            EXPECT_EQ(left.front(), "Phandle.dat.tavrin-tmp");
            ++leftBehind;
        }
        if (fs::exists(fs::symlink_status(file))) {
            const std::string text = Sandbox::ReadFile(file);
            ASSERT_TRUE(text == whole) << "round " << round << ": " << text.size() << " bytes, not " << whole.size();
            ++made;
            fs::remove(file);  // the next round writes it first again
        } else {
            ++none;
        }
    }
    std::printf("150 kills: %d left no file, %d the whole file, %d a temporary file\n", none, made, leftBehind);
    // The kills fell before the file was made and after.
    EXPECT_GT(none, 0);
    EXPECT_GT(made, 0);

    // What a kill left does not stop the next write, and is cleared by it.
    ASSERT_EQ(Writer({file, "Phandle", "Handle", "1"}).exitCode, 0);
    EXPECT_EQ(Sandbox::ReadFile(file), "[Phandle]\nHandle0=0\n");
    EXPECT_TRUE(Leftovers(file).empty());
}

TEST_F(FileSafety, AParallelPrinterThatTakesNoBytesFailsTheCommandWithinTheBound)
{
    fs::create_directories(DeviceDir());
    ASSERT_EQ(::mkfifo(Lpt1().c_str(), 0666), 0);
    // Hold the FIFO open and full: nobody drains it.
    const int fifo = ::open(Lpt1().c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fifo, 0);
    const std::string chunk(4096, 'x');
    while (::write(fifo, chunk.data(), chunk.size()) > 0) {
    }
    Configure("ZEBRA", "PARALLEL");
    const auto r = Run({"/e:FEED"}, {{"TAVRIN_LP_WRITE_LIMIT_MS", "300"}});
    EXPECT_EQ(r.err, kCommandFailed);
    ::close(fifo);

    // A FIFO that someone reads takes the bytes as a printer would.
    ASSERT_EQ(::unlink(Lpt1().c_str()), 0);
    ASSERT_EQ(::mkfifo(Lpt1().c_str(), 0666), 0);
    const int reader = ::open(Lpt1().c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(Run({"/e:EJECT"}).err, "");
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 4);
    EXPECT_EQ(std::string(got, 4), "\x1B" "ME\r");
    ::close(reader);
}
