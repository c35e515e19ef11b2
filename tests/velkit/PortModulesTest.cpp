// Port modules: loading by the naming rule, binding a handle's printer among
// the devices a module reports, releasing it, and the hardware lookup.
#include "VelkitSandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using velkittest::kBound;
using velkittest::With;
using velkittest::Lines;
using velkittest::VelkitSandbox;
using Steps = std::vector<std::string>;

TEST(VelkitScsiBinding, BindsTheDeviceWithThePortsNumberWhateverItsPlace)
{
    for (const std::string port : {"SCSI2:", "scsi2:"}) {
        VelkitSandbox box(port);
        box.Scenario("[veltosio]\ndevices=5,7,2\n");
        box.Expect(With(kBound, {"PrinterStatus H OUT -> 0 0x00000000", "Close H -> 0"}), port);
        EXPECT_EQ(box.Calls("veltosio"),
                  (Steps {"VeltoOpen() = 3", "VeltoPrinterStatus(#2 SCSI2) = 0", "VeltoClose(3) = 0"}))
            << port;
    }
}

TEST(VelkitScsiBinding, FirstOfTwoEqualNumbersIsBound)
{
    VelkitSandbox box("SCSI4:");
    box.Scenario("[veltosio]\ndevices=1,4,4\nflags.1=0x08\nflags.2=0x00\n");
    box.Expect(With(kBound, {"PrinterGetHardware H OUT -> 0 0x00000008", "PrinterStatus H OUT -> 0 0x00000000",
                             "Close H -> 0"}));
    EXPECT_EQ(box.Calls("veltosio")[1], "VeltoPrinterStatus(#1 SCSI4) = 0");
}

TEST(VelkitScsiBinding, NoDevicesGive2WithoutClosingTheModule)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\ndevices=\n");
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 2", "PrinterGetMode H OUT -> 0 1",
                "PrinterStatus H OUT -> 2 0xDEADBEEF", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 0"}));
}

TEST(VelkitScsiBinding, NoMatchingDeviceClosesTheListAndBindingIsTriedAgain)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\ndevices=3,5\n");
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 2", "PrinterSetMode H 1 -> 2", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltosio"),
              (Steps {"VeltoOpen() = 2", "VeltoClose(2) = 0", "VeltoOpen() = 2", "VeltoClose(2) = 0"}));
}

TEST(VelkitScsiBinding, SetModeWhenBoundAnswersAtOnce)
{
    VelkitSandbox box("SCSI2:");
    box.Expect(With(kBound, {"PrinterSetMode H 1 -> 0", "PrinterSetMode H 2 -> 0",
                             "PrinterStatus H OUT -> 0 0x00000000", "PrinterSetMode H 1 -> 0", "Close H -> 0"}));
    // Going back to spooling keeps the binding; one enumeration in all.
    EXPECT_EQ(box.Calls("veltosio"),
              (Steps {"VeltoOpen() = 1", "VeltoPrinterStatus(#0 SCSI2) = 0", "VeltoClose(1) = 0"}));
}

TEST(VelkitScsiBinding, MissingModuleOrEntryPointGives17)
{
    VelkitSandbox::Options noModule;
    noModule.scsiModule = false;
    VelkitSandbox missing("SCSI2:", {}, noModule);
    missing.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 17", "PrinterGetHardware H OUT -> 17 0x00000000",
                    "Close H -> 0"});

    VelkitSandbox::Options lacking;
    lacking.scsiModuleFile = "libveltosio-nostartprint.so";
    VelkitSandbox incomplete("SCSI2:", {}, lacking);
    incomplete.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 17", "PrinterGetHardware H OUT -> 17 0x00000000",
                       "Close H -> 0"});
    EXPECT_TRUE(incomplete.Calls("veltosio").empty());
}

TEST(VelkitScsiBinding, DriverNameWithScsiMakesAnyPortScsi)
{
    VelkitSandbox box("LPT1:", {"-o", "driver-name-default=\"Velto Card Printer SCSI\""});
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 2", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoClose(1) = 0"}));
}

