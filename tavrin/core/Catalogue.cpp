#include "Catalogue.h"

#include "families/Families.h"
#include "platform/DynamicLibrary.h"
#include "platform/Error.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <algorithm>

namespace tavrin {

using platform::Contains;

namespace {

// The connections of the ESC command printers.
const std::vector<TModeEntry> kParallelAndUsb = {{.text = "PARALLEL", .needsParallelPort = true}, {.text = "USB"}};
const std::vector<TModeEntry> kUsbOnly = {{.text = "USB"}};
const std::vector<TModePreselection> kUsbPreselected = {{.mode = "USB"}};

bool ContainsAny(std::string_view text, const std::vector<std::string>& needles)
{
    return std::any_of(needles.begin(), needles.end(), [text](const std::string& n) { return Contains(text, n); });
}

const TPrinterType* Find(const TCatalogue& catalogue, std::string_view keyword)
{
    const auto row = std::find_if(catalogue.begin(), catalogue.end(),
                                  [keyword](const TPrinterType& t) { return t.keyword == keyword; });
    return row == catalogue.end() ? nullptr : &*row;
}

} // namespace

const TCatalogue& BuiltInCatalogue()
{
    static const TCatalogue catalogue = {
        {
            .keyword = "ZEBRA",
            .guess = {.rank = 1, .names = {"Eltron", "Zebra"}},
            .modes = kParallelAndUsb,
            .preselected = {{.mode = "PARALLEL"}},
            .commands = TCommandTexts {.Insert = "MS", .Pre = "MS 2", .Post = "MI", .Eject = "ME", .Error = "ME",
                                       .Pause = "5000"},
            .errorForNames = {.names = {"420", "430", "520", "720"}, .Error = "MRB"},
            .family = [](const TFamilyEntries& f, const TPrinterCommand& c) {
                return f.Zebra(c.mode, c.name, c.command);
            },
        },
        {
            .keyword = "DII",
            // "XID" is tested before "Velto": a name with both is a DII printer's.
            .guess = {.rank = 3, .names = {"XID", "CX-"}, .offeredFirst = true},
            // The model digit, seven blanks, the model name; the models past
            // the custom one only with their driver files.
            .modes = {{.text = "0       CX210"},
                      {.text = "1       DIGID XID440"},
                      {.text = "2       DII IDX380"},
                      {.text = "3       Custom"},
                      {.text = "4       CX320", .needsFiles = {"PCP05CT.DLL", "PDR06UA.DLL", "PDR06UD.DLL"}},
                      {.text = "5       CX330", .needsFiles = {"PCP08CT.DLL"}},
                      {.text = "6       XID8300", .needsFiles = {"PCP23CT.DLL"}}},
            .commands = TCommandTexts {.Insert = "FEED", .Post = "RETURN", .Eject = "EJECT", .Error = "EJECT",
                                       .Pause = "45000"},
            .options = {.flipCard = true, .contact = true},
            .family =
                [](const TFamilyEntries& f, const TPrinterCommand& c) {
                    const auto model = platform::ParseWholeNumber(c.mode);
                    if (!model) throw platform::Error("'" + c.mode + "' is not a valid integer value");
                    return f.Dii(*model, c.name, c.command, c.direct);
                },
            .dispatchedWhenContained = true,
        },
        {
            .keyword = "VELTO",
            .guess = {.rank = 4, .names = {"Velto"}},
            .modes = {{.text = "SCSI", .needsFiles = {"Scorpa.dll"}}, {.text = "USB", .needsFiles = {"Velkit.dll"}}},
            .preselected = {{.mode = "USB", .nameContains = "USB"}, {.mode = "SCSI"}},
            .commands = TCommandTexts {.Insert = "FEED", .Post = "RETURN", .Eject = "EJECT", .Error = "EJECT",
                                       .Pause = "45000"},
            .options = {.flipCard = true},
            .family =
                [](const TFamilyEntries& f, const TPrinterCommand& c) {
                    // The command line has no encode data to give; WRITEM and
                    // READM use this text as their buffer.
                    std::string encodeData;
                    return f.Velto(c.mode, c.name, c.command, 0, encodeData);
                },
        },
        {
            .keyword = "ESCPRINTERS",
            .guess = {.generic = true},
            .modes = kParallelAndUsb,
            .preselected = {{.mode = "PARALLEL"}},
            .family = [](const TFamilyEntries& f, const TPrinterCommand& c) {
                return f.EscPrinter(c.mode, c.name, c.command, c.direct);
            },
        },
        {
            .keyword = "EVOLIS",
            .guess = {.rank = 2, .names = {"Evolis"}},
            .modes = kParallelAndUsb,
            .preselected = kUsbPreselected,
            .commands = TCommandTexts {.Insert = "Sis", .Post = "Si", .Eject = "Se", .Error = "Se", .Pause = "5000"},
            .errorForNames = {.names = {"Quantum"}, .Error = "Ser"},
            // Evolis printers take no direct flag.
            .family = [](const TFamilyEntries& f, const TPrinterCommand& c) {
                return f.EscPrinter(c.mode, c.name, c.command, false);
            },
        },
        {
            .keyword = "FARGO",
            .guess = {.rank = 5, .names = {"HDP"}},
            .modes = kUsbOnly,
            .preselected = kUsbPreselected,
            .commands = TCommandTexts {.Insert = "P1", .Pre = "i", .Eject = "e"},
            .family = [](const TFamilyEntries& f, const TPrinterCommand& c) {
                return f.Fargo(c.mode, c.name, c.command);
            },
        },
        {
            // Offered, stored and accepted by the run, but served by no family.
            .keyword = "DATACARD",
            .guess = {.rank = 6, .names = {"Datacard"}},
            .modes = kUsbOnly,
            .preselected = kUsbPreselected,
            .commands = TCommandTexts {.Insert = "FEED", .Post = "RETURN", .Eject = "EJECT", .Error = "EJECT"},
        },
        {
            .keyword = "MAGICARD",
            .guess = {.rank = 7, .names = {"Magicard"}},
            .modes = {{.text = "Standard"}, {.text = "XXL Pro"}},
            .preselected = {{.mode = "Standard"}},
            .commands = TCommandTexts {.Insert = "GEM", .Eject = "EJT", .Error = "EJT"},
            .options = {.useDriverApi = true, .sensors = true},
            .family = [](const TFamilyEntries& f, const TPrinterCommand& c) {
                return f.Magicard(c.mode, c.name, c.command, c.direct);
            },
        },
        {
            .keyword = "CIAAT",
            .guess = {.rank = 8, .names = {"CIAAT"}},
            .modes = kUsbOnly,
            .preselected = kUsbPreselected,
            .commands = TCommandTexts {.Insert = "FEED", .Eject = "EJECT", .Error = "EJECT"},
            .family = [](const TFamilyEntries& f, const TPrinterCommand& c) {
                return f.Ciaat(c.mode, c.name, c.command);
            },
        },
    };
    return catalogue;
}

const TFamilyEntries& BuiltInFamilies()
{
    static const TFamilyEntries entries = {
        .Dii = DiiCommand,
        .Velto = VeltoCommand,
        .Ciaat = CiaatCommand,
        .Zebra = ZebraCommand,
        .EscPrinter = EscPrinterCommand,
        .Fargo = FargoCommand,
        .Magicard = MagicardCommand,
    };
    return entries;
}

bool IsPrinterType(std::string_view type, const TCatalogue& catalogue) { return Find(catalogue, type) != nullptr; }

TTypeGuess GuessPrinterTypes(std::string_view name, const TCatalogue& catalogue)
{
    const auto generic =
        std::find_if(catalogue.begin(), catalogue.end(), [](const TPrinterType& t) { return t.guess.generic; });
    const std::string genericType = generic == catalogue.end() ? std::string() : generic->keyword;

    std::vector<const TPrinterType*> ruled;
    for (const TPrinterType& t : catalogue)
        if (!t.guess.names.empty()) ruled.push_back(&t);
    std::stable_sort(ruled.begin(), ruled.end(),
                     [](const TPrinterType* a, const TPrinterType* b) { return a->guess.rank < b->guess.rank; });
    for (const TPrinterType* t : ruled) {
        if (!ContainsAny(name, t->guess.names)) continue;
        TTypeGuess guess {{t->keyword}, t->keyword};
        if (!genericType.empty()) {
            const auto at = t->guess.offeredFirst ? guess.types.end() : guess.types.begin();
            guess.types.insert(at, genericType);
        }
        return guess;
    }

    TTypeGuess all {{}, genericType};
    for (const TPrinterType& t : catalogue) all.types.push_back(t.keyword);
    std::sort(all.types.begin(), all.types.end());
    return all;
}

bool DefaultFileExists(std::string_view windowsName) { return platform::LibraryFileExists(windowsName); }

TModeList ModesForType(std::string_view type, std::string_view printerName, bool haveParallelPorts,
                       const TFileExists& exists, const TCatalogue& catalogue)
{
    TModeList list;
    const TPrinterType* row = Find(catalogue, type);
    if (!row) return list;
    for (const TModeEntry& mode : row->modes) {
        if (mode.needsParallelPort && !haveParallelPorts) continue;
        const auto present = [&exists](const std::string& file) { return exists(file); };
        if (!std::all_of(mode.needsFiles.begin(), mode.needsFiles.end(), present)) continue;
        list.modes.push_back(mode.text);
    }
    for (const TModePreselection& p : row->preselected) {
        if (!Contains(printerName, p.nameContains)) continue;
        const auto it = std::find(list.modes.begin(), list.modes.end(), p.mode);
        if (it == list.modes.end()) continue;
        list.selected = static_cast<std::size_t>(it - list.modes.begin());
        break;
    }
    return list;
}

TTypeDefaults TypeDefaults(std::string_view type, std::string_view name, const TCatalogue& catalogue)
{
    TTypeDefaults d;
    const TPrinterType* row = Find(catalogue, type);
    if (!row) return d;
    d.options = row->options;
    if (!row->commands) {
        d.commandsEditable = true;
        return d;
    }
    const TCommandTexts& c = *row->commands;
    d.Insert = c.Insert;
    d.Pre = c.Pre;
    d.Post = c.Post;
    d.Eject = c.Eject;
    d.Error = ContainsAny(name, row->errorForNames.names) ? row->errorForNames.Error : c.Error;
    d.Pause = c.Pause;
    return d;
}

std::string SensorInsertCommand(int sensorNo)
{
    switch (sensorNo) {
    case 1: return "GEM40";
    case 2: return "GEM32";
    case 3: return "GEM20";
    case 4: return "GEM12";
    default: return "";
    }
}

bool ExecutePrinterCommand(const std::string& mode, const std::string& type, const std::string& name,
                           const std::string& command, bool direct)
{
    return ExecutePrinterCommand(BuiltInCatalogue(), BuiltInFamilies(), mode, type, name, command, direct);
}

bool ExecutePrinterCommand(const TCatalogue& catalogue, const TFamilyEntries& families, const std::string& mode,
                           const std::string& type, const std::string& name, const std::string& command,
                           bool direct)
{
    // Only DII takes more than its keyword, and no other keyword contains
    // "DII": which row is asked first changes nothing for the rows here.
    for (const TPrinterType& row : catalogue) {
        const bool takes = row.dispatchedWhenContained ? Contains(type, row.keyword) : type == row.keyword;
        if (takes) return row.family && row.family(families, {mode, name, command, direct});
    }
    return false;
}

} // namespace tavrin
