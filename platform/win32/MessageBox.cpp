#include "platform/MessageBox.h"

#include "../common/Backend.h"

#include <cstdio>
#include <string>
#include <windows.h>

namespace platform {

const char* backend::GuiModuleFile() { return "TavrinGui.dll"; }

// Windows always has a desktop to show a box on.
const char* backend::NoDisplayReason() { return nullptr; }

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
