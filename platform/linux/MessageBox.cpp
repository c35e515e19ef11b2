#include "platform/MessageBox.h"

#include "../common/Backend.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

bool SetAndNotEmpty(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

using GuiMessageBoxFn = int (*)(const char*, std::size_t, const char*, std::size_t, int);

} // namespace

const char* backend::GuiModuleFile() { return "libtavrin-qt.so"; }

const char* backend::NoDisplayReason()
{
    if (SetAndNotEmpty("DISPLAY") || SetAndNotEmpty("WAYLAND_DISPLAY")) return nullptr;
    return "no graphical display (DISPLAY and WAYLAND_DISPLAY are not set)";
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
