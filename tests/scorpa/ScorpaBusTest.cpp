// libscorpa.so loaded with dlopen by a small driver in a sandbox program
// directory, against the testbed's simulated SCSI bus (libwnaspi32.so), the
// way the program uses it: what reached the printer, byte for byte, and
// what the user was shown, word for word.
#include "BmpFiles.h"
#include "harness/Harness.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>
#include <unistd.h>

using harness::Sandbox;

namespace {

const std::string kCaption = "[Quorvane Corp] 오류";

std::string StopBox(const std::string& message) { return harness::Box(kCaption, "[" + message + "] 처리를 중지합니다"); }

using Strings = std::vector<std::string>;

// A call for the driver and the answer it is to print: "1", "0", "-" (no
// result) or a result and its text.
using Calls = std::vector<std::pair<std::string, std::string>>;

class ScorpaBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        box.InstallStandIn("libwnaspi32.so");
        box.InstallInProgramDir(SCORPA_DRIVER);
    }

    // Drives the calls and expects each one's answer.
    harness::RunResult Drive(const Calls& calls, const std::map<std::string, std::string>& env = {})
    {
        Strings args;
        std::string answers;
        for (const auto& [call, answer] : calls) {
            args.push_back(call);
            answers += call.substr(0, call.find(':')) + " = " + answer + "\n";
        }
        auto r = box.Run(args, env, box.ProgramDir() + "scorpa-driver");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, answers);
        return r;
    }

    // Starts the next run with an empty bus log.
    void ForgetCalls() const { Sandbox::WriteFile(box.World() + "/calls.log", ""); }

    void Scenario(const std::string& text) const { Sandbox::WriteFile(box.World() + "/scenario.ini", text); }

    Strings Bus() const { return box.Calls("aspi"); }

    // The command blocks and image blocks that went out, as the bus logged them.
    Strings Printed() const
    {
        Strings out;
        for (const auto& l : Bus()) {
            if (l.rfind("PRINT ", 0) != 0) continue;
            const auto start = l.find(' ', 6) + 1;
            out.push_back(l.substr(start, l.find(" [cdb") - start));
        }
        return out;
    }

    Strings Matching(const std::string& prefix) const
    {
        Strings out;
        for (const auto& l : Bus())
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }

    std::string Block(int n) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "/scsi/%04d.bin", n);
        return Sandbox::ReadFile(box.World() + name);
    }

    std::string PrinterState(const std::string& key) const
    {
        return platform::ReadProfileValue(box.World() + "/printer.ini", "state", key).value_or("");
    }

    Sandbox box;
};

} // namespace

TEST_F(ScorpaBus, FeedAsTheProgramSendsItMovesTheCardToTheEncoder)
{
    const auto r = Drive({{"SCSIOpen", "1"}, {"SCSISetRFProc", "1"}, {"SCSIFlipTurn", "1"}, {"SCSIPrintStart", "1"}, {"SCSIClose", "-"}});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Printed(), (Strings {"<1B>E0.", "<1B>T", "<1B>>"}));
    // The CDB announces ESC, the letter and the text; the adapter gets 255 bytes.
    const auto prints = Matching("PRINT");
    ASSERT_EQ(prints.size(), 3u);
    EXPECT_EQ(prints[0], "PRINT 0:3 <1B>E0. [cdb 0A 00 00 00 04 00, buffer 255] = 1");
    EXPECT_EQ(prints[1], "PRINT 0:3 <1B>T [cdb 0A 00 00 00 02 00, buffer 255] = 1");
    EXPECT_EQ(Block(1), std::string("\x1B" "E0.", 4));
    EXPECT_EQ(PrinterState("place"), "encoding station");
    EXPECT_EQ(PrinterState("flipped"), "1");
}

