// A card movement through the spooler is done only when the printer took
// it: the real program against the private CUPS server, with the testbed
// backend playing a paused queue, a device that cannot be reached, one that
// takes its time and a printer that refuses the document. Each case checks
// what the station was told, what reached the printer, and that no job is
// left behind that could move a card later.
#include "FamilyFixture.h"

#include <cups/cups.h>

#include <chrono>
#include <regex>
#include <thread>

using namespace families;
using namespace std::chrono_literals;

namespace {

class Spooler : public Family {
protected:
    harness::RunResult Run(const std::vector<std::string>& args, std::map<std::string, std::string> env = {})
    {
        env.emplace("TAVRIN_LOG", "stderr");
        env.emplace("TAVRIN_EXIT_STATUS", "1");
        // The exit status is the outcome here, so Family::Run's check of 0
        // does not apply.
        return box.Run(args, env);
    }

    void Cups(const std::string& tool) const
    {
        const auto r = harness::RunProcess({"/usr/sbin/" + tool, queue}, "/", {}, std::chrono::seconds(20));
        ASSERT_EQ(r.exitCode, 0) << tool << ": " << r.err;
    }

    static std::string Line(const harness::RunResult& r) { return LogLineOf(r.err); }
    static std::string Boxes(const harness::RunResult& r) { return BoxesOf(r.err); }
    // The jobs of this queue that CUPS knows, ended ones included.
    std::vector<cups_job_t> AllJobs() const
    {
        cups_job_t* jobs = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
        std::vector<cups_job_t> all(jobs, jobs + std::max(n, 0));
        std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
        // The records are copied before the strings they point to go.
        for (auto& j : all) j.title = j.user = j.dest = j.format = nullptr;
        cupsFreeJobs(n, jobs);
        return all;
    }

