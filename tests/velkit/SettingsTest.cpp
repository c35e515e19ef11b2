// Document and page settings: check order, the escapes and blocks the
// driver plug-in saw, where each value lands in the settings record, and
// what the getters give back.
#include "Testbed.h"
#include "VelkitSandbox.h"

#include <gtest/gtest.h>

using velkittest::kHeldScript;
using velkittest::kRecordScript;
using velkittest::With;
using velkittest::Lines;
using velkittest::VelkitSandbox;
using Steps = std::vector<std::string>;

namespace {

const Steps kAttachedHeld = {"OpenA $Q", "CreateDCA $Q", "DocAttachA H DC NULL"};

std::vector<std::string> Escapes(const VelkitSandbox& box)
{
    std::vector<std::string> out;
    for (const auto& line : box.Calls("veltodrv"))
        if (line.rfind("Escape(", 0) == 0) out.push_back(line);
    return out;
}

// Every setter and getter, with arguments that are invalid as well.
const Steps kEveryOperationInvalid = {
    "DocSetDuplex H 7", "DocGetDuplex H NULL", "DocSetCopies H 100", "DocGetCopies H NULL",
    "DocSetFlipBeforePrint H 2", "DocGetFlipBeforePrint H NULL", "DocSetEjectSideUp H 3",
    "DocGetEjectSideUp H NULL", "PageSetOrientation H 0", "PageGetOrientation H NULL", "PageSetColorMode H 2 9",
    "PageGetColorMode H 2 NULL", "PageSetDitherMethod H 2 9", "PageGetDitherMethod H 2 NULL",
    "PageSetDitherIntensity H 2 0", "PageGetDitherIntensity H 2 NULL", "PageSetGrayscaleIntensity H 2 0",
    "PageGetGrayscaleIntensity H 2 NULL", "PageSetResinUsage H 2 9 5", "PageGetResinUsage H 2 9 NULL",
    "PageSetOverlayMode H 2 9", "PageGetOverlayMode H 2 NULL", "PageSetOverlayPrintableArea H 2 NULL",
    "PageGetOverlayPrintableArea H 2 NULL", "PageSetOverlayNonprintableArea H 2 NULL",
    "PageGetOverlayNonprintableArea H 2 NULL", "PageSetLaminateMode H 2 9", "PageGetLaminateMode H 2 NULL",
    "PageSetLaminateLast H 9", "PageGetLaminateLast H NULL", "PageSetUVMode H 2 9", "PageGetUVMode H 2 NULL",
    "PageSetUVColor H 1", "PageGetUVColor H NULL", "PageSetRotate180 H 2 9", "PageGetRotate180 H 2 NULL"};

Steps Named(const Steps& steps, const std::string& handle)
{
    Steps out;
    for (std::string s : steps) {
        s.replace(s.find(" H"), 2, " " + handle);
        out.push_back(s);
    }
    return out;
}

Steps Results(const Steps& steps, const std::string& code)
{
    Steps out;
    for (const auto& s : steps) out.push_back(s.substr(0, s.find(' ')) + " = " + code);
    return out;
}

} // namespace

TEST(VelkitSettingsChecks, HandleFirstThenDocumentDcThenArguments)
{
    VelkitSandbox box("SCSI2:");
    // Invalid handles: 104.
    for (const char* handle : {"NULL", "BAD"}) {
        const Steps steps = Named(kEveryOperationInvalid, handle);
        EXPECT_EQ(Lines(box.Run(steps)), Results(steps, "104")) << handle;
    }
    // No document DC: 5, even with invalid arguments.
    auto run = box.Run(With({"OpenA $Q"}, With(kEveryOperationInvalid, {"Close H"})));
    EXPECT_EQ(Lines(run), With({"OpenA = handle"}, With(Results(kEveryOperationInvalid, "5"), {"Close = 0"})));
    // With a document DC the arguments decide: 102, and nothing is sent.
    run = box.Run(With(kAttachedHeld, With(kEveryOperationInvalid, {"Close H", "DeleteDC DC"})));
    Steps expected = With({"OpenA = handle", "CreateDCA = dc", "DocAttachA = 0"},
                          Results(kEveryOperationInvalid, "102"));
    // Any UV colour is valid.
    expected[3 + 32] = "PageSetUVColor = 0";
    EXPECT_EQ(Lines(run), With(expected, {"Close = 0", "DeleteDC = 1"}));
    EXPECT_EQ(Escapes(box), (Steps {"Escape(16021, 4: 01 00 00 00) = 1"}));
    EXPECT_TRUE(box.Calls("veltosio").empty());
}