TEST(VelkitHardwareLookup, ScsiLookupUsesATemporaryModuleAndBindsNothing)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\ndevices=6,2\nflags.0=0xFF\nflags.1=0x0C\n");
    box.Expect({"OpenA $Q -> handle", "PrinterGetHardware H NULL -> 102", "PrinterGetHardware H OUT -> 0 0x0000000C",
                "PrinterStatus H OUT -> 2 0xDEADBEEF", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 2", "VeltoClose(2) = 0"}));
}

TEST(VelkitHardwareLookup, ScsiLookupWithoutTheDeviceGives2)
{
    VelkitSandbox box("SCSI3:");
    box.Scenario("[veltosio]\ndevices=6,2\n");
    box.Expect({"OpenA $Q -> handle", "PrinterGetHardware H OUT -> 2 0x00000000", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 2", "VeltoClose(2) = 0"}));
}

TEST(VelkitHardwareLookup, UsbLookupAttachesAndReleasesATemporaryRecord)
{
    VelkitSandbox box("VUSB3:");
    box.Scenario("[veltouio]\nids=1,3\nflags=0x09\n");
    box.Expect({"OpenA $Q -> handle", "PrinterGetHardware H OUT -> 0 0x00000009", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltouio"),
              (Steps {"Velto_Init(VeltoU05.dll) = 0", "Velto_SetAppTitle(VeltoUIO-SDK) = 0",
                      "Velto_PrinterIDEnum() = 0 count 2 [1,3]", "Velto_PrinterAttach(id 3) = 0",
                      "Velto_PrinterClose(id 3) = 0", "Velto_Destroy(context) = 0"}));
}

TEST(VelkitHardwareLookup, BoundPrinterAnswersFromItsRecord)
{
    VelkitSandbox box("VUSB2:");
    box.Scenario("[veltouio]\nids=2\nflags=0x3C\n");
    box.Expect(With(kBound, {"PrinterGetHardware H OUT -> 0 0x0000003C", "Close H -> 0"}));
    EXPECT_EQ(box.Calls("veltouio").size(), 6u);  // no second attach for the query
}

TEST(VelkitUsbBinding, BindsTheEnumeratedIdOfThePortAndReleasesItAtClose)
{
    VelkitSandbox box("VUSB3:");
    box.Scenario("[veltouio]\nids=1,3\n");
    box.Expect(With(kBound, {"PrinterStatus H OUT -> 0 0x00000000", "Close H -> 0"}));
    EXPECT_EQ(box.Calls("veltouio"),
              (Steps {"Velto_Init(VeltoU05.dll) = 0", "Velto_SetAppTitle(VeltoUIO-SDK) = 0",
                      "Velto_PrinterIDEnum() = 0 count 2 [1,3]", "Velto_PrinterAttach(id 3) = 0",
                      "Velto_PrinterStatus(id 3) = 0", "Velto_PrinterClose(id 3) = 0", "Velto_Destroy(context) = 0"}));
}

TEST(VelkitUsbBinding, PortNumbersOutsideOneToSevenGive107)
{
    for (const std::string port : {"VUSB0:", "VUSB8:", "VUSB:", "vusb12:"}) {
        VelkitSandbox box(port);
        box.Scenario("[veltouio]\nids=1,2,3,4,5,6,7\n");
        box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 107", "PrinterGetHardware H OUT -> 107 0x00000000",
                    "Close H -> 0"},
                   port);
    }
}

TEST(VelkitUsbBinding, LowerCasePortAndTrailingTextStillBind)
{
    VelkitSandbox box("vusb7:");
    box.Scenario("[veltouio]\nids=7\n");
    box.Expect(With(kBound, {"Close H -> 0"}));
    EXPECT_EQ(box.Calls("veltouio")[3], "Velto_PrinterAttach(id 7) = 0");
}

TEST(VelkitUsbBinding, AbsentIdNoIdsAndRefusedAttachGive2)
{
    struct Case {
        std::string scenario;
        std::string lastCall;
    } cases[] = {{"ids=1,3", "Velto_PrinterIDEnum() = 0 count 2 [1,3]"},
                 {"ids=", "Velto_PrinterIDEnum() = 0 count 0 []"},
                 {"ids=2\nattach=5", "Velto_PrinterAttach(id 2) = 5"}};
    for (const auto& c : cases) {
        VelkitSandbox box("VUSB2:");
        box.Scenario("[veltouio]\n" + c.scenario + "\n");
        box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 2", "PrinterStatus H OUT -> 2 0xDEADBEEF",
                    "Close H -> 0"},
                   c.scenario);
        const auto calls = box.Calls("veltouio");
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[calls.size() - 2], c.lastCall);
        EXPECT_EQ(calls.back(), "Velto_Destroy(context) = 0");
    }
}

