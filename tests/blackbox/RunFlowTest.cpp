// The run flow of the real program: parameters, configuration files, the
// printer and type checks, and every message the user sees.
#include "families/FamilyFixture.h"

#include <regex>

using namespace families;

namespace {

// Every run ends with exit status 0 and prints nothing.
class RunFlow : public Family {
protected:
    harness::RunResult Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {})
    {
        auto r = Family::Run(args, env);
        EXPECT_EQ(r.out, "");
        return r;
    }

    std::string InvalidParameter(const std::string& p, const std::vector<std::string>& args) const
    {
        std::string text = "Invalid parameter: " + p + "\r\r" + Sandbox::Native(box.Program());
        for (size_t i = 0; i < 6; ++i) text += " " + (i < args.size() ? args[i] : std::string());
        return ErrorBox(text);
    }
};

} // namespace

TEST_F(RunFlow, AnUnknownParameterIsRefusedWithTheProgramAndItsParameters)
{
    EXPECT_EQ(Run({"/z:"}).err, InvalidParameter("/z:", {"/z:"}));
    EXPECT_EQ(Run({"/z:"}).err, ErrorBox("Invalid parameter: /z:\r\r" + Sandbox::Native(box.Program()) + " /z:     "));
    EXPECT_EQ(Run({"/A:"}).err, InvalidParameter("/A:", {"/A:"})) << "/a: is lower case only";
    const std::vector<std::string> seven = {"/d:", "/l:", "/m:", "/d:", "/l:", "/m:", "bogus"};
    EXPECT_EQ(Run(seven).err, InvalidParameter("bogus", seven)) << "the message lists parameters 1 to 6 only";
}

TEST_F(RunFlow, EveryParameterIsCheckedBeforeAnyTakesEffect)
{
    box.WriteConfig(Config("ZEBRA"));
    EXPECT_EQ(Run({"/x:", "/e:FEED"}).err, InvalidParameter("/x:", {"/x:", "/e:FEED"}));
    EXPECT_EQ(Run({"/e:FEED", "/x:"}).err, InvalidParameter("/x:", {"/e:FEED", "/x:"}));
    EXPECT_EQ(Run({"/e:FEED", "/e:EJECT"}).err, InvalidParameter("/e:EJECT", {"/e:FEED", "/e:EJECT"}));
    EXPECT_EQ(Run({"/f:missing.ini", "bad", "/e:FEED"}).err,
              InvalidParameter("bad", {"/f:missing.ini", "bad", "/e:FEED"}));
    EXPECT_TRUE(box.Jobs().empty());
}

TEST_F(RunFlow, TheCommandRunsLastWhereverItStands)
{
    // The command's file names a printer the other file does not: what the
    // user is told shows which file the command read.
    box.WriteConfig(Config("DATACARD"));
    Sandbox::WriteFile(box.WorkDir() + "/other.ini", Config("DATACARD", "USB", "OtherPrinter"));
    EXPECT_EQ(Run({"/e:FEED", "/f:other.ini"}).err, ErrorBox("Printer \"OtherPrinter\" was not found!"));
    EXPECT_EQ(Run({"/f:other.ini", "/e:FEED"}).err, ErrorBox("Printer \"OtherPrinter\" was not found!"));
    EXPECT_EQ(Run({"/e:FEED", "/d:", "/l:", "/m:"}).err, kCommandFailed);
    EXPECT_EQ(Run({"/E:FEED"}).err, kCommandFailed) << "the command marker is matched in any case";
}

