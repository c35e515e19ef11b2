// The record of a run and its exit status, through the real program: the
// line on standard error (TAVRIN_LOG=stderr) and in the system log, what a
// FEED, a vendor failure and an invalid parameter write, and the opt-in
// exit status.
#include "families/FamilyFixture.h"

#include <regex>

using namespace families;

namespace {

const std::string kZebra = "ZEBRA";

class RunLog : public Family {
protected:
    harness::RunResult Run(const std::vector<std::string>& args, std::map<std::string, std::string> env = {})
    {
        env.emplace("TAVRIN_LOG", "stderr");
        env.emplace("TAVRIN_PRINTER_DRIVER_DIR", TAVRIN_TESTBED_BUILD_DIR);
        return Family::Run(args, env);
    }

    // The run's line from standard error, without its "tavrin: " and its
    // duration (checked for form here, compared nowhere).
    static std::string Line(const std::string& err)
    {
        static const std::regex line(R"((?:^|\n)tavrin: (.*) ms=\d+\n$)");
        std::smatch m;
        if (!std::regex_search(err, m, line)) return "no line in: " + err;
        return Spooled(m[1]);
    }

    // A spooled job's number, time and reasons change from run to run:
    // "job=# job-state=completed job-ms=#" stands for each.
    static std::string Spooled(const std::string& line)
    {
        static const std::regex number(R"(( job(?:-ms)?=)\d+)"), reasons(R"( job-reasons=\S+)");
        return std::regex_replace(std::regex_replace(line, reasons, ""), number, "$1#");
    }
    static constexpr const char* kDelivered = " job=# job-state=completed job-ms=#";

    static std::string Boxes(const std::string& err) { return BoxesOf(err); }
};

} // namespace

