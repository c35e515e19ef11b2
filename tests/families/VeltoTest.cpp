// Velto printers from the command line: USB through libvelkit.so and the
// simulated port modules, SCSI through libscorpa.so and the simulated bus.
#include "FamilyFixture.h"
#include "families/Velto.h"

using namespace families;

namespace {

class VeltoUsb : public Family {
protected:
    void SetUp() override
    {
        queue = box.AddQueue("Velto_USB", {"-o", "port-name-default=VUSB3:", "-o", "driver-module-default=VeltoDrv.dll"});
        box.InstallStandIn("libveltouio.so");
        Configure("VELTO", "USB");
    }
    void Scenario(const std::string& ini) { Sandbox::WriteFile(box.World() + "/scenario.ini", "[veltouio]\nids=3\n" + ini); }
    harness::RunResult Run(const std::vector<std::string>& args)
    {
        return Family::Run(args, {{"TAVRIN_PRINTER_DRIVER_DIR", TAVRIN_TESTBED_BUILD_DIR}});
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
    Scenario("");
    EXPECT_EQ(Run({"/e:feed"}).err, "") << "upper-cased on USB";
    EXPECT_EQ(Moves(), (Strings {"Velto_ICTransfer(id 3) = 0"}));
    EXPECT_EQ(CardPlace(), "encoding station");
}

TEST_F(VeltoUsb, EjectAndReturnUseTheirEjectArguments)
{
    Scenario("");
    Run({"/e:FEED"});
    EXPECT_EQ(Run({"/e:RETURN"}).err, "");
    EXPECT_EQ(Run({"/e:EJECT"}).err, "");
    EXPECT_EQ(Moves(), (Strings {"Velto_ICTransfer(id 3) = 0", "Velto_ICEject(id 3, 1) = 0", "Velto_ICEject(id 3, 2) = 0"}));
    EXPECT_EQ(CardPlace(), "output");
}

TEST_F(VeltoUsb, FlipOpensClosesAndFails)
{
    Scenario("");
    EXPECT_EQ(Run({"/e:FLIP"}).err, kCommandFailed);
    EXPECT_TRUE(Moves().empty());
}

TEST_F(VeltoUsb, ASetModeFailureShowsItsNameAndKeepsTheHandleForTheNextCommand)
{
    Scenario("");
    Sandbox::WriteFile(box.World() + "/scenario.ini", "[veltouio]\nids=1\n");
    const auto r = Run({"/a:"});
    EXPECT_EQ(r.err, VeltoError("VELTO_ERROR_PRINTERNOTFOUND") + VeltoError("VELTO_ERROR_PRINTERNOTFOUND"))
        << "test mode shows the family's messages but no run-flow message";
    EXPECT_TRUE(Moves().empty());
}

TEST_F(VeltoUsb, APrinterVelkitCannotOpenIsReported)
{
    const std::string plain = box.AddQueue("Plain_Printer");
    Configure("VELTO", "USB", "");
    box.WriteConfig("[PrinterConfiguration]\nPrinterName=" + plain + "-gone\nPrinterType=VELTO\nPrinterMode=USB\n");
    EXPECT_EQ(Run({"/a:"}).err, VeltoError("Unknown Error!") + VeltoError("Unknown Error!"));
}

TEST_F(VeltoUsb, OtherModesFailWithoutACall)
{
    Configure("VELTO", "usb");
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    EXPECT_TRUE(box.Calls("veltouio").empty());
}

TEST(VeltoResultName, NamesOnlyTheCodesTheProgramKnows)
{
    EXPECT_EQ(tavrin::VeltoResultName(0), "VELTO_SUCCESS");
    EXPECT_EQ(tavrin::VeltoResultName(9), "VELTO_ERROR_TIMEOUT");
    EXPECT_EQ(tavrin::VeltoResultName(102), "VELTO_INVALID_PARAMETER");
    for (const int unknown : {6, 12, 13, 14, 15, 19, 99, 110, 399, 401, 506, 567, 617, -1})
        EXPECT_EQ(tavrin::VeltoResultName(unknown), "Unknown Error!") << unknown;
}