TEST_F(ScorpaBus, EachCommandIsPolledUntilThePrinterIsReady)
{
    Scenario("[aspi]\nbusy_polls=3\n");
    Sandbox::WriteFile(box.World() + "/printer.ini", "[state]\nplace=encoding station\n");
    Drive({{"SCSIOpen", "1"}, {"SCSIFlipTurn", "1"}});
    const auto bus = Bus();
    const auto flip = std::find_if(bus.begin(), bus.end(), [](const auto& l) { return l.rfind("PRINT", 0) == 0; });
    ASSERT_NE(flip, bus.end());
    // One pass is a status read and a sense read, with no pause between.
    EXPECT_EQ(Strings(flip + 1, bus.end()),
              (Strings {"STATUS 0:3 = 1 busy", "SENSE 0:3 = 1 0000", "STATUS 0:3 = 1 busy", "SENSE 0:3 = 1 0000",
                        "STATUS 0:3 = 1 busy", "SENSE 0:3 = 1 0000", "STATUS 0:3 = 1 ready", "SENSE 0:3 = 1 0000"}));
}

TEST_F(ScorpaBus, EjectAsTheProgramSendsItPutsTheCardOut)
{
    Sandbox::WriteFile(box.World() + "/printer.ini", "[state]\nplace=encoding station\nflipped=0\nfed=1\n");
    Drive({{"SCSIOpen", "1"}, {"SCSIRFEject", "1"}, {"SCSIEject", "1"}, {"SCSIPrintStart", "1"}, {"SCSIClose", "-"}});
    // No encode read was done: Eject sends nothing.
    EXPECT_EQ(Printed(), (Strings {"<1B>E1.", "<1B>>"}));
    EXPECT_EQ(PrinterState("place"), "output");
}

TEST_F(ScorpaBus, AMagneticTrackWrittenReadsBackAndOnlyAReadIsEjectedOnce)
{
    Drive({{"SCSIOpen", "1"}, {"SCSITransEncodeData:2:12345", "1"}, {"SCSIReadEncode:2", "1 \"12345\""}, {"SCSIEject", "1"},
           {"SCSIEject", "1"}, {"SCSIReadEncode:2", "1 \"12345\""}, {"SCSIErrorEject", "1"}, {"SCSIErrorEject", "1"}});
    // After a read the eject tells the read's end (2: well, 3: in error); a second one sends nothing.
    EXPECT_EQ(Printed(), (Strings {"<1B>M2,5.12345", "<1B>A0,<04>.", "<1B>A1,<04>.", "<1B>A2,<01>.", "<1B>A0,<04>.",
                                   "<1B>A1,<04>.", "<1B>A3,<01>."}));
    EXPECT_EQ(Matching("DATA").front(), "DATA 0:3 = 1 \"12345\"");
}

TEST_F(ScorpaBus, TrackOneIsSentWithSelectorZeroAndTrackFourWithoutText)
{
    Scenario("[aspi]\ntrack1=%B1234^DOE/J\n");
    Drive({{"SCSIOpen", "1"}, {"SCSITransEncodeData:1:ABC", "1"}, {"SCSITransEncodeData:4:ABC", "1"},
           {"SCSIReadEncode:1", "1 \"ABC\""}, {"SCSIReadEncode:7", "1 \"\""}});
    // An unknown track still reads, with an empty mask.
    EXPECT_EQ(Printed(), (Strings {"<1B>M0,3.ABC", "<1B>M", "<1B>A0,<01>.", "<1B>A1,<01>.", "<1B>A0,<00>.", "<1B>A1,<00>."}));
    EXPECT_EQ(Matching("PRINT")[1], "PRINT 0:3 <1B>M [cdb 0A 00 00 00 02 00, buffer 255] = 1");
}

TEST_F(ScorpaBus, AParameterTextTooLongForTheBlockIsRefusedUnsent)
{
    const std::string fits(247, 'x');   // "0,247." + 247 = 253 bytes of text
    const std::string over(248, 'x');
    Drive({{"SCSIOpen", "1"}, {"SCSITransEncodeData:1:" + over, "0"}, {"SCSITransEncodeData:1:" + fits, "1"}});
    const auto prints = Matching("PRINT");
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_NE(prints[0].find("[cdb 0A 00 00 00 FF 00, buffer 255]"), std::string::npos) << prints[0];
    EXPECT_EQ(Block(1), "\x1BM0,247." + fits);
}

