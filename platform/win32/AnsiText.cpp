#include "platform/WideText.h"

#include <windows.h>

namespace platform {

std::string AnsiToNarrow(std::string_view ansi)
{
    if (ansi.empty() || ::GetACP() == CP_UTF8) return std::string(ansi);
    const int size = static_cast<int>(ansi.size());
    const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    if (n <= 0) return std::string(ansi);
    std::u16string wide(static_cast<std::size_t>(n), u'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, reinterpret_cast<wchar_t*>(wide.data()), n);
    return WideToNarrow(wide);
}

std::string NarrowToAnsi(std::string_view narrow)
{
    if (narrow.empty() || ::GetACP() == CP_UTF8) return std::string(narrow);
    const std::u16string wide = NarrowToWide(narrow);
    const auto* w = reinterpret_cast<const wchar_t*>(wide.data());
    const int size = static_cast<int>(wide.size());
    const int n = ::WideCharToMultiByte(CP_ACP, 0, w, size, nullptr, 0, "?", nullptr);
    if (n <= 0) return std::string(narrow);
    std::string ansi(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, w, size, ansi.data(), n, "?", nullptr);
    return ansi;
}

} // namespace platform
