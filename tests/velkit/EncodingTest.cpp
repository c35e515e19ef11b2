// The encoding station: card movements, chip traffic and magnetic stripes,
// their check order, their dispatch calls and the driver blocks.
#include "VelkitSandbox.h"

#include <gtest/gtest.h>

#include <sstream>

using velkittest::Lines;
using velkittest::VelkitSandbox;
using Steps = std::vector<std::string>;

namespace {

std::string HexOf(const std::vector<int>& bytes)
{
    std::ostringstream out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char b[4];
        std::snprintf(b, sizeof b, "%02X", bytes[i]);
        out << (i ? " " : "") << b;
    }
    return out.str();
}

// Bound SCSI2 printer with a document DC attached.
const Steps kOpenBound = {"OpenA $Q", "PrinterSetMode H 1"};
const Steps kOpenBoundWithDc = {"OpenA $Q", "PrinterSetMode H 1", "CreateDCA $Q", "DocAttachA H DC NULL"};

Steps With(Steps head, const Steps& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

} // namespace

TEST(VelkitEncodeTransfer, UnboundGives2AndMissingStationGives109WithoutWaiting)
{
    VelkitSandbox unbound("SCSI2:");
    auto run = unbound.Run({"OpenA $Q", "EncodeTransfer H", "EncodeICTransfer H", "Close H"});
    EXPECT_EQ(Lines(run), (Steps {"OpenA = handle", "EncodeTransfer = 2", "EncodeICTransfer = 2", "Close = 0"}));

    VelkitSandbox plain("SCSI2:");
    plain.Scenario("[veltosio]\nflags=0xF7\n");
    run = plain.Run(With(kOpenBound, {"EncodeTransfer H", "EncodeEject H 2", "Close H"}));
    EXPECT_EQ(Lines(run), (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeTransfer = 109",
                                  "EncodeEject = 109", "Close = 0"}));
    EXPECT_EQ(plain.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoClose(1) = 0"}));
}