TEST(VelkitSettingsChecks, GettersRefuseNullOutsAndPanelsOutsideTheirEntries)
{
    VelkitSandbox box("SCSI2:");
    box.Expect(With(kRecordScript, {"PageGetResinUsage H 0 4 OUT -> 102 -12345",
                                    "PageGetResinUsage H 1 -1 OUT -> 102 -12345", "PageGetResinUsage H 0 3 NULL -> 102",
                                    "PageGetResinUsage H 1 3 OUT -> 0 -286331154", "PageGetColorMode H 1 NULL -> 102",
                                    "PageGetOverlayPrintableArea H 0 NULL -> 102",
                                    "PageGetLaminateMode H 0 NULL -> 102", "Close H -> 0"}));
    // The laminate query is not sent for a null out.
    EXPECT_TRUE(Escapes(box).empty());
}

TEST(VelkitSettings, EachSettingTravelsInItsEscapeAndLandsAtItsPlace)
{
    struct Case {
        std::string set, escape, record, recorded, get, got;
    } cases[] = {
        {"DocSetFlipBeforePrint H 1", "Escape(16030, 4: 01 00 00 00) = 1", "Record 180 4", "01 00 00 00",
         "DocGetFlipBeforePrint H OUT", "0 1"},
        {"DocSetEjectSideUp H 2", "Escape(16003, 4: 02 00 00 00) = 1", "Record 184 4", "02 00 00 00",
         "DocGetEjectSideUp H OUT", "0 2"},
        {"PageSetColorMode H 1 2", "Escape(16001, 8: 01 00 00 00 02 00 00 00) = 1", "Record 40 8",
         "EE EE EE EE 02 00 00 00", "PageGetColorMode H 1 OUT", "0 2"},
        {"PageSetDitherMethod H 0 1", "Escape(16005, 8: 00 00 00 00 01 00 00 00) = 1", "Record 48 8",
         "01 00 00 00 EE EE EE EE", "PageGetDitherMethod H 0 OUT", "0 1"},
        {"PageSetDitherIntensity H 1 300", "Escape(16007, 8: 01 00 00 00 2C 01 00 00) = 1", "Record 56 8",
         "EE EE EE EE 2C 01 00 00", "PageGetDitherIntensity H 1 OUT", "0 300"},
        {"PageSetGrayscaleIntensity H 0 7", "Escape(16032, 8: 00 00 00 00 07 00 00 00) = 1", "Record 64 8",
         "07 00 00 00 EE EE EE EE", "PageGetGrayscaleIntensity H 0 OUT", "0 7"},
        {"PageSetOverlayMode H 1 4", "Escape(16009, 8: 01 00 00 00 04 00 00 00) = 1", "Record 104 8",
         "EE EE EE EE 04 00 00 00", "PageGetOverlayMode H 1 OUT", "0 4"},
        {"PageSetLaminateMode H 1 1", "Escape(16015, 8: 01 00 00 00 01 00 00 00) = 1", "Record 176 2", "EE 01",
         "PageGetLaminateMode H 1 OUT", "0 1"},
        {"PageSetLaminateLast H 1", "Escape(16017, 8: 01 00 00 00 00 00 00 00) = 1", "Record 4 4", "EE EF EE EE",
         "PageGetLaminateLast H OUT", "0 1"},
        {"PageSetLaminateLast H 0", "Escape(16017, 8: 00 00 00 00 00 00 00 00) = 1", "Record 4 4", "EE EE EE EE",
         "PageGetLaminateLast H OUT", "0 0"},
        {"PageSetUVMode H 0 2", "Escape(16019, 8: 00 00 00 00 02 00 00 00) = 1", "Record 188 8",
         "02 00 00 00 EE EE EE EE", "PageGetUVMode H 0 OUT", "0 2"},
        {"PageSetUVColor H -2", "Escape(16021, 4: FE FF FF FF) = 1", "Record 196 4", "FE FF FF FF",
         "PageGetUVColor H OUT", "0 -2"},
        {"PageSetRotate180 H 1 1", "Escape(16025, 8: 01 00 00 00 01 00 00 00) = 1", "Record 32 8",
         "EE EE EE EE 01 00 00 00", "PageGetRotate180 H 1 OUT", "0 1"},
    };
    VelkitSandbox box("SCSI2:");
    for (const auto& c : cases) {
        box.ClearCalls();
        box.Expect(With(kRecordScript, {c.set + " -> 0", c.record + " -> " + c.recorded, c.get + " -> " + c.got,
                                        "Close H -> 0"}),
                   c.set);
        Steps escapes = {c.escape};
        if (c.get.rfind("PageGetLaminateMode", 0) == 0) escapes.push_back("Escape(16016, 4: 01 00 00 00) = 1");
        EXPECT_EQ(Escapes(box), escapes) << c.set;
    }
}

