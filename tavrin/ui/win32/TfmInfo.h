#pragma once
// The parameter help window on Windows: caption "Info", the group
// "Possible parameter" filling the window, and in it the read-only text
// (Memo1) with a vertical scroll bar, on the tooltip colour. Esc closes the
// window; every other key is swallowed, so the keyboard neither edits nor
// moves through the text. The scroll bar and the close box work with the
// mouse.
#include <string>
#include <windows.h>

namespace tavrin::win32 {

// Shows the text (lines ended by "\n") until the window is closed. False
// when no window could be made.
bool ShowHelpWindow(HWND owner, const std::string& text);

// The text as the edit control takes it: lines joined by "\r\n", no break
// after the last.
std::string MemoText(const std::string& text);

} // namespace tavrin::win32
