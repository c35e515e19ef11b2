// The printer handle: open and close, check order and codes of every
// export, printer modes, the status word and the document DC.
#include "VelkitSandbox.h"

#include <gtest/gtest.h>

using velkittest::kBound;
using velkittest::With;
using velkittest::VelkitSandbox;
using Steps = std::vector<std::string>;

TEST(VelkitOpen, OpensByNarrowAndWideNameAndFindsTheMode)
{
    VelkitSandbox spooled("SCSI2:");
    spooled.Expect({"OpenA $Q -> handle", "PrinterGetMode H OUT -> 0 2", "Close H -> 0", "OpenW $Q -> handle",
                    "PrinterGetMode H OUT -> 0 2", "Close H -> 0"});
    VelkitSandbox direct("SCSI2:", {"-o", "direct-default=true"});
    direct.Expect({"OpenA $Q -> handle", "PrinterGetMode H OUT -> 0 1", "Close H -> 0"});
}

TEST(VelkitOpen, UnknownMissingAndOverlongNamesGiveNoHandle)
{
    VelkitSandbox box("SCSI2:");
    box.Expect({"OpenA No_Such_Velto -> null", "OpenA NULL -> null", "OpenW NULL -> null", "OpenA rep:300:A -> null",
                "OpenW rep:300:A -> null"});
}

TEST(VelkitOpen, OverlongPortNameGivesNoHandle)
{
    VelkitSandbox box("SCSI" + std::string(300, '9') + ":");
    box.Expect({"OpenA $Q -> null"});
}

TEST(VelkitChecks, NullHandleAndWrongMagicGive104Everywhere)
{
    VelkitSandbox box("SCSI2:");
    // Out variables and buffers are left as they were.
    const Steps calls = {
        "Close @ -> 104", "DriverVersion @ OUT -> 104 0xFFFF", "DocAttachA @ JUNK NULL -> 104",
        "DocAttachW @ JUNK NULL -> 104", "DocDetach @ -> 104", "PrinterSetMode @ 1 -> 104",
        "PrinterGetMode @ OUT -> 104 -12345", "PrinterGetHardware @ OUT -> 104 0xDEADBEEF",
        "PrinterStatus @ OUT -> 104 0xDEADBEEF", "EncodeICPosition @ 1 OUT -> 104 -12345",
        "EncodePosition @ 1 OUT -> 104 -12345", "EncodeICRequest @ -> 104", "EncodeRequest @ -> 104",
        "EncodeICTransfer @ -> 104", "EncodeTransfer @ -> 104", "EncodeICWait @ -> 104", "EncodeWait @ -> 104",
        "EncodeICEject @ 2 -> 104", "EncodeEject @ 1 -> 104", "EncodeICTransmit @ 3 x:434330 -> 104",
        "EncodeICStatus @ OUT OUT -> 104 -12345 -12345", "EncodeICReceive @ 4 BUF -> 104 00 00 00 00",
        "EncodeICMoveContacts @ 0 -> 104", "EncodeICComplete @ BUF 1 -> 104 00 00 00 00",
        "EncodeMGWrite @ 1 -1 s:12 -> 104", "EncodeMGWriteArbitrary @ 1 2 3 4 -1 s:12 -> 104",
        "EncodeMGRead @ 1 -> 104", "EncodeMGGetTrack @ 1 2 3 -> 104", "EncodeMGRelease @ 2 -> 104"};
    for (const std::string handle : {"NULL", "BAD"}) {
        Steps script;
        for (std::string call : calls) script.push_back(call.replace(call.find('@'), 1, handle));
        box.Expect(script, handle);
    }
}

TEST(VelkitChecks, ChecksThatComeBeforeTheHandleCheck)
{
    VelkitSandbox box("SCSI2:");
    box.Expect({"DocAttachA BAD NULL NULL -> 103", "DocAttachW NULL NULL NULL -> 103",
                "EncodePosition BAD 1 NULL -> 102", "EncodeICPosition NULL 1 NULL -> 102",
                "EncodeICTransmit NULL 0 NULL -> 104", "EncodeICTransmit BAD 0 x:43 -> 102",
                "EncodeICTransmit BAD 3 NULL -> 102", "EncodeICStatus BAD NULL OUT -> 102 -12345",
                "EncodeICReceive BAD 0 BUF -> 102 00 00 00 00", "EncodeICReceive NULL 0 BUF -> 104 00 00 00 00"});
}

