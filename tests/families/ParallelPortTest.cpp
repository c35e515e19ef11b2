// The parallel port: the LPT device, and the port driven at its registers
// with the answer line (through the simulated libdlportio.so).
#include "FamilyFixture.h"

using namespace families;
using namespace std::string_literals;

namespace {

class Parallel : public Family {
protected:
    void Direct(const std::string& type, const std::string& commands, const std::string& scenario = "")
    {
        Configure(type, "PARALLEL", "[Port]\nReceiveData=YES\nPortAddress=$0378\n" + commands);
        box.InstallStandIn("libdlportio.so");
        Sandbox::WriteFile(box.World() + "/scenario.ini", "[dlportio]\n" + scenario);
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

TEST_F(Parallel, AWrongStatusAfterAStrobeFailsTheCommand)
{
    // Synchronised (strobe 1), then the printer shows 0xDF at the 'M'.
    Direct("ZEBRA", "", "status=0xDF\nfail_from=3\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    EXPECT_TRUE(Frames().empty());
}

TEST_F(Parallel, APrinterThatKeepsAWrongStatusEndsTheSynchronisation)
{
    Direct("ZEBRA", "", "status=0xDF\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(r.err, kCommandFailed);
    EXPECT_LT(r.elapsed.count(), 60000) << "the synchronisation is bounded";
}

TEST_F(Parallel, APrinterThatNeverBecomesReadyTimesOut)
{
    Direct("ZEBRA", "", "ready=0\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(r.err, kCommandFailed);
    EXPECT_GE(r.elapsed.count(), 10000) << "one byte gets ten seconds";
    EXPECT_TRUE(Frames().empty());
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
    const auto r = Run({"/e:FEED"}, {{"TAVRIN_PARPORT_PROC", box.Root() + "/parport"}});
    EXPECT_EQ(r.err, "dlportio: no parallel port has its registers at 0x0378\n" + kCommandFailed);
}
