#include "Families.h"

#include "DiiDrivers.h"
#include "FamilyMessages.h"
#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <cstdio>
#include <optional>

namespace tavrin {
namespace {

struct TPavoLibrary {
    std::optional<platform::DynamicLibrary> library;
    PavoMoveCard moveCard = nullptr;
};

// Loaded by the first CIAAT command and kept until the program ends.
TPavoLibrary& Pavo()
{
    static TPavoLibrary pavo;
    return pavo;
}

void LoadPavo(TPavoLibrary& p)
{
    // The file must be in the current directory; it is then loaded by the
    // usual search, which puts the current directory last.
    if (!platform::FileExists(platform::LibraryFileName("PavoApi.dll"))) {
        ShowFamilyMessage("Can not find printer driver DLL.");
        return;
    }
    p.library = platform::DynamicLibrary::Load("PavoApi.dll");
    if (!p.library) ShowFamilyMessage("Unable to load DLL-file!");
    else p.moveCard = p.library->Function<PavoMoveCard>("PAVO_MoveCard");
    if (!p.moveCard) ShowFamilyMessage("Error initializing DLL");
}

} // namespace

bool CiaatCommand(const std::string& mode, const std::string& name, const std::string& command)
{
    TPavoLibrary& p = Pavo();
    if (!p.library) LoadPavo(p);
    if (mode != "USB") return false;
    const std::string word = platform::UpperCase(command);
    std::int32_t moveCode;
    if (word == "FEED") moveCode = 3;
    else if (word == "EJECT") moveCode = 4;
    else return false;
    if (!p.moveCard) return false;
    const std::int32_t code = p.moveCard(name.c_str(), moveCode);
    RunLog().Vendor("PAVO_MoveCard", code);
    if (code != 0) {
        char text[32];
        std::snprintf(text, sizeof text, "ERROR: 0x%08X", static_cast<std::uint32_t>(code));
        ShowFamilyMessage(text);
        return false;
    }
    return true;
}

} // namespace tavrin
