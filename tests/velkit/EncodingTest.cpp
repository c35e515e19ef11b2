// The encoding station: card movements, chip traffic and magnetic stripes,
// their check order, their dispatch calls and the driver blocks.
#include "VelkitSandbox.h"

#include <gtest/gtest.h>

#include <sstream>

using velkittest::kBound;
using velkittest::kHeldScript;
using velkittest::VelkitSandbox;
using velkittest::With;
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

// The port module's calls between binding and release: after VeltoOpen on
// SCSI, after Velto_PrinterAttach on USB, up to the closing calls.
Steps Between(const VelkitSandbox& box, const std::string& port)
{
    const bool usb = port.rfind("VUSB", 0) == 0;
    const Steps calls = box.Calls(usb ? "veltouio" : "veltosio");
    const std::size_t head = usb ? 4 : 1, tail = usb ? 2 : 1;
    if (calls.size() < head + tail) return calls;
    return Steps(calls.begin() + std::ptrdiff_t(head), calls.end() - std::ptrdiff_t(tail));
}

} // namespace

TEST(VelkitEncodeTransfer, UnboundGives2AndMissingStationGives109WithoutWaiting)
{
    VelkitSandbox unbound("SCSI2:");
    unbound.Expect({"OpenA $Q -> handle", "EncodeTransfer H -> 2", "EncodeICTransfer H -> 2",
                    "EncodePosition H 3 OUT -> 2 -12345", "Close H -> 0"});

    VelkitSandbox plain("SCSI2:");
    plain.Scenario("[veltosio]\nflags=0xF7\n");
    plain.Expect(With(kBound, {"EncodeTransfer H -> 109", "EncodeEject H 2 -> 109", "Close H -> 0"}));
    EXPECT_EQ(plain.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoClose(1) = 0"}));
}

TEST(VelkitEncodeTransfer, WaitsASecondThenMovesTheCardToTheEncoder)
{
    VelkitSandbox box("SCSI2:");
    box.Expect(With(kBound, {"EncodeTransfer H -> 0", "Close H -> 0"}));
    // The second passes before the card is moved.
    EXPECT_GE(box.Between("probe begin 2", "veltosio VeltoICEject"), 1000);
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoICEject(#0 SCSI2, 4) = 0", "VeltoClose(1) = 0"}));
    EXPECT_EQ(box.Calls("printer"), (Steps {"feed -> encoding station"}));
}

TEST(VelkitEncodeEject, CodeGoesToTheModuleAndCode1DoesNotWait)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nVeltoICEject=0\n");
    box.Expect(With(kBound, {"EncodeEject H 1 -> 0", "EncodeICEject H 7 -> 0", "Close H -> 0"}));
    // Only code 2 waits for the card to leave (5 s); these return at once.
    EXPECT_LT(box.Between("veltosio VeltoICEject", "probe end 3"), 4000);
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoICEject(#0 SCSI2, 1) = 0",
                                             "VeltoICEject(#0 SCSI2, 7) = 0", "VeltoClose(1) = 0"}));
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
        box.Expect(With(kBound, {"EncodePosition H 1 OUT -> 0 " + c.selector1,
                                 "EncodeICPosition H 2 OUT -> 0 " + c.selector2, "EncodePosition H 3 OUT -> 102 -12345",
                                 "Close H -> 0"}),
                   c.port + " " + c.scenario);
    }
}

