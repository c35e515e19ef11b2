// The Windows printer model over CUPS queues: names, ports, drivers, the
// direct flag, settings records and device contexts. (The escapes and
// ResetDC blocks a driver plug-in sees are checked through Velkit's
// settings and encoding tests.)
#include "harness/Harness.h"
#include "platform/DeviceContext.h"
#include "platform/Printers.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace platform;

namespace {

class VelkitPrinterModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("TAVRIN_PRINTER_DRIVER_DIR", TAVRIN_TESTBED_BUILD_DIR, 1);
        ::setenv("TAVRIN_TESTBED_DIR", box.World().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("TAVRIN_TESTBED_DIR"); }

    std::string VeltoQueue(const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> options = {"-o", "port-name-default=VUSB3:", "-o",
                                            "driver-name-default=\"Velto Card Printer USB\"", "-o",
                                            "driver-module-default=VeltoDrv.dll"};
        options.insert(options.end(), extra.begin(), extra.end());
        return box.AddQueue("Model", options);
    }

    harness::Sandbox box;
};

} // namespace

TEST_F(VelkitPrinterModel, UnknownPrinterDoesNotOpen)
{
    EXPECT_FALSE(Printer::Open("No_Such_Printer_Here"));
    EXPECT_FALSE(Printer::Open(""));
    EXPECT_EQ(CreateDCA("No_Such_Printer_Here", nullptr), nullptr);
}

TEST_F(VelkitPrinterModel, PortDriverAndDirectFlagComeFromQueueOptions)
{
    const std::string q = VeltoQueue({"-o", "direct-default=true"});
    const auto printer = Printer::Open(q);
    ASSERT_TRUE(printer);
    const auto info5 = printer->GetInfo5();
    ASSERT_TRUE(info5);
    EXPECT_EQ(info5->printerName, q);
    EXPECT_EQ(info5->portName, "VUSB3:");
    EXPECT_EQ(info5->attributes, PRINTER_ATTRIBUTE_DIRECT);
    const auto info2 = printer->GetInfo2();
    ASSERT_TRUE(info2);
    EXPECT_EQ(info2->driverName, "Velto Card Printer USB");
    EXPECT_EQ(printer->DriverModule(), "VeltoDrv.dll");
}

TEST_F(VelkitPrinterModel, PlainQueueHasNoPortAndItsModelAsDriverName)
{
    const std::string q = box.AddQueue("Plain");
    const auto printer = Printer::Open(q);
    ASSERT_TRUE(printer);
    EXPECT_EQ(printer->GetInfo5()->portName, "");
    EXPECT_EQ(printer->GetInfo5()->attributes, 0u);
    EXPECT_EQ(printer->GetInfo2()->driverName, "Local Raw Printer");
    // A generic driver: the public record only.
    EXPECT_EQ(printer->DocumentPropertiesA(nullptr, nullptr, nullptr, 0), long(sizeof(DEVMODEA)));
}

TEST_F(VelkitPrinterModel, DirectFlagChangesOnlyWithAdministrationAccess)
{
    const std::string q = VeltoQueue();
    const auto user = Printer::Open(q);
    ASSERT_TRUE(user);
    PrinterInfo5 info = *user->GetInfo5();
    info.attributes |= PRINTER_ATTRIBUTE_DIRECT;
    EXPECT_FALSE(user->SetInfo5(info));
    EXPECT_EQ(user->GetInfo5()->attributes, 0u);

    const auto admin = Printer::Open(q, PRINTER_ALL_ACCESS);
    ASSERT_TRUE(admin);
    EXPECT_TRUE(admin->SetInfo5(info));
    EXPECT_EQ(Printer::Open(q)->GetInfo5()->attributes, PRINTER_ATTRIBUTE_DIRECT);
    info.attributes = 0;
    EXPECT_TRUE(admin->SetInfo5(info));
    EXPECT_EQ(Printer::Open(q)->GetInfo5()->attributes, 0u);
}

