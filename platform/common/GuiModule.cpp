// The GUI module: the program's windows (dialog, help window, message
// boxes) live in a module of their own, loaded only when a window is to be
// shown, so that a run without a desktop never loads a window toolkit.
#include "Backend.h"
#include "platform/DynamicLibrary.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"

#include <optional>
#include <string>

namespace platform {
namespace {

struct GuiModule {
    bool tried = false;
    std::optional<DynamicLibrary> library;
    std::string error;
};

GuiModule& TheGuiModule()
{
    // Never unloaded: windows it made may still be winding down, and a
    // toolkit does not take kindly to being unmapped while the process
    // ends. Reachable to the end, so not a leak.
    static GuiModule* module = new GuiModule;
    return *module;
}

} // namespace

bool DisplayAvailable() { return backend::NoDisplayReason() == nullptr; }

void* GuiEntryPoint(std::string_view name, std::string* error)
{
    if (const char* why = backend::NoDisplayReason()) {
        if (error) *error = why;
        return nullptr;
    }
    GuiModule& m = TheGuiModule();
    const std::string file = backend::GuiModuleFile();
    if (!m.tried) {
        m.tried = true;
        // From the program directory only, by its full path: a module of the
        // name in the working directory is never loaded.
        m.library = DynamicLibrary::Load(ProgramDir() + file, &m.error);
    }
    if (!m.library) {
        if (error) *error = m.error;
        return nullptr;
    }
    void* entry = m.library->Symbol(name);
    if (!entry && error) *error = file + ": no entry point " + std::string(name);
    return entry;
}

} // namespace platform
