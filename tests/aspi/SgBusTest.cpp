// The Linux ASPI layer's request handling over a fake sg backend, and the
// built libwnaspi32.so loaded as Scorpa loads it.
#include "SgBus.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>
#include <sys/wait.h>
#include <unistd.h>

using namespace aspi;

namespace {

struct FakeSg : SgBackend {
    std::vector<SgDevice> Devices;
    std::vector<SgDenied> Denied;
    std::vector<std::pair<std::string, SgCommand>> Ran;
    std::vector<std::uint8_t> Answer;
    SgOutcome Outcome {true, 0, 0, 0, {}};
    std::vector<std::uint8_t> SenseAnswer;
    int Scans = 0;
    std::vector<std::string> Resets;

    SgScan Scan() override
    {
        ++Scans;
        return {Devices, Denied};
    }
    SgOutcome Execute(const SgDevice& d, SgCommand& c) override
    {
        Ran.emplace_back(d.Path, c);
        if (c.Direction == SgDirection::FromDevice && !Answer.empty()) std::memcpy(c.Data, Answer.data(), std::min<std::size_t>(Answer.size(), c.DataLen));
        if (!SenseAnswer.empty()) std::memcpy(c.Sense, SenseAnswer.data(), std::min<std::size_t>(SenseAnswer.size(), c.SenseLen));
        return Outcome;
    }
    bool ResetDevice(const SgDevice& d) override
    {
        Resets.push_back(d.Path);
        return true;
    }
};

SRB_ExecSCSICmd Exec(int ha, int target, std::uint8_t flags, std::uint8_t* buf, std::uint32_t len, std::vector<std::uint8_t> cdb)
{
    SRB_ExecSCSICmd srb {};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = static_cast<std::uint8_t>(ha);
    srb.SRB_Target = static_cast<std::uint8_t>(target);
    srb.SRB_Flags = flags;
    srb.SRB_BufPointer = buf;
    srb.SRB_BufLen = len;
    srb.SRB_SenseLen = SENSE_LEN;
    srb.SRB_CDBLen = static_cast<std::uint8_t>(cdb.size());
    if (!cdb.empty()) std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
    return srb;
}

SRB_HAInquiry HaInquiry(int ha = 0)
{
    SRB_HAInquiry srb {};
    srb.SRB_Cmd = SC_HA_INQUIRY;
    srb.SRB_HaId = static_cast<std::uint8_t>(ha);
    return srb;
}

class SgBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sg.Devices = {{"/dev/sg3", 2, 0, 5, 0, 2}, {"/dev/sg0", 0, 0, 1, 0, 0}, {"/dev/sg1", 0, 1, 3, 0, 5},
                      {"/dev/sg2", 2, 0, 5, 1, 2}};
    }
    FakeSg sg;
    Bus bus {sg};
};

} // namespace

TEST_F(SgBusTest, EachHostAndChannelIsOneAdapterInOrder)
{
    auto srb = HaInquiry(2);
    EXPECT_EQ(bus.Send(&srb), SS_COMP);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(srb.HA_Count, 3);
    EXPECT_EQ(srb.HA_SCSI_ID, 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(srb.HA_Identifier), 16), "scsi2 ch0       ");
    EXPECT_EQ(bus.Adapters(), (std::vector<std::pair<int, int>> {{0, 0}, {0, 1}, {2, 0}}));
    srb.SRB_HaId = 3;
    EXPECT_EQ(bus.Send(&srb), SS_INVALID_HA);
    EXPECT_EQ(srb.HA_Count, 3);
    EXPECT_EQ(bus.SupportInfo(), (SS_COMP << 8) | 3u);
}