TEST_F(ScorpaBus, NothingReachesTheBusWhileThePrinterIsNotOpen)
{
    Drive({{"SCSIPrintStart", "0"}, {"SCSIFlipTurn", "0"}, {"SCSITransEncodeData:2:1", "0"}, {"SCSIReadEncode:2", "0 \"untouched\""},
           {"SCSIEject", "1"}, {"SCSIErrorEject", "1"}, {"SCSITransColorImage:0:0:/nonexistent.bmp", "0"},
           {"SCSIGetProductName", "1 \"\""}});
    EXPECT_EQ(Bus(), Strings {});
}

TEST_F(ScorpaBus, PrinterInfoFillsTheRecordAndClosesThePrinter)
{
    Drive({{"SCSIOpen", "1"},
           {"SCSIPrinterInfo", "1 \"01 01 00 00 01 00 00 00 01 00 00 00 1A 04 00 00 A8 02 00 00 1A 04 00 00 "
                               "A8 02 00 00 1A 04 00 00 A8 02 00 00 2C 01 00 00\""},
           {"SCSIPrintStart", "0"}, {"SCSIGetProductName", "0 \"VCP-7000\""}, {"SCSIOpen", "1"}, {"SCSIPrintStart", "1"}});
    EXPECT_EQ(Printed(), (Strings {"<1B>>"}));
}

TEST_F(ScorpaBus, TheSearchTakesTheFirstVeltoInTargetOrder)
{
    Scenario("[aspi]\nlowercase=0:0\nother=0:2\nprinter=0:5\nproduct=\" VCP-7000 PRO MAX\"\n");
    Drive({{"SCSIOpen", "1"}, {"SCSIGetProductName", "0 \"VCP-7000 PRO MA\""}, {"SCSIReset", "1"}});
    const auto bus = Bus();
    ASSERT_GE(bus.size(), 8u);
    EXPECT_EQ(Strings(bus.begin(), bus.begin() + 8),
              (Strings {"HA_INQUIRY = 1", "INQUIRY 0:0 = 1", "INQUIRY 0:1 = 82", "INQUIRY 0:2 = 1", "INQUIRY 0:3 = 82",
                        "INQUIRY 0:4 = 82", "INQUIRY 0:5 = 1", "SYSINFO 0:5 = 1"}));
    EXPECT_EQ(Matching("PRINT")[0].substr(0, 10), "PRINT 0:5 ");
}

TEST_F(ScorpaBus, WithoutAPrinterEveryAdapterUpToTheAnsweredIdOrAll256AreSearched)
{
    Scenario("[aspi]\nprinter=none\nlowercase=0:6\n");
    Drive({{"SCSIOpen", "0"}, {"SCSIGetProductName", "1 \"\""}, {"SCSIPrintStart", "0"}});
    auto inquiries = Matching("INQUIRY");
    ASSERT_EQ(inquiries.size(), 8u * 8u);  // adapters 0 to 7 (HA_SCSI_ID 7), targets 0 to 7
    EXPECT_EQ(inquiries.back(), "INQUIRY 7:7 = 81");
    EXPECT_EQ(Printed(), Strings {});
    // When the adapter inquiry fails, every adapter there can be.
    ForgetCalls();
    Scenario("[aspi]\nha_inquiry=fail\nprinter=none\n");
    Drive({{"SCSIOpen", "0"}});
    inquiries = Matching("INQUIRY");
    ASSERT_EQ(inquiries.size(), 256u * 8u);
    EXPECT_EQ(inquiries[8], "INQUIRY 1:0 = 81");
    EXPECT_EQ(inquiries.back(), "INQUIRY 255:7 = 81");
}

