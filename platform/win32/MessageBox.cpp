#include "platform/MessageBox.h"

#include "../common/Backend.h"

#include "platform/DynamicLibrary.h"
#include "platform/Process.h"

#include <cstdio>
#include <optional>
#include <string>
#include <windows.h>

namespace platform {

// Windows always has a desktop to show a box on.
bool DisplayAvailable() { return true; }

namespace {

constexpr const char* kGuiModule = "TavrinGui.dll";

struct GuiModule {
    bool tried = false;
    std::optional<DynamicLibrary> library;
    std::string error;
};

GuiModule& TheGuiModule()
{
    // Kept to the end of the process: windows it made may still be
    // winding down while the run ends.
    static GuiModule* module = new GuiModule;
    return *module;
}

} // namespace

void* GuiEntryPoint(std::string_view name, std::string* error)
{
    GuiModule& m = TheGuiModule();
    if (!m.tried) {
        m.tried = true;
        // From the program directory only, by its full path: a module of the
        // name in the working directory is never loaded.
        m.library = DynamicLibrary::Load(ProgramDir() + kGuiModule, &m.error);
    }
    if (!m.library) {
        if (error) *error = m.error;
        return nullptr;
    }
    void* entry = m.library->Symbol(name);
    if (!entry && error) *error = std::string(kGuiModule) + ": no entry point " + std::string(name);
    return entry;
}

void backend::ShowSystemMessageBox(std::string_view text, std::string_view caption, MessageIcon icon)
{
    UINT symbol = 0;
    switch (icon) {
    case MessageIcon::Information: symbol = MB_ICONINFORMATION; break;
    case MessageIcon::Warning: symbol = MB_ICONWARNING; break;
    case MessageIcon::Error: symbol = MB_ICONERROR; break;
    case MessageIcon::None: break;
    }
    // The views need not end in a NUL; the system's strings must.
    const std::string body(text), title(caption);
    if (::MessageBoxA(nullptr, body.c_str(), title.c_str(), MB_OK | symbol | MB_TASKMODAL) > 0) return;
    // No window could be shown (a service's session, Wine without a
    // display): the console form, byte for byte (the C library's text
    // mode would turn its "\r\n" into "\r\r\n").
    const std::string line = ConsoleMessageLine(text, caption);
    std::fflush(stderr);
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace platform
