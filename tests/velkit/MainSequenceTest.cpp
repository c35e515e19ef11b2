// The main program's sequence, black-box: libvelkit.so loaded with dlopen
// by an application in its program directory, a CUPS queue set up as a Velto
// printer, the vendor's port modules beside the application.
#include "VelkitSandbox.h"

#include <gtest/gtest.h>

using velkittest::VelkitSandbox;
using Steps = std::vector<std::string>;

namespace {
// The program's sequence around one movement: open, bind, move, close.
Steps Sequence(const std::string& movement, const std::string& bind = "0", const std::string& moved = "0")
{
    return {"OpenA $Q -> handle", "PrinterSetMode H 1 -> " + bind, movement + " -> " + moved, "Close H -> 0"};
}
} // namespace

TEST(VelkitMainSequence, UsbFeedEjectAndReturn)
{
    VelkitSandbox box("VUSB3:", {"-o", "driver-name-default=\"Velto Card Printer USB\""});
    box.Scenario("[veltouio]\nids=3\n");

    box.Expect(Sequence("EncodeTransfer H"));
    EXPECT_GE(box.Between("probe begin 2", "veltouio Velto_ICTransfer"), 1000);
    EXPECT_EQ(box.Calls("veltouio"),
              (Steps {"Velto_Init(VeltoU05.dll) = 0", "Velto_SetAppTitle(VeltoUIO-SDK) = 0",
                      "Velto_PrinterIDEnum() = 0 count 1 [3]", "Velto_PrinterAttach(id 3) = 0",
                      "Velto_ICTransfer(id 3) = 0", "Velto_PrinterClose(id 3) = 0", "Velto_Destroy(context) = 0"}));
    // The probe's steps and the module calls interleave as the program made them.
    const std::string log = box.Box().CallLog();
    EXPECT_LT(log.find("probe: PrinterSetMode H 1"), log.find("veltouio: Velto_Init"));
    EXPECT_LT(log.find("probe: EncodeTransfer H"), log.find("veltouio: Velto_ICTransfer"));
    EXPECT_LT(log.find("veltouio: Velto_ICTransfer"), log.find("probe: Close H"));

    box.ClearCalls();
    box.Expect(Sequence("EncodeEject H 2"));
    // The card has left the printer before Eject returns.
    EXPECT_GE(box.Between("veltouio Velto_ICEject", "probe end 2"), 5000);
    EXPECT_EQ(box.Calls("veltouio")[4], "Velto_ICEject(id 3, 2) = 0");
    EXPECT_EQ(box.Calls("printer"), (Steps {"eject -> output"}));

    box.Expect(Sequence("EncodeTransfer H"));
    box.ClearCalls();
    box.Expect(Sequence("EncodeEject H 1"));
    EXPECT_LT(box.Between("veltouio Velto_ICEject", "probe end 2"), 4000);
    EXPECT_EQ(box.Calls("printer"), (Steps {"return -> print position"}));
    // Each run left the printer spooled, as it found it.
    box.Expect({"Run lpoptions -p $Q | grep -q direct=false -> 0"});
}

TEST(VelkitMainSequence, FailuresComeBackAsCodesAndCloseStillWorks)
{
    VelkitSandbox box("VUSB3:");
    box.Scenario("[veltouio]\nids=1\n");
    box.Expect(Sequence("EncodeTransfer H", "2", "2"));
    VelkitSandbox::Options noModules;
    noModules.usbModule = false;
    VelkitSandbox bare("VUSB3:", {}, noModules);
    bare.Expect(Sequence("EncodeEject H 2", "17", "2"));
}