TEST_F(ScorpaBus, APrinterErrorStopsTheCommandWithOneBoxNamingTheSenseCode)
{
    struct Row {
        const char* scenario;
        Calls calls;
        std::string message;
    };
    for (const Row& row : std::vector<Row> {
             // An empty hopper and an ended ribbon count as done for print start only.
             {"[printer]\nhopper=0\n", {{"SCSIPrintStart", "1"}, {"SCSISetRFProc", "0"}}, "호퍼에 카드가 준비되지 않았습니다"},
             {"[printer]\nribbon=ended\n", {{"SCSIPrintStart", "1"}, {"SCSISetRFProc", "0"}},
              "리본이 끝났습니다. 리본을 교체하십시오"},
             {"[printer]\ncover=open\n", {{"SCSISetRFProc", "0"}, {"SCSIClose", "-"}}, "장비의 전면 커버가 열렸습니다"},
             {"[aspi]\nsense=0x80BC\n", {{"SCSIReset", "0"}}, ""},  // unknown: empty brackets
         }) {
        SCOPED_TRACE(row.scenario);
        Scenario(row.scenario);
        std::filesystem::remove(box.World() + "/printer.ini");  // a printer fresh from power-on
        Calls calls = row.calls;
        calls.insert(calls.begin(), {"SCSIOpen", "1"});
        EXPECT_EQ(Drive(calls).err, StopBox(row.message));
    }
}

TEST_F(ScorpaBus, ICLocateRunsItsSevenStepsAndStopsAtAFailingOne)
{
    Drive({{"SCSIOpen", "1"}, {"SCSIICLocate", "1"}});
    EXPECT_EQ(Printed(), (Strings {"<1B>E0.", "<1B>T", "<1B>>", "<1B>E1.", "<1B>E0.", "<1B>T", "<1B>>"}));
    ForgetCalls();
    Scenario("[aspi]\nsense=0x80B4\nsense_on=T\n");
    EXPECT_EQ(Drive({{"SCSIOpen", "1"}, {"SCSIICLocate", "0"}}).err, StopBox("플립턴 장치가 연결되지 않았습니다"));
    EXPECT_EQ(Printed(), (Strings {"<1B>E0.", "<1B>T"}));
}

TEST_F(ScorpaBus, TransportFailuresFailTheCommandWithoutAMessage)
{
    Scenario("[aspi]\nwrite_error=1\n");
    EXPECT_EQ(Drive({{"SCSIOpen", "1"}, {"SCSIFlipTurn", "0"}, {"SCSIPrintStart", "0"}}).err, "");
    // A status read that never completes is given up and aborted.
    Scenario("[aspi]\ntimeout=status\n");
    EXPECT_EQ(Drive({{"SCSIOpen", "1"}, {"SCSIFlipTurn", "0"}}).err, "");
    EXPECT_EQ(Matching("ABORT"), (Strings {"ABORT = 1"}));
}

TEST_F(ScorpaBus, ALateCompletionWritesOnlyIntoMemoryStillHeldForIt)
{
    // The layer refuses the abort and finishes the read after the time-out:
    // the request block and its buffer must still be there (the sanitizer
    // build reports any write into freed memory), and the caller's buffer
    // stays untouched.
    Scenario("[aspi]\ntimeout=data\nabort=ignore\nlate_ms=3400\ntrack2=LATE\n");
    Drive({{"SCSIOpen", "1"}, {"SCSIReadEncode:2", "0 \"untouched\""}, {"SCSIReset", "1"}, {"SCSIClose", "-"}});
    EXPECT_EQ(Matching("ABORT"), (Strings {"ABORT = 3"}));
    EXPECT_EQ(Matching("LATE"), (Strings {"LATE COMPLETION = 1"}));
}

TEST_F(ScorpaBus, WithoutTheAspiLayerOpenFailsCleanly)
{
    std::filesystem::remove(box.ProgramDir() + "libwnaspi32.so");
    const auto r = Drive({{"SCSIOpen", "0"}, {"SCSIPrintStart", "0"}, {"SCSIGetProductName", "1 \"\""}, {"SCSIClose", "-"}});
    EXPECT_EQ(r.err, "");
}