TEST_F(SgBusTest, ACommandRunsOnTheMatchingDeviceWithTheTimeLimit)
{
    sg.Answer = {'V', 'E', 'L', 'T', 'O'};
    std::uint8_t buf[36] = {};
    auto srb = Exec(2, 5, SRB_DIR_IN, buf, 36, {0x12, 0, 0, 0, 0x24, 0});
    EXPECT_EQ(bus.Send(&srb), SS_COMP);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    ASSERT_EQ(sg.Ran.size(), 1u);
    EXPECT_EQ(sg.Ran[0].first, "/dev/sg3");
    const SgCommand& c = sg.Ran[0].second;
    EXPECT_EQ(std::make_tuple(c.Direction, c.DataLen, c.CdbLen, c.TimeoutMs, c.SenseLen),
              std::make_tuple(SgDirection::FromDevice, 36u, 6, 3000u, SENSE_LEN));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 5), "VELTO");

    std::uint8_t block[255] = {0x1B, '>'};
    auto print = Exec(0, 3, SRB_DIR_OUT, block, 255, {0x0A, 0, 0, 0, 2, 0});
    EXPECT_EQ(bus.Send(&print), SS_NO_DEVICE) << "adapter 0 is host 0 channel 0; target 3 is on channel 1";
    print.SRB_HaId = 1;
    EXPECT_EQ(bus.Send(&print), SS_COMP);
    EXPECT_EQ(sg.Ran.back().first, "/dev/sg1");
    EXPECT_EQ(sg.Ran.back().second.Direction, SgDirection::ToDevice);
    auto lun1 = Exec(2, 5, SRB_DIR_IN, buf, 36, {0x12, 0, 0, 0, 0x24, 0});
    lun1.SRB_Lun = 1;
    EXPECT_EQ(bus.Send(&lun1), SS_COMP);
    EXPECT_EQ(sg.Ran.back().first, "/dev/sg2");
    auto far = Exec(9, 0, SRB_DIR_IN, buf, 36, {0x12, 0, 0, 0, 0x24, 0});
    EXPECT_EQ(bus.Send(&far), SS_INVALID_HA);
}

TEST_F(SgBusTest, FailuresBecomeAspiStatuses)
{
    std::uint8_t buf[20] = {};
    sg.Outcome = {true, 0, 0x08, 0x02, {}};  // check condition with sense
    sg.SenseAnswer = {0x70, 0, 0x02, 0, 0, 0, 0, 12, 0, 0, 0, 0, 0x3A, 0x00};
    auto srb = Exec(0, 1, SRB_DIR_IN, buf, 20, {0xC1, 0, 0, 0, 0x20, 0});
    EXPECT_EQ(bus.Send(&srb), SS_ERR);
    EXPECT_EQ(srb.SRB_TargStat, 0x02);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_OK);
    EXPECT_EQ(srb.SenseArea[12], 0x3A);
    sg.Outcome = {true, 0x03, 0, 0, {}};  // DID_TIME_OUT
    EXPECT_EQ(bus.Send(&srb), SS_ERR);
    EXPECT_EQ(srb.SRB_HaStat, HASTAT_TIMEOUT);
    sg.Outcome = {false, 0, 0, 0, {}};  // the ioctl itself failed
    EXPECT_EQ(bus.Send(&srb), SS_ERR);
    sg.Outcome = {true, 0, 0x08, 0, {}};  // sense offered, nothing wrong
    EXPECT_EQ(bus.Send(&srb), SS_COMP);
}

TEST_F(SgBusTest, MalformedRequestsAreRefused)
{
    std::uint8_t buf[4] = {};
    const std::vector<std::uint8_t> status {0xC1, 0, 0, 0, 4, 0};
    for (auto [what, srb] : std::vector<std::pair<const char*, SRB_ExecSCSICmd>> {
             {"both directions", Exec(0, 1, SRB_DIR_IN | SRB_DIR_OUT, buf, 4, status)},
             {"no direction", Exec(0, 1, 0, buf, 4, status)},
             {"no buffer", Exec(0, 1, SRB_DIR_IN, nullptr, 4, status)},
             {"no CDB", Exec(0, 1, SRB_DIR_IN, buf, 4, {})},
         })
        EXPECT_EQ(bus.Send(&srb), SS_INVALID_SRB) << what;
    auto nodata = Exec(0, 1, 0, nullptr, 0, {0x00, 0, 0, 0, 0, 0});
    EXPECT_EQ(bus.Send(&nodata), SS_COMP) << "TEST UNIT READY moves no data";
    EXPECT_EQ(sg.Ran.back().second.Direction, SgDirection::None);
    SRB_Header odd {};
    odd.SRB_Cmd = 0x77;
    EXPECT_EQ(bus.Send(&odd), SS_INVALID_CMD);
    EXPECT_EQ(bus.Send(nullptr), SS_INVALID_SRB);
    EXPECT_TRUE(sg.Ran.size() == 1u);
}

