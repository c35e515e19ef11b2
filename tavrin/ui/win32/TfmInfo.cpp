#include "TfmInfo.h"

#include "Controls.h"
#include "Window.h"


namespace tavrin::win32 {
namespace {

constexpr int kWidth = 324, kHeight = 367, kMargin = 6;

void FormShow(HWND window)
{
    HWND memo = ::GetDlgItem(window, IDC_Memo1);
    ::SetFocus(memo);
    ::SendMessageA(memo, EM_SETSEL, 0, 0);
}

// Memo1KeyDown: Esc (key code 27) closes the window; every other key is
// swallowed.
LRESULT CALLBACK MemoProc(HWND memo, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;  // Tab, Enter and Esc come here, not to the dialog
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) ::EndDialog(::GetParent(memo), IDCANCEL);
        return 0;
    case WM_KEYUP:
    case WM_CHAR:
        return 0;
    default:
        break;
    }
    return Original(memo, message, wParam, lParam);
}

void Build(HWND window, const std::string& text)
{
    ::SetWindowTextA(window, "Info");
    SetClientSize(window, kWidth, kHeight);
    MakeControl(window, "BUTTON", "Possible parameter", WS_VISIBLE | BS_GROUPBOX, IDC_GroupBox1, kMargin, kMargin,
                kWidth - 2 * kMargin, kHeight - 2 * kMargin);
    HWND memo = MakeControl(window, "EDIT", MemoText(text).c_str(),
                            WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, IDC_Memo1,
                            kMargin + 8, kMargin + 18, kWidth - 2 * kMargin - 16, kHeight - 2 * kMargin - 26,
                            WS_EX_CLIENTEDGE);
    Subclass(memo, MemoProc);
    CentreOnScreen(window);
    FormShow(window);
}

INT_PTR CALLBACK InfoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        Build(window, *reinterpret_cast<const std::string*>(lParam));
        return FALSE;  // the focus is set
    case WM_CTLCOLORSTATIC:
        // A read-only edit asks here: the text on the tooltip colours.
        if (reinterpret_cast<HWND>(lParam) != ::GetDlgItem(window, IDC_Memo1)) return FALSE;
        ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_INFOTEXT));
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_INFOBK));
        return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_INFOBK));
    case WM_COMMAND:
        // The close box.
        if (LOWORD(wParam) == IDCANCEL) ::EndDialog(window, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

std::string MemoText(const std::string& text)
{
    std::string memo;
    for (char c : text) {
        if (c == '\n') memo += '\r';
        memo += c;
    }
    if (memo.size() >= 2 && memo.compare(memo.size() - 2, 2, "\r\n") == 0) memo.resize(memo.size() - 2);
    return memo;
}

bool ShowHelpWindow(HWND owner, const std::string& text)
{
    return RunDialog(owner, InfoProc, reinterpret_cast<LPARAM>(&text)) != -1;
}

} // namespace tavrin::win32
