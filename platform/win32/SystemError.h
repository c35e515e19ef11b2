#pragma once
// The system's own words for an error code, for the reasons the platform
// calls hand back.
#include <string>
#include <windows.h>

namespace platform::win32 {

inline std::string SystemMessage(DWORD code)
{
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = n && text ? std::string(text, n) : std::string();
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' ' ||
                                message.back() == '.'))
        message.pop_back();
    if (message.empty()) message = "system error";
    return message + " (error " + std::to_string(code) + ")";
}

inline std::string LastErrorMessage() { return SystemMessage(::GetLastError()); }

} // namespace platform::win32