TEST(VelkitSettings, CopiesGoThroughSetCopyCount)
{
    VelkitSandbox box("SCSI2:");
    auto run = box.Expect(With(kHeldScript, {"DocSetCopies H 100 -> 102", "DocSetCopies H -1 -> 102",
                                             "DocSetCopies H 0 -> 0", "DocGetCopies H OUT -> 0 0",
                                             "DocSetCopies H 99 -> 0", "DocGetCopies H OUT -> 0 99", "Close H -> 0"}));
    EXPECT_EQ(Escapes(box), (Steps {"Escape(17, 2: 00 00) = 1", "Escape(17, 2: 63 00) = 1"}));

    // Refused: 1, no older number, the count stays.
    box.ClearCalls();
    box.Scenario("[veltodrv]\nrefuse=17\n");
    run = box.Expect(With(kHeldScript, {"DocSetCopies H 5 -> 1", "DocGetCopies H OUT -> 0 1", "Close H -> 0"}));
    EXPECT_EQ(Escapes(box), (Steps {"Escape(17, 2: 05 00) = 0"}));
}

TEST(VelkitSettings, DitherIntensityZeroIsRefusedOnEitherSide)
{
    VelkitSandbox box("SCSI2:");
    box.Expect(With(kHeldScript, {"PageSetDitherIntensity H 0 0 -> 102", "PageSetDitherIntensity H 1 0 -> 102",
                                  "PageSetGrayscaleIntensity H 1 0 -> 102", "PageSetDitherIntensity H 0 1 -> 0",
                                  "Close H -> 0"}));
    EXPECT_EQ(Escapes(box), (Steps {"Escape(16007, 8: 00 00 00 00 01 00 00 00) = 1"}));
}

