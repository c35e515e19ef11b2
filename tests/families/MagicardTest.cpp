// Magicard printers: the raw frame, and the vendor library route.
#include "FamilyFixture.h"

using namespace families;

namespace {

const std::string kFrameHead = "\x01,NOC0,BBB1,MAG1,%";
std::string Frame(const std::string& text) { return kFrameHead + text + "\x1C\x03"; }

class Magicard : public Family {
protected:
    std::string QueueBase() const override { return "Magicard_Rio_Pro"; }
    void UseApi(const std::string& scenario = "")
    {
        Configure("MAGICARD", "Standard", "UseDriverAPI=1\n[ControlCommands]\nInsert=GEM40\nEject=EJT\n");
        box.InstallStandIn(Sandbox::LibraryFile("MagAPI.DLL"));
        Scenario("magapi", scenario);
    }
};

} // namespace

TEST_F(Magicard, FeedSendsInsertInTheFrameThenWaitsAfterPrint)
{
    Configure("MAGICARD", "XXL Pro", "[ControlCommands]\nInsert=GEM40\nPauseAfterPrint=300\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(r.err, "");
    EXPECT_GE(r.elapsed.count(), 300);
    EXPECT_EQ(JobBytes(), (Strings {Frame("GEM40")}));
    EXPECT_EQ(CardPlace(), "encoding station");
}

TEST_F(Magicard, BlanksAreRemovedBeforeTheCommandIsRead)
{
    Configure("MAGICARD", "Standard", "[ControlCommands]\nInsert=GEM\nEject=EJT\n");
    EXPECT_EQ(Run({"/e:GEM 40"}).err, "");
    EXPECT_EQ(Run({"/e:f e e d"}).err, "") << "FEED in lower case with blanks is still FEED";
    EXPECT_EQ(Run({"/e:E J E C T"}).err, "");
    EXPECT_EQ(JobBytes(), (Strings {Frame("GEM40"), Frame("GEM"), Frame("EJT")}));
}

TEST_F(Magicard, TheLibraryRouteFeedsAndWaitsUntilThePrinterIsDone)
{
    UseApi("wait=1,1,0\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(box.Calls("magapi"), (Strings {"EnableStatusReporting(dc, 1) = 0",
                                            "FeedCardA(handle, 2, 0, \"MAGICARD FEED\") = 0",
                                            "WaitForPrinter(handle) = 1", "WaitForPrinter(handle) = 1",
                                            "WaitForPrinter(handle) = 0", "DisableStatusReporting(handle) = 0"}));
    EXPECT_TRUE(box.Jobs().empty()) << "no raw job on the library route";
    EXPECT_EQ(CardPlace(), "encoding station");
}

TEST_F(Magicard, TheLibraryRouteEjects)
{
    UseApi();
    Run({"/e:FEED"});
    EXPECT_EQ(Run({"/e:EJECT"}).err, "");
    const auto calls = box.Calls("magapi");
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 3], "EjectCardA(handle, \"MAGICARD EJECT\") = 0");
    EXPECT_EQ(CardPlace(), "output");
}

TEST_F(Magicard, RawCommandsTakeTheRawRouteEvenWithTheLibrary)
{
    UseApi();
    EXPECT_EQ(Run({"/e:GEM20"}).err, "");
    EXPECT_EQ(JobBytes(), (Strings {Frame("GEM20")}));
    EXPECT_TRUE(box.Calls("magapi").empty());
}

TEST_F(Magicard, LibraryFailuresFailTheCommand)
{
    UseApi("wait=1,-2\nmessage=Ribbon out\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    auto calls = box.Calls("magapi");
    EXPECT_EQ(calls.at(3), "WaitForPrinter(handle) = -2");
    EXPECT_EQ(calls.at(4), "GetLastPrinterMessage(handle, 128) = 0");
}

TEST_F(Magicard, ARefusedStartOrCommandFails)
{
    UseApi("enable=5\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    EXPECT_EQ(box.Calls("magapi"), (Strings {"EnableStatusReporting(dc, 1) = 5", "GetLastPrinterMessage(?, 128) = 0"}));

    UseApi("eject=3\n");
    std::filesystem::remove(box.World() + "/calls.log");
    EXPECT_EQ(Run({"/e:EJECT"}).err, kCommandFailed);
    EXPECT_EQ(box.Calls("magapi"), (Strings {"EnableStatusReporting(dc, 1) = 0", "EjectCardA(handle, \"MAGICARD EJECT\") = 3",
                                            "DisableStatusReporting(handle) = 0"}));
}

TEST_F(Magicard, AMissingLibraryOrEntryPointFailsQuietly)
{
    Configure("MAGICARD", "Standard", "UseDriverAPI=1\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    box.InstallStandIn(Sandbox::LibraryFile("MagAPI-noenable.DLL"), Sandbox::LibraryFile("MagAPI.DLL"));
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    EXPECT_TRUE(box.Calls("magapi").empty());
}

TEST_F(Magicard, UseDriverApiCountsByItsLowByte)
{
    Configure("MAGICARD", "Standard", "UseDriverAPI=$100\n[ControlCommands]\nInsert=GEM\n");
    box.InstallStandIn(Sandbox::LibraryFile("MagAPI.DLL"));
    Run({"/e:FEED"});
    EXPECT_EQ(JobBytes(), (Strings {Frame("GEM")}));
    EXPECT_TRUE(box.Calls("magapi").empty());
}

TEST_F(Magicard, ALibraryThatNeverFinishesIsGivenUpOn)
{
    UseApi("wait=1\n");
    const auto r = Family::Run({"/e:EJECT"}, {{"TAVRIN_MAGICARD_WAIT_LIMIT_MS", "300"}});
    EXPECT_EQ(r.err, kCommandFailed);
    const auto calls = box.Calls("magapi");
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[2], "WaitForPrinter(handle) = 1");
    EXPECT_LT(calls.size(), 200u) << "polls are spaced, not spun";
    EXPECT_EQ(calls.back(), "DisableStatusReporting(handle) = 0");
}