TEST(VelkitEncodeTransfer, WaitsASecondThenMovesTheCardToTheEncoder)
{
    VelkitSandbox box("SCSI2:");
    const auto run = box.Run(With(kOpenBound, {"EncodeTransfer H", "Close H"}));
    EXPECT_EQ(Lines(run), (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeTransfer = 0", "Close = 0"}));
    // The second passes before the card is moved.
    EXPECT_GE(box.Between("probe begin 2", "veltosio VeltoICEject"), 1000);
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoICEject(#0 SCSI2, 4) = 0", "VeltoClose(1) = 0"}));
    EXPECT_EQ(box.Calls("printer"), (Steps {"feed -> encoding station"}));
}

TEST(VelkitEncodeTransfer, ModuleFailureGives11)
{
    VelkitSandbox box("VUSB1:");
    box.Scenario("[printer]\nhopper=0\n");
    EXPECT_EQ(Lines(box.Run(With(kOpenBound, {"EncodeICTransfer H", "Close H"}))),
              (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeICTransfer = 11", "Close = 0"}));
    EXPECT_EQ(box.Calls("veltouio")[4], "Velto_ICTransfer(id 1) = 1");
}

TEST(VelkitEncodeEject, CodeGoesToTheModuleAndCode1DoesNotWait)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nVeltoICEject=0\n");
    const auto run = box.Run(With(kOpenBound, {"EncodeEject H 1", "EncodeICEject H 7", "Close H"}));
    EXPECT_EQ(Lines(run), (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeEject = 0", "EncodeICEject = 0",
                                  "Close = 0"}));
    // Only code 2 waits for the card to leave (5 s); these return at once.
    EXPECT_LT(box.Between("veltosio VeltoICEject", "probe end 3"), 4000);
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoICEject(#0 SCSI2, 1) = 0",
                                             "VeltoICEject(#0 SCSI2, 7) = 0", "VeltoClose(1) = 0"}));
}

TEST(VelkitEncodeWait, ModuleValuesMapToTimeOutSuccessAndPrinterError)
{
    for (const auto& [value, code] : std::vector<std::pair<std::string, std::string>> {{"0", "9"}, {"1", "0"}, {"2", "10"}, {"-1", "10"}}) {
        VelkitSandbox box("SCSI2:");
        box.Scenario("[veltosio]\nVeltoICWait=" + value + "\n");
        EXPECT_EQ(Lines(box.Run(With(kOpenBound, {"EncodeWait H", "Close H"}))),
                  (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeWait = " + code, "Close = 0"}));
        EXPECT_EQ(box.Calls("veltosio")[1], "VeltoICWait(#0 SCSI2, 45) = " + value);
    }
    // No hardware check for the wait.
    VelkitSandbox plain("VUSB1:");
    plain.Scenario("[veltouio]\nflags=0\n");
    EXPECT_EQ(Lines(plain.Run(With(kOpenBound, {"EncodeICWait H", "Close H"})))[2], "EncodeICWait = 0");
}

TEST(VelkitEncodePosition, StationKindsAndTypeCodes)
{
    struct Case {
        std::string port, scenario, selector1, selector2;
    } cases[] = {
        {"SCSI2:", "[veltosio]\nkind=2\n", "0", "1"},
        {"SCSI2:", "[veltosio]\nkind=2\ntype=5100\n", "0", "0"},
        {"SCSI2:", "[veltosio]\nkind=4\n", "0", "-1"},
        {"SCSI2:", "[veltosio]\nkind=3\n", "0", "0"},
        {"SCSI2:", "[veltosio]\nkind=2\nflags=0x07\n", "-1", "-1"},
        {"VUSB1:", "[veltouio]\nkind=2\ntype=5100\n", "0", "1"},
        {"VUSB1:", "[veltouio]\nkind=4\n", "0", "-1"},
    };
    for (const auto& c : cases) {
        VelkitSandbox box(c.port);
        box.Scenario(c.scenario);
        EXPECT_EQ(Lines(box.Run(With(kOpenBound, {"EncodePosition H 1 OUT", "EncodeICPosition H 2 OUT",
                                                  "EncodePosition H 3 OUT", "Close H"}))),
                  (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodePosition = 0 " + c.selector1,
                          "EncodeICPosition = 0 " + c.selector2, "EncodePosition = 102 -12345", "Close = 0"}))
            << c.port << " " << c.scenario;
    }
}

TEST(VelkitEncodePosition, UnboundGives2)
{
    VelkitSandbox box("SCSI2:");
    EXPECT_EQ(Lines(box.Run({"OpenA $Q", "EncodePosition H 3 OUT", "Close H"})),
              (Steps {"OpenA = handle", "EncodePosition = 2 -12345", "Close = 0"}));
}

TEST(VelkitEncodeRequest, EscapeWithFallbackOnTheDocumentDc)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nrefuse=16027\n");
    EXPECT_EQ(Lines(box.Run({"OpenA $Q", "EncodeRequest H", "CreateDCA $Q", "DocAttachA H DC NULL",
                             "EncodeICRequest H", "Close H", "DeleteDC DC"})),
              (Steps {"OpenA = handle", "EncodeRequest = 5", "CreateDCA = dc", "DocAttachA = 0",
                      "EncodeICRequest = 0", "Close = 0", "DeleteDC = 1"}));
    EXPECT_EQ(box.Calls("veltodrv"), (Steps {"Escape(16027, 0: ) = 0", "Escape(15027, 0: ) = 1"}));

    VelkitSandbox refusing("SCSI2:");
    refusing.Scenario("[veltodrv]\nrefuse=16027,15027\n");
    EXPECT_EQ(Lines(refusing.Run({"OpenA $Q", "CreateDCA $Q", "DocAttachA H DC NULL", "EncodeRequest H", "Close H",
                                  "DeleteDC DC"}))[3],
              "EncodeRequest = 1");
}

TEST(VelkitEncodeIC, TransmitStatusReceiveReachTheModule)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nreply=50 01 02\n");
    EXPECT_EQ(Lines(box.Run(With(kOpenBound, {"EncodeICTransmit H 3 x:00A4FF", "EncodeICStatus H OUT OUT",
                                              "EncodeICReceive H 3 BUF", "Close H"}))),
              (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeICTransmit = 0", "EncodeICStatus = 0 1 3",
                      "EncodeICReceive = 0 50 01 02 00", "Close = 0"}));
    EXPECT_EQ(box.Calls("veltosio")[1], "VeltoICTransmit(#0 SCSI2, 3, 00 A4 FF) = 0");

    VelkitSandbox usb("VUSB1:");
    usb.Scenario("[veltouio]\nVelto_ICTransmit=2\n");
    EXPECT_EQ(Lines(usb.Run(With(kOpenBound, {"EncodeICTransmit H 1 x:AA", "EncodeICStatus H OUT OUT",
                                              "EncodeICReceive H 3 BUF", "Close H"}))),
              (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeICTransmit = 11",
                      "EncodeICStatus = 3 -12345 -12345", "EncodeICReceive = 3 00 00 00 00", "Close = 0"}));
}