TEST_F(RunLog, AFeedIsOneLineWithWhatTheRunUsed)
{
    Configure(kZebra, "USB", "[ControlCommands]\nPause=0\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(Boxes(r.err), "");
    EXPECT_EQ(Line(r.err), "arg=/e:FEED action=command config=" + box.ConfigPath() + " printer=" + queue +
                               " type=ZEBRA mode=USB command=FEED" + kDelivered + " family=done outcome=ok exit=0");
    EXPECT_EQ(box.Jobs().size(), 1u) << "the card still moved";

    // Each parameter is its own field; a value with blanks is quoted.
    const auto raw = Run({"/d:", "/e:MM 300 1"});
    EXPECT_NE(Line(raw.err).find("arg=/d: arg=\"/e:MM 300 1\" action=command"), std::string::npos) << Line(raw.err);
    EXPECT_NE(Line(raw.err).find(" command=\"MM 300 1\"" + std::string(kDelivered) + " family=done outcome=ok"),
              std::string::npos)
        << Line(raw.err);
}

TEST_F(RunLog, AVendorFailureCarriesItsCodesAndEveryMessageShown)
{
    box.InstallStandIn("libveltouio.so");
    const std::string velto =
        box.AddQueue("Velto_USB", {"-o", "port-name-default=VUSB3:", "-o", "driver-module-default=VeltoDrv.dll"});
    box.WriteConfig(Config("VELTO", "USB", velto));
    // The port module enumerates printer 1 only: VUSB3: is not there.
    Scenario("veltouio", "ids=1\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(Boxes(r.err), harness::Box("Tavrin", "ERROR: \r\nVELTO_ERROR_PRINTERNOTFOUND") +
                                ErrorBox("Error while execute command"));
    EXPECT_EQ(Line(r.err),
              "arg=/e:FEED action=command config=" + box.ConfigPath() + " printer=" + velto +
                  " type=VELTO mode=USB command=FEED vendor=\"Velkit_PrinterSetMode=2 VELTO_ERROR_PRINTERNOTFOUND\""
                  " family=failed shown=\"ERROR: \\r\\nVELTO_ERROR_PRINTERNOTFOUND\""
                  " shown=\"Error while execute command\" outcome=failed exit=0");

    // A good run names every call and its code.
    Scenario("veltouio", "ids=3\n");
    EXPECT_NE(Line(Run({"/e:FEED"}).err)
                  .find("command=FEED vendor=\"Velkit_PrinterSetMode=0 VELTO_SUCCESS\""
                        " vendor=\"Velkit_EncodeTransfer=0 VELTO_SUCCESS\" vendor=\"Velkit_Close=0 VELTO_SUCCESS\""
                        " family=done outcome=ok"),
              std::string::npos);
}

TEST_F(RunLog, ScorpaStepsAreNamedUpToTheOneThatFailed)
{
    box.InstallStandIn("libwnaspi32.so");
    Configure("VELTO", "SCSI");
    EXPECT_NE(Line(Run({"/e:FEED"}).err)
                  .find("command=FEED vendor=\"SCSIOpen=1\" vendor=\"SCSISetRFProc=1\" vendor=\"SCSIFlipTurn=1\""
                        " vendor=\"SCSIPrintStart=1\" family=done outcome=ok"),
              std::string::npos);
    // A printer error on the first step: Scorpa shows its own box, the run
    // records the step with Scorpa's reason, and its own message.
    Scenario("aspi", "sense=0x9088\n");
    const std::string line = Line(Run({"/e:EJECT"}).err);
    EXPECT_NE(line.find("command=EJECT vendor=\"SCSIOpen=1\" vendor=\"SCSIRFEject=0 The printer reported an error after"
                        " ESC \\\"E\\\": sense code 0x9088 [장비의 전면 커버가 열렸습니다]\" family=failed"
                        " shown=\"Error while execute command\" outcome=failed"),
              std::string::npos)
        << line;
}

TEST_F(RunLog, AnInvalidParameterIsRecordedAsRefused)
{
    const auto r = Run({"/z:"});
    const std::string shown = "Invalid parameter: /z:\r\r" + box.Program() + " /z:     ";
    EXPECT_EQ(Boxes(r.err), ErrorBox(shown));
    EXPECT_EQ(Line(r.err), "arg=/z: action=none config=" + box.ConfigPath() + " shown=\"Invalid parameter: /z:\\r\\r" +
                               box.Program() + " /z:     \" outcome=invalid-parameter exit=0");
}

TEST_F(RunLog, TheOtherActionsAndTestModeAreRecordedToo)
{
    EXPECT_EQ(Line(Run({"/i:"}).err), "arg=/i: action=help config=" + box.ConfigPath() + " outcome=ok exit=0");
    const std::string dialog = Line(Run({}).err);
    EXPECT_EQ(dialog.rfind("action=dialog config=" + box.ConfigPath() + " shown=", 0), 0u) << dialog;
    EXPECT_NE(dialog.find(" outcome=failed exit=0"), std::string::npos) << "no display to configure with";

    Configure(kZebra, "USB");
    // The five seconds between the movements, written down, not waited.
    EXPECT_EQ(Line(Run({"/a:"}, ScriptedClock()).err),
              "arg=/a: action=test config=" + box.ConfigPath() + " printer=" + queue +
                  " type=ZEBRA mode=USB command=FEED" + kDelivered + " family=done command=EJECT" + kDelivered +
                  " family=done outcome=ok exit=0");
    EXPECT_EQ(Waits(), "sleep 5000\n");
    std::filesystem::remove(box.ConfigPath());
    EXPECT_EQ(Line(Run({"/e:FEED"}).err),
              "arg=/e:FEED action=command config=" + box.ConfigPath() + " outcome=file-not-found exit=0");
}

TEST_F(RunLog, OffWritesNothingAndTheDefaultLeavesStandardErrorToTheBoxes)
{
    Configure(kZebra, "USB");
    EXPECT_EQ(Run({"/e:FEED"}, {{"TAVRIN_LOG", "off"}}).err, "");
    EXPECT_EQ(box.Run({"/e:FEED"}, {{"TAVRIN_LOG", ""}}).err, "") << "without TAVRIN_LOG the line goes to the system log";
    EXPECT_EQ(Run({"/x:"}, {{"TAVRIN_LOG", "off"}}).err,
              ErrorBox("Invalid parameter: /x:\r\r" + box.Program() + " /x:     "));
}

#ifndef TAVRIN_HARNESS_WINE
TEST_F(RunLog, TheSystemLogGetsTheSameLineAsUserInformationOrError)
{
    Configure(kZebra, "USB");
    // syslog-capture runs the program with a /dev/log of its own and prints
    // what arrived there.
    const std::map<std::string, std::string> unset = {{"TAVRIN_LOG", ""}};
    const auto ok = box.Run({box.Program(), "/e:FEED"}, unset, SYSLOG_CAPTURE);
    ASSERT_EQ(ok.exitCode, 0) << ok.err;
    const std::regex form(R"(<(\d+)>\w{3} [ \d]\d \d\d:\d\d:\d\d tavrin\[\d+\]: (.*) ms=\d+\n)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(ok.out, m, form)) << ok.out;
    EXPECT_EQ(m[1], "14") << "facility user (1), severity info (6)";
    EXPECT_EQ(Spooled(m[2]), "arg=/e:FEED action=command config=" + box.ConfigPath() + " printer=" + queue +
                                 " type=ZEBRA mode=USB command=FEED" + kDelivered + " family=done outcome=ok exit=0");
    EXPECT_EQ(ok.err, "") << "nothing on standard error";

    const auto refused = box.Run({box.Program(), "/z:"}, {{"TAVRIN_LOG", "syslog"}}, SYSLOG_CAPTURE);
    ASSERT_TRUE(std::regex_match(refused.out, m, form)) << refused.out;
    EXPECT_EQ(m[1], "11") << "facility user (1), severity error (3)";
    EXPECT_NE(std::string(m[2]).find(" outcome=invalid-parameter exit=0"), std::string::npos);

    EXPECT_EQ(box.Run({box.Program(), "/e:FEED"}, {{"TAVRIN_LOG", "stderr"}}, SYSLOG_CAPTURE).out, "")
        << "standard error instead, not as well";
}
#else
TEST_F(RunLog, TheEventLogGetsTheSameLineAsInformationOrError)
{
    Configure(kZebra, "USB");
    // Wine keeps no event log of its own: its ReportEventW traces each
    // string on the "eventlog" channel, as an err line for an error event
    // and a trace line otherwise (standard error as the program wrote it:
    // stderrText; err holds the message boxes under Wine).
    const std::map<std::string, std::string> traced = {{"TAVRIN_LOG", ""},
                                                       {"WINEDEBUG", "-all,err+eventlog,trace+eventlog"}};
    const std::regex event(R"((?:^|\n)[0-9a-f]+:(err|trace):eventlog:ReportEventW L"(arg=.*) ms=\d+"\n)");
    std::smatch m;
    const auto ok = box.Run({"/e:FEED"}, traced);
    ASSERT_TRUE(std::regex_search(ok.stderrText, m, event)) << ok.stderrText;
    EXPECT_EQ(m[1], "trace") << "an information event";
    EXPECT_NE(std::string(m[2]).find(" action=command "), std::string::npos) << m[2];
    // Wine's spooler hands the job on and forgets it: "gone" is all it says.
    EXPECT_NE(Spooled(m[2]).find(" command=FEED job=# job-state=gone job-ms=# family=done outcome=ok exit=0"),
              std::string::npos)
        << m[2];

    const auto refused = box.Run({"/z:"}, traced);
    ASSERT_TRUE(std::regex_search(refused.stderrText, m, event)) << refused.stderrText;
    EXPECT_EQ(m[1], "err") << "an error event";
    EXPECT_NE(std::string(m[2]).find(" outcome=invalid-parameter exit=0"), std::string::npos) << m[2];

    auto instead = traced;
    instead["TAVRIN_LOG"] = "stderr";
    EXPECT_FALSE(std::regex_search(box.Run({"/e:FEED"}, instead).stderrText, event)) << "standard error instead, not as well";
}
#endif

// The exit status: 0 always unless asked for.

TEST_F(RunLog, ByDefaultEveryRunEndsWithZero)
{
    // Refusals and failures unasked: every black-box run of RunFlow and the
    // families checks its 0. Here, a failed run and what is no asking.
    Configure("NOSUCH", "USB");
    EXPECT_EQ(box.Run({"/e:FEED"}).exitCode, 0);
    for (const char* notOne : {"0", "yes", ""})
        EXPECT_EQ(box.Run({"/e:FEED"}, {{"TAVRIN_EXIT_STATUS", notOne}}).exitCode, 0) << "only 1 asks, not " << notOne;
}

TEST_F(RunLog, AskedForTheExitStatusTellsSuccessFailureAndRefusal)
{
    const std::map<std::string, std::string> asked = {{"TAVRIN_EXIT_STATUS", "1"}, {"TAVRIN_LOG", "off"}};
    Configure(kZebra, "USB");
    EXPECT_EQ(box.Run({"/e:FEED"}, asked).exitCode, 0);
    EXPECT_EQ(box.Run({"/d:", "/l:", "/m:", "/e:EJECT"}, asked).exitCode, 0);
    EXPECT_EQ(box.Run({"/i:"}, asked).exitCode, 0) << "the list, printed";
    EXPECT_EQ(box.Run({"/f:" + box.ConfigPath()}, asked).exitCode, 0) << "nothing to do is no failure";

    // 2: the run refused to start.
    EXPECT_EQ(box.Run({"/z:"}, asked).exitCode, 2);
    EXPECT_EQ(box.Run({"/e:FEED", "/e:EJECT"}, asked).exitCode, 2);
    EXPECT_EQ(box.Run({"/f:missing.ini", "/e:FEED"}, asked).exitCode, 2);

    // 1: a message was shown or a command failed.
    Configure("NOSUCH", "USB");
    EXPECT_EQ(box.Run({"/e:FEED"}, asked).exitCode, 1) << "an invalid printer type";
    box.WriteConfig(Config("ZEBRA", "USB", queue + "-gone"));
    EXPECT_EQ(box.Run({"/e:FEED"}, asked).exitCode, 1) << "a printer that is not installed";
    Configure("DATACARD", "USB");
    EXPECT_EQ(box.Run({"/e:FEED"}, asked).exitCode, 1) << "Error while execute command";
    EXPECT_EQ(box.Run({}, asked).exitCode, 1) << "the dialog needs a display";

    // A missing configuration file ends the run silently, but it did not run.
    std::filesystem::remove(box.ConfigPath());
    const auto missing = box.Run({"/e:FEED"}, asked);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "");
    EXPECT_EQ(box.Run({"/a:"}, asked).exitCode, 2);
}

TEST_F(RunLog, TestModeFailsWhenEitherMovementFailed)
{
    const std::map<std::string, std::string> asked = {{"TAVRIN_EXIT_STATUS", "1"}, {"TAVRIN_LOG", "stderr"}};
    // DATACARD has no family behind it: both movements fail, and test mode
    // shows nothing.
    Configure("DATACARD", "USB");
    auto scripted = ScriptedClock();
    scripted.insert(asked.begin(), asked.end());
    const auto r = box.Run({"/a:"}, scripted);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Boxes(r.err), "");
    EXPECT_NE(Line(r.err).find("command=FEED family=failed command=EJECT family=failed outcome=failed exit=1"),
              std::string::npos);
}