TEST(VelkitSettings, ResinUsageGoesPanelByPanel)
{
    VelkitSandbox box("SCSI2:");
    box.Expect(With(kRecordScript, {"PageSetResinUsage H 1 5 1 -> 0", "PageSetResinUsage H 1 9 1 -> 102",
                                    "PageSetResinUsage H 0 0 1 -> 0",
                                    "Record 72 32 -> EE EE EE EE EE EE EE EE EE EE EE EE EE EE EE EE "
                                    "01 00 00 00 EE EE EE EE 01 00 00 00 EE EE EE EE",
                                    "PageGetResinUsage H 1 2 OUT -> 0 1",
                                    "PageGetResinUsage H 1 1 OUT -> 0 -286331154", "Close H -> 0"}));
    EXPECT_EQ(Escapes(box), (Steps {"Escape(16028, 12: 01 00 00 00 00 00 00 00 01 00 00 00) = 1",
                                    "Escape(16028, 12: 01 00 00 00 02 00 00 00 01 00 00 00) = 1"}));

    // -1: all four panels; 8: panel 3 only.
    box.ClearCalls();
    box.Expect(With(kRecordScript, {"PageSetResinUsage H 0 -1 0 -> 0", "PageSetResinUsage H 1 8 1 -> 0",
                                    "Record 72 32 -> 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                    "EE EE EE EE EE EE EE EE EE EE EE EE 01 00 00 00",
                                    "Close H -> 0"}));
    EXPECT_EQ(Escapes(box), (Steps {"Escape(16028, 12: 00 00 00 00 00 00 00 00 00 00 00 00) = 1",
                                    "Escape(16028, 12: 00 00 00 00 01 00 00 00 00 00 00 00) = 1",
                                    "Escape(16028, 12: 00 00 00 00 02 00 00 00 00 00 00 00) = 1",
                                    "Escape(16028, 12: 00 00 00 00 03 00 00 00 00 00 00 00) = 1",
                                    "Escape(16028, 12: 01 00 00 00 03 00 00 00 01 00 00 00) = 1"}));
}

TEST(VelkitSettings, OverlayAreasTravelInDriverUnits)
{
    VelkitSandbox box("SCSI2:");
    box.Expect(With(kRecordScript, {"PageSetOverlayPrintableArea H 0 AREA:1000,2000,-1000,3333 -> "
                                    "0 1000 2000 -1000 3333",
                                    "PageSetOverlayNonprintableArea H 1 AREA:10,-7,0,1 -> 0 10 -7 0 1",
                                    "Record 112 16 -> 2C 01 00 00 58 02 00 00 D4 FE FF FF E7 03 00 00",
                                    "Record 160 16 -> 03 00 00 00 FE FF FF FF 00 00 00 00 00 00 00 00",
                                    "PageGetOverlayPrintableArea H 0 AREA -> 0 1000 2000 -1000 3330",
                                    "PageGetOverlayNonprintableArea H 1 AREA -> 0 10 -6 0 0", "Close H -> 0"}));
    EXPECT_EQ(Escapes(box),
              (Steps {"Escape(16011, 20: 00 00 00 00 2C 01 00 00 58 02 00 00 D4 FE FF FF E7 03 00 00) = 1",
                      "Escape(16013, 20: 01 00 00 00 03 00 00 00 FE FF FF FF 00 00 00 00 00 00 00 00) = 1"}));
}

TEST(VelkitSettings, LargeOverlayValuesConvertWithoutOverflow)
{
    VelkitSandbox box("SCSI2:");
    // 2000000000 * 300 / 1000 = 600000000; -2147483648 -> -644245094.
    box.Expect(With(kRecordScript, {"PageSetOverlayPrintableArea H 1 AREA:2000000000,-2147483648,7158279,-7158279 -> "
                                    "0 2000000000 -2147483648 7158279 -7158279",
                                    "PageGetOverlayPrintableArea H 1 AREA -> 0 2000000000 -2147483646 7158276 -7158276",
                                    "Close H -> 0"}));
    EXPECT_EQ(Escapes(box), (Steps {"Escape(16011, 20: 01 00 00 00 00 46 C3 23 9A 99 99 D9 9B C4 20 00 65 3B DF FF) = 1"}));
}