TEST(VelkitUsbBinding, DriverNameWithUsbOnAParallelPortGives107)
{
    VelkitSandbox box("LPT1:", {"-o", "driver-name-default=\"Velto Card Printer USB\""});
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 107", "PrinterGetMode H OUT -> 0 1",
                "PrinterGetHardware H OUT -> 3 0x00000000", "Close H -> 0"});
}

TEST(VelkitUsbBinding, InitAnswers98And99Give17AndTheModuleStaysUntilClose)
{
    for (const char* init : {"98", "99"}) {
        VelkitSandbox box("VUSB1:");
        box.Scenario(std::string("[veltouio]\ninit=") + init + "\n");
        box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 17", "Close H -> 0"});
        EXPECT_EQ(box.Calls("veltouio"),
                  (Steps {std::string("Velto_Init(VeltoU05.dll) = ") + init, "Velto_Destroy(context) = 0"}));
    }
}

TEST(VelkitUsbBinding, TitleIsOptionalStartPrintIsNot)
{
    VelkitSandbox::Options noTitle;
    noTitle.usbModuleFile = "libveltouio-notitle.so";
    VelkitSandbox withoutTitle("VUSB1:", {}, noTitle);
    withoutTitle.Expect(With(kBound, {"Close H -> 0"}));
    EXPECT_EQ(withoutTitle.Calls("veltouio")[1], "Velto_PrinterIDEnum() = 0 count 1 [1]");

    VelkitSandbox::Options noStartPrint;
    noStartPrint.usbModuleFile = "libveltouio-nostartprint.so";
    VelkitSandbox withoutStartPrint("VUSB1:", {}, noStartPrint);
    withoutStartPrint.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 17", "Close H -> 0"});
    EXPECT_TRUE(withoutStartPrint.Calls("veltouio").empty());
}

TEST(VelkitUsbBinding, TwoHandlesBindIndependently)
{
    VelkitSandbox box("VUSB1:");
    box.Scenario("[veltouio]\nids=1\n");
    // The probe keeps one handle; two open-close rounds in one process show
    // that the module is loaded and released per handle.
    box.Expect(With(kBound, {"Close H -> 0", "OpenA $Q -> handle", "PrinterSetMode H 1 -> 0", "Close H -> 0"}));
    const auto calls = box.Calls("veltouio");
    ASSERT_EQ(calls.size(), 12u);
    EXPECT_EQ(calls[6], "Velto_Init(VeltoU05.dll) = 0");
}

TEST(VelkitModuleLifetime, CloseUnloadsTheModuleAndTheLookupLeavesNothingLoaded)
{
    for (const std::string port : {"SCSI2:", "VUSB1:"}) {
        VelkitSandbox box(port);
        box.Run({"OpenA $Q", "PrinterGetHardware H OUT", "PrinterSetMode H 1", "PrinterStatus H OUT", "Close H",
                 "OpenA $Q", "Close H"});
        std::vector<std::string> order;
        std::istringstream log(box.Box().CallLog());
        for (std::string line; std::getline(log, line);)
            if (line.rfind("module: ", 0) == 0 || line.rfind("probe: ", 0) == 0) order.push_back(line);
        const std::string lib = port == "SCSI2:" ? "libveltosio.so" : "libveltouio.so";
        const std::string open = "probe: OpenA " + box.Queue();
        EXPECT_EQ(order, (Steps {open, "probe: PrinterGetHardware H OUT", "module: " + lib + " loaded",
                                 "module: " + lib + " unloaded", "probe: PrinterSetMode H 1",
                                 "module: " + lib + " loaded", "probe: PrinterStatus H OUT", "probe: Close H",
                                 "module: " + lib + " unloaded", open, "probe: Close H"}))
            << port;
    }
}

