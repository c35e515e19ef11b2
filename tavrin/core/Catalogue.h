#pragma once
// The printer catalogue (type keywords, the modes of each type, the control
// commands each type proposes, the type guess from a printer's name) and
// the one place where a type keyword becomes a call of a printer family.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

// The keywords the run accepts as PrinterType, in the order it checks them.
inline constexpr std::array<std::string_view, 9> kPrinterTypes = {
    "ZEBRA", "DII", "VELTO", "ESCPRINTERS", "EVOLIS", "FARGO", "DATACARD", "MAGICARD", "CIAAT"};

bool IsPrinterType(std::string_view type);

// The types offered for a printer, and the one preselected.
struct TTypeGuess {
    std::vector<std::string> types;
    std::string preselected;
};
TTypeGuess GuessPrinterTypes(std::string_view printerName);

// Tells whether a library or driver file is present (Windows name, e.g.
// "PCP08CT.DLL"). The default looks for the mapped file name.
using TFileExists = std::function<bool(std::string_view)>;
bool DefaultFileExists(std::string_view windowsName);

// The DII mode entries: the model digit, seven blanks, the model name.
std::vector<std::string> DiiModeEntries(const TFileExists& exists = DefaultFileExists);

// The modes offered for a type and the one preselected (nullopt: none).
struct TModeList {
    std::vector<std::string> modes;
    std::optional<std::size_t> selected;
};
TModeList ModesForType(std::string_view type, std::string_view printerName, bool haveParallelPorts,
                       const TFileExists& exists = DefaultFileExists);

// The control commands a type proposes; nullopt leaves a field unchanged,
// "" clears it.
struct TTypeDefaults {
    std::optional<std::string> Insert, Pre, Post, Eject, Error, Pause;
    bool showUseDriverApi = false;  // MAGICARD
    bool showSensors = false;       // MAGICARD, with the mode "XXL Pro"
    bool showFlipCard = false;      // DII, VELTO
    bool showContact = false;       // DII
};
TTypeDefaults TypeDefaults(std::string_view type, std::string_view printerName);

// The Insert command of a Magicard "XXL Pro" sensor position 1..4.
std::string SensorInsertCommand(int sensorNo);

// The family entries the dispatch calls; tests replace them.
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

// Sends one command to the family the type names; false when the family
// failed or no family serves the type. A DII mode that is not a whole
// number raises "'<mode>' is not a valid integer value".
bool ExecutePrinterCommand(const std::string& mode, const std::string& type, const std::string& name,
                           const std::string& command, bool direct);
bool ExecutePrinterCommand(const TFamilyEntries& families, const std::string& mode, const std::string& type,
                           const std::string& name, const std::string& command, bool direct);

} // namespace tavrin