TEST(VelkitEncodeIC, CompleteJudgesTheReply)
{
    struct Case {
        std::string scenario, result;
    } cases[] = {{"reply=50 00", "0"}, {"reply=4E 00", "11"}, {"type=5100\nreply=4E\nreplylen=0", "0"},
                 {"reply=4E\nreplylen=0", "11"}};
    for (const auto& c : cases) {
        VelkitSandbox box("SCSI2:");
        box.Scenario("[veltosio]\n" + c.scenario + "\n");
        const auto run = box.Run(With(kOpenBound, {"EncodeICComplete H BUF 1", "Close H"}));
        ASSERT_EQ(run.lines.size(), 4u);
        EXPECT_EQ(run.lines[2].substr(0, run.lines[2].find(' ', 19)), "EncodeICComplete = " + c.result) << c.scenario;
    }
}

TEST(VelkitEncodeIC, CompleteTimesOutAfterOneMorePollWait)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nready=0\n");
    const auto run = box.Run(With(kOpenBound, {"EncodeICComplete H BUF 0", "EncodeICComplete H NULL 1",
                                               "EncodeICComplete H BUF 1", "Close H"}));
    EXPECT_EQ(Lines(run), (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeICComplete = 102 00 00 00 00",
                                  "EncodeICComplete = 102", "EncodeICComplete = 9 50 00 00 00", "Close = 0"}));
    EXPECT_GE(run.ms[4], 1250);
    // Polled every 250 ms: status and receive alternate, at least five rounds.
    const auto calls = box.Calls("veltosio");
    EXPECT_GE(std::count(calls.begin(), calls.end(), "VeltoICStatus(#0 SCSI2) = 0 ready 0 length 1"), 5);
}

TEST(VelkitEncodeIC, CompleteOnUsbIsNotSupported)
{
    VelkitSandbox box("VUSB1:");
    EXPECT_EQ(Lines(box.Run(With(kOpenBound, {"EncodeICComplete H BUF 3", "Close H"})))[2],
              "EncodeICComplete = 3 00 00 00 00");
}

TEST(VelkitEncodeIC, MoveContactsSendsTheContactCommandThenCompletes)
{
    VelkitSandbox box("SCSI2:");
    const auto run = box.Run(With(kOpenBound, {"EncodeICMoveContacts H 2", "EncodeICMoveContacts H 1", "Close H"}));
    EXPECT_EQ(Lines(run), (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeICMoveContacts = 102",
                                  "EncodeICMoveContacts = 0", "Close = 0"}));
    EXPECT_GE(run.ms[3], 2000);
    EXPECT_EQ(box.Calls("veltosio"),
              (Steps {"VeltoOpen() = 1", "VeltoICTransmit(#0 SCSI2, 3, 43 43 31) = 0",
                      "VeltoICStatus(#0 SCSI2) = 0 ready 1 length 1", "VeltoICReceive(#0 SCSI2, 1) = 0",
                      "VeltoClose(1) = 0"}));
}

TEST(VelkitEncodeIC, MoveContactsTransmitFailureGives11)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nVeltoICTransmit=3\n");
    EXPECT_EQ(Lines(box.Run(With(kOpenBound, {"EncodeICMoveContacts H 0", "Close H"})))[2], "EncodeICMoveContacts = 11");
    EXPECT_EQ(box.Calls("veltosio")[1], "VeltoICTransmit(#0 SCSI2, 3, 43 43 30) = 3");
}

TEST(VelkitEncodeMG, WriteBuildsThe520ByteBlock)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nrefuse=16034\n");
    EXPECT_EQ(Lines(box.Run({"OpenA $Q", "EncodeMGWrite H 2 -1 s:1234", "CreateDCA $Q", "DocAttachA H DC NULL",
                             "EncodeMGWrite H 6 -1 s:1", "EncodeMGWrite H 2 -2 s:1", "EncodeMGWrite H 2 -1 NULL",
                             "EncodeMGWrite H 2 -1 s:1234", "Close H", "DeleteDC DC"})),
              (Steps {"OpenA = handle", "EncodeMGWrite = 103", "CreateDCA = dc", "DocAttachA = 0",
                      "EncodeMGWrite = 102", "EncodeMGWrite = 102", "EncodeMGWrite = 102", "EncodeMGWrite = 0",
                      "Close = 0", "DeleteDC = 1"}));
    std::vector<int> block(520, 0);
    const std::vector<int> head = {0x08, 0x02, 0, 0, 2, 0, 4, 0, 0x31, 0x32, 0x33, 0x34, 0};
    std::copy(head.begin(), head.end(), block.begin());
    EXPECT_EQ(box.Calls("veltodrv"),
              (Steps {"Escape(16034, 520: " + HexOf(block) + ") = 0", "Escape(15034, 520: " + HexOf(block) + ") = 1"}));
}

