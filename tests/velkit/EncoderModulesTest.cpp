// Contactless encoder modules: loading by the naming rule, the argument
// orders the libraries saw, the status mappings and the release of the
// libraries.
#include "VelkitSandbox.h"

#include <gtest/gtest.h>

#include <sstream>

using velkittest::With;
using velkittest::VelkitSandbox;
using Steps = std::vector<std::string>;

namespace {

// A Velto printer whose program directory holds the three encoder
// libraries (or the given variants under their real names).
struct EncoderBox : VelkitSandbox {
    explicit EncoderBox(const std::string& digion = "libdigion.so", const std::string& mifare = "libmifaredrv.so",
                        const std::string& iclass = "libencoderdrv.so")
        : VelkitSandbox("SCSI2:")
    {
        if (!digion.empty()) Box().InstallStandIn(digion, "libdigion.so");
        if (!mifare.empty()) Box().InstallStandIn(mifare, "libmifaredrv.so");
        if (!iclass.empty()) Box().InstallStandIn(iclass, "libencoderdrv.so");
    }

    // The whole call log, one entry per line.
    Steps Log()
    {
        Steps lines;
        std::istringstream in(Box().CallLog());
        for (std::string line; std::getline(in, line);)
            if (line.rfind("clock: ", 0) != 0) lines.push_back(line);
        return lines;
    }
};

// The log lines from the probe step `from` up to the next probe step.
Steps During(const Steps& log, const std::string& step)
{
    Steps out;
    bool in = false;
    for (const auto& line : log) {
        if (line.rfind("probe: ", 0) == 0) {
            if (in) break;
            in = line == "probe: " + step;
            continue;
        }
        if (in) out.push_back(line);
    }
    return out;
}

} // namespace

// Bad handles (104), ports outside 1 to 4 and commands of a family not
// open (102): refused before any library is loaded.
TEST(VelkitEncoderChecks, RefusedCallsLoadNothing)
{
    EncoderBox box;
    box.Expect({"HID24_Open BAD 1 9600 -> 104", "HID24_Close NULL -> 104", "HID24_Read BAD s:X -> 104",
                "Mifare24_Open NULL 1 9600 -> 104", "Mifare24_Close BAD -> 104", "Mifare24_Read BAD s:A 1 s:C -> 104",
                "ICLASS24_Open BAD 1 9600 -> 104", "ICLASS24_Close NULL -> 104",
                "ICLASS24_EncryptDes BAD s:A s:B s:C -> 104"});
    box.Expect({"OpenA $Q -> handle", "HID24_Open H 0 9600 -> 102", "HID24_Open H 5 9600 -> 102",
                "Mifare24_Open H 0 9600 -> 102", "Mifare24_Open H 5 9600 -> 102", "ICLASS24_Open H 0 9600 -> 102",
                "ICLASS24_Open H 5 9600 -> 102", "Mifare24_Reset H -> 102", "Close H -> 0"});
    const Steps commands = {"HID24_Close H", "HID24_Reset H", "HID24_GetFirmwareVersion H BUF", "HID24_Read H BUF",
                            "HID24_Read26Bits H BUF", "Mifare24_Close H", "Mifare24_Reset H",
                            "Mifare24_GetCardID H BUF BUF", "Mifare24_Logon H s:A 1 2 s:D",
                            "Mifare24_Read H s:A 1 BUF", "Mifare24_Write H s:A 1 s:C", "Mifare24_ReadValue H s:A 1 BUF",
                            "Mifare24_WriteValue H 1 2 s:C s:D", "Mifare24_Increment H 1 2 s:C s:D",
                            "Mifare24_Decrement H 1 2 s:C s:D", "Mifare24_Copy H 1 2 s:C s:D", "ICLASS24_Close H",
                            "ICLASS24_SendCommand H s:A s:B s:C BUF",
                            "ICLASS24_GenerateLoadKeyAndCheckSum H 1 s:B s:C s:D s:E BUF",
                            "ICLASS24_EncryptDes H s:A s:B BUF", "ICLASS24_DecryptDes H s:A s:B BUF"};
    Steps script = {"OpenA $Q -> handle"};
    for (const auto& c : commands) {
        std::string line = c + " -> 102";
        for (std::size_t at = c.find(" BUF"); at != std::string::npos; at = c.find(" BUF", at + 1))
            line += " 00 00 00 00";  // buffers untouched
        script.push_back(line);
    }
    box.Expect(With(script, {"Close H -> 0"}));
    EXPECT_TRUE(box.Calls("module").empty());
}