TEST(VelkitModes, SetModeRefusesBadModesAndTheBareScsiPort)
{
    VelkitSandbox box("SCSI:");
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 0 -> 102", "PrinterSetMode H 3 -> 102",
                "PrinterSetMode H 1 -> 107", "PrinterGetMode H OUT -> 0 2",
                "PrinterGetHardware H OUT -> 107 0x00000000", "PrinterSetMode H 2 -> 0", "Close H -> 0"});
    EXPECT_TRUE(box.Calls("veltosio").empty());
}

TEST(VelkitModes, DirectModeOnAnOrdinaryPortSetsTheFlagAndCloseRestoresIt)
{
    VelkitSandbox box("FILE:");
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 1 -> 2", "PrinterGetMode H OUT -> 0 1",
                "Run lpoptions -p $Q | grep -q direct=true -> 0", "PrinterStatus H OUT -> 2 0xDEADBEEF",
                "PrinterGetHardware H OUT -> 3 0x00000000", "EncodeTransfer H -> 2", "Close H -> 0",
                "Run lpoptions -p $Q | grep -q direct=false -> 0"});
    // No module was loaded for a printer that is neither SCSI nor USB.
    EXPECT_TRUE(box.Calls("veltosio").empty());
    EXPECT_TRUE(box.Calls("veltouio").empty());
}

TEST(VelkitModes, CloseLeavesADirectPrinterDirect)
{
    VelkitSandbox box("FILE:", {"-o", "direct-default=true"});
    box.Expect({"OpenA $Q -> handle", "PrinterSetMode H 2 -> 0", "Run lpoptions -p $Q | grep -q direct=false -> 0",
                "PrinterSetMode H 2 -> 0", "Close H -> 0", "Run lpoptions -p $Q | grep -q direct=true -> 0"});
}

TEST(VelkitModes, SpoolerFailureGives1AndLeavesTheMode)
{
    VelkitSandbox box("SCSI2:");
    box.Expect({"OpenA $Q -> handle", "Run lpadmin -x $Q -> 0", "PrinterSetMode H 1 -> 1",
                "PrinterGetMode H OUT -> 0 2", "PrinterSetMode H 2 -> 0", "Close H -> 0"});
    EXPECT_TRUE(box.Calls("veltosio").empty());
}

TEST(VelkitStatus, StatusBytesBecomeTheStatusWordWithSense)
{
    VelkitSandbox box("SCSI2:");
    std::string sense = "00 00 00 00 00 00 00 00 00 00 00 00 AB CD 00 00 00 00 00 00";
    box.Scenario("[veltosio]\nstatus=05 81 30\nsense=" + sense + "\n");
    box.Expect({"OpenA $Q -> handle", "PrinterStatus H OUT -> 2 0xDEADBEEF", "PrinterSetMode H 1 -> 0",
                "PrinterStatus H NULL -> 102", "PrinterStatus H OUT -> 0 0xABCD5101", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltosio"),
              (Steps {"VeltoOpen() = 1", "VeltoPrinterStatus(#0 SCSI2) = 0", "VeltoRequestSense(#0 SCSI2) = 0",
                      "VeltoClose(1) = 0"}));
}

TEST(VelkitStatus, StatusWordBitRules)
{
    struct Case {
        std::string scenario;
        std::string word;
    } cases[] = {
        {"status=00 00 00", "0x00000000"},           // nothing set, no sense read
        {"status=0A 00 00", "0x00000002"},           // 0x08 ignored
        {"status=72 00 00", "0x00000012"},           // first of 10/20/40 only
        {"status=00 40 C0", "0x00000700"},           // byte 2 bits 6 and 7 ignored
        {"status=00 00 21", "0x00001000"},           // lowest bit of byte 2
        {"status=44 00 00\nVeltoRequestSense=1", "0xFFFF0044"},  // sense read failed
    };
    for (const auto& c : cases) {
        VelkitSandbox box("SCSI2:");
        box.Scenario("[veltosio]\n" + c.scenario + "\n");
        box.Expect(With(kBound, {"PrinterStatus H OUT -> 0 " + c.word, "Close H -> 0"}), c.scenario);
    }
}

TEST(VelkitStatus, ModuleFailureIsReportedAs11)
{
    VelkitSandbox box("VUSB1:");
    box.Scenario("[veltouio]\nVelto_PrinterStatus=4\n");
    box.Expect(With(kBound, {"PrinterStatus H OUT -> 11 0x00000000", "Close H -> 0"}));
}

TEST(VelkitDocument, AttachDetachAndTheSettingsRecord)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nversion=0x0102\nextra=64\n");
    box.Expect({"OpenA $Q -> handle", "DriverVersion H OUT -> 0 0x0102", "DriverVersion H NULL -> 102",
                "DocDetach H -> 5", "CreateDCA $Q -> dc", "DocAttachA H DC NULL -> 0", "DocAttachA H DC NULL -> 4",
                "DocDetach H -> 0", "DocAttachA H DC DM:63:0x0777 -> 108", "DocAttachA H DC DM:64:0x0777 -> 4",
                "DocDetach H -> 0", "DocAttachA H DC DM:64:0x0777 -> 0", "DriverVersion H OUT -> 0 0x0777",
                "DocDetach H -> 0", "DocDetach H -> 5", "DriverVersion H OUT -> 102 0xFFFF",
                "DocAttachA H DC NULL -> 0", "DriverVersion H OUT -> 0 0x0102", "Close H -> 0", "DeleteDC DC -> 1"});
}