TEST_F(SgBusTest, DeviceTypeResetAndAbort)
{
    SRB_GDEVBlock dev {};
    dev.SRB_Cmd = SC_GET_DEV_TYPE;
    dev.SRB_HaId = 1;
    dev.SRB_Target = 3;
    EXPECT_EQ(bus.Send(&dev), SS_COMP);
    EXPECT_EQ(dev.SRB_DeviceType, 5);
    SRB_BusDeviceReset reset {};
    reset.SRB_Cmd = SC_RESET_DEV;
    reset.SRB_HaId = 0;
    reset.SRB_Target = 1;
    EXPECT_EQ(bus.Send(&reset), SS_COMP);
    EXPECT_EQ(sg.Resets, std::vector<std::string> {"/dev/sg0"});
    SRB_Abort abort {};
    abort.SRB_Cmd = SC_ABORT_SRB;
    EXPECT_EQ(bus.Send(&abort), SS_COMP) << "nothing is ever pending";
}

TEST_F(SgBusTest, AnInquiryRescansTheDevices)
{
    auto srb = HaInquiry();
    bus.Send(&srb);
    sg.Devices.clear();
    bus.Send(&srb);
    EXPECT_EQ(srb.SRB_Status, SS_INVALID_HA);
    EXPECT_EQ(srb.HA_Count, 0);
    EXPECT_EQ(bus.SupportInfo(), static_cast<std::uint32_t>(SS_NO_ADAPTERS) << 8);
}

TEST_F(SgBusTest, ADeviceThatWillNotOpenIsNamedOnceAndIsNoDevice)
{
    std::vector<std::string> said;
    Bus told(sg, [&](const std::string& line) { said.push_back(line); });
    sg.Denied = {{"/dev/sg7", EACCES, false, false}, {"/dev/sg5", EACCES, true, false}, {"/dev/sg6", EPERM, false, true},
                 {"/dev/sg8", EBUSY, true, true}};
    auto srb = HaInquiry();
    EXPECT_EQ(told.Send(&srb), SS_COMP);
    EXPECT_EQ(srb.HA_Count, 3) << "the devices that open still make their adapters";
    EXPECT_EQ(told.Send(&srb), SS_COMP);
    EXPECT_EQ(told.SupportInfo(), (SS_COMP << 8) | 3u);
    EXPECT_EQ(said, (std::vector<std::string> {"/dev/sg5: no write permission (EACCES)", "/dev/sg6: no read permission (EPERM)",
                                               "/dev/sg7: no read/write permission (EACCES)", "/dev/sg8: cannot be opened (EBUSY)"}));

    // One that stops opening between the scan and a command.
    said.clear();
    sg.Outcome = {false, 0, 0, 0, SgDenied {"/dev/sg3", EACCES, false, false}};
    std::uint8_t buf[36] = {};
    auto exec = Exec(2, 5, SRB_DIR_IN, buf, 36, {0x12, 0, 0, 0, 0x24, 0});
    EXPECT_EQ(told.Send(&exec), SS_NO_DEVICE);
    EXPECT_EQ(exec.SRB_HaStat, HASTAT_OK) << "no selection time-out: nothing was selected";
    EXPECT_EQ(told.Send(&exec), SS_NO_DEVICE);
    EXPECT_EQ(said, std::vector<std::string> {"/dev/sg3: no read/write permission (EACCES)"});

    // Without denied devices nothing is said; an empty bus is quiet too.
    said.clear();
    sg.Denied.clear();
    sg.Devices.clear();
    Bus quiet(sg, [&](const std::string& line) { said.push_back(line); });
    EXPECT_EQ(quiet.Send(&srb), SS_INVALID_HA);
    EXPECT_TRUE(said.empty());
}