TEST_F(VelkitPrinterModel, SettingsRecordCarriesTheDriverPrivateBytes)
{
    harness::Sandbox::WriteFile(box.World() + "/scenario.ini", "[veltodrv]\nversion=0x0123\nextra=40\n");
    const std::string q = VeltoQueue();
    const auto printer = Printer::Open(q);
    ASSERT_TRUE(printer);

    const long sizeA = printer->DocumentPropertiesA(nullptr, nullptr, nullptr, 0);
    ASSERT_EQ(sizeA, 156 + 40);
    std::vector<std::uint8_t> a(std::size_t(sizeA), 0xCC);
    auto* dmA = reinterpret_cast<DEVMODEA*>(a.data());
    ASSERT_EQ(printer->DocumentPropertiesA(q.c_str(), dmA, nullptr, DM_OUT_BUFFER), IDOK);
    EXPECT_EQ(dmA->dmSize, 156);
    EXPECT_EQ(dmA->dmDriverExtra, 40);
    EXPECT_EQ(dmA->dmDriverVersion, 0x0123);
    EXPECT_EQ(dmA->dmSpecVersion, 0x0401);
    EXPECT_EQ(std::string(dmA->dmDeviceName), q.substr(0, 31));
    for (int i = 0; i < 40; ++i) EXPECT_EQ(a[156 + std::size_t(i)], i);

    const long sizeW = printer->DocumentPropertiesW(nullptr, nullptr, nullptr, 0);
    ASSERT_EQ(sizeW, 220 + 40);
    std::vector<std::uint8_t> w(std::size_t(sizeW), 0xCC);
    auto* dmW = reinterpret_cast<DEVMODEW*>(w.data());
    const std::u16string wideName = NarrowToWide(q);
    ASSERT_EQ(printer->DocumentPropertiesW(wideName.c_str(), dmW, nullptr, DM_OUT_BUFFER), IDOK);
    EXPECT_EQ(dmW->dmSize, 220);
    EXPECT_EQ(dmW->dmDriverExtra, 40);
    EXPECT_EQ(dmW->dmDriverVersion, 0x0123);
    EXPECT_EQ(std::u16string(dmW->dmDeviceName), wideName.substr(0, 31));
    EXPECT_EQ(w[220 + 39], 39);
}