// The driver's private size grows between the size query and the copy of
// the record (a driver update, another driver module for the queue): the
// copy is refused rather than written past the buffer. The handle opens
// without a record, as with a driver that cannot describe one, and a device
// context is not made.
TEST(VelkitDocument, ARecordThatGrewAfterItsSizeQueryIsNotCopied)
{
    for (const std::string open : {"OpenA", "OpenW"}) {
        VelkitSandbox box("VUSB1:");
        // Size queries in order: the open's two, CreateDCA's two, the
        // attach's two.
        box.Scenario("[veltodrv]\nextra=200,260,200,260,200\n");
        box.Expect({open + " $Q -> handle", "DriverVersion H OUT -> 102 0xFFFF", "PrinterGetMode H OUT -> 0 2",
                    "CreateDCA $Q -> null", "CreateDCA $Q -> dc", "DocAttachA H DC NULL -> 0",
                    "DriverVersion H OUT -> 0 0x0100", "DocDetach H -> 0", "Close H -> 0", "DeleteDC DC -> 1"},
                   open);
    }
}

TEST(VelkitDocument, WideRecordsAndWideAttach)
{
    VelkitSandbox box("VUSB1:");
    box.Scenario("[veltodrv]\nversion=0x0203\nextra=16\n");
    box.Expect({"OpenW $Q -> handle", "DriverVersion H OUT -> 0 0x0203", "CreateDCW $Q -> dc",
                "DocAttachW H DC DM:15:1 -> 108", "DocDetach H -> 0", "DocAttachW H DC DM:16:0x0405 -> 0",
                "DriverVersion H OUT -> 0 0x0405", "Close H -> 0", "DeleteDC DC -> 1"});
}

// An SDK caller's slips, made from C: a handle closed, closed again, used
// after the close, used after another handle was opened, and pointers that
// never were handles. Each gives 104 and nothing is read through it: the
// sanitizer build ends the program at a read of freed memory, and every
// build at a read of the inaccessible page.
TEST(VelkitHandleMisuse, EveryMisuseGives104AndNothingIsReadThroughIt)
{
    VelkitSandbox box("FILE:");
    const harness::RunResult r = box.Box().Run({box.Queue()}, {{"TAVRIN_PRINTER_DRIVER_DIR", TAVRIN_TESTBED_BUILD_DIR}},
                                               VELKIT_HANDLE_MISUSE);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::string refused = "GetMode=104 SetMode=104 Hardware=104 Status=104 Version=104 DocDetach=104 "
                                "Transfer=104 Eject=104 HidClose=104 Close=104\n";
    EXPECT_EQ(r.out, "open: GetMode=0 mode=2\n"
                     "close: 0\n"
                     "close again: 104\n"
                     "after close: " + refused +
                     "stale: same=0 closed=104 reopened=0\n"
                     "stale: " + refused +
                     "reopened close: 0\n"
                     "null: " + refused +
                     "inaccessible page: " + refused +
                     "forged record: " + refused +
                     "freed block: " + refused +
                     "made-up value: " + refused);
    EXPECT_EQ(r.err, "");
}