TEST_F(ScorpaBus, TheRealLayerWithoutSgDevicesFindsNoPrinter)
{
    if (std::filesystem::exists("/dev/sg0")) GTEST_SKIP() << "this machine has SCSI generic devices";
    box.InstallInProgramDir(std::string(TAVRIN_PROGRAM_DIR) + "/libwnaspi32.so");
    Drive({{"SCSIOpen", "0"}, {"SCSIPrintStart", "0"}});
    EXPECT_EQ(Bus(), Strings {});
}

TEST_F(ScorpaBus, ImagePositionsAreScreenPixelsTurnedIntoDots)
{
    const std::string file = box.WorkDir() + "/card.bmp";
    bmpfiles::Write(file, bmpfiles::Make({{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}}, 24));
    Drive({{"SCSITransColorImage:96:96:" + file, "0"}, {"SCSIOpen", "1"}, {"SCSITransColorImage:96:-5:" + file, "1"},
           {"SCSITransMonoImage:10:20:" + file, "1"}, {"SCSITransColorImage:0:0:" + box.WorkDir() + "/missing.bmp", "0"}},
          {{"TAVRIN_SCREEN_DPI", "96"}});
    // 96 screen pixels are 300 dots; 10 and 20 pixels are 31.25 and 62.5 dots, rounded.
    EXPECT_EQ(Printed(), (Strings {"<1B>I300,0,2,2,12.", "<1B>D +12", "<1B>C31,63,2,2,4.", "<1B>D +4"}));
    EXPECT_EQ(Block(2), std::string("\x1B" "D" "\xFF\x00\x00\x00\xFF\x00" "\x00\x00\xFF\xFF\xFF\xFF", 14));
    EXPECT_EQ(Block(4), std::string("\x1B" "D" "\xFF\xFF\xFF\x00", 6));
    EXPECT_EQ(Matching("PRINT")[1], "PRINT 0:3 <1B>D +12 [cdb 0A 00 00 00 0E 00, buffer 14] = 1");
}

TEST_F(ScorpaBus, AnImagePlacedPastThePrintableAreaOrClaimingMoreThanItHoldsIsRefusedUnsent)
{
    const std::string dot = box.WorkDir() + "/dot.bmp", wide = box.WorkDir() + "/wide.bmp", liar = box.WorkDir() + "/liar.bmp";
    bmpfiles::Write(dot, bmpfiles::Make({{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}}, 24));
    bmpfiles::Write(wide, bmpfiles::Make({1000, std::vector<bmpfiles::Rgb>(2000)}, 1));
    // 70 bytes whose header claims 20000 x 20000 pixels of 24 bits.
    bmpfiles::Write(liar, bmpfiles::Crafted({.width = 20000, .height = 20000}, std::vector<std::uint8_t>(16, 0x80)));
    // At 300 screen pixels per inch a position is that many dots; the
    // printer's area is 1050 x 680 dots.
    const auto r = Drive({{"SCSIOpen", "1"}, {"SCSITransColorImage:30000:1000:" + dot, "0"}, {"SCSITransMonoImage:30000:1000:" + dot, "0"},
                          {"SCSITransMonoImage:2000:1000:" + wide, "0"}, {"SCSITransColorImage:1050:0:" + dot, "0"},
                          {"SCSITransMonoImage:0:680:" + wide, "0"}, {"SCSITransColorImage:0:0:" + liar, "0"},
                          {"SCSITransMonoImage:0:0:" + liar, "0"}, {"SCSITransColorImage:1048:678:" + dot, "1"}},
                         {{"TAVRIN_SCREEN_DPI", "300"}});
    EXPECT_EQ(r.err, "");
    // Only the placement that keeps something went out.
    EXPECT_EQ(Printed(), (Strings {"<1B>I1048,678,2,2,12.", "<1B>D +12"}));
}