// A port module may hold threads, devices or memory for what it handed out:
// the USB module a context per Velto_Init, the SCSI module a device list per
// VeltoOpen. Whenever the loader really takes a module out of the process
// ("module: ... unloaded" in the log, also at the end of the process), all
// of that must have been given back first.
namespace {

std::vector<std::string> UnreleasedAtUnload(const std::string& log)
{
    std::vector<std::string> problems;
    int contexts = 0;
    int deviceLists = 0;
    int loaded = 0;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("veltouio: Velto_Init(", 0) == 0) ++contexts;
        if (line.rfind("veltouio: Velto_Destroy(context)", 0) == 0) --contexts;
        if (line.rfind("veltosio: VeltoOpen() = ", 0) == 0 && std::stoi(line.substr(24)) > 0) ++deviceLists;
        if (line.rfind("veltosio: VeltoClose(", 0) == 0 && line.ends_with(") = 0")) --deviceLists;
        if (line.find("module: libvelto") == 0 && line.ends_with(" loaded")) ++loaded;
        if (line == "module: libveltouio.so unloaded" && contexts != 0)
            problems.push_back(line + " with " + std::to_string(contexts) + " context(s) not destroyed");
        if (line == "module: libveltosio.so unloaded" && deviceLists != 0)
            problems.push_back(line + " with " + std::to_string(deviceLists) + " device list(s) not closed");
        if (line.find("module: libvelto") == 0 && line.ends_with(" unloaded")) --loaded;
    }
    if (contexts != 0) problems.push_back(std::to_string(contexts) + " context(s) never destroyed");
    if (deviceLists != 0) problems.push_back(std::to_string(deviceLists) + " device list(s) never closed");
    if (loaded != 0) problems.push_back(std::to_string(loaded) + " module load(s) never undone");
    return problems;
}

// The module's own entries and its loading and unloading, with the probe's
// steps between them.
Steps LifetimeOrder(const std::string& log, const std::string& component)
{
    Steps order;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("probe: ", 0) == 0 || line.rfind("module: lib" + component, 0) == 0 ||
            line.rfind(component + ": Velto_Init", 0) == 0 || line.rfind(component + ": Velto_Destroy", 0) == 0 ||
            line.rfind(component + ": VeltoOpen", 0) == 0 || line.rfind(component + ": VeltoClose", 0) == 0)
            order.push_back(line);
    }
    return order;
}

// Lookup before any binding, a bind, a lookup while the handle holds what
// that bind left, a second bind, Close.
const Steps kLookUpBindTwiceClose = {"OpenA $Q", "PrinterGetHardware H OUT", "PrinterSetMode H 1",
                                     "PrinterGetHardware H OUT", "PrinterSetMode H 1", "Close H"};

} // namespace

TEST(VelkitModuleRelease, ModulesGiveEverythingBackBeforeEveryUnloadOnEveryPath)
{
    struct Case {
        std::string port;
        std::string scenario;
        std::string setMode;  // what each PrinterSetMode answers
    } cases[] = {{"VUSB2:", "[veltouio]\nids=", "2"},           {"VUSB2:", "[veltouio]\nids=1,3", "2"},
                 {"VUSB0:", "[veltouio]\nids=1", "107"},        {"VUSB2:", "[veltouio]\nids=2\nattach=5", "2"},
                 {"VUSB2:", "[veltouio]\ninit=98", "17"},       {"VUSB2:", "[veltouio]\ninit=99", "17"},
                 {"VUSB2:", "[veltouio]\nids=2", "0"},          {"SCSI2:", "[veltosio]\ndevices=", "2"},
                 {"SCSI2:", "[veltosio]\ndevices=3,5", "2"}, {"SCSI2:", "[veltosio]\ndevices=5,2", "0"}};
    for (const auto& c : cases) {
        VelkitSandbox box(c.port);
        box.Scenario(c.scenario + "\n");
        const auto lines = Lines(box.Run(kLookUpBindTwiceClose));
        ASSERT_EQ(lines.size(), kLookUpBindTwiceClose.size());
        EXPECT_EQ(lines[2], "PrinterSetMode = " + c.setMode) << c.scenario;
        EXPECT_EQ(lines[4], "PrinterSetMode = " + c.setMode) << c.scenario;
        const std::string log = box.Box().CallLog();
        EXPECT_EQ(UnreleasedAtUnload(log), Steps {}) << c.port << " " << c.scenario << "\n" << log;
        if (c.port == "SCSI2:") continue;
        const auto calls = box.Calls("veltouio");
        const auto inits = std::count_if(calls.begin(), calls.end(),
                                         [](const std::string& l) { return l.rfind("Velto_Init(", 0) == 0; });
        // A bound printer answers the second lookup and the second bind from
        // its record; otherwise each of the four loads initialises anew.
        EXPECT_EQ(inits, c.setMode == "0" ? 2 : 4) << c.scenario;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "Velto_Destroy(context) = 0"), inits) << c.scenario;
    }
}

