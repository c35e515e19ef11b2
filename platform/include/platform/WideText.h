#pragma once
// Wide strings. Windows' wide characters are UTF-16 code units; here they
// are char16_t. The platform's narrow encoding is UTF-8. Unpaired
// surrogates and invalid UTF-8 become U+FFFD, as Windows' own conversion
// substitutes its default character.
#include <string>
#include <string_view>

namespace platform {

std::string WideToNarrow(std::u16string_view wide);
std::u16string NarrowToWide(std::string_view narrow);

// Text in the ANSI code page, the encoding a host program's text has at
// the A entry points of our libraries on Windows (cp1252 on a western
// system; tavrin.exe itself asks for UTF-8), as UTF-8 and back; a
// character the code page lacks becomes '?'. On Linux such text is UTF-8
// already, and both are the identity.
std::string AnsiToNarrow(std::string_view ansi);
std::string NarrowToAnsi(std::string_view narrow);

// A NUL-terminated UTF-16 string whose code units have another 16-bit type
// (the system's wide characters, where they are 16 bits), as char16_t.
template <typename Unit>
    requires(sizeof(Unit) == sizeof(char16_t))
std::u16string Utf16Copy(const Unit* s)
{
    std::u16string r;
    if (s)
        for (; *s; ++s) r.push_back(static_cast<char16_t>(*s));
    return r;
}

// Length of a NUL-terminated wide string.
inline std::size_t WideLength(const char16_t* s) { return std::char_traits<char16_t>::length(s); }

} // namespace platform
