#include "MaskEdit.h"

#include "Window.h"
#include "ui/DialogModel.h"

#include <algorithm>
#include <cctype>

namespace tavrin::win32 {
namespace {

constexpr std::size_t kPlaces = kAnswerAddressLength - 1;  // after the "$"

bool Fits(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

std::string Shown(HWND edit)
{
    char buffer[kAnswerAddressLength + 1] = {};
    ::GetWindowTextA(edit, buffer, sizeof buffer);
    std::string s = MaskDisplay(buffer);
    return s;
}

void Selection(HWND edit, std::size_t& from, std::size_t& to)
{
    DWORD start = 0, end = 0;
    ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    from = std::clamp<std::size_t>(start, 1, kAnswerAddressLength);
    to = std::clamp<std::size_t>(end, from, kAnswerAddressLength);
}

void Show(HWND edit, const std::string& shown, std::size_t caret)
{
    Original(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    ::SendMessageA(edit, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

// Empties the selected places; the caret goes to the first of them.
void Clear(HWND edit, std::size_t from, std::size_t to)
{
    std::string shown = Shown(edit);
    for (std::size_t i = from; i < to; ++i) shown[i] = kAnswerAddressPlaceholder;
    Show(edit, shown, from);
}

void Type(HWND edit, char c)
{
    std::size_t from = 0, to = 0;
    Selection(edit, from, to);
    std::string shown = Shown(edit);
    for (std::size_t i = from; i < to; ++i) shown[i] = kAnswerAddressPlaceholder;
    if (from <= kPlaces) shown[from++] = c;
    Show(edit, shown, from);
}

void Erase(HWND edit, bool backwards)
{
    std::size_t from = 0, to = 0;
    Selection(edit, from, to);
    if (from == to) {
        if (backwards && from > 1) --from;
        to = std::min(from + 1, kAnswerAddressLength);
    }
    Clear(edit, from, to);
}

void Paste(HWND edit)
{
    if (!::OpenClipboard(edit)) return;
    std::string text;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(data))) {
            text = p;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    for (char c : text)
        if (Fits(c)) Type(edit, c);
}

LRESULT CALLBACK MaskProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CHAR:
        if (wParam == VK_BACK) Erase(edit, true);
        else if (wParam < 0x80 && Fits(static_cast<char>(wParam))) Type(edit, static_cast<char>(wParam));
        else if (wParam >= ' ') ::MessageBeep(MB_OK);
        else break;  // Tab, Enter, Esc and the like belong to the dialog
        return 0;
    case WM_KEYDOWN:
        if (wParam != VK_DELETE) break;
        Erase(edit, false);
        return 0;
    case WM_PASTE:
        Paste(edit);
        return 0;
    case WM_CUT:
    case WM_CLEAR: {
        std::size_t from = 0, to = 0;
        Selection(edit, from, to);
        if (message == WM_CUT) Original(edit, WM_COPY, 0, 0);
        Clear(edit, from, to);
        return 0;
    }
    case WM_SETTEXT: {
        const std::string shown = MaskDisplay(lParam ? reinterpret_cast<const char*>(lParam) : "");
        return Original(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    default:
        break;
    }
    return Original(edit, message, wParam, lParam);
}

} // namespace

std::string MaskDisplay(const std::string& text)
{
    std::string shown = "$";
    std::size_t i = !text.empty() && text[0] == '$' ? 1 : 0;
    for (; i < text.size() && shown.size() < kAnswerAddressLength; ++i) {
        if (Fits(text[i])) shown += text[i];
        else if (text[i] == ' ' || text[i] == kAnswerAddressPlaceholder) shown += kAnswerAddressPlaceholder;
    }
    shown.resize(kAnswerAddressLength, kAnswerAddressPlaceholder);
    return shown;
}

void MakeMaskEdit(HWND edit)
{
    ::SendMessageA(edit, EM_LIMITTEXT, kAnswerAddressLength, 0);
    Subclass(edit, MaskProc);
    ::SetWindowTextA(edit, "");
}

std::string MaskEditText(HWND edit)
{
    std::string text = Shown(edit);
    std::replace(text.begin(), text.end(), kAnswerAddressPlaceholder, ' ');
    return text;
}

void SetMaskEditText(HWND edit, const std::string& text)
{
    if (Shown(edit) != MaskDisplay(text)) ::SetWindowTextA(edit, text.c_str());
}

} // namespace tavrin::win32