TEST(VelkitSettings, DriverKnowingOnlyTheOlderNumbersGetsEverySetting)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nrefuse=current\n");
    const Steps sets = {"DocSetFlipBeforePrint H 1 -> 0", "DocSetEjectSideUp H 1 -> 0", "PageSetColorMode H 0 1 -> 0",
                        "PageSetDitherMethod H 1 2 -> 0", "PageSetDitherIntensity H 0 5 -> 0",
                        "PageSetGrayscaleIntensity H 1 6 -> 0", "PageSetResinUsage H 0 2 1 -> 0",
                        "PageSetOverlayMode H 0 3 -> 0", "PageSetOverlayPrintableArea H 1 AREA:0,0,0,0 -> 0 0 0 0 0",
                        "PageSetOverlayNonprintableArea H 0 AREA:0,0,0,0 -> 0 0 0 0 0",
                        "PageSetLaminateMode H 0 1 -> 0", "PageSetLaminateLast H 1 -> 0", "PageSetUVMode H 1 1 -> 0",
                        "PageSetUVColor H 9 -> 0", "PageSetRotate180 H 0 1 -> 0"};
    box.Expect(With(With(kRecordScript, sets),
                    {"DocGetFlipBeforePrint H OUT -> 0 1", "DocGetEjectSideUp H OUT -> 0 1",
                     "PageGetColorMode H 0 OUT -> 0 1", "PageGetDitherMethod H 1 OUT -> 0 2",
                     "PageGetDitherIntensity H 0 OUT -> 0 5", "PageGetGrayscaleIntensity H 1 OUT -> 0 6",
                     "PageGetResinUsage H 0 1 OUT -> 0 1", "PageGetOverlayMode H 0 OUT -> 0 3",
                     "PageGetLaminateMode H 0 OUT -> 0 1", "PageGetLaminateLast H OUT -> 0 1",
                     "PageGetUVMode H 1 OUT -> 0 1", "PageGetUVColor H OUT -> 0 9", "PageGetRotate180 H 0 OUT -> 0 1",
                     "Close H -> 0"}));
    // Each setting: the current number refused, then the older one with
    // the same block taken.
    const auto escapes = Escapes(box);
    ASSERT_EQ(escapes.size(), 2 * (sets.size() + 1));
    for (std::size_t i = 0; i < escapes.size(); i += 2) {
        const std::string current = escapes[i], older = escapes[i + 1];
        EXPECT_EQ(current.substr(0, 8), "Escape(1");
        EXPECT_EQ(current[8], '6') << current;
        EXPECT_EQ(older[8], '5') << older;
        EXPECT_EQ(current.substr(9, current.size() - 9 - 4), older.substr(9, older.size() - 9 - 4));
        EXPECT_EQ(current.substr(current.size() - 4), " = 0");
        EXPECT_EQ(older.substr(older.size() - 4), " = 1");
    }
}

TEST(VelkitSettings, RefusedEscapesGive1AndStoreNothing)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nrefuse=current,older\n");
    box.Expect(With(kRecordScript, {"PageSetColorMode H 0 1 -> 1", "PageSetResinUsage H 1 -1 1 -> 1",
                                    "PageSetOverlayPrintableArea H 0 AREA:1000,1000,1000,1000 -> 1 1000 1000 1000 1000",
                                    "PageSetLaminateLast H 1 -> 1", "PageSetLaminateMode H 0 1 -> 1",
                                    "Record 0 200 -> " + testbed::Hex(std::vector<std::uint8_t>(200, 0xEE)),
                                    "Close H -> 0"}));
    // The resin panels stop at the first refusal.
    EXPECT_EQ(Escapes(box)[2], "Escape(16028, 12: 01 00 00 00 00 00 00 00 01 00 00 00) = 0");
    EXPECT_EQ(Escapes(box)[3], "Escape(15028, 12: 01 00 00 00 00 00 00 00 01 00 00 00) = 0");
    EXPECT_EQ(Escapes(box).size(), 10u);
}

TEST(VelkitSettings, LaminateQueryDecidesTheGetButTheStoredByteIsTheAnswer)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nanswer=0x55\n");
    box.Expect(With(kRecordScript, {"PageSetLaminateMode H 0 1 -> 0", "PageGetLaminateMode H 0 OUT -> 0 1",
                                    "PageGetLaminateMode H 1 OUT -> 0 238", "Close H -> 0"}));

    box.ClearCalls();
    box.Scenario("[veltodrv]\nrefuse=16016,15016\n");
    box.Expect(With(kRecordScript, {"PageSetLaminateMode H 1 1 -> 0", "PageGetLaminateMode H 1 OUT -> 1 -12345",
                                    "Close H -> 0"}));
    EXPECT_EQ(Escapes(box), (Steps {"Escape(16015, 8: 01 00 00 00 01 00 00 00) = 1", "Escape(16016, 4: 01 00 00 00) = 0",
                                    "Escape(15016, 4: 01 00 00 00) = 0"}));
}