TEST(VelkitEncodeRequest, EscapeWithFallbackOnTheDocumentDcAndRefusals)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nrefuse=16027\n");
    box.Expect({"OpenA $Q -> handle", "EncodeRequest H -> 5", "CreateDCA $Q -> dc", "DocAttachA H DC NULL -> 0",
                "EncodeICRequest H -> 0", "Close H -> 0", "DeleteDC DC -> 1"});
    EXPECT_EQ(box.Calls("veltodrv"), (Steps {"Escape(16027, 0: ) = 0", "Escape(15027, 0: ) = 1"}));

    VelkitSandbox refusing("SCSI2:");
    refusing.Scenario("[veltodrv]\nrefuse=16027,15027\n");
    refusing.Expect(With(kHeldScript, {"EncodeRequest H -> 1", "Close H -> 0", "DeleteDC DC -> 1"}));

    // The magnetic block of any length has no older escape to fall back on.
    VelkitSandbox arbitrary("SCSI2:");
    arbitrary.Scenario("[veltodrv]\nrefuse=11014\n");
    arbitrary.Expect(With(kHeldScript, {"EncodeMGWriteArbitrary H 1 1 1 1 -1 s:9 -> 1", "Close H -> 0",
                                        "DeleteDC DC -> 1"}));
    EXPECT_EQ(arbitrary.Calls("veltodrv").size(), 1u);
}

TEST(VelkitEncodeIC, TransmitStatusReceiveReachTheModule)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nreply=50 01 02\n");
    box.Expect(With(kBound, {"EncodeICTransmit H 3 x:00A4FF -> 0", "EncodeICStatus H OUT OUT -> 0 1 3",
                             "EncodeICReceive H 3 BUF -> 0 50 01 02 00", "Close H -> 0"}));
    EXPECT_EQ(box.Calls("veltosio")[1], "VeltoICTransmit(#0 SCSI2, 3, 00 A4 FF) = 0");

    VelkitSandbox usb("VUSB1:");
    usb.Scenario("[veltouio]\nVelto_ICTransmit=2\n");
    usb.Expect(With(kBound, {"EncodeICTransmit H 1 x:AA -> 11", "EncodeICStatus H OUT OUT -> 3 -12345 -12345",
                             "EncodeICReceive H 3 BUF -> 3 00 00 00 00", "Close H -> 0"}));
}

TEST(VelkitEncodeIC, CompleteTimesOutAfterOneMorePollWait)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nready=0\n");
    const auto run = box.Expect(With(kBound, {"EncodeICComplete H BUF 0 -> 102 00 00 00 00",
                                              "EncodeICComplete H NULL 1 -> 102",
                                              "EncodeICComplete H BUF 1 -> 9 50 00 00 00", "Close H -> 0"}));
    EXPECT_GE(run.ms[4], 1250);
    // Polled every 250 ms: status and receive alternate, at least five rounds.
    const auto calls = box.Calls("veltosio");
    EXPECT_GE(std::count(calls.begin(), calls.end(), "VeltoICStatus(#0 SCSI2) = 0 ready 0 length 1"), 5);
}

TEST(VelkitEncodeIC, MoveContactsSendsTheContactCommandThenCompletes)
{
    VelkitSandbox box("SCSI2:");
    const auto run = box.Expect(With(kBound, {"EncodeICMoveContacts H 2 -> 102", "EncodeICMoveContacts H 1 -> 0",
                                              "Close H -> 0"}));
    EXPECT_GE(run.ms[3], 2000);
    EXPECT_EQ(box.Calls("veltosio"),
              (Steps {"VeltoOpen() = 1", "VeltoICTransmit(#0 SCSI2, 3, 43 43 31) = 0",
                      "VeltoICStatus(#0 SCSI2) = 0 ready 1 length 1", "VeltoICReceive(#0 SCSI2, 1) = 0",
                      "VeltoClose(1) = 0"}));
}

