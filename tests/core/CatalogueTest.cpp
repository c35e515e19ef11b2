// The printer catalogue and the dispatch. What the configuration dialog
// offers for a printer is checked through the dialog's model as well
// (tests/ui/ModelTest.cpp); here, the rows it does not reach.
#include "core/Catalogue.h"

#include <gtest/gtest.h>

#include <set>

using namespace tavrin;

namespace {
using Strings = std::vector<std::string>;

TFileExists Files(std::set<std::string> present)
{
    return [present](std::string_view name) { return present.count(std::string(name)) > 0; };
}

// The DII entries the dialog offers with these driver files.
Strings DiiModes(const TFileExists& exists) { return ModesForType("DII", "", true, exists).modes; }
} // namespace

TEST(TypeGuess, FirstMatchingNameDecides)
{
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

TEST(TypeGuess, RulesAreTriedInTheGuessOrderNotInTheRunsOrder)
{
    // The run checks ZEBRA, DII, VELTO, ESCPRINTERS, EVOLIS, ...; the guess
    // tries Evolis before XID and Velto.
    EXPECT_EQ(GuessPrinterTypes("Evolis XID").preselected, "EVOLIS");
    EXPECT_EQ(GuessPrinterTypes("Velto Evolis").preselected, "EVOLIS");
    EXPECT_EQ(GuessPrinterTypes("CIAAT Zebra").preselected, "ZEBRA");
    EXPECT_EQ(GuessPrinterTypes("Magicard HDP").preselected, "FARGO");
    EXPECT_EQ(GuessPrinterTypes("Datacard CX-1").types, (Strings {"DII", "ESCPRINTERS"}));
}

TEST(ModeLists, ParallelOnlyWithPortsAndPreselectionWhenOffered)
{
    EXPECT_EQ(ModesForType("ZEBRA", "Zebra USB", false).selected, std::nullopt);
    EXPECT_EQ(ModesForType("EVOLIS", "", true).selected, 1u);
    EXPECT_EQ(ModesForType("FARGO", "", true).modes, (Strings {"USB"}));
    EXPECT_EQ(ModesForType("DII", "", true).selected, std::nullopt);
}

TEST(ModeLists, VeltoModesFollowTheLibrariesPresent)
{
    EXPECT_TRUE(ModesForType("VELTO", "Velto", true, Files({})).modes.empty());
    EXPECT_EQ(ModesForType("VELTO", "Velto R600", true, Files({"Scorpa.dll", "Velkit.dll"})).selected, 0u);
    EXPECT_EQ(ModesForType("VELTO", "Velto USB", true, Files({"Scorpa.dll"})).selected, 0u);
}

TEST(ModeLists, DiiEntriesNeedTheirDriverFiles)
{
    EXPECT_EQ(DiiModes(Files({})),
              (Strings {"0       CX210", "1       DIGID XID440", "2       DII IDX380", "3       Custom"}));
    EXPECT_EQ(DiiModes(Files({"PCP05CT.DLL", "PDR06UA.DLL"})).size(), 4u) << "CX320 needs all three files";
    EXPECT_EQ(DiiModes(Files({"PCP05CT.DLL", "PDR06UA.DLL", "PDR06UD.DLL", "PCP08CT.DLL", "PCP23CT.DLL"})),
              (Strings {"0       CX210", "1       DIGID XID440", "2       DII IDX380", "3       Custom", "4       CX320",
                        "5       CX330", "6       XID8300"}));
}

TEST(TypeDefaults, ControlCommandsPerType)
{
    EXPECT_EQ(TypeDefaults("ZEBRA", "Zebra P520i").Error, "MRB");
    EXPECT_EQ(TypeDefaults("EVOLIS", "Evolis Quantum").Error, "Ser");
    EXPECT_EQ(TypeDefaults("EVOLIS", "Evolis Pebble").Pre, "");
    EXPECT_EQ(TypeDefaults("FARGO", "").Insert, "P1");
    EXPECT_FALSE(TypeDefaults("ESCPRINTERS", "").Insert.has_value()) << "ESCPRINTERS leaves the fields unchanged";
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
    // DII is a substring test, every other type exact; a type without a
    // family calls none and fails.
    const struct {
        const char *mode, *type, *command;
        bool direct, result;
        Strings calls;
    } rows[] = {
        {"3", "DII", "FEED", true, true, {"Dii 3 P FEED direct"}},
        {"0", "XDIIX", "FEED", false, true, {"Dii 0 P FEED"}},
        {"USB", "VELTO", "EJECT", false, true, {"Velto USB EJECT 0 []"}},
        {"USB", "CIAAT", "FEED", false, true, {"Ciaat USB FEED"}},
        {"USB", "ZEBRA", "FEED", false, false, {"Zebra USB FEED"}},  // the family's result comes back
        {"USB", "EVOLIS", "FEED", true, true, {"Esc USB FEED plain"}},
        {"USB", "FARGO", "FEED", false, true, {"Fargo USB FEED"}},
        {"XXL Pro", "MAGICARD", "FEED", true, true, {"Magicard XXL Pro FEED direct"}},
        {"PARALLEL", "ESCPRINTERS", "MM 300 1", true, true, {"Esc PARALLEL MM 300 1 direct"}},
        {"USB", "Zebra", "FEED", false, false, {}},
        {"USB", "DATACARD", "FEED", false, false, {}},
        {"USB", "", "FEED", false, false, {}},
    };
    for (const auto& row : rows) {
        Recorder r;
        EXPECT_EQ(ExecutePrinterCommand(BuiltInCatalogue(), r.Entries(), row.mode, row.type, "P", row.command, row.direct),
                  row.result)
            << row.type;
        EXPECT_EQ(r.calls, row.calls) << row.type;
    }
}
