#pragma once
// The printer catalogue: one row per printer type, holding everything the
// program knows about the type (its keyword, the name rule of the dialog's
// guess, its modes, the control commands and options the dialog proposes,
// the family call), and the dispatch, the one place where a type keyword
// becomes a call of a printer family. The run, the dispatch and the dialog
// all read the rows; a new type is a new row.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

// The family operations the dispatch calls, as a table of their own so
// that tests can put theirs in place (BuiltInFamilies holds the real ones).
struct TFamilyEntries {
    std::function<bool(int, const std::string&, const std::string&, bool)> Dii;
    std::function<bool(const std::string&, const std::string&, const std::string&, int, std::string&)> Velto;
    std::function<bool(const std::string&, const std::string&, const std::string&)> Ciaat;
    std::function<bool(const std::string&, const std::string&, const std::string&)> Zebra;
    std::function<bool(const std::string&, const std::string&, const std::string&, bool)> EscPrinter;
    std::function<bool(const std::string&, const std::string&, const std::string&)> Fargo;
    std::function<bool(const std::string&, const std::string&, const std::string&, bool)> Magicard;
};
const TFamilyEntries& BuiltInFamilies();

// One command as the run hands it to the dispatch.
struct TPrinterCommand {
    const std::string& mode;
    const std::string& name;
    const std::string& command;
    bool direct;
};

// How a type's command reaches its family: which entry of the table, with
// what arguments.
using TFamilyCall = bool (*)(const TFamilyEntries& families, const TPrinterCommand& command);

// The dialog's guess from a printer's name. Rows are tried by rank, lowest
// first; the first whose names has one that the printer's name contains
// (case-sensitively) decides: its type is offered beside the generic type
// and preselected.
struct TGuessRule {
    int rank = 0;
    std::vector<std::string> names {};  // none: the guess never picks this type
    bool offeredFirst = false;       // listed before the generic type, not after it
    // The generic type: offered beside every type guessed, and preselected
    // among all types (listed in alphabetical order) when no rule holds.
    bool generic = false;
};

// One entry of a type's mode list.
struct TModeEntry {
    std::string text {};
    bool needsParallelPort = false;          // offered only when a parallel port was found
    std::vector<std::string> needsFiles {};  // offered only when every one of these files is there
};

// A mode to preselect: the first one offered, of those whose nameContains
// the printer's name contains, is; when none is, no mode is selected.
struct TModePreselection {
    std::string mode {};
    std::string nameContains {};  // "": whatever the printer's name
};

// The six control commands a type proposes; "" clears the field.
struct TCommandTexts {
    std::string Insert {}, Pre {}, Post {}, Eject {}, Error {}, Pause {};
};

// The Error command proposed instead for a printer whose name contains one
// of names.
struct TErrorForNames {
    std::vector<std::string> names {};
    std::string Error {};
};

// The options the dialog shows for a type, each stored under its key.
struct TTypeOptions {
    bool flipCard = false;      // "Flip Card", FlipCard
    bool contact = false;       // "Contact", Contact
    bool useDriverApi = false;  // "Use Driver API", UseDriverAPI
    bool sensors = false;       // the sensor positions, with the mode "XXL Pro"; SensorNo
};

struct TPrinterType {
    std::string keyword {};  // as stored as PrinterType
    TGuessRule guess {};
    std::vector<TModeEntry> modes {};
    std::vector<TModePreselection> preselected {};
    // nullopt: the user types the commands; the fields keep what they
    // hold and stay editable.
    std::optional<TCommandTexts> commands {};
    TErrorForNames errorForNames {};
    TTypeOptions options {};
    TFamilyCall family = nullptr;  // nullptr: no family serves the type, its commands fail
    // The dispatch takes every type that contains the keyword, not only the
    // keyword itself.
    bool dispatchedWhenContained = false;
};

// The rows, in the order the run checks a PrinterType against them.
using TCatalogue = std::vector<TPrinterType>;
const TCatalogue& BuiltInCatalogue();

// Whether type is the keyword of a row.
bool IsPrinterType(std::string_view type, const TCatalogue& catalogue = BuiltInCatalogue());

// The types offered for a printer, and the one preselected.
struct TTypeGuess {
    std::vector<std::string> types;
    std::string preselected;
};
TTypeGuess GuessPrinterTypes(std::string_view printerName, const TCatalogue& catalogue = BuiltInCatalogue());

// Tells whether a library or driver file is present (Windows name, e.g.
// "PCP08CT.DLL"). The default looks for the mapped file name.
using TFileExists = std::function<bool(std::string_view)>;
bool DefaultFileExists(std::string_view windowsName);

// The modes offered for a type and the one preselected (nullopt: none).
struct TModeList {
    std::vector<std::string> modes;
    std::optional<std::size_t> selected;
};
TModeList ModesForType(std::string_view type, std::string_view printerName, bool haveParallelPorts,
                       const TFileExists& exists = DefaultFileExists,
                       const TCatalogue& catalogue = BuiltInCatalogue());

// What the dialog proposes for a type: the control commands (nullopt
// leaves a field unchanged, "" clears it) and the options it shows. An
// unknown type proposes nothing.
struct TTypeDefaults {
    std::optional<std::string> Insert, Pre, Post, Eject, Error, Pause;
    bool commandsEditable = false;
    TTypeOptions options;
};
TTypeDefaults TypeDefaults(std::string_view type, std::string_view printerName,
                           const TCatalogue& catalogue = BuiltInCatalogue());

// The Insert command of a Magicard "XXL Pro" sensor position 1..4.
std::string SensorInsertCommand(int sensorNo);

// Sends one command to the family the type names: the first row that takes
// the type decides. False when the family failed or no family serves the
// type. A DII mode that is not a whole number raises
// "'<mode>' is not a valid integer value".
bool ExecutePrinterCommand(const std::string& mode, const std::string& type, const std::string& name,
                           const std::string& command, bool direct);
bool ExecutePrinterCommand(const TCatalogue& catalogue, const TFamilyEntries& families, const std::string& mode,
                           const std::string& type, const std::string& name, const std::string& command,
                           bool direct);

} // namespace tavrin