TEST_F(ScorpaBus, TextIsRenderedAndPlacedByItsAlignment)
{
    const std::string text = "SCSIRFText:Card 42:500:50:DejaVu Sans:12:";
    Drive({{"SCSIOpen", "1"}, {text + "0:0:0:0", "1"}, {text + "0:0:0:1", "1"}, {text + "0:0:0:2", "1"}, {text + "255:8:1:0", "1"}});
    const auto printed = Printed();
    ASSERT_EQ(printed.size(), 8u);
    int x = 0, y = 0, w = 0, h = 0;
    long long n = 0;
    ASSERT_EQ(std::sscanf(printed[0].c_str(), "<1B>C%d,%d,%d,%d,%lld.", &x, &y, &w, &h, &n), 5) << printed[0];
    EXPECT_EQ(x, 500);
    EXPECT_EQ(y, 50);
    EXPECT_GT(w, 40);
    EXPECT_GE(h, 16);  // 12 points at 96 dpi are 16 pixels of character height
    EXPECT_EQ(n, static_cast<long long>(w) * h);
    const std::string rest = "," + std::to_string(w) + "," + std::to_string(h) + "," + std::to_string(n) + ".";
    EXPECT_EQ(printed[2], "<1B>C" + std::to_string(500 - w) + ",50" + rest);
    EXPECT_EQ(printed[4], "<1B>C" + std::to_string(500 - w / 2) + ",50" + rest);
    // Any colour but black takes the colour path.
    EXPECT_EQ(printed[6].substr(0, 12), "<1B>I500,50,");
    // The mono text has black dots (0xFF) on white (0x00).
    const std::string mono = Block(2);
    EXPECT_NE(mono.find('\xFF'), std::string::npos);
    EXPECT_NE(mono.find('\x00', 2), std::string::npos);
}

TEST_F(ScorpaBus, TheContactPortIsHeldOpenOnTheMappedDevice)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    const std::string dir = box.Root() + "/dev";
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink(slave, dir + "/ttyS2");
    Drive({{"SCSIICContact:COM3", "1"}, {"SCSIICContact:COM3", "1"}, {"SCSIICRelease", "-"}, {"SCSIICRelease", "-"},
           {"SCSIICContact:COM9", "0"}, {"SCSIICContact:" + slave, "1"}, {"SCSIICRelease", "-"}, {"SCSIICContact:LPT1", "0"}},
          {{"TAVRIN_COM_DIR", dir}});
    close(master);
}

TEST_F(ScorpaBus, ArgumentsCrossTheExportsIntact)
{
    Drive({{"SCSIOpen", "1"}, {"SCSISetOverlayNotArea:10:20:110:70", "1"}, {"SCSISetMemoryMode:3", "1"}, {"SCSISetMemoryMode:0x104", "1"},
           {"SCSIRotate90", "1"}, {"SCSISetHologram", "1"}, {"SCSISetParallelMode:1", "-"}, {"SCSIRFFeedOut", "1"},
           {"SCSIRFErrEject", "1"}, {"SCSIErrorEject", "1"}, {"SCSISetOverlayClear", "1"}});
    // A memory mode is one byte: 0x104 arrives as 4.
    EXPECT_EQ(Printed(), (Strings {"<1B>OA,10,20,100,50.", "<1B>F3.", "<1B>F4.", "<1B>R1.", "<1B>H", "<1B>E3.", "<1B>E2.", "<1B>O2."}));
}

TEST_F(ScorpaBus, OpeningAgainRepeatsTheWholeSearch)
{
    Drive({{"SCSIOpen", "1"}, {"SCSIOpen", "1"}});
    EXPECT_EQ(Matching("HA_INQUIRY").size(), 2u);
    EXPECT_EQ(Matching("SYSINFO").size(), 2u);
}