TEST_F(RunFlow, TerminatingActionsBeforeTheCommandEndTheRun)
{
    box.WriteConfig(Config("ZEBRA"));
    const std::map<std::string, std::string> noDisplay = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    // Linux says why no dialog comes without a display; on Windows (Wine,
    // which has no display here either) the dialog's window cannot be made.
    const std::string dialog = harness::Box(
        "Tavrin", harness::kWine
                      ? "The configuration dialog could not be shown: the display could not be opened"
                      : "The configuration dialog needs a graphical display (DISPLAY or WAYLAND_DISPLAY is not set).");
    EXPECT_EQ(Run({}, noDisplay).err, dialog);
    EXPECT_EQ(Run({"/c:", "/e:FEED"}, noDisplay).err, dialog);
    EXPECT_EQ(Run({"/e:FEED", "/c:"}, noDisplay).err, dialog) << "/e: moves behind /c:";
    const auto help = box.Run({"/i:", "/e:FEED"}, noDisplay);
    EXPECT_EQ(help.out.rfind(std::string("Valid paramters:") + harness::kOutputLineEnd, 0), 0u)
        << "without a display the parameter list is printed";
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(Run({"/d:", "/l:", "/m:"}).err, "") << "no terminating action: nothing happens";
    EXPECT_TRUE(box.Jobs().empty());
}

TEST_F(RunFlow, AMissingConfigurationFileEndsTheRunSilently)
{
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Run({"/a:"}).err, "");
    EXPECT_TRUE(box.Jobs().empty());
}

// A file of no bytes holds no setting, and is what a first write killed
// half-way left behind before the first write made files whole: it counts
// as no file at all.
TEST_F(RunFlow, AnEmptyConfigurationFileCountsAsMissing)
{
    box.WriteConfig("");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Run({"/a:"}).err, "");
    EXPECT_EQ(box.Run({"/e:FEED"}, {{"TAVRIN_EXIT_STATUS", "1"}}).exitCode, 2) << "as for a missing file";
    Sandbox::WriteFile(box.WorkDir() + "/empty.ini", "");
    EXPECT_EQ(Run({"/f:empty.ini", "/e:FEED"}).err,
              ErrorBox("File not found:\r" + Sandbox::Native(box.ProgramDir()) + "empty.ini"));
    EXPECT_TRUE(box.Jobs().empty());

    // One line is enough to make it a configuration file.
    box.WriteConfig("\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, ErrorBox("Printer \"\" was not found!"));
}

TEST_F(RunFlow, ThePrinterMustBeInstalled)
{
    box.WriteConfig(Config("ZEBRA", "USB", "NoSuchPrinter"));
    EXPECT_EQ(Run({"/e:FEED"}).err, ErrorBox("Printer \"NoSuchPrinter\" was not found!"));
    box.WriteConfig("[PrinterConfiguration]\nPrinterType=ZEBRA\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, ErrorBox("Printer \"\" was not found!"));
    // Names compare without regard to case.
    std::string lower = queue;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    box.WriteConfig(Config("DATACARD", "USB", lower));
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
}

TEST_F(RunFlow, TheTypeIsCheckedUpperCased)
{
    box.WriteConfig(Config("Bogus"));
    EXPECT_EQ(Run({"/e:FEED"}).err, ErrorBox("\"BOGUS\" is an invalid printertype!"));
    box.WriteConfig(Config("zebra"));
    EXPECT_EQ(Run({"/e:feed"}).err, "") << "zebra is dispatched as ZEBRA";
    const auto jobs = box.Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].bytes, "\x1BMS\r\n");
}

TEST_F(RunFlow, TheDefaultTypeIsEscPrintersOnTheParallelPort)
{
    box.WriteConfig("[PrinterConfiguration]\nPrinterName=" + queue + "\n[ControlCommands]\nInsert=Sis\n");
    MakeLpt1();
    EXPECT_EQ(Run({"/e:Feed"}).err, "");
    EXPECT_EQ(Sandbox::ReadFile(Lpt1()), "\x1BSis\r\x1B\r")
        << "the default type is ESCPRINTERS, the default mode PARALLEL; Feed is the word FEED";
    EXPECT_TRUE(box.Jobs().empty());
}

TEST_F(RunFlow, ADiiModeThatIsNoNumberEndsTheRunWithTheConversionError)
{
    box.WriteConfig(Config("DII", "PARALLEL"));
    EXPECT_EQ(Run({"/e:FEED"}).err, harness::Box("Tavrin", "'PARALLEL' is not a valid integer value"));
}

