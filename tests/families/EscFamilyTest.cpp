// ESC command printers (ESCPRINTERS, EVOLIS, ZEBRA, FARGO) through the real
// program, the private CUPS server and the parallel device.
#include "FamilyFixture.h"

#include <algorithm>

using namespace families;
using namespace std::string_literals;

namespace {
const std::string kZebraCommands = "[ControlCommands]\nInsert=MS\nPre=MS 2\nPost=MI\nEject=ME\nError=ME\n";
}

TEST_F(Family, FeedSendsInsertThenPreAsTwoJobsAndMovesTheCard)
{
    Configure("ESCPRINTERS", "USB", kZebraCommands + "Pause=400\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(JobBytes(), (Strings {"\x1BMS\r\n", "\x1BMS 2\r\n"}));
    EXPECT_EQ(CardPlace(), "encoding station");
    EXPECT_GE(r.elapsed.count(), 400) << "the family loaded the record, so the run waits Pause";
}

TEST_F(Family, EachTypeSendsItsControlCommandsInItsFrame)
{
    const struct {
        const char* what;
        const char* type;
        std::string commands;
        Strings args, jobs;
    } rows[] = {
        {"a blank Pre sends one job", "EVOLIS", "Insert=Sis\nPre=   \n", {"/e:feed"}, {"\x1BSis\r\n"}},
        {"command words become their control commands", "ESCPRINTERS", "Insert=MS\nPost=MI\nEject=ME\nError=MRB\n",
         {"/e:EJECT", "/e:RETURN", "/e:REJECT", "/e:FLIP", "/e:MM 300 1"},
         {"\x1B" "ME\r\n", "\x1BMI\r\n", "\x1BMRB\r\n", "\x1B" "FLIP\r\n", "\x1BMM 300 1\r\n"}},
        {"an empty Eject equals an empty Insert and brings Pre", "ESCPRINTERS", "Pre=MS 2\n", {"/e:EJECT"},
         {"\x1B\r\n", "\x1BMS 2\r\n"}},
        {"Zebra sends its fixed codes, never Pre, and waits no Pause", "ZEBRA",
         "Insert=XX\nPre=YY\nError=ME\nPause=60000\n",
         {"/e:FEED", "/e:REJECT", "/e:RETURN", "/e:EJECT", "/e:FLIP", "/e:Feed", "/e:MS 2"},
         {"\x1BMS\r\n", "\x1BMRB\r\n", "\x1BMI\r\n", "\x1B" "ME\r\n", "\x1B" "FLIP\r\n", "\x1BMS\r\n",
          "\x1BMS 2\r\n"}},
        {"Fargo frames with the start sign", "FARGO", "Insert=P1\nPre=i\nEject=e\n",
         {"/e:FEED", "/e:RETURN", "/e:EJECT"},
         {"\x1B\x00\x02P1\x1B\x00\x02i"s, "\x1B\x00\x02RETURN"s, "\x1B\x00\x02" "e"s}},
        {"Fargo with an empty Pre still sends the second start sign", "FARGO", "Insert=P1\n", {"/e:FEED"},
         {"\x1B\x00\x02P1\x1B\x00\x02"s}},
    };
    for (const auto& row : rows) {
        const auto before = box.Jobs().size();
        Configure(row.type, "USB", "[ControlCommands]\n" + row.commands);
        for (const auto& arg : row.args) {
            const auto r = Run({arg});
            EXPECT_EQ(r.err, "") << row.what << ": " << arg;
            EXPECT_LT(r.elapsed.count(), 30000) << row.what << ": " << arg;
        }
        const Strings all = JobBytes();
        EXPECT_EQ(Strings(all.begin() + long(std::min(before, all.size())), all.end()), row.jobs) << row.what;
    }
}

TEST_F(Family, RawCommandsLeaveTheRecordUnloadedSoNoPause)
{
    Configure("ESCPRINTERS", "USB", kZebraCommands + "Pause=60000\n");
    const auto r = Run({"/e:MM 300 1"});
    EXPECT_LT(r.elapsed.count(), 30000);
    EXPECT_EQ(JobBytes(), (Strings {"\x1BMM 300 1\r\n"}));
}

TEST_F(Family, FargoOnlyGoesOverUsb)
{
    MakeLpt1();
    Configure("FARGO", "PARALLEL", "[ControlCommands]\nInsert=P1\nPause=60000\n");
    const auto r = Run({"/e:FEED"});
    EXPECT_EQ(r.err, kCommandFailed);
    EXPECT_LT(r.elapsed.count(), 30000) << "the record is not loaded in this mode";
    EXPECT_TRUE(box.Jobs().empty());
    EXPECT_EQ(Sandbox::ReadFile(Lpt1()), "");
}

TEST_F(Family, AnUnknownModeFailsWithoutSending)
{
    Configure("ESCPRINTERS", "usb", kZebraCommands);
    EXPECT_EQ(Run({"/e:FEED"}).err, kCommandFailed);
    EXPECT_TRUE(box.Jobs().empty());
}

TEST_F(Family, TestModeFeedsAndEjectsFiveSecondsApart)
{
    Configure("ZEBRA", "USB");
    const auto r = Run({"/a:"}, ScriptedClock());
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Waits(), "sleep 5000\n") << "five seconds between the movements";
    EXPECT_EQ(JobBytes(), (Strings {"\x1BMS\r\n", "\x1B" "ME\r\n"}));
    EXPECT_EQ(CardPlace(), "output");
}

class MagicardNamedPrinter : public Family {
    std::string QueueBase() const override { return "MAGICARD_Enduro"; }
};

TEST_F(MagicardNamedPrinter, EscPrintersOnUsbHandsTheTextToTheMagicardFrame)
{
    Configure("ESCPRINTERS", "USB", "UseDriverAPI=1\n[ControlCommands]\nInsert=GEM\nEject=EJT\n");
    EXPECT_EQ(Run({"/e:FEED"}).err, "");
    EXPECT_EQ(Run({"/e:EJECT"}).err, "") << "EJT is no command word for the Magicard family: raw frame";
    EXPECT_EQ(JobBytes(), (Strings {"\x01,NOC0,BBB1,MAG1,%GEM\x1C\x03", "\x01,NOC0,BBB1,MAG1,%EJT\x1C\x03"}));
    EXPECT_TRUE(box.Calls("magapi").empty());
}
