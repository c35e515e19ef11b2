#include "Catalogue.h"

#include "families/Families.h"
#include "platform/DynamicLibrary.h"
#include "platform/Error.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <algorithm>

namespace tavrin {

using platform::Contains;

bool IsPrinterType(std::string_view type)
{
    return std::find(kPrinterTypes.begin(), kPrinterTypes.end(), type) != kPrinterTypes.end();
}

TTypeGuess GuessPrinterTypes(std::string_view name)
{
    struct Rule {
        std::vector<std::string_view> needles;
        const char* preselected;
    };
    // Order matters: "XID" is tested before "Velto".
    static const std::vector<Rule> rules = {
        {{"Eltron", "Zebra"}, "ZEBRA"}, {{"Evolis"}, "EVOLIS"},   {{"XID", "CX-"}, "DII"},
        {{"Velto"}, "VELTO"},           {{"HDP"}, "FARGO"},       {{"Datacard"}, "DATACARD"},
        {{"Magicard"}, "MAGICARD"},     {{"CIAAT"}, "CIAAT"},
    };
    for (const auto& rule : rules) {
        for (auto needle : rule.needles) {
            if (!Contains(name, needle)) continue;
            const std::string pre = rule.preselected;
            if (pre == "DII") return {{"DII", "ESCPRINTERS"}, pre};
            return {{"ESCPRINTERS", pre}, pre};
        }
    }
    return {{"CIAAT", "DATACARD", "DII", "ESCPRINTERS", "EVOLIS", "FARGO", "MAGICARD", "VELTO", "ZEBRA"},
            "ESCPRINTERS"};
}

bool DefaultFileExists(std::string_view windowsName) { return platform::LibraryFileExists(windowsName); }

std::vector<std::string> DiiModeEntries(const TFileExists& exists)
{
    std::vector<std::string> entries = {"0       CX210", "1       DIGID XID440", "2       DII IDX380", "3       Custom"};
    if (exists("PCP05CT.DLL") && exists("PDR06UA.DLL") && exists("PDR06UD.DLL")) entries.push_back("4       CX320");
    if (exists("PCP08CT.DLL")) entries.push_back("5       CX330");
    if (exists("PCP23CT.DLL")) entries.push_back("6       XID8300");
    return entries;
}

TModeList ModesForType(std::string_view type, std::string_view printerName, bool haveParallelPorts,
                       const TFileExists& exists)
{
    TModeList list;
    std::string preselected;
    auto parallelAndUsb = [&] {
        if (haveParallelPorts) list.modes.push_back("PARALLEL");
        list.modes.push_back("USB");
    };
    if (type == "ESCPRINTERS" || type == "ZEBRA") {
        parallelAndUsb();
        preselected = "PARALLEL";
    } else if (type == "EVOLIS") {
        parallelAndUsb();
        preselected = "USB";
    } else if (type == "FARGO" || type == "DATACARD" || type == "CIAAT") {
        list.modes = {"USB"};
        preselected = "USB";
    } else if (type == "MAGICARD") {
        list.modes = {"Standard", "XXL Pro"};
        preselected = "Standard";
    } else if (type == "DII") {
        list.modes = DiiModeEntries(exists);
    } else if (type == "VELTO") {
        const bool scsi = exists("Scorpa.dll");
        const bool usb = exists("Velkit.dll");
        if (scsi) list.modes.push_back("SCSI");
        if (usb) list.modes.push_back("USB");
        if (usb && Contains(printerName, "USB")) preselected = "USB";
        else if (scsi) preselected = "SCSI";
    }
    const auto it = std::find(list.modes.begin(), list.modes.end(), preselected);
    if (!preselected.empty() && it != list.modes.end())
        list.selected = static_cast<std::size_t>(it - list.modes.begin());
    return list;
}

TTypeDefaults TypeDefaults(std::string_view type, std::string_view name)
{
    TTypeDefaults d;
    auto set = [&d](const char* insert, const char* pre, const char* post, const char* eject, std::string error,
                    const char* pause) {
        d.Insert = insert;
        d.Pre = pre;
        d.Post = post;
        d.Eject = eject;
        d.Error = std::move(error);
        d.Pause = pause;
    };
    if (type == "ZEBRA") {
        const bool mrb = Contains(name, "420") || Contains(name, "430") || Contains(name, "520") || Contains(name, "720");
        set("MS", "MS 2", "MI", "ME", mrb ? "MRB" : "ME", "5000");
    } else if (type == "EVOLIS") {
        set("Sis", "", "Si", "Se", Contains(name, "Quantum") ? "Ser" : "Se", "5000");
    } else if (type == "FARGO") {
        set("P1", "i", "", "e", "", "");
    } else if (type == "DATACARD") {
        set("FEED", "", "RETURN", "EJECT", "EJECT", "");
    } else if (type == "CIAAT") {
        set("FEED", "", "", "EJECT", "EJECT", "");
    } else if (type == "MAGICARD") {
        set("GEM", "", "", "EJT", "EJT", "");
        d.showUseDriverApi = true;
        d.showSensors = true;
    } else if (type == "DII") {
        set("FEED", "", "RETURN", "EJECT", "EJECT", "45000");
        d.showFlipCard = true;
        d.showContact = true;
    } else if (type == "VELTO") {
        set("FEED", "", "RETURN", "EJECT", "EJECT", "45000");
        d.showFlipCard = true;
    }
    // ESCPRINTERS (and anything unknown) leaves the fields as they are.
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

const TFamilyEntries& BuiltInFamilies()
{
    static const TFamilyEntries entries = {DiiCommand,   VeltoCommand,      CiaatCommand,   ZebraCommand,
                                           EscPrinterCommand, FargoCommand, MagicardCommand};
    return entries;
}

bool ExecutePrinterCommand(const std::string& mode, const std::string& type, const std::string& name,
                           const std::string& command, bool direct)
{
    return ExecutePrinterCommand(BuiltInFamilies(), mode, type, name, command, direct);
}

bool ExecutePrinterCommand(const TFamilyEntries& f, const std::string& mode, const std::string& type,
                           const std::string& name, const std::string& command, bool direct)
{
    if (Contains(type, "DII")) {
        const auto model = platform::ParseWholeNumber(mode);
        if (!model) throw platform::Error("'" + mode + "' is not a valid integer value");
        return f.Dii(*model, name, command, direct);
    }
    if (type == "VELTO") {
        // The command line has no encode data to give; WRITEM and READM
        // use this text as their buffer.
        std::string encodeData;
        return f.Velto(mode, name, command, 0, encodeData);
    }
    if (type == "CIAAT") return f.Ciaat(mode, name, command);
    if (type == "ZEBRA") return f.Zebra(mode, name, command);
    if (type == "EVOLIS") return f.EscPrinter(mode, name, command, false);
    if (type == "FARGO") return f.Fargo(mode, name, command);
    if (type == "MAGICARD") return f.Magicard(mode, name, command, direct);
    if (type == "ESCPRINTERS") return f.EscPrinter(mode, name, command, direct);
    return false;
}

} // namespace tavrin