// Every way a call fails leaves its reason for SCSIGetLastErrorText, read
// right after the failing call through the export, as an integrator reads
// it.
TEST_F(ScorpaBus, EveryFailureLeavesItsReasonForTheLastErrorText)
{
    const std::string dir = box.WorkDir() + "/";
    const std::string dot = dir + "dot.bmp";
    bmpfiles::Write(dot, bmpfiles::Make({{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}}, 24));
    // Headers of 40 bytes announced, 20 there.
    std::vector<std::uint8_t> cut = bmpfiles::Crafted({}, {});
    cut.resize(34);
    bmpfiles::Write(dir + "cut.bmp", cut);
    bmpfiles::Write(dir + "huge.bmp", bmpfiles::Crafted({.width = 20000, .height = 20000}, std::vector<std::uint8_t>(16, 0x80)));
    bmpfiles::Write(dir + "packed.bmp", bmpfiles::Crafted({.bits = 8, .compression = 4}, std::vector<std::uint8_t>(1028, 0)));
    struct Row {
        std::string scenario;
        Calls calls;  // the last one fails
        std::string reason;
        std::map<std::string, std::string> env = {};
    };
    const std::string open = "SCSIOpen";
    for (const Row& row : std::vector<Row> {
             {"", {{"SCSIPrintStart", "0"}}, "The printer is not open: ESC \">\" was not sent"},
             {"[aspi]\nprinter=none\n", {{open, "0"}}, "No Velto printer answered on the SCSI bus"},
             {"[aspi]\nread_error=sysinfo\n", {{open, "0"}}, "The printer's system information could not be read"},
             {"", {{open, "1"}, {"SCSITransEncodeData:1:" + std::string(248, 'x'), "0"}},
              "The parameter text of ESC \"M\" is 254 bytes, more than the 253 a command block holds"},
             {"[printer]\ncover=open\n", {{open, "1"}, {"SCSISetRFProc", "0"}},
              "The printer reported an error after ESC \"E\": sense code 0x9088 [장비의 전면 커버가 열렸습니다]"},
             {"[aspi]\nsense=0x80BC\n", {{open, "1"}, {"SCSIReset", "0"}},
              "The printer reported an error after ESC \"@\": sense code 0x80BC (no message for it)"},
             {"[aspi]\nwrite_error=1\n", {{open, "1"}, {"SCSIFlipTurn", "0"}},
              "The SCSI bus did not carry ESC \"T\" (SCSI Write Length Error)"},
             {"[aspi]\nread_error=status\n", {{open, "1"}, {"SCSIFlipTurn", "0"}},
              "The printer's status could not be read after ESC \"T\""},
             {"[aspi]\nbusy_polls=1000000\n", {{open, "1"}, {"SCSIPrintStart", "0"}},
              "The printer was still busy 50 ms after ESC \">\"", {{"TAVRIN_SCORPA_POLL_LIMIT_MS", "50"}}},
             {"[aspi]\nread_error=data\n", {{open, "1"}, {"SCSIReadEncode:2", "0 \"untouched\""}},
              "The data of track 2 could not be read from the printer"},
             {"", {{open, "1"}, {"SCSITransColorImage:30000:1000:" + dot, "0"}},
              "The image of 2 x 2 dots at 30000, 1000 leaves nothing on the printable area", {{"TAVRIN_SCREEN_DPI", "300"}}},
             {"", {{open, "1"}, {"SCSITransColorImage:0:0:" + dir + "missing.bmp", "0"}},
              "Cannot open bitmap file " + dir + "missing.bmp"},
             {"", {{open, "1"}, {"SCSITransMonoImage:0:0:" + dir + "cut.bmp", "0"}},
              "Bitmap image is not valid (bitmap header does not fit the file): " + dir + "cut.bmp"},
             {"", {{open, "1"}, {"SCSITransColorImage:0:0:" + dir + "huge.bmp", "0"}},
              "Bitmap image is not valid (bitmap of 20000 x 20000 pixels is larger than a card can use (at most 4096 x "
              "4096)): " + dir + "huge.bmp"},
             {"", {{open, "1"}, {"SCSITransColorImage:0:0:" + dir + "packed.bmp", "0"}},
              "Bitmap image is not valid (unknown bitmap compression 4): " + dir + "packed.bmp"},
             // A failing step of the seven names itself.
             {"[aspi]\nsense=0x80B4\nsense_on=T\n", {{open, "1"}, {"SCSIICLocate", "0"}},
              "The printer reported an error after ESC \"T\": sense code 0x80B4 [플립턴 장치가 연결되지 않았습니다]"},
         }) {
        SCOPED_TRACE(row.reason);
        Scenario(row.scenario);
        std::filesystem::remove(box.World() + "/printer.ini");
        Calls calls = row.calls;
        calls.push_back({"SCSIGetLastErrorText", "1 \"" + row.reason + "\""});
        Drive(calls, row.env);
    }
}