TEST(VelkitEncodeMG, WriteKeepsTheCallersLengthAndRefusesWhatDoesNotFit)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nrefuse=16034,15034\n");
    EXPECT_EQ(Lines(box.Run({"OpenA $Q", "CreateDCA $Q", "DocAttachA H DC NULL", "EncodeMGWrite H 0 2 s:ABC",
                             "EncodeMGWrite H 5 -1 rep:511:7", "EncodeMGWrite H 5 -1 rep:512:7",
                             "EncodeMGWrite H 5 512 s:7", "Close H", "DeleteDC DC"})),
              (Steps {"OpenA = handle", "CreateDCA = dc", "DocAttachA = 0", "EncodeMGWrite = 1", "EncodeMGWrite = 1",
                      "EncodeMGWrite = 102", "EncodeMGWrite = 102", "Close = 0", "DeleteDC = 1"}));
    const auto calls = box.Calls("veltodrv");
    ASSERT_EQ(calls.size(), 4u);
    // Length field 2, the whole string with its NUL.
    EXPECT_EQ(calls[0].substr(0, 60), "Escape(16034, 520: 08 02 00 00 00 00 02 00 41 42 43 00 00 00");
    // 511 characters and the NUL fill the data area to its end.
    EXPECT_EQ(calls[2].substr(0, 43), "Escape(16034, 520: 08 02 00 00 05 00 FF 01 ");
    EXPECT_EQ(calls[2].substr(calls[2].size() - 17), " 37 37 37 00) = 0");
}

TEST(VelkitEncodeMG, WriteArbitraryBuildsThe266ByteBlock)
{
    VelkitSandbox box("SCSI2:");
    EXPECT_EQ(Lines(box.Run({"OpenA $Q", "EncodeMGWriteArbitrary H 1 2 3 4 3 s:ABCDEF", "CreateDCA $Q",
                             "DocAttachA H DC NULL", "EncodeMGWriteArbitrary H 1 2 3 4 -2 s:A",
                             "EncodeMGWriteArbitrary H 1 2 3 4 3 NULL",
                             "EncodeMGWriteArbitrary H 1 2 3 0x12345 3 s:ABCDEF",
                             "EncodeMGWriteArbitrary H 0 0 0 0 256 rep:300:Z",
                             "EncodeMGWriteArbitrary H 0 0 0 0 -1 rep:256:Z",
                             "EncodeMGWriteArbitrary H 0 0 0 0 -1 rep:255:Z", "Close H", "DeleteDC DC"})),
              (Steps {"OpenA = handle", "EncodeMGWriteArbitrary = 103", "CreateDCA = dc", "DocAttachA = 0",
                      "EncodeMGWriteArbitrary = 102", "EncodeMGWriteArbitrary = 102", "EncodeMGWriteArbitrary = 0",
                      "EncodeMGWriteArbitrary = 102", "EncodeMGWriteArbitrary = 102", "EncodeMGWriteArbitrary = 0",
                      "Close = 0", "DeleteDC = 1"}));
    std::vector<int> block(266, 0);
    const std::vector<int> head = {1, 0, 2, 0, 3, 0, 0x45, 0x23, 3, 0, 0x41, 0x42, 0x43, 0};
    std::copy(head.begin(), head.end(), block.begin());
    const auto calls = box.Calls("veltodrv");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "Escape(11014, 266: " + HexOf(block) + ") = 1");
    EXPECT_EQ(calls[1].substr(0, 49), "Escape(11014, 266: 00 00 00 00 00 00 00 00 FF 00 ");
}

TEST(VelkitEncodeMG, WriteArbitraryHasNoOlderEscape)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nrefuse=11014\n");
    EXPECT_EQ(Lines(box.Run({"OpenA $Q", "CreateDCA $Q", "DocAttachA H DC NULL",
                             "EncodeMGWriteArbitrary H 1 1 1 1 -1 s:9", "Close H", "DeleteDC DC"}))[3],
              "EncodeMGWriteArbitrary = 1");
    EXPECT_EQ(box.Calls("veltodrv").size(), 1u);
}

