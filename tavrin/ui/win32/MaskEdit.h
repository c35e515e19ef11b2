#pragma once
// The answer-address field: an edit control held to its mask "$aaaa;1;_".
// It always shows a "$" and four places; a place not typed shows the
// placeholder "_". Typing overwrites the place at the caret (letters and
// digits only, never the "$"); Backspace and Delete empty places again.
#include <string>
#include <windows.h>

namespace tavrin::win32 {

// Makes edit a masked field (it must live as long as the edit does).
void MakeMaskEdit(HWND edit);

// The field's text as the dialog keeps it: places not typed are blanks.
std::string MaskEditText(HWND edit);

// Shows text in the field: a leading "$" is the mask's own; then letters
// and digits take the places in turn, a blank keeps its place empty, and
// anything else is left out.
void SetMaskEditText(HWND edit, const std::string& text);

// The mask's rendering of a text ("$3 78" shows as "$3_78").
std::string MaskDisplay(const std::string& text);

} // namespace tavrin::win32