// One call on a bound printer whose port module (or printer) answers as
// the scenario says: its result and the module calls it made.
TEST(VelkitEncodeResults, ModuleAnswersBecomeResultCodes)
{
    struct Case {
        std::string port, scenario, step;
        Steps calls;
    } cases[] = {
        {"VUSB1:", "[printer]\nhopper=0", "EncodeICTransfer H -> 11", {"Velto_ICTransfer(id 1) = 1"}},
        {"SCSI2:", "[veltosio]\nVeltoICWait=0", "EncodeWait H -> 9", {"VeltoICWait(#0 SCSI2, 45) = 0"}},
        {"SCSI2:", "[veltosio]\nVeltoICWait=1", "EncodeWait H -> 0", {"VeltoICWait(#0 SCSI2, 45) = 1"}},
        {"SCSI2:", "[veltosio]\nVeltoICWait=2", "EncodeWait H -> 10", {"VeltoICWait(#0 SCSI2, 45) = 2"}},
        {"SCSI2:", "[veltosio]\nVeltoICWait=-1", "EncodeWait H -> 10", {"VeltoICWait(#0 SCSI2, 45) = -1"}},
        // No hardware check for the wait.
        {"VUSB1:", "[veltouio]\nflags=0", "EncodeICWait H -> 0", {"Velto_ICWait(id 1, 45) = 1"}},
        // The chip station's reply: "P" is success, anything else a failed
        // command; an empty reply is success only on a type 5100 printer.
        {"SCSI2:", "[veltosio]\nreply=50 00", "EncodeICComplete H BUF 1 -> 0 50 00 00 00", {}},
        {"SCSI2:", "[veltosio]\nreply=4E 00", "EncodeICComplete H BUF 1 -> 11 4E 00 00 00", {}},
        {"SCSI2:", "[veltosio]\ntype=5100\nreply=4E\nreplylen=0", "EncodeICComplete H BUF 1 -> 0 00 00 00 00", {}},
        {"SCSI2:", "[veltosio]\nreply=4E\nreplylen=0", "EncodeICComplete H BUF 1 -> 11 00 00 00 00", {}},
        {"VUSB1:", "", "EncodeICComplete H BUF 3 -> 3 00 00 00 00", {}},
        {"SCSI2:", "[veltosio]\nVeltoICTransmit=3", "EncodeICMoveContacts H 0 -> 11",
         {"VeltoICTransmit(#0 SCSI2, 3, 43 43 30) = 3"}},
        // A failed preparation is not followed by the wait.
        {"VUSB1:", "[veltouio]\nVelto_MagPrepare=1", "EncodeMGRead H 1 -> 10", {"Velto_MagPrepare(id 1, 1) = 1"}},
        {"VUSB1:", "[veltouio]\nVelto_MagWait=0", "EncodeMGRead H 1 -> 11",
         {"Velto_MagPrepare(id 1, 1) = 0", "Velto_MagWait(id 1, 20) = 0"}},
        {"VUSB1:", "[veltouio]\nVelto_MagRead=4", "EncodeMGGetTrack H 1 2 3 -> 10",
         {"Velto_MagRead(id 1, 1, 2, 3) = 4"}},
    };
    for (const auto& c : cases) {
        VelkitSandbox box(c.port);
        box.Scenario(c.scenario + "\n");
        box.Expect(With(kBound, {c.step, "Close H -> 0"}), c.port + " " + c.scenario);
        if (c.step.rfind("EncodeICComplete", 0) != 0) {
            EXPECT_EQ(Between(box, c.port), c.calls) << c.port << " " << c.scenario;
        }
    }
}

