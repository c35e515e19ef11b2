#include "platform/MessageBox.h"

#include "../common/Backend.h"
#include "platform/DynamicLibrary.h"
#include "platform/Process.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace platform {
namespace {

constexpr const char* kGuiModule = "libtavrin-qt.so";

struct GuiModule {
    bool tried = false;
    std::optional<DynamicLibrary> library;
    std::string error;
};

GuiModule& TheGuiModule()
{
    // Never unloaded: the toolkit it pulls in does not take kindly to being
    // unmapped while the process winds down. Reachable to the end, so not a
    // leak.
    static GuiModule* module = new GuiModule;
    return *module;
}

bool SetAndNotEmpty(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

using GuiMessageBoxFn = int (*)(const char*, std::size_t, const char*, std::size_t, int);

} // namespace

bool DisplayAvailable() { return SetAndNotEmpty("DISPLAY") || SetAndNotEmpty("WAYLAND_DISPLAY"); }

void* GuiEntryPoint(std::string_view name, std::string* error)
{
    if (!DisplayAvailable()) {
        if (error) *error = "no graphical display (DISPLAY and WAYLAND_DISPLAY are not set)";
        return nullptr;
    }
    GuiModule& m = TheGuiModule();
    if (!m.tried) {
        m.tried = true;
        // From the program directory only: a window toolkit picked up from
        // the working directory would run anything.
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
    if (auto gui = reinterpret_cast<GuiMessageBoxFn>(GuiEntryPoint("TavrinGuiMessageBox"))) {
        if (gui(text.data(), text.size(), caption.data(), caption.size(), static_cast<int>(icon)) != 0) return;
    }
    const std::string line = ConsoleMessageLine(text, caption);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace platform
