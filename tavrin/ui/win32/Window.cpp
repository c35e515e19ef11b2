#include "Window.h"

#include <cstring>
#include <vector>

namespace tavrin::win32 {
namespace {

// An in-memory dialog template with no controls: style, no menu, the
// dialog class, no caption (set later), and the dialog font at 8 points.
std::vector<WORD> EmptyTemplate()
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    DLGTEMPLATE header{};
    header.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    header.cx = 100;  // dialog units; the dialog sets its size in pixels
    header.cy = 100;
    std::memcpy(words.data(), &header, sizeof header);
    words.push_back(0);  // no menu
    words.push_back(0);  // the dialog class
    words.push_back(0);  // no caption yet
    words.push_back(8);  // point size
    for (const char* c = "MS Shell Dlg"; *c; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    return words;
}

} // namespace

INT_PTR RunDialog(HWND owner, DLGPROC proc, LPARAM param)
{
    const std::vector<WORD> words = EmptyTemplate();
    return ::DialogBoxIndirectParamA(ModuleInstance(), reinterpret_cast<const DLGTEMPLATE*>(words.data()), owner, proc,
                                     param);
}

void SetClientSize(HWND window, int width, int height)
{
    RECT r{0, 0, width, height};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    ::SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOnScreen(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    RECT r{};
    ::GetWindowRect(window, &r);
    const RECT& area = monitor.rcWork;
    const int x = area.left + ((area.right - area.left) - (r.right - r.left)) / 2;
    const int y = area.top + ((area.bottom - area.top) - (r.bottom - r.top)) / 2;
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND MakeControl(HWND parent, const char* className, const char* text, DWORD style, int id, int x, int y, int w,
                 int h, DWORD exStyle)
{
    HWND control = ::CreateWindowExA(exStyle, className, text, WS_CHILD | style, x, y, w, h, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(), nullptr);
    ::SendMessageA(control, WM_SETFONT, ::SendMessageA(parent, WM_GETFONT, 0, 0), FALSE);
    return control;
}

namespace {
constexpr const char* kOriginalProc = "Tavrin.OriginalProc";
}

void Subclass(HWND control, WNDPROC proc)
{
    const LONG_PTR old = ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    ::SetPropA(control, kOriginalProc, reinterpret_cast<HANDLE>(old));
}

LRESULT Original(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto old = reinterpret_cast<WNDPROC>(::GetPropA(control, kOriginalProc));
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        ::RemovePropA(control, kOriginalProc);
    }
    return ::CallWindowProcA(old, control, message, wParam, lParam);
}

std::string WindowText(HWND window)
{
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void SetWindowTextIfChanged(HWND window, const std::string& text)
{
    if (WindowText(window) != text) ::SetWindowTextA(window, text.c_str());
}

} // namespace tavrin::win32
