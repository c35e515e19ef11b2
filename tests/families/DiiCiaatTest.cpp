// DII printers through their driver stand-ins, and CIAAT printers through
// the PavoApi stand-in.
#include "FamilyFixture.h"

using namespace families;

namespace {

// The runs look for drivers in DriverDir() only, empty until a test installs one.
class Dii : public Family {
protected:
    std::string QueueBase() const override { return "XID_8300"; }
    void SetUp() override
    {
        Family::SetUp();
        std::filesystem::create_directories(DriverDir());
    }
    void Setup(int model, const std::string& more = "CMDDelay=0\n", const std::string& scenario = "")
    {
        Configure("DII", std::to_string(model), more);
        Scenario("dii", scenario);
    }
    std::string Handle() const { return Sandbox::ReadFile(box.ProgramDir() + "Phandle.dat"); }
};

std::string XidBox(const std::string& operation, const std::string& name)
{
    return harness::Box("XID Error - " + operation, name);
}

std::string Plain(const std::string& text) { return harness::Box("Tavrin", text); }

} // namespace

TEST_F(Dii, EncoderFeedKeepsTheHandleForTheEjectOfTheNextRun)
{
    InstallDriver("CX210P.DLL");
    Setup(0, "Contact=0\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Handle(), "[Phandle]\nHandle=4242\n");
    EXPECT_EQ(Run({"/e:EJECT"}).err, "");
    EXPECT_EQ(box.Calls("dii"), (Strings {"ExtEncodeInit(\"" + queue + "\", -1, 0) = 0", "ExtEncodeEnd(4242, 0) = 0"}));
    EXPECT_EQ(CardPlace(), "output");
}

TEST_F(Dii, EncoderWithContactOffAndNoHandleFile)
{
    InstallDriver("IDX3xP.DLL");
    Setup(2, "Contact=1\n");
    EXPECT_EQ(Run({"/e:EJECT"}).err, "");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(box.Calls("dii"), (Strings {"ExtEncodeEnd(0, 0) = 0", "ExtEncodeInit(\"" + queue + "\", 0, 0) = 0"}));
}

TEST_F(Dii, EncoderReturnReportsTheVendorCode)
{
    InstallDriver("CX210P.DLL");
    Setup(0, "", "end=4\n");
    EXPECT_EQ(Run({"/e:RETURN"}).err, XidBox("Return", "CARD_JAM") + kCommandFailed);
    EXPECT_EQ(box.Calls("dii"), (Strings {"ExtEncodeEnd(0, -1) = 4"}));
}

TEST_F(Dii, AFailedFeedStillKeepsTheHandle)
{
    InstallDriver("CX210P.DLL");
    Setup(0, "", "init=9\nhandle=77\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, XidBox("Feed", "DOOR_OPEN") + kCommandFailed);
    EXPECT_EQ(Handle(), "[Phandle]\nHandle=77\n");
}

TEST_F(Dii, SmartCardFeedWaitsTheDefaultCommandDelay)
{
    InstallDriver("PrnSC.DLL");
    Setup(1, "Contact=1\n");
    const auto r = Run({"/e:FEED"}, ScriptedClock());
    EXPECT_EQ(r.err, "");
    // The command delay after the card feed, then the run's pause (none set).
    EXPECT_EQ(Waits(), "sleep 17000\nsleep 0\n");
    EXPECT_EQ(box.Calls("dii"), (Strings {"LoadCardSC(1, null, -1, -1, \"" + queue + "\", 0) = 0"}));
}

TEST_F(Dii, SmartCardCodesShowTheirNames)
{
    InstallDriver("PrnSC.DLL");
    Setup(1, "CMDDelay=0\nContact=0\nFlipCard=1\n", "load=8\nunload=9\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, XidBox("SC_Feed", "NO_CARD_IN_HOPPER") + kCommandFailed);
    EXPECT_EQ(Run({"/e:RETURN"}).err, XidBox("SC_Flip", "DOOR_OPEN") + kCommandFailed);
    EXPECT_EQ(Run({"/e:EJECT"}).err, XidBox("SC_Eject", "DOOR_OPEN") + kCommandFailed);
    EXPECT_EQ(box.Calls("dii"), (Strings {"LoadCardSC(0, null, -1, -1, \"" + queue + "\", 0) = 8",
                                         "UnloadCardSC(0, null, -1, -1, 0, 1, 0) = 9",
                                         "UnloadCardSC(0, null, -1, -1, 1, 0, 0) = 9"}));
}

TEST_F(Dii, CodesOutsideOneToTenCountAsSuccess)
{
    InstallDriver("PrnSC.DLL");
    Setup(1, "CMDDelay=0\n", "load=11\nunload=-1\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Run({"/e:RETURN"}).err, "") << "FlipCard absent: SC_Return, and -1 is no error";
    EXPECT_EQ(Run({"/e:REJECT"}).err, kCommandFailed) << "no call for other commands";
    EXPECT_EQ(box.Calls("dii").size(), 2u);
}

TEST_F(Dii, TheCustomDriverIsTheFileDriverDllNames)
{
    InstallDriver("customdii.dll");
    Setup(3, "CMDDelay=0\nDriverDLL=" + Sandbox::Native(DriverDir() + "/" + Sandbox::LibraryFile("customdii.dll")) + "\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(box.Calls("dii").size(), 1u);
    Setup(3, "DriverDLL=" + Sandbox::Native(DriverDir() + "/" + Sandbox::LibraryFile("absent.dll")) + "\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, Plain("Can not find printer driver DLL.") + kCommandFailed);
    // A bare name is the file in the current directory, whatever the
    // system's separator.
    const std::string bare = Sandbox::LibraryFile("customdii.dll");
    std::filesystem::copy_file(DriverDir() + "/" + bare, box.WorkDir() + "/" + bare);
    Setup(3, "CMDDelay=0\nDriverDLL=" + bare + "\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(box.Calls("dii").size(), 2u);
}

TEST_F(Dii, AModelWithoutADriverIsReported)
{
    Setup(7);
    EXPECT_EQ(Run({"/e:FEED"}).err, Plain("Can not find printer driver DLL.") + kCommandFailed);
    Setup(0);
    EXPECT_EQ(Run({"/e:FEED"}).err, Plain("Can not find printer driver DLL.") + kCommandFailed) << "no file anywhere";
}

TEST_F(Dii, TheProgramDirectoryIsTheFallback)
{
    box.InstallStandIn(Sandbox::LibraryFile("PCP08CT.DLL"));
    Setup(5);
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(box.Calls("dii"), (Strings {"CXCMD_ScanPrinter() = 0", "CXCMD_LoadCard(7, 9, 2, 0, 0, 0) = 0"}));
}

TEST_F(Dii, CxMovesCarryTheFlipAndReportTheLastCode)
{
    InstallDriver("PCP23CT.DLL");
    Setup(6, "FlipCard=1\n", "movecard=3\n");
    EXPECT_EQ(Run({"/e:EJECT"}).err, kCommandFailed) << "CX codes show no vendor box";
    EXPECT_EQ(Run({"/e:RETURN"}).err, kCommandFailed);
    EXPECT_EQ(box.Calls("dii"), (Strings {"CXCMD_ScanPrinter() = 0", "CXCMD_MoveCard(7, 9, 4, 1, 0, 0) = 3",
                                         "CXCMD_ScanPrinter() = 0", "CXCMD_MoveCard(7, 9, 0, 1, 0, 0) = 3"}));
}

TEST_F(Dii, ACommandWithoutACxCallReportsTheScan)
{
    InstallDriver("PCP05CT.DLL");
    Setup(4);
    EXPECT_EQ(Run({"/e:REJECT"}).err, "");
    EXPECT_EQ(box.Calls("dii"), (Strings {"CXCMD_ScanCX320() = 0"}));
    Setup(4, "", "scan=2\n");
    EXPECT_EQ(Run({"/e:REJECT"}).err, kCommandFailed);
}

TEST_F(Dii, ADriverLackingAnEntryPointIsNeverCalled)
{
    InstallDriver("CX210P-noend.DLL", "CX210P.DLL");
    Setup(0);
    EXPECT_EQ(Run({"/e:FEED"}).err, Plain("Error initializing DLL") + kCommandFailed);
    InstallDriver("PrnSC-nounload.DLL", "PrnSC.DLL");
    Setup(1);
    EXPECT_EQ(Run({"/e:FEED"}).err, Plain("Error initializing DLL") + kCommandFailed);
    EXPECT_TRUE(box.Calls("dii").empty());
}

TEST_F(Dii, AFileThatIsNoLibraryCannotBeLoaded)
{
    Sandbox::WriteFile(DriverDir() + "/" + Sandbox::LibraryFile("CX210P.DLL"), "not a library");
    Setup(0);
    EXPECT_EQ(Run({"/e:FEED"}).err, Plain("Unable to load DLL-file!") + Plain("Error initializing DLL") + kCommandFailed);
}

TEST_F(Dii, SettingsComeFromTheProgramsOwnFile)
{
    InstallDriver("CX210P.DLL");
    Setup(0, "Contact=0\n");
    Sandbox::WriteFile(box.WorkDir() + "/other.ini", Config("DII", "0") + "Contact=1\n");
    EXPECT_EQ(Run({"/f:other.ini", "/e:FEED"}).err, "");
    EXPECT_EQ(box.Calls("dii"), (Strings {"ExtEncodeInit(\"" + queue + "\", -1, 0) = 0"}));
    const std::string config = Sandbox::ReadFile(box.ConfigPath());
    EXPECT_NE(config.find("[StatusWindow]\nVisible=1\n"), std::string::npos) << config;
    EXPECT_EQ(Sandbox::ReadFile(box.WorkDir() + "/other.ini").find("StatusWindow"), std::string::npos);
}

TEST_F(Dii, TestModeCarriesTheHandleWithinOneRun)
{
    InstallDriver("CX210P.DLL");
    Setup(0, "", "handle=31\n");
    EXPECT_EQ(Run({"/a:"}, ScriptedClock()).err, "");
    EXPECT_EQ(Waits(), "sleep 5000\n");
    EXPECT_EQ(box.Calls("dii"), (Strings {"ExtEncodeInit(\"" + queue + "\", 0, 0) = 0", "ExtEncodeEnd(31, 0) = 0"}));
}

namespace {

// The CIAAT vendor library's file.
std::string Pavo() { return Sandbox::LibraryFile("PavoApi.dll"); }

class Ciaat : public Family {
protected:
    std::string QueueBase() const override { return "CIAAT_EDIsecure"; }
    void Setup(const std::string& mode = "USB", const std::string& scenario = "")
    {
        Configure("CIAAT", mode);
        Scenario("pavo", scenario);
        std::filesystem::copy_file(Sandbox::StandInPath(Pavo()), box.WorkDir() + "/" + Pavo(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
};

} // namespace

TEST_F(Ciaat, FeedAndEjectMoveTheCard)
{
    Setup();
    EXPECT_EQ(Run({"/a:"}, ScriptedClock()).err, "");
    EXPECT_EQ(Waits(), "sleep 5000\n");
    EXPECT_EQ(box.Calls("pavo"), (Strings {"PAVO_MoveCard(\"" + queue + "\", 3) = 0", "PAVO_MoveCard(\"" + queue + "\", 4) = 0"}));
    EXPECT_EQ(CardPlace(), "output");
}

TEST_F(Ciaat, CodesAreShownAsEightHexadecimalDigits)
{
    Setup("USB", "result=31\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, Plain("ERROR: 0x0000001F") + kCommandFailed);
    Setup("USB", "result=-1\n");
    EXPECT_EQ(Run({"/e:EJECT"}).err, Plain("ERROR: 0xFFFFFFFF") + kCommandFailed);
}

TEST_F(Ciaat, OtherModesAndCommandsFailWithoutACall)
{
    Setup("PARALLEL");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    Setup("USB");
    EXPECT_EQ(Run({"/e:RETURN"}).err, kCommandFailed);
    EXPECT_TRUE(box.Calls("pavo").empty());
}

TEST_F(Ciaat, TheLibraryMustBeInTheCurrentDirectory)
{
    Configure("CIAAT", "USB");
    box.InstallStandIn(Pavo());
    EXPECT_EQ(Run({"/e:FEED"}).err, Plain("Can not find printer driver DLL.") + kCommandFailed);
}

TEST_F(Ciaat, ALibraryInTheProgramDirectoryWinsOverOneInTheCurrentDirectory)
{
    // A file dropped into the working directory under the vendor's name
    // must not be what runs.
    Setup();
    box.InstallStandIn(Pavo());
    std::filesystem::copy_file(Sandbox::StandInPath(Sandbox::LibraryFile("MagAPI.DLL")), box.WorkDir() + "/" + Pavo(),
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(box.Calls("pavo"), (Strings {"PAVO_MoveCard(\"" + queue + "\", 3) = 0"}));
}
