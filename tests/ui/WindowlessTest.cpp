// The real program where no window can be shown: without a display, with a
// display it cannot reach, and without its GUI module.
#include "harness/Harness.h"

#include <gtest/gtest.h>

#include <filesystem>

using harness::Box;
using harness::ErrorBox;
using harness::Sandbox;

namespace {

// Written out here on purpose, apart from the program's own copy.
const char* const kHelpText =
    "Valid paramters:\n"
    "- each parameter can be combined with other\n"
    "  parameters\n"
    "- each parameter is seperated by a space\n"
    "\n"
    "/a: \n"
    "Starts testmode:\n"
    "Feeds the card, waits 5 seconds and ejects it.\n"
    "\n"
    "/c:\n"
    "Starts the configuration routine.\n"
    "\n"
    "/d:\n"
    "Direct mode:\n"
    "Without appending any start- and stop-signs.\n"
    "ONLY for FARGO Printers!\n"
    "\n"
    "/e: + Command\n"
    "Command which should be executed.\n"
    "i.e.: /e:FEED\n"
    "It is needed to set the whole command\n"
    "in quotation marks, if a special sign is used.\n"
    "i.e.: /e:\"MM 300 1\"\n"
    "\n"
    "/f: + Filename incl. Directory\n"
    "Readout data from another INI-file.\n"
    "If no INI-file is defined or the INI-file is\n"
    "not found, then default will be taken,\n"
    "the Tavrin.ini in the program directory.\n"
    "\n"
    "/i:\n"
    "Opens this info window.\n"
    "\n"
    "/l:\n"
    "Sets language for the configuration. Default is english.\n"
    "i.e.: /l:German\n"
    "\n"
    "-------------------------------------------------------------------------------------------\n"
    "\n"
    "Valid Commands:\n"
    "\n"
    "FEED:\n"
    "The Card will be feeded into the printer.\n"
    "\n"
    "EJECT:\n"
    "Feeds the card to the output hopper.\n"
    "\n"
    "RETURN:\n"
    "Positions the card for printing (only possible with\n"
    "Eltron/Zebra, DII and Velto).\n"
    "\n"
    "REJECT:\n"
    "Drives the card into the reject box, assumed\n"
    "that there is a reject-box, in the active printer.\n"
    "(only with Eltron/Zebra)\n"
    "If there exists no reject-box in the active\n"
    "printer, then the card will be ejected by the\n"
    "output hopper, such as with the EJECT command.\n"
    "\n"
    "FLIP:\n"
    "Flips the card before printing (only with Velto SCSI).\n"
    "\n"
    "Additionally direct escape commands can be send to the \n"
    "selected printer.\n";

const std::string kNeedsDisplay =
    "The configuration dialog needs a graphical display (DISPLAY or WAYLAND_DISPLAY is not set).";
const std::string kNotShown = "The configuration dialog could not be shown: ";

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class Windowless : public ::testing::Test {
protected:
    // No display at all.
    std::map<std::string, std::string> NoDisplay() const { return {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}; }

    // A display that is named but not there; the toolkit is loaded and
    // finds nothing to connect to.
    std::map<std::string, std::string> UnreachableDisplay() const
    {
        return {{"DISPLAY", ":8917"}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}, {"XDG_RUNTIME_DIR", box.Root()}};
    }

    harness::RunResult Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env)
    {
        auto r = box.Run(args, env);
        EXPECT_EQ(r.exitCode, 0) << "every run ends with exit status 0\n" << r.err;
        return r;
    }

    Sandbox box;
};

} // namespace

TEST_F(Windowless, TheHelpParameterPrintsTheSixtyFourLines)
{
    const auto r = Run({"/i:"}, NoDisplay());
    EXPECT_EQ(r.out, kHelpText);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Run({"/d:", "/i:", "/e:FEED"}, NoDisplay()).out, kHelpText) << "/i: ends the run before the command";
}

TEST_F(Windowless, TheDialogSaysItNeedsADisplayAndWritesNothing)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"/c:"}, {"/c:", "/e:FEED"}}) {
        const auto r = Run(args, NoDisplay());
        EXPECT_EQ(r.err, Box("Tavrin", kNeedsDisplay));
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(Sandbox::Exists(box.ConfigPath()));
}

TEST_F(Windowless, AnUnreachableDisplayFallsBackToTheConsole)
{
    const auto help = Run({"/i:"}, UnreachableDisplay());
    EXPECT_EQ(help.out, kHelpText);

    const auto dialog = Run({"/c:"}, UnreachableDisplay());
    EXPECT_TRUE(EndsWith(dialog.err, Box("Tavrin", kNotShown + "the display could not be opened"))) << dialog.err;

    const std::string queue = box.AddQueue("Card_Printer");
    box.WriteConfig("[PrinterConfiguration]\nPrinterName=Gone\nPrinterType=ZEBRA\nPrinterMode=USB\n");
    const auto command = Run({"/e:FEED"}, UnreachableDisplay());
    EXPECT_TRUE(EndsWith(command.err, ErrorBox("Printer \"Gone\" was not found!"))) << command.err;
}

TEST_F(Windowless, AMissingGuiModuleFallsBackToTheConsole)
{
    std::filesystem::remove(box.ProgramDir() + "libtavrin-qt.so");
    const std::map<std::string, std::string> env = {{"DISPLAY", ":8917"}, {"WAYLAND_DISPLAY", ""}};

    const auto dialog = Run({}, env);
    EXPECT_EQ(dialog.err.rfind("Tavrin: " + kNotShown, 0), 0u) << dialog.err;
    EXPECT_NE(dialog.err.find("libtavrin-qt.so"), std::string::npos) << dialog.err;

    EXPECT_EQ(Run({"/i:"}, env).out, kHelpText);

    box.AddQueue("Card_Printer");
    box.WriteConfig("[PrinterConfiguration]\nPrinterName=Gone\nPrinterType=ZEBRA\nPrinterMode=USB\n");
    EXPECT_EQ(Run({"/e:FEED"}, env).err, ErrorBox("Printer \"Gone\" was not found!"));
}
