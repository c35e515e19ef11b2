// The printer catalogue and the dispatch.
#include "core/PrntCmd.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

#include <set>

using namespace tavrin;

namespace {
using Strings = std::vector<std::string>;

TFileExists Files(std::set<std::string> present)
{
    return [present](std::string_view name) { return present.count(std::string(name)) > 0; };
}
} // namespace

TEST(TypeGuess, FirstMatchingNameDecides)
{
    EXPECT_EQ(GuessPrinterTypes("Zebra P330i USB").types, (Strings {"ESCPRINTERS", "ZEBRA"}));
    EXPECT_EQ(GuessPrinterTypes("Zebra P330i USB").preselected, "ZEBRA");
    EXPECT_EQ(GuessPrinterTypes("Eltron P310").preselected, "ZEBRA");
    EXPECT_EQ(GuessPrinterTypes("Evolis Quantum").types, (Strings {"ESCPRINTERS", "EVOLIS"}));
    EXPECT_EQ(GuessPrinterTypes("CX-330").types, (Strings {"DII", "ESCPRINTERS"}));
    EXPECT_EQ(GuessPrinterTypes("Velto XID 9").preselected, "DII") << "XID is tested before Velto";
    EXPECT_EQ(GuessPrinterTypes("Velto R600").types, (Strings {"ESCPRINTERS", "VELTO"}));
    EXPECT_EQ(GuessPrinterTypes("HDP5000").preselected, "FARGO");
    EXPECT_EQ(GuessPrinterTypes("Datacard SD").preselected, "DATACARD");
    EXPECT_EQ(GuessPrinterTypes("Magicard Enduro").preselected, "MAGICARD");
    EXPECT_EQ(GuessPrinterTypes("CIAAT EDIsecure").preselected, "CIAAT");
    EXPECT_EQ(GuessPrinterTypes("zebra lower case").preselected, "ESCPRINTERS") << "substrings are case-sensitive";
    const auto all = GuessPrinterTypes("Office Laser");
    EXPECT_EQ(all.types, (Strings {"CIAAT", "DATACARD", "DII", "ESCPRINTERS", "EVOLIS", "FARGO", "MAGICARD", "VELTO", "ZEBRA"}));
    EXPECT_EQ(all.preselected, "ESCPRINTERS");
}

TEST(ModeLists, ParallelOnlyWithPortsAndPreselectionWhenOffered)
{
    auto zebra = ModesForType("ZEBRA", "Zebra USB", true);
    EXPECT_EQ(zebra.modes, (Strings {"PARALLEL", "USB"}));
    EXPECT_EQ(zebra.selected, 0u);
    zebra = ModesForType("ZEBRA", "Zebra USB", false);
    EXPECT_EQ(zebra.modes, (Strings {"USB"}));
    EXPECT_EQ(zebra.selected, std::nullopt);
    EXPECT_EQ(ModesForType("EVOLIS", "", true).selected, 1u);
    EXPECT_EQ(ModesForType("FARGO", "", true).modes, (Strings {"USB"}));
    EXPECT_EQ(ModesForType("MAGICARD", "", true).modes, (Strings {"Standard", "XXL Pro"}));
    EXPECT_EQ(ModesForType("DII", "", true).selected, std::nullopt);
}

TEST(ModeLists, VeltoModesFollowTheLibrariesPresent)
{
    EXPECT_TRUE(ModesForType("VELTO", "Velto", true, Files({})).modes.empty());
    auto both = ModesForType("VELTO", "Velto USB", true, Files({"Scorpa.dll", "Velkit.dll"}));
    EXPECT_EQ(both.modes, (Strings {"SCSI", "USB"}));
    EXPECT_EQ(both.selected, 1u);
    EXPECT_EQ(ModesForType("VELTO", "Velto R600", true, Files({"Scorpa.dll", "Velkit.dll"})).selected, 0u);
    EXPECT_EQ(ModesForType("VELTO", "Velto USB", true, Files({"Scorpa.dll"})).selected, 0u);
}

TEST(ModeLists, DiiEntriesNeedTheirDriverFiles)
{
    EXPECT_EQ(DiiModeEntries(Files({})),
              (Strings {"0       CX210", "1       DIGID XID440", "2       DII IDX380", "3       Custom"}));
    EXPECT_EQ(DiiModeEntries(Files({"PCP05CT.DLL", "PDR06UA.DLL"})).size(), 4u) << "CX320 needs all three files";
    EXPECT_EQ(DiiModeEntries(Files({"PCP05CT.DLL", "PDR06UA.DLL", "PDR06UD.DLL", "PCP08CT.DLL", "PCP23CT.DLL"})),
              (Strings {"0       CX210", "1       DIGID XID440", "2       DII IDX380", "3       Custom", "4       CX320",
                        "5       CX330", "6       XID8300"}));
}

