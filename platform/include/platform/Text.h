#pragma once
// Text helpers with the semantics the system's texts were written for:
// ASCII-only case mapping (bytes above 0x7F are left alone, so UTF-8 passes
// through untouched) and trimming of every character code up to the blank.
#include <algorithm>
#include <string>
#include <string_view>

namespace platform {

inline char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
inline char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

inline std::string UpperCase(std::string_view s)
{
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), UpperChar);
    return r;
}

inline std::string LowerCase(std::string_view s)
{
    std::string r(s);
    std::transform(r.begin(), r.end(), r.begin(), LowerChar);
    return r;
}

inline bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

inline std::string_view TrimView(std::string_view s)
{
    while (!s.empty() && IsBlankOrControl(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlankOrControl(s.back())) s.remove_suffix(1);
    return s;
}

inline std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

// Case-insensitive comparison, ASCII letters only.
inline int CompareText(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(LowerChar(a[i]));
        const unsigned char y = static_cast<unsigned char>(LowerChar(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

inline bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }

inline bool Contains(std::string_view haystack, std::string_view needle)
{
    return haystack.find(needle) != std::string_view::npos;
}

} // namespace platform