    static std::string Failure(const std::string& cause) { return ErrorBox(cause) + kCommandFailed; }
};

#ifdef TAVRIN_HARNESS_WINE
// Under Wine: Wine's spooler hands every job on to CUPS within EndDocPrinter
// and keeps no record of it, and shows none of the queue's CUPS state; what
// it does reflect is the printer's own "use printer offline".
TEST_F(Spooler, APrinterUsedOfflineGetsNothing)
{
    Configure("ZEBRA", "USB");
    box.SetWorkOffline(queue, true);
    const auto r = Run({"/e:EJECT"});
    box.SetWorkOffline(queue, false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, Failure("Printer \"" + queue + "\" is offline (work-offline)."));
    EXPECT_TRUE(box.Jobs().empty());

    const auto done = Run({"/e:EJECT"});
    EXPECT_EQ(done.exitCode, 0) << done.err;
    EXPECT_NE(done.stderrText.find(" job-state=gone "), std::string::npos)
        << "handed on and forgotten: " << done.stderrText;
    EXPECT_EQ(JobBytes(), (Strings {"\x1B" "ME\r\n"}));
}
#endif

TEST_F(Spooler, ADeliveredCardIsDoneBeforeTheRunEnds)
{
    Configure("ZEBRA", "USB");
    const auto r = Run({"/e:EJECT"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Boxes(r), "");
    EXPECT_EQ(r.deliveredAtEnd, 1u) << "the printer had the bytes when the station was told";
    EXPECT_EQ(r.activeJobsAtEnd, 0);
    EXPECT_EQ(JobBytes(), (Strings {"\x1B" "ME\r\n"}));
    EXPECT_TRUE(std::regex_search(Line(r), std::regex(" command=EJECT job=\\d+ job-state=completed .*job-ms=\\d+ "
                                                      "family=done outcome=ok")))
        << Line(r);
}

// A queue an operator stopped or set to refuse jobs gets nothing, and
// keeps nothing that could move a card once it is resumed.
TEST_F(Spooler, AQueueThatCannotDeliverGetsNothing)
{
    Configure("ZEBRA", "USB");
    const struct {
        const char* stop;
        const char* resume;
        std::string cause;
        const char* logged;
    } cases[] = {
        {"cupsdisable", "cupsenable", " is paused.", " job-state=refused job-reasons=paused family=failed"},
        {"cupsreject", "cupsaccept", " is not accepting jobs.", " job-state=refused family=failed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stop);
        Cups(c.stop);
        const auto r = Run({"/e:FEED"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(Boxes(r), Failure("Printer \"" + queue + "\"" + c.cause));
        EXPECT_TRUE(AllJobs().empty()) << "nothing was sent";
        EXPECT_NE(Line(r).find(c.logged), std::string::npos) << Line(r);
        Cups(c.resume);
    }
    EXPECT_TRUE(box.Jobs().empty());
    EXPECT_TRUE(box.Calls("printer").empty()) << "no card moved";
}

TEST_F(Spooler, ADeliveryThatFailsIsAFailureAndTheJobIsGone)
{
    Configure("ZEBRA", "USB");
    Scenario("cups", "delivery=fail\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(Boxes(r).find("The device did not take the job for printer \"" + queue + "\" ("), std::string::npos)
        << Boxes(r);
    EXPECT_NE(Boxes(r).find("The device cannot be reached"), std::string::npos) << "the backend's own words";
    EXPECT_EQ(Boxes(r).substr(Boxes(r).size() - kCommandFailed.size()), kCommandFailed);
    EXPECT_EQ(r.activeJobsAtEnd, 0) << "no job waits to fire later";
    EXPECT_NE(Line(r).find(" job-cancelled=yes family=failed"), std::string::npos) << Line(r);
    EXPECT_TRUE(box.Calls("printer").empty()) << "no card moved";
}

TEST_F(Spooler, ARefusedDocumentIsAFailure)
{
    Configure("EVOLIS", "USB", "[ControlCommands]\nEject=Se\n");
    Scenario("cups", "delivery=refuse\n");
    const auto r = Run({"/e:EJECT"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(Boxes(r).find("The device did not take the job for printer \"" + queue + "\""), std::string::npos)
        << Boxes(r);
    EXPECT_NE(Boxes(r).find("Unsupported document-format"), std::string::npos) << Boxes(r);
    EXPECT_EQ(r.activeJobsAtEnd, 0);
    EXPECT_TRUE(box.Jobs().empty());
}

// A slow device: every family that spools waits for it, whatever frame it
// sends.
TEST_F(Spooler, ASlowDeviceIsWaitedForByEveryFrame)
{
    struct Case {
        std::string type;
        std::string commands;
        std::string bytes;
    };
    const Case cases[] = {
        {"ZEBRA", "", "\x1B" "ME\r\n"},
        {"FARGO", "[ControlCommands]\nEject=E\n", std::string("\x1B\x00\x02" "E", 4)},
        {"MAGICARD", "[ControlCommands]\nEject=EJT\n", "\x01,NOC0,BBB1,MAG1,%EJT\x1C\x03"},
    };
    Scenario("cups", "delay_ms=700\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        std::filesystem::remove_all(box.World() + "/jobs");
        Configure(c.type, "USB", c.commands);
        const auto r = Run({"/e:EJECT"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_GE(r.elapsed, 700ms);
        EXPECT_EQ(r.deliveredAtEnd, 1u);
        EXPECT_EQ(r.activeJobsAtEnd, 0);
        EXPECT_EQ(JobBytes(), (Strings {c.bytes}));
    }
}

TEST_F(Spooler, PreGoesOutOnlyAfterTheInsertJobWasDelivered)
{
    Configure("ESCPRINTERS", "USB", "[ControlCommands]\nInsert=MS\nPre=MS 2\n");
    Scenario("cups", "delay_ms=2100\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.deliveredAtEnd, 2u);
    const auto jobs = AllJobs();
    ASSERT_EQ(jobs.size(), 2u);
    // CUPS keeps whole seconds: without the wait both jobs would be made
    // within one second, while the first takes more than two to deliver.
    EXPECT_GE(jobs[1].creation_time, jobs[0].completed_time);
    EXPECT_EQ(JobBytes(), (Strings {"\x1BMS\r\n", "\x1BMS 2\r\n"}));
}

TEST_F(Spooler, AFailedInsertSendsNoPre)
{
    Configure("ESCPRINTERS", "USB", "[ControlCommands]\nInsert=MS\nPre=MS 2\n");
    Scenario("cups", "delivery=refuse\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(AllJobs().size(), 1u) << "one job, the Insert";
}

TEST_F(Spooler, TheWaitIsBoundedAndAnOverdueJobIsCancelled)
{
    Configure("ZEBRA", "USB");
    Scenario("cups", "delay_ms=4000\n");
    const auto r = Run({"/e:EJECT"}, {{"TAVRIN_SPOOL_WAIT_MS", "800"}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Boxes(r), Failure("Printer \"" + queue + "\" did not take the job within 800 ms."));
    EXPECT_GE(r.elapsed, 800ms);
    EXPECT_LT(r.elapsed, 1800ms) << "the bound, honoured within a second";
    EXPECT_EQ(r.activeJobsAtEnd, 0);
    EXPECT_NE(Line(r).find(" job-cancelled=yes"), std::string::npos) << Line(r);
    // The cancelled delivery never reaches the printer.
    std::this_thread::sleep_for(4500ms);
    EXPECT_TRUE(box.Jobs().empty());
}

TEST_F(Spooler, AQueueThatStopsWhileTheJobWaitsFailsIt)
{
    Configure("ZEBRA", "USB");
    Scenario("cups", "delay_ms=1500\n");
    // Another program's job keeps the printer busy; tavrin's waits behind
    // it, and the operator stops the queue meanwhile.
    const std::string file = box.Root() + "/other.bin";
    Sandbox::WriteFile(file, "\x1B" "MI\r\n");
    ASSERT_EQ(harness::RunProcess({"/usr/bin/lp", "-d", queue, "-o", "raw", file}, "/", {}, 20s).exitCode, 0);
    std::thread operatorStops([&] {
        std::this_thread::sleep_for(600ms);
        Cups("cupsdisable");
    });
    const auto r = Run({"/e:EJECT"});
    operatorStops.join();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Boxes(r), Failure("Printer \"" + queue + "\" is paused, and the job was not delivered."));
    const auto jobs = AllJobs();
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[1].state, IPP_JSTATE_CANCELED) << "tavrin's job cannot fire once the queue resumes";
    Cups("cupsenable");
}

TEST_F(Spooler, AnUnreachablePrintSystemIsNamedBesideTheUsualMessage)
{
    Configure("ZEBRA", "USB");
    const auto r = Run({"/e:FEED"}, {{"CUPS_SERVER", box.Root() + "/no-cupsd.sock"}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("tavrin: print system unreachable (" + box.Root() + "/no-cupsd.sock): "), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(ErrorBox("Printer \"" + queue + "\" was not found!")), std::string::npos) << r.err;
    EXPECT_NE(Line(r).find(" cause=\"print system unreachable ("), std::string::npos) << Line(r);
}

TEST_F(Spooler, NoWaitTakesAnAcceptedJobAsDone)
{
    Configure("ZEBRA", "USB");
    Scenario("cups", "delay_ms=1500\n");
    const auto r = Run({"/e:EJECT"}, {{"TAVRIN_SPOOL_WAIT_MS", "0"}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_LT(r.elapsed, 1000ms);
    EXPECT_EQ(r.deliveredAtEnd, 0u) << "the old behaviour: accepted means done";
    EXPECT_NE(Line(r).find(" job-state=accepted "), std::string::npos) << Line(r);
}

} // namespace