TEST(VelkitSettings, DuplexAndOrientationResetTheDcWithExactlyTheirFields)
{
    VelkitSandbox box("SCSI2:");
    box.Expect(With(kHeldScript, {"DocSetDuplex H 1 -> 0", "DocGetDuplex H OUT -> 0 1", "PageSetOrientation H 2 -> 0",
                                  "PageGetOrientation H OUT -> 0 2", "DocSetDuplex H 0 -> 0",
                                  "DocGetDuplex H OUT -> 0 0", "PageSetOrientation H 1 -> 0",
                                  "PageGetOrientation H OUT -> 0 1", "Close H -> 0"}));
    // The printer's record had copies in its fields as well (0x1101).
    EXPECT_EQ(box.Calls("veltodrv"),
              (Steps {"ResetDC(wide 0, fields 0x00001001, orientation 1, copies 1, duplex 3) = 1",
                      "ResetDC(wide 0, fields 0x00001001, orientation 2, copies 1, duplex 3) = 1",
                      "ResetDC(wide 0, fields 0x00001001, orientation 2, copies 1, duplex 1) = 1",
                      "ResetDC(wide 0, fields 0x00001001, orientation 1, copies 1, duplex 1) = 1"}));

    // An application's wide record with every field bit set.
    box.ClearCalls();
    box.Expect({"OpenW $Q -> handle", "CreateDCW $Q -> dc", "DocAttachW H DC DM:200:1:0xFFFFFFFF -> 0",
                "DocSetDuplex H 1 -> 0", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltodrv"),
              (Steps {"ResetDC(wide 1, fields 0x00001001, orientation 0, copies 0, duplex 3) = 1"}));
}

TEST(VelkitSettings, ARecordTooShortForASettingIsNeitherWrittenNorSent)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nextra=64\n");
    box.Expect({"OpenA $Q -> handle", "CreateDCA $Q -> dc", "DocAttachA H DC DM:64:1 -> 0",
                "PageSetRotate180 H 1 1 -> 0", "PageSetResinUsage H 0 -1 1 -> 108",
                "PageGetUVColor H OUT -> 108 -12345", "DocSetEjectSideUp H 1 -> 108", "DocSetDuplex H 1 -> 0",
                "Record 32 8 -> EE EE EE EE 01 00 00 00", "Close H -> 0"});
    EXPECT_EQ(Escapes(box), (Steps {"Escape(16025, 8: 01 00 00 00 01 00 00 00) = 1"}));
}

TEST(VelkitSettings, WideRecordsKeepTheirPrivateBytesBehindTheWidePart)
{
    VelkitSandbox box("VUSB1:");
    box.Expect({"OpenW $Q -> handle", "CreateDCW $Q -> dc", "DocAttachW H DC DM:200:1 -> 0",
                "PageSetColorMode H 1 2 -> 0", "DocSetCopies H 3 -> 0", "Record 40 8 -> EE EE EE EE 02 00 00 00",
                "PageGetColorMode H 1 OUT -> 0 2", "DocGetCopies H OUT -> 0 3", "Close H -> 0"});
    // The printer's own wide record, held by the handle.
    // The driver's private bytes count up from 0: side 0's UV mode is 188-191.
    box.Expect({"OpenW $Q -> handle", "CreateDCW $Q -> dc", "DocAttachW H DC NULL -> 0", "PageSetUVMode H 1 2 -> 0",
                "PageGetUVMode H 1 OUT -> 0 2", "PageGetUVMode H 0 OUT -> 0 -1078018628", "Close H -> 0"});
}