TEST(VelkitEncodeMG, ReadPreparesWaitsAndMapsTheWait)
{
    VelkitSandbox box("SCSI2:");
    const auto run = box.Run({"OpenA $Q", "EncodeMGRead H 1", "PrinterSetMode H 1", "EncodeMGRead H 3", "Close H"});
    EXPECT_EQ(Lines(run), (Steps {"OpenA = handle", "EncodeMGRead = 2", "PrinterSetMode = 0", "EncodeMGRead = 0",
                                  "Close = 0"}));
    EXPECT_GE(run.ms[3], 2000);
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoMagPrepare(#0 SCSI2, 3) = 0",
                                             "VeltoMagWait(#0 SCSI2, 20) = 1", "VeltoClose(1) = 0"}));
}

TEST(VelkitEncodeMG, ReadFailures)
{
    VelkitSandbox prepare("VUSB1:");
    prepare.Scenario("[veltouio]\nVelto_MagPrepare=1\n");
    const auto run = prepare.Run(With(kOpenBound, {"EncodeMGRead H 1", "Close H"}));
    EXPECT_EQ(run.lines[2], "EncodeMGRead = 10");
    EXPECT_EQ(prepare.Calls("veltouio")[4], "Velto_MagPrepare(id 1, 1) = 1");
    EXPECT_EQ(prepare.Calls("veltouio")[5], "Velto_PrinterClose(id 1) = 0");  // no wait call after it

    VelkitSandbox wait("VUSB1:");
    wait.Scenario("[veltouio]\nVelto_MagWait=0\n");
    EXPECT_EQ(wait.Run(With(kOpenBound, {"EncodeMGRead H 1", "Close H"})).lines[2], "EncodeMGRead = 11");
}

TEST(VelkitEncodeMG, GetTrackPassesItsValues)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nVeltoMagRead=0\n");
    EXPECT_EQ(Lines(box.Run({"OpenA $Q", "EncodeMGGetTrack H 1 2 3", "PrinterSetMode H 1", "EncodeMGGetTrack H 2 -1 77",
                             "Close H"})),
              (Steps {"OpenA = handle", "EncodeMGGetTrack = 2", "PrinterSetMode = 0", "EncodeMGGetTrack = 0",
                      "Close = 0"}));
    EXPECT_EQ(box.Calls("veltosio")[1], "VeltoMagRead(#0 SCSI2, 2, -1, 77) = 0");

    VelkitSandbox failing("VUSB1:");
    failing.Scenario("[veltouio]\nVelto_MagRead=4\n");
    EXPECT_EQ(failing.Run(With(kOpenBound, {"EncodeMGGetTrack H 1 2 3", "Close H"})).lines[2], "EncodeMGGetTrack = 10");
}

TEST(VelkitEncodeMG, ReleaseNeedsTheDocumentDcFirst)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nVeltoMagEject=0\n");
    EXPECT_EQ(Lines(box.Run({"OpenA $Q", "PrinterSetMode H 1", "EncodeMGRelease H 3", "CreateDCA $Q",
                             "DocAttachA H DC NULL", "EncodeMGRelease H 4", "EncodeMGRelease H 3", "Close H",
                             "DeleteDC DC"})),
              (Steps {"OpenA = handle", "PrinterSetMode = 0", "EncodeMGRelease = 103", "CreateDCA = dc",
                      "DocAttachA = 0", "EncodeMGRelease = 102", "EncodeMGRelease = 0", "Close = 0", "DeleteDC = 1"}));
    EXPECT_EQ(box.Calls("veltosio")[1], "VeltoMagEject(#0 SCSI2, 3) = 0");

    VelkitSandbox unbound("SCSI2:");
    unbound.Scenario("[veltosio]\nVeltoMagEject=1\n");
    EXPECT_EQ(Lines(unbound.Run({"OpenA $Q", "CreateDCA $Q", "DocAttachA H DC NULL", "EncodeMGRelease H 2",
                                 "PrinterSetMode H 1", "EncodeMGRelease H 2", "Close H", "DeleteDC DC"})),
              (Steps {"OpenA = handle", "CreateDCA = dc", "DocAttachA = 0", "EncodeMGRelease = 2",
                      "PrinterSetMode = 0", "EncodeMGRelease = 10", "Close = 0", "DeleteDC = 1"}));
}
