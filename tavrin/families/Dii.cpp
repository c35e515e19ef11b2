#include "Dii.h"

#include "DiiDrivers.h"
#include "FamilyMessages.h"
#include "core/ConfigFile.h"
#include "core/RunLog.h"
#include "platform/Clock.h"
#include "platform/DynamicLibrary.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/DriverDirectory.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <array>
#include <filesystem>
#include <optional>

namespace tavrin {
namespace {

enum class Interface { Encoder, SmartCard, Cx };

struct ModelEntry {
    const char* driverFile;  // "" for the custom model: DriverDLL names it
    Interface iface;
};

constexpr std::array<ModelEntry, 7> kModels = {{
    {"CX210P.DLL", Interface::Encoder},
    {"PrnSC.DLL", Interface::SmartCard},
    {"IDX3xP.DLL", Interface::Encoder},
    {"", Interface::SmartCard},
    {"PCP05CT.DLL", Interface::Cx},
    {"PCP08CT.DLL", Interface::Cx},
    {"PCP23CT.DLL", Interface::Cx},
}};

// What one run learns about its driver; released when the program ends.
struct TDiiDriver {
    std::string path;
    std::optional<platform::DynamicLibrary> library;
    DiiExtEncodeInit extEncodeInit = nullptr;
    DiiExtEncodeEnd extEncodeEnd = nullptr;
    DiiLoadCardSC loadCardSC = nullptr;
    DiiUnloadCardSC unloadCardSC = nullptr;
    DiiCxCard cxLoadCard = nullptr;
    DiiCxCard cxMoveCard = nullptr;
    std::uint32_t id1 = 0, id2 = 0;
    std::int32_t lastCxResult = 0;
};

TDiiDriver& Driver()
{
    static TDiiDriver driver;
    return driver;
}

bool DirectoryExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// The DII settings come from the program's own configuration file, never
// from a file chosen with /f:.
struct TDiiSettings {
    bool flip;
    bool contact;
    unsigned cmdDelay;
};

TDiiSettings ReadSettings()
{
    const TConfigFile file(DefaultConfigFileName());
    if (!file.ValueExists(kStatusWindow, "Visible")) {
        // Nothing reads the key; a configuration the station may not write
        // must not stop a card movement for it, but the run's line tells.
        try {
            file.WriteInteger(kStatusWindow, "Visible", 1);
        } catch (const platform::FileWriteError& e) {
            RunLog().KeyNotWritten(kStatusWindow, "Visible", e.Reason());
        } catch (const platform::Error& e) {
            RunLog().KeyNotWritten(kStatusWindow, "Visible", e.what());
        }
    }
    TDiiSettings s;
    s.flip = file.ReadInteger(kPrinterConfiguration, "FlipCard", 0) == 1;
    s.contact = (file.ReadInteger(kPrinterConfiguration, "Contact", 1) & 0xFF) != 0;
    const int delay = file.ReadInteger(kPrinterConfiguration, "CMDDelay", 17000);
    s.cmdDelay = delay > 0 ? static_cast<unsigned>(delay) : 0;
    return s;
}

} // namespace

std::string DiiResultName(std::int32_t code)
{
    static constexpr std::array<const char*, 10> names = {
        "LOAD_ASPI_FAILED", "GET_PRINTER_FAILED", "WRONG_PRINTER_TYPE", "CARD_JAM",        "MAG_ENCODER_ERR",
        "RETRANSF_FILM_ERR", "INK_FILM_ERR",      "NO_CARD_IN_HOPPER",  "DOOR_OPEN",       "SC_ENCODER_ERR"};
    return code >= 1 && code <= 10 ? names[static_cast<size_t>(code - 1)] : "";
}

std::string PhandleFile::Path() { return platform::ProgramDir() + "Phandle.dat"; }

std::int32_t PhandleFile::Read()
{
    const auto text = platform::ReadProfileValue(Path(), "Phandle", "Handle");
    return text ? platform::ParseWholeNumber(*text).value_or(0) : 0;
}

void PhandleFile::Write(std::int32_t handle)
{
    platform::WriteProfileValue(Path(), "Phandle", "Handle", std::to_string(handle));
}

bool FindDiiDriver(int model)
{
    TDiiDriver& d = Driver();
    d.path.clear();
    if (model == 3) {
        const std::string path = TConfigFile(DefaultConfigFileName()).ReadString(kPrinterConfiguration, "DriverDLL", "");
        // A path as the user typed it; a bare name means the current directory.
        if (!path.empty() && platform::FileExists(path))
            d.path = platform::IsPath(path) ? path : platform::CurrentDirectoryFile(path);
        return !d.path.empty();
    }
    if (model < 0 || model >= static_cast<int>(kModels.size())) return false;
    const std::string file = platform::LibraryFileName(kModels[static_cast<size_t>(model)].driverFile);
    const std::string driverDir = platform::PrinterDriverDir();
    if (DirectoryExists(driverDir) && platform::FileExists(driverDir + file)) d.path = driverDir + file;
    else if (platform::FileExists(platform::ProgramDir() + file)) d.path = platform::ProgramDir() + file;
    return !d.path.empty();
}

bool LoadDiiDriver(int model)
{
    TDiiDriver& d = Driver();
    d.library = platform::DynamicLibrary::Load(d.path);
    if (!d.library) {
        ShowFamilyMessage("Unable to load DLL-file!");
        return false;
    }
    const platform::DynamicLibrary& lib = *d.library;
    switch (kModels[static_cast<size_t>(model)].iface) {
    case Interface::Encoder:
        d.extEncodeInit = lib.Function<DiiExtEncodeInit>("_ExtEncodeInit@16");
        // ELF names carry no argument size, so "_ExtEncodeEnd@8" and the
        // "_ExtEncodeEnd@12" it stood in for are one entry point here.
        d.extEncodeEnd = lib.Function<DiiExtEncodeEnd>("_ExtEncodeEnd@8");
        return d.extEncodeInit && d.extEncodeEnd;
    case Interface::SmartCard:
        d.loadCardSC = lib.Function<DiiLoadCardSC>("_LoadCardSC@24");
        d.unloadCardSC = lib.Function<DiiUnloadCardSC>("_UnloadCardSC@28");
        return d.loadCardSC && d.unloadCardSC;
    case Interface::Cx: {
        d.cxLoadCard = lib.Function<DiiCxCard>("CXCMD_LoadCard");
        d.cxMoveCard = lib.Function<DiiCxCard>("CXCMD_MoveCard");
        DiiCxScan scan;
        if (model == 4) {
            scan = lib.Function<DiiCxScan>("CXCMD_ScanCX320");
            if (!scan || !d.cxLoadCard || !d.cxMoveCard) return false;
        } else {
            scan = lib.Function<DiiCxScan>("CXCMD_ScanPrinter");
            // Never called, but a driver without them is not the one we know.
            const bool rest = lib.Symbol("CXCMD_ScanPrinterNext") && lib.Symbol("CXCMD_CheckIfConnected");
            if (!scan || !d.cxLoadCard || !d.cxMoveCard || !rest) return false;
        }
        d.lastCxResult = scan(&d.id1, &d.id2);
        return true;
    }
    }
    return false;
}

bool CheckDiiResult(std::int32_t code, const char* call, const std::string& operation)
{
    const std::string name = DiiResultName(code);
    RunLog().Vendor(call, code, name);
    if (name.empty()) return true;
    ShowMessage(name, "XID Error - " + operation, platform::MessageIcon::Error);
    return false;
}

bool ExtEncodeFeed(bool contact, const std::string& name)
{
    std::int32_t handle = 0;
    const std::int32_t code = Driver().extEncodeInit(name.c_str(), contact ? 0 : -1, 0, &handle);
    const bool done = CheckDiiResult(code, "ExtEncodeInit", "Feed");
    // Kept even after an error: the EJECT that follows needs whatever the
    // driver handed out.
    PhandleFile::Write(handle);
    return done;
}

bool ExtEncodeFinish(std::int32_t endMode, const std::string& operation)
{
    const TDiiDriver& d = Driver();
    const std::int32_t handle = PhandleFile::Read();
    const std::int32_t code = d.extEncodeEnd(handle, endMode);
    return CheckDiiResult(code, "ExtEncodeEnd", operation);
}

bool DiiCommand(int model, const std::string& name, const std::string& command, bool)
{
    TDiiDriver& d = Driver();
    if (!d.library) {
        if (!FindDiiDriver(model)) {
            ShowFamilyMessage("Can not find printer driver DLL.");
            return false;
        }
        if (!LoadDiiDriver(model)) {
            d.library.reset();
            ShowFamilyMessage("Error initializing DLL");
            return false;
        }
    }
    const TDiiSettings s = ReadSettings();
    const std::string word = platform::UpperCase(command);
    const Interface iface = kModels[static_cast<size_t>(model)].iface;

    if (iface == Interface::Cx) {
        if (word == "FEED") {
            d.lastCxResult = d.cxLoadCard(d.id1, d.id2, 2, 0, 0, 0);
            RunLog().Vendor("CXCMD_LoadCard", d.lastCxResult);
        } else if (word == "EJECT" || word == "RETURN") {
            d.lastCxResult = d.cxMoveCard(d.id1, d.id2, word == "EJECT" ? 4 : 0, s.flip ? 1 : 0, 0, 0);
            RunLog().Vendor("CXCMD_MoveCard", d.lastCxResult);
        }
        return d.lastCxResult == 0;
    }
    if (iface == Interface::Encoder) {
        if (word == "FEED") return ExtEncodeFeed(s.contact, name);
        if (word == "EJECT") return ExtEncodeFinish(0, "Eject");
        if (word == "RETURN") return ExtEncodeFinish(-1, "Return");
        return false;
    }
    const std::int32_t c = s.contact ? 1 : 0;
    bool done;
    if (word == "FEED") {
        done = CheckDiiResult(d.loadCardSC(c, nullptr, -1, -1, name.c_str(), 0), "LoadCardSC", "SC_Feed");
    } else if (word == "EJECT") {
        done = CheckDiiResult(d.unloadCardSC(c, nullptr, -1, -1, 1, 0, 0), "UnloadCardSC", "SC_Eject");
    } else if (word == "RETURN") {
        done = CheckDiiResult(d.unloadCardSC(c, nullptr, -1, -1, 0, s.flip ? 1 : 0, 0), "UnloadCardSC",
                              s.flip ? "SC_Flip" : "SC_Return");
    } else {
        return false;
    }
    platform::Sleep(s.cmdDelay);
    return done;
}

} // namespace tavrin