TEST_F(ScorpaBus, TheLastErrorTextIsKeptUntilTheNextFailureAndCutToTheBuffer)
{
    const std::string closed = "The printer is not open: ESC \">\" was not sent";
    Drive({// Nothing has failed yet.
           {"SCSIGetLastErrorText", "0 \"\""},
           {"SCSIPrintStart", "0"},
           // A success after it leaves the reason as it was.
           {"SCSIOpen", "1"}, {"SCSIReset", "1"}, {"SCSIGetLastErrorText", "1 \"" + closed + "\""},
           // Cut to the caller's size, the NUL within it; no buffer or no size writes nothing.
           {"SCSIGetLastErrorText:14", "1 \"The printer i\""}, {"SCSIGetLastErrorText:1", "1 \"\""},
           {"SCSIGetLastErrorText:0", "0 \"\""}, {"SCSIGetLastErrorText:-5", "0 \"\""},
           // The next failure replaces it.
           {"SCSITransEncodeData:1:" + std::string(300, 'x'), "0"},
           {"SCSIGetLastErrorText", "1 \"The parameter text of ESC \"M\" is 306 bytes, more than the 253 a command block holds\""}});
}

TEST_F(ScorpaBus, TheContactPortThatCannotBeOpenedSaysWhy)
{
    const auto after = box.Run({"SCSIICContact:COM9", "SCSIGetLastErrorText"}, {{"TAVRIN_COM_DIR", box.Root() + "/no-such-dir"}},
                               box.ProgramDir() + "scorpa-driver");
    EXPECT_EQ(after.out.rfind("SCSIICContact = 0\nSCSIGetLastErrorText = 1 \"The contact port COM9 could not be opened: ", 0), 0u)
        << after.out;
}

// The ASPI layer is loaded by the first SCSIOpen, not with the library
// (whose load code runs under the loader lock on Windows), stays loaded
// after SCSIClose, and a missing layer is named.
TEST_F(ScorpaBus, TheAspiLayerIsLoadedByTheFirstOpen)
{
    Drive({{"Mapped:libscorpa.so", "1"}, {"Mapped:libwnaspi32.so", "0"}, {"SCSIPrintStart", "0"},
           {"Mapped:libwnaspi32.so", "0"}, {"SCSIOpen", "1"}, {"Mapped:libwnaspi32.so", "1"}, {"SCSIClose", "-"},
           {"Mapped:libwnaspi32.so", "1"}});
    const std::string layer = box.ProgramDir() + "libwnaspi32.so";
    // Out of every place the library looks (the program directory, the
    // system's search, the current directory).
    const std::string kept = box.Root() + "/kept-libwnaspi32";
    std::filesystem::rename(layer, kept);
    const auto r = box.Run({"SCSIOpen", "SCSIGetLastErrorText", "Mapped:libwnaspi32.so"}, {}, box.ProgramDir() + "scorpa-driver");
    EXPECT_EQ(r.out.rfind("SCSIOpen = 0\nSCSIGetLastErrorText = 1 \"The ASPI layer could not be loaded: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("libwnaspi32.so"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nMapped = 0\n"), std::string::npos) << r.out;
}