TEST(VelkitModuleRelease, AFailedUsbBindIsDestroyedAndUnloadedBeforeTheNextBindLoadsItAgain)
{
    VelkitSandbox box("VUSB1:");
    box.Scenario("[veltouio]\nids=\n");
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 2", "PrinterSetMode H 1 -> 2", "Close H -> 0"});
    EXPECT_EQ(LifetimeOrder(box.Box().CallLog(), "veltouio"),
              (Steps {"probe: OpenA " + box.Queue(), "probe: PrinterSetMode H 1", "module: libveltouio.so loaded",
                      "veltouio: Velto_Init(VeltoU05.dll) = 0", "probe: PrinterSetMode H 1",
                      "veltouio: Velto_Destroy(context) = 0", "module: libveltouio.so unloaded",
                      "module: libveltouio.so loaded", "veltouio: Velto_Init(VeltoU05.dll) = 0", "probe: Close H",
                      "veltouio: Velto_Destroy(context) = 0", "module: libveltouio.so unloaded"}));
}

TEST(VelkitModuleRelease, ABindRetriedAfterARefusedInitialisationWorksWithAFreshContext)
{
    VelkitSandbox box("VUSB1:");
    box.Scenario("[veltouio]\ninit=98\n");
    const std::string scenario = box.Box().World() + "/scenario.ini";
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 17",
                "Run printf '[veltouio]\\nids=1\\n' > " + scenario + " -> 0", "PrinterSetMode H 1 -> 0",
                "PrinterStatus H OUT -> 0 0x00000000", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltouio"),
              (Steps {"Velto_Init(VeltoU05.dll) = 98", "Velto_Destroy(context) = 0", "Velto_Init(VeltoU05.dll) = 0",
                      "Velto_SetAppTitle(VeltoUIO-SDK) = 0", "Velto_PrinterIDEnum() = 0 count 1 [1]",
                      "Velto_PrinterAttach(id 1) = 0", "Velto_PrinterStatus(id 1) = 0",
                      "Velto_PrinterClose(id 1) = 0", "Velto_Destroy(context) = 0"}));
    EXPECT_EQ(UnreleasedAtUnload(box.Box().CallLog()), Steps {});
}

TEST(VelkitModuleRelease, ASecondHandleKeepsItsModuleWhenTheFirstCloses)
{
    for (const std::string port : {"SCSI2:", "VUSB1:"}) {
        VelkitSandbox box(port);
        const std::string status =
            port == "SCSI2:" ? "VeltoPrinterStatus(#0 SCSI2) = 0" : "Velto_PrinterStatus(id 1) = 0";
        box.Expect({"OpenA $Q -> handle", "PrinterSetMode H1 1 -> 0", "OpenA $Q -> handle", "PrinterSetMode H2 1 -> 0",
                    "Close H1 -> 0", "PrinterStatus H2 OUT -> 0 0x00000000", "Close H2 -> 0"},
                   port);
        const std::string component = port == "SCSI2:" ? "veltosio" : "veltouio";
        const auto calls = box.Calls(component);
        EXPECT_NE(std::find(calls.begin(), calls.end(), status), calls.end()) << port;
        const std::string log = box.Box().CallLog();
        EXPECT_EQ(UnreleasedAtUnload(log), Steps {}) << port << "\n" << log;
        // One load for both handles; the module leaves with the second Close.
        const auto order = LifetimeOrder(log, component);
        EXPECT_EQ(std::count(order.begin(), order.end(), "module: lib" + component + ".so loaded"), 1) << port;
        ASSERT_GE(order.size(), 2u);
        EXPECT_EQ(order.back(), "module: lib" + component + ".so unloaded") << port;
        EXPECT_EQ(std::find(order.begin(), order.end(), "module: lib" + component + ".so unloaded") - order.begin(),
                  std::ptrdiff_t(order.size() - 1))
            << port;
    }
}