TEST(VelkitEncoderOpen, MissingLibraryGivesTheFamilysLoadFailure)
{
    EncoderBox box("", "", "");
    box.Expect({"OpenA $Q -> handle", "HID24_Open H 1 9600 -> 501", "Mifare24_Open H 2 9600 -> 551",
                "ICLASS24_Open H 3 9600 -> 601", "HID24_Reset H -> 102", "Mifare24_Close H -> 102",
                "ICLASS24_Close H -> 102", "Close H -> 0"});
}

TEST(VelkitEncoderCommands, HidGetsPortAndLineSpeedAsADouble)
{
    EncoderBox box;
    box.Expect({"OpenA $Q -> handle", "HID24_Open H 2 9600 -> 0", "HID24_Reset H -> 0",
                "HID24_GetFirmwareVersion H BUF -> 0 48 49 44 20", "HID24_Read H BUF -> 0 30 31 32 33",
                "HID24_Read26Bits H BUF -> 0 30 31 32 33", "HID24_Read H NULL -> 102", "Close H -> 0"});
    EXPECT_EQ(box.Calls("digion"), (Steps {"Reset(2, 9600.0) = 0", "GetFirmwareVer(2, 9600.0, \"\") = 0",
                                           "ReadDataHID(2, 9600.0, \"\") = 0",
                                           "Read26BitsDataHID(2, 9600.0, \"\") = 0"}));
}

TEST(VelkitEncoderCommands, HidStatusMapping)
{
    EncoderBox box;
    for (const auto& [status, code] : std::vector<std::pair<std::string, std::string>> {
             {"0", "0"}, {"-1", "503"}, {"-2", "504"}, {"-3", "505"}, {"1", "502"}, {"-4", "502"}, {"256", "502"}}) {
        box.Scenario("[digion]\nReset=" + status + "\n");
        box.Expect({"OpenA $Q -> handle", "HID24_Open H 4 115200 -> 0", "HID24_Reset H -> " + code, "Close H -> 0"},
                   status);
    }
}

TEST(VelkitEncoderCommands, MifareArgumentOrders)
{
    EncoderBox box;
    box.Expect({"OpenA $Q -> handle", "Mifare24_Open H 1 19200 -> 0", "Mifare24_Reset H -> 0",
                "Mifare24_GetCardID H s:A s:B -> 0", "Mifare24_Logon H s:A 11 12 s:D -> 0",
                "Mifare24_Read H s:A 11 s:C -> 0", "Mifare24_Write H s:A 11 s:C -> 0",
                "Mifare24_ReadValue H s:A 11 s:C -> 0", "Mifare24_WriteValue H 11 12 s:C s:D -> 0",
                "Mifare24_Increment H 11 12 s:C s:D -> 0", "Mifare24_Decrement H 11 12 s:C s:D -> 0",
                "Mifare24_Copy H 11 12 s:C s:D -> 0", "Close H -> 0"});
    EXPECT_EQ(box.Calls("mifaredrv"),
              (Steps {"ResetMifare(1, 19200) = 0", "GetMifareCardID(1, 19200, \"B\", \"A\") = 0",
                      "LogonMifare(1, 19200, \"D\", \"A\", 11, 12) = 0", "ReadMifare(1, 19200, \"C\", \"A\", 11) = 0",
                      "WriteMifare(1, 19200, \"C\", \"A\", 11) = 0", "ReadValueMifare(1, 19200, \"C\", \"A\", 11) = 0",
                      "WriteValueMifare(1, 19200, \"D\", 11, 12, \"C\") = 0",
                      "IncrementMifare(1, 19200, \"D\", 11, 12, \"C\") = 0",
                      "DecrementMifare(1, 19200, \"D\", 11, 12, \"C\") = 0",
                      "CopyMifare(1, 19200, \"D\", 11, 12, \"C\") = 0"}));
}

