// Velto printers from the command line: USB through libvelkit.so and the
// simulated port modules, SCSI through libscorpa.so and the simulated bus.
#include "FamilyFixture.h"
#ifndef TAVRIN_HARNESS_WINE
#include "families/Velto.h"
#endif

using namespace families;

namespace {

class VeltoUsb : public Family {
protected:
    void SetUp() override
    {
        queue = box.AddPrinterOnPort("Velto_USB", "VUSB3:", {"-o", "driver-module-default=VeltoDrv.dll"});
        box.InstallStandIn(Sandbox::LibraryFile("VeltoUIO.dll"));
        Configure("VELTO", "USB");
        Scenario("veltouio", "ids=3\n");
    }
    harness::RunResult Run(const std::vector<std::string>& args, std::map<std::string, std::string> env = {})
    {
        env.emplace("TAVRIN_PRINTER_DRIVER_DIR", TAVRIN_TESTBED_BUILD_DIR);
        return Family::Run(args, env);
    }
    Strings Moves() const
    {
        Strings moves;
        for (const auto& c : box.Calls("veltouio"))
            if (c.rfind("Velto_IC", 0) == 0) moves.push_back(c);
        return moves;
    }
};

std::string VeltoError(const std::string& name) { return harness::Box("Tavrin", "ERROR: \r\n" + name); }

} // namespace

TEST_F(VeltoUsb, FeedTransfersTheCardToTheEncoder)
{
    EXPECT_EQ(Run({"/e:feed"}).err, "") << "upper-cased on USB";
    EXPECT_EQ(Moves(), (Strings {"Velto_ICTransfer(id 3) = 0"}));
    EXPECT_EQ(CardPlace(), "encoding station");
}

TEST_F(VeltoUsb, EjectAndReturnUseTheirEjectArguments)
{
    // Velkit's fixed waits after each movement are not sat through here.
    Run({"/e:FEED"}, ScriptedClock());
    EXPECT_EQ(Run({"/e:RETURN"}, ScriptedClock()).err, "");
    EXPECT_EQ(Run({"/e:EJECT"}, ScriptedClock()).err, "");
    EXPECT_EQ(Moves(), (Strings {"Velto_ICTransfer(id 3) = 0", "Velto_ICEject(id 3, 1) = 0", "Velto_ICEject(id 3, 2) = 0"}));
    EXPECT_EQ(CardPlace(), "output");
}

TEST_F(VeltoUsb, FlipOpensClosesAndFails)
{
    EXPECT_EQ(Run({"/e:FLIP"}).err, kCommandFailed);
    EXPECT_TRUE(Moves().empty());
}

TEST_F(VeltoUsb, ASetModeFailureShowsItsNameAndKeepsTheHandleForTheNextCommand)
{
    Scenario("veltouio", "ids=1\n");
    const auto r = Run({"/a:"}, ScriptedClock());
    EXPECT_EQ(r.err, VeltoError("VELTO_ERROR_PRINTERNOTFOUND") + VeltoError("VELTO_ERROR_PRINTERNOTFOUND"))
        << "test mode shows the family's messages but no run-flow message";
    EXPECT_TRUE(Moves().empty());
}

TEST_F(VeltoUsb, APrinterVelkitCannotOpenIsReported)
{
    box.WriteConfig(Config("VELTO", "USB", box.AddQueue("Plain_Printer") + "-gone"));
    EXPECT_EQ(Run({"/a:"}, ScriptedClock()).err, VeltoError("Unknown Error!") + VeltoError("Unknown Error!"));
    EXPECT_EQ(Waits(), "sleep 5000\n") << "test mode's wait between the movements";
}

TEST_F(VeltoUsb, OtherModesFailWithoutACall)
{
    Configure("VELTO", "usb");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    EXPECT_TRUE(box.Calls("veltouio").empty());
}

#ifndef TAVRIN_HARNESS_WINE  // a unit of this build's program
TEST(VeltoResultName, NamesOnlyTheCodesTheProgramKnows)
{
    EXPECT_EQ(tavrin::VeltoResultName(0), "VELTO_SUCCESS");
    EXPECT_EQ(tavrin::VeltoResultName(9), "VELTO_ERROR_TIMEOUT");
    EXPECT_EQ(tavrin::VeltoResultName(102), "VELTO_INVALID_PARAMETER");
    for (const int unknown : {6, 12, 13, 14, 15, 19, 99, 110, 399, 401, 506, 567, 617, -1})
        EXPECT_EQ(tavrin::VeltoResultName(unknown), "Unknown Error!") << unknown;
}
#endif

namespace {

class VeltoScsi : public Family {
protected:
    void SetUp() override
    {
        Family::SetUp();
        box.InstallStandIn(Sandbox::LibraryFile("wnaspi32.dll"));
        Configure("VELTO", "SCSI");
    }
    // The command texts of the PRINT requests that reached the printer.
    Strings Prints() const
    {
        Strings texts;
        for (const auto& line : box.Calls("aspi")) {
            if (line.rfind("PRINT ", 0) != 0) continue;
            const auto start = line.find(' ', 6) + 1;
            texts.push_back(line.substr(start, line.find(" [cdb") - start));
        }
        return texts;
    }
};

} // namespace

TEST_F(VeltoScsi, FeedSetsTheRfPositionFlipsAndStarts)
{
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Prints(), (Strings {"<1B>E0.", "<1B>T", "<1B>>"}));
}

TEST_F(VeltoScsi, ReturnIsOneRfEject)
{
    EXPECT_EQ(Run({"/e:RETURN"}).err, "");
    EXPECT_EQ(Prints().size(), 1u);
    Sandbox::WriteFile(box.World() + "/calls.log", "");
    EXPECT_EQ(Run({"/e:FLIP"}).err, "");
    const auto flip = Prints();
    ASSERT_EQ(flip.size(), 4u);
    EXPECT_EQ(Strings(flip.begin() + 1, flip.end()), (Strings {"<1B>E0.", "<1B>T", "<1B>>"}))
        << "FLIP: the RF eject, then what FEED sends";
}

TEST_F(VeltoScsi, CommandsAreComparedExactly)
{
    EXPECT_EQ(Run({"/e:Feed"}).err, kCommandFailed) << "Feed keeps its case and is no command here";
    EXPECT_EQ(Run({"/e:REJECT"}).err, kCommandFailed);
    EXPECT_TRUE(box.Calls("aspi").empty());
}

TEST_F(VeltoScsi, AFailingStepFailsTheCommandAndStillCloses)
{
    Scenario("aspi", "sense=0x9088\n");
    const auto r = Run({"/e:EJECT"});
    EXPECT_NE(r.err.find(kCommandFailed), std::string::npos);
    EXPECT_EQ(Prints().size(), 1u) << "the steps after the failing one do not run";
}

TEST_F(VeltoScsi, NoPrinterOnTheBusFailsWithoutCommands)
{
    Scenario("aspi", "printer=none\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    EXPECT_TRUE(Prints().empty());
}

TEST_F(VeltoScsi, TheMagneticTrackCommandsUseTheRunsEmptyData)
{
    // The command line gives track 0 and no text: WRITEM writes the empty
    // text, READM reads into a buffer of its own and keeps the result to
    // itself.
    EXPECT_EQ(Run({"/e:WRITEM"}).err, "");
    EXPECT_EQ(Prints(), (Strings {"<1B>M"}));
    EXPECT_EQ(Run({"/e:READM"}).err, "");
    const auto bus = box.Calls("aspi");
    EXPECT_EQ(bus.back(), "DATA 0:3 = 1 \"\"");
}