TEST(TypeDefaults, ControlCommandsPerType)
{
    auto z = TypeDefaults("ZEBRA", "Zebra P330i");
    EXPECT_EQ(z.Insert, "MS");
    EXPECT_EQ(z.Pre, "MS 2");
    EXPECT_EQ(z.Post, "MI");
    EXPECT_EQ(z.Eject, "ME");
    EXPECT_EQ(z.Error, "ME");
    EXPECT_EQ(z.Pause, "5000");
    EXPECT_EQ(TypeDefaults("ZEBRA", "Zebra P520i").Error, "MRB");
    EXPECT_EQ(TypeDefaults("EVOLIS", "Evolis Quantum").Error, "Ser");
    EXPECT_EQ(TypeDefaults("EVOLIS", "Evolis Pebble").Pre, "");
    EXPECT_EQ(TypeDefaults("FARGO", "").Insert, "P1");
    EXPECT_EQ(TypeDefaults("DII", "").Pause, "45000");
    EXPECT_TRUE(TypeDefaults("DII", "").showContact);
    EXPECT_TRUE(TypeDefaults("VELTO", "").showFlipCard);
    EXPECT_FALSE(TypeDefaults("VELTO", "").showContact);
    const auto esc = TypeDefaults("ESCPRINTERS", "");
    EXPECT_FALSE(esc.Insert.has_value()) << "ESCPRINTERS leaves the fields unchanged";
    EXPECT_EQ(SensorInsertCommand(3), "GEM20");
}

namespace {
// Families that record which of them was called, with what.
struct Recorder {
    std::vector<std::string> calls;
    TFamilyEntries Entries()
    {
        TFamilyEntries f;
        f.Dii = [this](int m, const std::string& n, const std::string& c, bool d) {
            calls.push_back("Dii " + std::to_string(m) + " " + n + " " + c + (d ? " direct" : ""));
            return true;
        };
        f.Velto = [this](const std::string& m, const std::string&, const std::string& c, int track, std::string& data) {
            calls.push_back("Velto " + m + " " + c + " " + std::to_string(track) + " [" + data + "]");
            return true;
        };
        f.Ciaat = [this](const std::string& m, const std::string&, const std::string& c) { calls.push_back("Ciaat " + m + " " + c); return true; };
        f.Zebra = [this](const std::string& m, const std::string&, const std::string& c) { calls.push_back("Zebra " + m + " " + c); return false; };
        f.EscPrinter = [this](const std::string& m, const std::string&, const std::string& c, bool d) {
            calls.push_back("Esc " + m + " " + c + (d ? " direct" : " plain"));
            return true;
        };
        f.Fargo = [this](const std::string& m, const std::string&, const std::string& c) { calls.push_back("Fargo " + m + " " + c); return true; };
        f.Magicard = [this](const std::string& m, const std::string&, const std::string& c, bool d) {
            calls.push_back("Magicard " + m + " " + c + (d ? " direct" : ""));
            return true;
        };
        return f;
    }
};
} // namespace

TEST(Dispatch, EachTypeReachesItsFamilyWithItsArguments)
{
    Recorder r;
    const auto f = r.Entries();
    EXPECT_TRUE(ExecutePrinterCommand(f, "3", "DII", "P", "FEED", true));
    EXPECT_TRUE(ExecutePrinterCommand(f, "USB", "VELTO", "P", "EJECT", false));
    EXPECT_TRUE(ExecutePrinterCommand(f, "USB", "CIAAT", "P", "FEED", false));
    EXPECT_FALSE(ExecutePrinterCommand(f, "USB", "ZEBRA", "P", "FEED", false)) << "the family's result comes back";
    EXPECT_TRUE(ExecutePrinterCommand(f, "USB", "EVOLIS", "P", "FEED", true));
    EXPECT_TRUE(ExecutePrinterCommand(f, "USB", "FARGO", "P", "FEED", false));
    EXPECT_TRUE(ExecutePrinterCommand(f, "XXL Pro", "MAGICARD", "P", "FEED", true));
    EXPECT_TRUE(ExecutePrinterCommand(f, "PARALLEL", "ESCPRINTERS", "P", "MM 300 1", true));
    EXPECT_EQ(r.calls, (Strings {"Dii 3 P FEED direct", "Velto USB EJECT 0 []", "Ciaat USB FEED", "Zebra USB FEED",
                                 "Esc USB FEED plain", "Fargo USB FEED", "Magicard XXL Pro FEED direct",
                                 "Esc PARALLEL MM 300 1 direct"}));
}

TEST(Dispatch, DiiIsASubstringTestAndEverythingElseExact)
{
    Recorder r;
    const auto f = r.Entries();
    EXPECT_TRUE(ExecutePrinterCommand(f, "0", "XDIIX", "P", "FEED", false));
    EXPECT_FALSE(ExecutePrinterCommand(f, "USB", "Zebra", "P", "FEED", false));
    EXPECT_FALSE(ExecutePrinterCommand(f, "USB", "DATACARD", "P", "FEED", false));
    EXPECT_FALSE(ExecutePrinterCommand(f, "USB", "", "P", "FEED", false));
    EXPECT_EQ(r.calls, (Strings {"Dii 0 P FEED"}));
}

TEST(Dispatch, ADiiModeThatIsNoNumberRaisesTheConversionError)
{
    Recorder r;
    try {
        ExecutePrinterCommand(r.Entries(), "PARALLEL", "DII", "P", "FEED", false);
        FAIL() << "no error raised";
    } catch (const platform::Error& e) {
        EXPECT_STREQ(e.what(), "'PARALLEL' is not a valid integer value");
    }
    EXPECT_TRUE(r.calls.empty());
}