TEST(VelkitEncoderCommands, MifareReadFillsTheBufferGivenLast)
{
    EncoderBox box;
    box.Scenario("[mifaredrv]\ndata=CARD\n");
    box.Expect({"OpenA $Q -> handle", "Mifare24_Open H 3 9600 -> 0", "Mifare24_Read H s:KEY 4 BUF -> 0 43 41 52 44",
                "Close H -> 0"});
}

TEST(VelkitEncoderCommands, MifareRequiredPointersAreChecked)
{
    EncoderBox box;
    box.Expect({"OpenA $Q -> handle", "Mifare24_Open H 1 9600 -> 0", "Mifare24_GetCardID H s:A NULL -> 102",
                "Mifare24_GetCardID H NULL s:B -> 102", "Mifare24_Logon H s:A 1 2 NULL -> 102",
                "Mifare24_Read H NULL 1 s:C -> 102", "Mifare24_Write H s:A 1 NULL -> 102",
                "Mifare24_WriteValue H 1 2 NULL s:D -> 102", "Mifare24_Copy H 1 2 s:C NULL -> 102", "Close H -> 0"});
    EXPECT_TRUE(box.Calls("mifaredrv").empty());
}

TEST(VelkitEncoderCommands, MifareAndIclassStatusMappings)
{
    const std::vector<std::tuple<int, int, int>> table = {
        {0, 0, 0},       {192, 553, 603}, {193, 553, 603}, {194, 553, 603}, {195, 554, 604}, {196, 555, 605},
        {197, 556, 606}, {198, 557, 607}, {199, 558, 608}, {202, 559, 609}, {203, 560, 610}, {211, 561, 611},
        {212, 562, 612}, {213, 563, 613}, {214, 564, 614}, {215, 565, 615}, {216, 566, 616}, {200, 552, 602},
        {201, 552, 602}, {204, 552, 602}, {210, 552, 602}, {217, 552, 602}, {-1, 552, 602}, {-193, 552, 602}};
    EncoderBox box;
    for (const auto& [status, mifare, iclass] : table) {
        const std::string s = std::to_string(status);
        box.Scenario("[mifaredrv]\nReadMifare=" + s + "\n[encoderdrv]\nSendIClassCommand=" + s + "\n");
        box.Expect({"OpenA $Q -> handle", "Mifare24_Open H 1 9600 -> 0", "ICLASS24_Open H 2 9600 -> 0",
                    "Mifare24_Read H s:A 1 s:C -> " + std::to_string(mifare),
                    "ICLASS24_SendCommand H s:A s:B s:C s:D -> " + std::to_string(iclass), "Close H -> 0"},
                   s);
    }
}

TEST(VelkitEncoderCommands, IclassKeyGenerationAndDesIgnoreTheLibrarysAnswer)
{
    EncoderBox box;
    box.Scenario("[encoderdrv]\nGenerateLoadKeyAndCheckSum=193\nEncryptDes=216\nDecryptDes=-1\n");
    box.Expect({"OpenA $Q -> handle", "ICLASS24_Open H 3 38400 -> 0", "ICLASS24_SendCommand H s:A s:B s:C s:D -> 0",
                "ICLASS24_GenerateLoadKeyAndCheckSum H 0x100 s:B s:C s:D s:E s:F -> 102",
                "ICLASS24_GenerateLoadKeyAndCheckSum H 0x101 s:B s:C s:D s:E NULL -> 102",
                "ICLASS24_GenerateLoadKeyAndCheckSum H 0x101 s:B s:C s:D s:E s:F -> 0",
                "ICLASS24_EncryptDes H s:K s:I s:O -> 0", "ICLASS24_DecryptDes H s:K s:I s:O -> 0",
                "ICLASS24_EncryptDes H s:K NULL s:O -> 102", "Close H -> 0"});
    EXPECT_EQ(box.Calls("encoderdrv"),
              (Steps {"SendIClassCommand(3, 38400, \"A\", \"B\", \"C\", \"D\") = 0",
                      "GenerateLoadKeyAndCheckSum(257, \"B\", \"C\", \"D\", \"E\", \"F\") = 193",
                      "EncryptDes(\"K\", \"I\", \"O\") = 216", "DecryptDes(\"K\", \"I\", \"O\") = -1"}));
}

