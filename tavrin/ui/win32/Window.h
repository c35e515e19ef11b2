#pragma once
// What the module's windows share: the module's instance, modal dialogs
// made from an empty template (the controls are created in pixels when the
// dialog starts, so both views of the dialog share one layout), and small
// helpers around the system's calls.
#include <string>
#include <windows.h>

namespace tavrin::win32 {

HINSTANCE ModuleInstance();

// Shows a modal dialog, fixed border, caption and close box, whose window
// procedure is proc; param reaches WM_INITDIALOG. Returns what EndDialog
// was given (-1 when the dialog could not be made).
INT_PTR RunDialog(HWND owner, DLGPROC proc, LPARAM param);

// The dialog's own area becomes width x height pixels; the window keeps
// its place.
void SetClientSize(HWND window, int width, int height);

// Puts a window in the middle of the work area of its monitor.
void CentreOnScreen(HWND window);

// A child control with the dialog's font.
HWND MakeControl(HWND parent, const char* className, const char* text, DWORD style, int id, int x, int y, int w,
                 int h, DWORD exStyle = 0);

// Gives a control a window procedure of ours (its messages in their ANSI
// form); Original passes a message on to the procedure it had before.
void Subclass(HWND control, WNDPROC proc);
LRESULT Original(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

std::string WindowText(HWND window);
void SetWindowTextIfChanged(HWND window, const std::string& text);

} // namespace tavrin::win32