TEST(WnAspi32Library, LoadsWithItsTwoEntryPointsAndAnswersForThisMachine)
{
    void* lib = dlopen(WNASPI32_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto send = reinterpret_cast<SendASPI32CommandFn>(dlsym(lib, "SendASPI32Command"));
    auto info = reinterpret_cast<GetASPI32SupportInfoFn>(dlsym(lib, "GetASPI32SupportInfo"));
    ASSERT_NE(send, nullptr);
    ASSERT_NE(info, nullptr);
    auto srb = HaInquiry();
    const std::uint32_t r = send(&srb);
    const bool anySg = std::filesystem::exists("/dev/sg0");
    EXPECT_EQ(r, anySg ? SS_COMP : SS_INVALID_HA);
    if (!anySg) {
        EXPECT_EQ(srb.HA_Count, 0);
    }
    std::uint8_t buf[36] = {};
    auto exec = Exec(200, 0, SRB_DIR_IN, buf, 36, {0x12, 0, 0, 0, 0x24, 0});
    EXPECT_EQ(send(&exec), SS_INVALID_HA);
    dlclose(lib);
}

namespace {

std::string ReadAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

// The built layer run by an unprivileged user over a device directory
// whose nodes it may not open: named once each on standard error, while
// the bus looks empty to the caller. (Root opens anything whatever the
// mode bits, so as root the probe runs as nobody through setpriv.)
TEST(WnAspi32Library, DevicesItMayNotOpenAreNamedOnceOnStandardError)
{
    namespace fs = std::filesystem;
    std::string prefix;
    if (::geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "no setpriv to drop root with";
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups -- ";
    }
    char tmpl[] = "/tmp/aspi-denied-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const fs::path root = tmpl;
    const fs::path dev = root / "dev";
    fs::create_directories(dev);
    // Everything the probe needs, where another user may reach it.
    fs::copy_file(WNASPI32_LIBRARY, root / "libwnaspi32.so");
    fs::copy_file(ASPI_PROBE, root / "aspi-probe");
    using fs::perms;
    const perms rx = perms::owner_all | perms::group_read | perms::group_exec | perms::others_read | perms::others_exec;
    for (const auto& [node, mode] : std::vector<std::pair<const char*, perms>> {
             {"sg3", perms::none},                                                  // nothing allowed
             {"sg4", perms::owner_read | perms::group_read | perms::others_read},  // read only
             {"sg5", perms::all},   // opens, but is no SCSI device: not named
             {"sgx", perms::none},  // not an sg name: not looked at
         }) {
        std::ofstream(dev / node) << "not a device";
        fs::permissions(dev / node, mode);
    }
    for (const fs::path& p : {root, dev, root / "libwnaspi32.so", root / "aspi-probe"}) fs::permissions(p, rx);

    const std::string command = "TAVRIN_SG_DIR=" + dev.string() + " " + prefix + (root / "aspi-probe").string() + " " +
                                (root / "libwnaspi32.so").string() + " >" + (root / "out").string() + " 2>" +
                                (root / "err").string();
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n" << ReadAll(root / "err");
    EXPECT_EQ(ReadAll(root / "out"), "SupportInfo = E800\nHA_INQUIRY = 81 count 0\nHA_INQUIRY = 81 count 0\nINQUIRY 0:0 = 81\n");
    EXPECT_EQ(ReadAll(root / "err"), dev.string() + "/sg3: no read/write permission (EACCES)\n" + dev.string() +
                                         "/sg4: no write permission (EACCES)\n");
    fs::remove_all(root);
}