TEST(VelkitEncoderCommands, MissingEntryPointOpensButItsCommandGives18)
{
    EncoderBox box("libdigion-noreset.so", "libmifaredrv-noread.so", "libencoderdrv-noencrypt.so");
    box.Expect({"OpenA $Q -> handle", "HID24_Open H 1 9600 -> 0", "Mifare24_Open H 1 9600 -> 0",
                "ICLASS24_Open H 1 9600 -> 0", "HID24_Reset H -> 18", "HID24_Read H BUF -> 0 30 31 32 33",
                "Mifare24_Read H s:A 1 s:C -> 18", "Mifare24_Read H NULL 1 s:C -> 102",
                "Mifare24_Write H s:A 1 s:C -> 0", "ICLASS24_EncryptDes H s:A s:B s:C -> 18",
                "ICLASS24_DecryptDes H s:A s:B s:C -> 0", "Close H -> 0"});
}

TEST(VelkitEncoderLifecycle, SecondOpenReleasesTheFirstLibrary)
{
    EncoderBox box;
    box.Expect({"OpenA $Q -> handle", "Mifare24_Open H 1 9600 -> 0", "Mifare24_Open H 3 19200 -> 0",
                "Mifare24_Reset H -> 0", "Mifare24_Close H -> 0", "Mifare24_Close H -> 102", "Mifare24_Reset H -> 102",
                "Close H -> 0"});
    const auto log = box.Log();
    EXPECT_EQ(During(log, "Mifare24_Open H 1 9600"), (Steps {"module: libmifaredrv.so loaded"}));
    EXPECT_EQ(During(log, "Mifare24_Open H 3 19200"),
              (Steps {"module: libmifaredrv.so unloaded", "module: libmifaredrv.so loaded"}));
    EXPECT_EQ(During(log, "Mifare24_Reset H"), (Steps {"mifaredrv: ResetMifare(3, 19200) = 0"}));
    EXPECT_EQ(During(log, "Mifare24_Close H"), (Steps {"module: libmifaredrv.so unloaded"}));
}

TEST(VelkitEncoderLifecycle, PrinterCloseClosesEveryFamilyStillOpen)
{
    EncoderBox box;
    box.Expect({"OpenA $Q -> handle", "HID24_Open H 1 9600 -> 0", "Mifare24_Open H 2 9600 -> 0",
                "ICLASS24_Open H 3 9600 -> 0", "Mifare24_Close H -> 0", "Close H -> 0",
                "PrinterGetMode NULL OUT -> 104 -12345"});
    EXPECT_EQ(During(box.Log(), "Close H"),
              (Steps {"module: libdigion.so unloaded", "module: libencoderdrv.so unloaded"}));
}

TEST(VelkitEncoderLifecycle, FamiliesAreIndependentOfThePrinterBinding)
{
    EncoderBox box;
    box.Expect({"OpenA $Q -> handle", "ICLASS24_Open H 4 9600 -> 0", "PrinterSetMode H 1 -> 0",
                "ICLASS24_DecryptDes H s:A s:B s:C -> 0", "ICLASS24_Close H -> 0", "Close H -> 0"});
    EXPECT_EQ(box.Calls("encoderdrv"), (Steps {"DecryptDes(\"A\", \"B\", \"C\") = 0"}));
}