TEST_F(VelkitPrinterModel, InputRecordIsMergedByItsFields)
{
    const std::string q = VeltoQueue();
    const auto printer = Printer::Open(q);
    const long size = printer->DocumentPropertiesA(nullptr, nullptr, nullptr, 0);
    std::vector<std::uint8_t> in(std::size_t(size), 0), out(std::size_t(size), 0);
    ASSERT_EQ(printer->DocumentPropertiesA(nullptr, reinterpret_cast<DEVMODEA*>(in.data()), nullptr, DM_OUT_BUFFER), IDOK);
    auto* dmIn = reinterpret_cast<DEVMODEA*>(in.data());
    dmIn->dmFields = DM_DUPLEX;
    dmIn->dmDuplex = DMDUP_HORIZONTAL;
    dmIn->dmCopies = 7;  // not named in dmFields: stays
    in[156 + 5] = 0x77;
    ASSERT_EQ(printer->DocumentPropertiesA(nullptr, reinterpret_cast<DEVMODEA*>(out.data()), dmIn,
                                           DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    const auto* dmOut = reinterpret_cast<const DEVMODEA*>(out.data());
    EXPECT_EQ(dmOut->dmDuplex, DMDUP_HORIZONTAL);
    EXPECT_EQ(dmOut->dmCopies, 1);
    EXPECT_EQ(out[156 + 5], 0x77);
}

// The caller sizes its buffer from the size query; whatever the driver says
// by the time the record is written, no more than that goes into it. The
// buffers are exactly as large as the query said, so an overrun would also
// be caught by the sanitizers.
TEST_F(VelkitPrinterModel, SettingsCopyNeverExceedsTheSizeTheQueryGave)
{
    const std::string scenario = box.World() + "/scenario.ini";
    harness::Sandbox::WriteFile(scenario, "[veltodrv]\nextra=40\n");
    const std::string q = VeltoQueue();
    const auto printer = Printer::Open(q);
    ASSERT_TRUE(printer);

    // The driver's private part grows between the two calls.
    const long sizeA = printer->DocumentPropertiesA(nullptr, nullptr, nullptr, 0);
    ASSERT_EQ(sizeA, 156 + 40);
    auto a = std::make_unique<std::uint8_t[]>(std::size_t(sizeA));
    std::memset(a.get(), 0xCC, std::size_t(sizeA));
    harness::Sandbox::WriteFile(scenario, "[veltodrv]\nextra=41\n");
    EXPECT_LT(printer->DocumentPropertiesA(nullptr, reinterpret_cast<DEVMODEA*>(a.get()), nullptr, DM_OUT_BUFFER), 0);
    EXPECT_LT(printer->DocumentPropertiesA(nullptr, reinterpret_cast<DEVMODEA*>(a.get()), nullptr,
                                           DM_IN_BUFFER | DM_OUT_BUFFER),
              0);
    for (long i = 0; i < sizeA; ++i) ASSERT_EQ(a[std::size_t(i)], 0xCC) << "byte " << i << " written";

    // A wide record is larger than the narrow one the query measured.
    harness::Sandbox::WriteFile(scenario, "[veltodrv]\nextra=40\n");
    ASSERT_EQ(printer->DocumentPropertiesA(nullptr, nullptr, nullptr, 0), sizeA);
    auto w = std::make_unique<std::uint8_t[]>(std::size_t(sizeA));
    EXPECT_LT(printer->DocumentPropertiesW(nullptr, reinterpret_cast<DEVMODEW*>(w.get()), nullptr, DM_OUT_BUFFER), 0);

    // A smaller record fits: it is written whole, with its own size.
    harness::Sandbox::WriteFile(scenario, "[veltodrv]\nextra=8\n");
    EXPECT_EQ(printer->DocumentPropertiesA(nullptr, reinterpret_cast<DEVMODEA*>(a.get()), nullptr, DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(reinterpret_cast<const DEVMODEA*>(a.get())->dmDriverExtra, 8);
    EXPECT_EQ(a[156 + 8], 0xCC);

    // The size a printer object was asked for is its own: a fresh object
    // that was never asked writes nothing.
    const auto fresh = Printer::Open(q);
    ASSERT_TRUE(fresh);
    std::memset(a.get(), 0xCC, std::size_t(sizeA));
    EXPECT_LT(fresh->DocumentPropertiesA(nullptr, reinterpret_cast<DEVMODEA*>(a.get()), nullptr, DM_OUT_BUFFER), 0);
    EXPECT_EQ(a[0], 0xCC);
}

TEST_F(VelkitPrinterModel, DeadOrForeignDeviceContextsAreRefused)
{
    const std::string q = VeltoQueue();
    HDC dc = CreateDCW(NarrowToWide(q), nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(DCPrinterName(dc), q);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(DCPrinterName(dc), "");
    EXPECT_EQ(ExtEscape(dc, 16027, 0, nullptr, 0, nullptr), 0);
    int notADc = 0;
    EXPECT_EQ(ExtEscape(reinterpret_cast<HDC>(&notADc), 16027, 0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(ResetDCA(reinterpret_cast<HDC>(&notADc), nullptr), nullptr);
    EXPECT_TRUE(box.Calls("veltodrv").empty());
}

TEST_F(VelkitPrinterModel, MissingDriverPlugInLeavesNoSettingsAndNoContext)
{
    const std::string q = box.AddQueue("NoDriver", {"-o", "driver-module-default=Absent.dll"});
    const auto printer = Printer::Open(q);
    ASSERT_TRUE(printer);
    EXPECT_LT(printer->DocumentPropertiesA(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(CreateDCA(q, nullptr), nullptr);
}

TEST(VelkitWideText, BrokenSequencesBecomeReplacementCharacters)
{
    EXPECT_EQ(WideToNarrow(std::u16string(1, char16_t(0xD800)) + u"A"), "\xEF\xBF\xBD" "A");
    EXPECT_EQ(NarrowToWide("A\xC3"), u"A\uFFFD");
    EXPECT_EQ(NarrowToWide("\xFF" "B"), u"\uFFFDB");
    EXPECT_EQ(NarrowToWide("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
}