TEST_F(RunFlow, SwitchingTheConfigurationFile)
{
    // Only in the program directory: the fallback finds it.
    Sandbox::WriteFile(box.ProgramDir() + "cards.ini", Config("DATACARD", "USB", "InProgramDir"));
    EXPECT_EQ(Run({"/f:cards.ini", "/e:FEED"}).err, ErrorBox("Printer \"InProgramDir\" was not found!"));
    // In the current directory it wins.
    Sandbox::WriteFile(box.WorkDir() + "/cards.ini", Config("DATACARD", "USB", "InWorkDir"));
    EXPECT_EQ(Run({"/f:cards.ini", "/e:FEED"}).err, ErrorBox("Printer \"InWorkDir\" was not found!"));
    // Names written for a case-blind file system still find the file.
    EXPECT_EQ(Run({"/f:CARDS.INI", "/e:FEED"}).err, ErrorBox("Printer \"InWorkDir\" was not found!"));
    // A full path is taken as it is.
    const std::string full = box.Root() + "/Station Files/cards.ini";
    std::filesystem::create_directories(box.Root() + "/Station Files");
    Sandbox::WriteFile(full, Config("DATACARD", "USB", "FullPath"));
    EXPECT_EQ(Run({"/f:" + Sandbox::Native(full), "/e:FEED"}).err, ErrorBox("Printer \"FullPath\" was not found!"));
    // Switching alone does nothing else.
    EXPECT_EQ(Run({"/f:cards.ini"}).err, "");
}

TEST_F(RunFlow, AConfigurationFileThatIsNowhereIsReportedWithThePathLastTried)
{
    const std::string programDir = Sandbox::Native(box.ProgramDir());
    EXPECT_EQ(Run({"/f:absent.ini", "/e:FEED"}).err, ErrorBox("File not found:\r" + programDir + "absent.ini"));
    const std::string nowhere = Sandbox::Native("/no/such/dir/x.ini");
    EXPECT_EQ(Run({"/f:" + nowhere}).err, ErrorBox("File not found:\r" + nowhere));
    // Entries before it have taken effect, the command after it never runs.
    box.WriteConfig(Config("ZEBRA"));
    EXPECT_EQ(Run({"/d:", "/f:absent.ini", "/e:FEED"}).err, ErrorBox("File not found:\r" + programDir + "absent.ini"));
}

TEST_F(RunFlow, APortListingFailureEndsTheRunBeforeAnyParameterIsLookedAt)
{
    // A file where the device directory should be cannot be listed.
    Sandbox::WriteFile(box.Root() + "/not-a-dir", "");
    const std::map<std::string, std::string> env = {{"TAVRIN_LP_DIR", box.Root() + "/not-a-dir"}};
    EXPECT_EQ(Run({"/z:"}, env).err, harness::Box("Tavrin", "Fehler Registry auslesen!"));
    // No parallel port directory at all is no port, not a failure.
    EXPECT_EQ(Run({"/z:"}, {{"TAVRIN_LP_DIR", box.Root() + "/absent"}}).err, InvalidParameter("/z:", {"/z:"}));
}

TEST_F(RunFlow, TestModeFeedsWaitsFiveSecondsAndEjectsWithoutChecks)
{
    // No printer check and no message of the run flow's own, results not
    // looked at: a printer that is not there only gets the spooler's word
    // for each job that went nowhere. The type is used as stored: a
    // lower-case type reaches no family.
    // The system's own words close each box: CUPS's and the Windows
    // spooler's differ.
    const std::string box1 = "Error: Printer \"NotInstalled\" cannot be asked about its state: [^\\n]+\\.\\n";
    for (const auto& [config, shown] : {std::pair {Config("ZEBRA", "USB", "NotInstalled"), box1 + box1},
                                        std::pair {Config("zebra"), std::string()}}) {
        box.WriteConfig(config);
        const std::string err = Run({"/a:", "/e:EJECT"}, ScriptedClock()).err;
        EXPECT_TRUE(std::regex_match(err, std::regex(shown))) << config << err;
        EXPECT_EQ(Waits(), "sleep 5000\n") << config;
        std::filesystem::remove(box.World() + "/clock.log");
        EXPECT_TRUE(box.Jobs().empty()) << config;
    }
}