TEST(VelkitEncodeMG, WriteBuildsThe520ByteBlock)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltodrv]\nrefuse=16034\n");
    box.Expect({"OpenA $Q -> handle", "EncodeMGWrite H 2 -1 s:1234 -> 103", "CreateDCA $Q -> dc",
                "DocAttachA H DC NULL -> 0", "EncodeMGWrite H 6 -1 s:1 -> 102", "EncodeMGWrite H 2 -2 s:1 -> 102",
                "EncodeMGWrite H 2 -1 NULL -> 102", "EncodeMGWrite H 2 -1 s:1234 -> 0", "Close H -> 0",
                "DeleteDC DC -> 1"});
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
    box.Expect(With(kHeldScript, {"EncodeMGWrite H 0 2 s:ABC -> 1", "EncodeMGWrite H 5 -1 rep:511:7 -> 1",
                                  "EncodeMGWrite H 5 -1 rep:512:7 -> 102", "EncodeMGWrite H 5 512 s:7 -> 102",
                                  "Close H -> 0", "DeleteDC DC -> 1"}));
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
    box.Expect({"OpenA $Q -> handle", "EncodeMGWriteArbitrary H 1 2 3 4 3 s:ABCDEF -> 103", "CreateDCA $Q -> dc",
                "DocAttachA H DC NULL -> 0", "EncodeMGWriteArbitrary H 1 2 3 4 -2 s:A -> 102",
                "EncodeMGWriteArbitrary H 1 2 3 4 3 NULL -> 102",
                "EncodeMGWriteArbitrary H 1 2 3 0x12345 3 s:ABCDEF -> 0",
                "EncodeMGWriteArbitrary H 0 0 0 0 256 rep:300:Z -> 102",
                "EncodeMGWriteArbitrary H 0 0 0 0 -1 rep:256:Z -> 102",
                "EncodeMGWriteArbitrary H 0 0 0 0 -1 rep:255:Z -> 0", "Close H -> 0", "DeleteDC DC -> 1"});
    std::vector<int> block(266, 0);
    const std::vector<int> head = {1, 0, 2, 0, 3, 0, 0x45, 0x23, 3, 0, 0x41, 0x42, 0x43, 0};
    std::copy(head.begin(), head.end(), block.begin());
    const auto calls = box.Calls("veltodrv");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "Escape(11014, 266: " + HexOf(block) + ") = 1");
    EXPECT_EQ(calls[1].substr(0, 49), "Escape(11014, 266: 00 00 00 00 00 00 00 00 FF 00 ");
}

TEST(VelkitEncodeMG, ReadPreparesWaitsAndMapsTheWait)
{
    VelkitSandbox box("SCSI2:");
    const auto run = box.Expect({"OpenA $Q -> handle", "EncodeMGRead H 1 -> 2", "PrinterSetMode H 1 -> 0",
                                 "EncodeMGRead H 3 -> 0", "Close H -> 0"});
    EXPECT_GE(run.ms[3], 2000);
    EXPECT_EQ(box.Calls("veltosio"), (Steps {"VeltoOpen() = 1", "VeltoMagPrepare(#0 SCSI2, 3) = 0",
                                             "VeltoMagWait(#0 SCSI2, 20) = 1", "VeltoClose(1) = 0"}));
}

TEST(VelkitEncodeMG, GetTrackPassesItsValues)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nVeltoMagRead=0\n");
    box.Expect({"OpenA $Q -> handle", "EncodeMGGetTrack H 1 2 3 -> 2", "PrinterSetMode H 1 -> 0",
                "EncodeMGGetTrack H 2 -1 77 -> 0", "Close H -> 0"});
    EXPECT_EQ(box.Calls("veltosio")[1], "VeltoMagRead(#0 SCSI2, 2, -1, 77) = 0");
}

TEST(VelkitEncodeMG, ReleaseNeedsTheDocumentDcFirst)
{
    VelkitSandbox box("SCSI2:");
    box.Scenario("[veltosio]\nVeltoMagEject=0\n");
    box.Expect(With(kBound, {"EncodeMGRelease H 3 -> 103", "CreateDCA $Q -> dc", "DocAttachA H DC NULL -> 0",
                             "EncodeMGRelease H 4 -> 102", "EncodeMGRelease H 3 -> 0", "Close H -> 0",
                             "DeleteDC DC -> 1"}));
    EXPECT_EQ(box.Calls("veltosio")[1], "VeltoMagEject(#0 SCSI2, 3) = 0");

    VelkitSandbox unbound("SCSI2:");
    unbound.Scenario("[veltosio]\nVeltoMagEject=1\n");
    unbound.Expect(With(kHeldScript, {"EncodeMGRelease H 2 -> 2", "PrinterSetMode H 1 -> 0",
                                      "EncodeMGRelease H 2 -> 10", "Close H -> 0", "DeleteDC DC -> 1"}));
}
