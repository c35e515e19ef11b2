#include "platform/MessageBox.h"

#include "../common/Backend.h"
#include "platform/SystemLog.h"
#include "platform/WideText.h"

#include <cstdio>
#include <string>
#include <windows.h>

namespace platform {

const char* backend::GuiModuleFile() { return "TavrinGui.dll"; }

// Windows always has a desktop to show a box on.
const char* backend::NoDisplayReason() { return nullptr; }

namespace {

// A service, or a task that runs whether or not a user is logged on, has a
// window station no one sees: a box there is never answered and the run
// would wait for ever.
bool InvisibleWindowStation()
{
    const HWINSTA station = ::GetProcessWindowStation();
    USEROBJECTFLAGS flags {};
    DWORD needed = 0;
    if (!station || !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return false;
    return (flags.dwFlags & WSF_VISIBLE) == 0;
}

std::wstring Wide(const std::string& text)
{
    const std::u16string w = NarrowToWide(text);
    return std::wstring(w.begin(), w.end());
}

} // namespace

void backend::ShowSystemMessageBox(std::string_view text, std::string_view caption, MessageIcon icon)
{
    UINT symbol = 0;
    switch (icon) {
    case MessageIcon::Information: symbol = MB_ICONINFORMATION; break;
    case MessageIcon::Warning: symbol = MB_ICONWARNING; break;
    case MessageIcon::Error: symbol = MB_ICONERROR; break;
    case MessageIcon::None: break;
    }
    // The views need not end in a NUL; the system's strings must. Our text
    // is UTF-8, which MessageBoxA would read in the ANSI code page.
    const std::string body(text), title(caption);
    const bool invisible = InvisibleWindowStation();
    if (!invisible && ::MessageBoxW(nullptr, Wide(body).c_str(), Wide(title).c_str(), MB_OK | symbol | MB_TASKMODAL) > 0)
        return;
    // No window could be shown (a service's session, Wine without a
    // display): the console form, byte for byte (the C library's text
    // mode would turn its "\r\n" into "\r\r\n"); where no one could see
    // a window, also the event log, which is read there.
    const std::string line = ConsoleMessageLine(text, caption);
    if (invisible) WriteSystemLog(line, icon == MessageIcon::Error || icon == MessageIcon::Warning);
    std::fflush(stderr);
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace platform
