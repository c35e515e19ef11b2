#pragma once
// Modal message boxes. With a graphical backend installed (the GUI module
// does that when a display is available) they are windows; without one the
// console backend writes one line to standard error,
//     <caption>: <text>
// and the run goes on as if OK had been pressed. Texts are shown exactly;
// a carriage return that is not already followed by a line feed gets one,
// so a terminal shows the break the text asks for.
#include <string>
#include <string_view>

namespace platform {

enum class MessageIcon { None, Information, Warning, Error };

class MessageBackend {
public:
    virtual ~MessageBackend() = default;
    virtual void Show(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
};

// Installs the backend used from now on (nullptr: the console again).
void SetMessageBackend(MessageBackend* backend);

// One modal box with one OK button.
void ShowMessageBox(std::string_view text, std::string_view caption, MessageIcon icon);

// The error box: title "Error", error symbol, one OK button.
void ShowErrorBox(std::string_view text);

// The standard report of an error raised and not handled: its own text.
void ReportUnhandledError(std::string_view text);

// The console rendering of a box, as written to standard error.
std::string ConsoleMessageLine(std::string_view text, std::string_view caption);

// True when there is a graphical display to show windows on: DISPLAY or
// WAYLAND_DISPLAY is set and not empty.
bool DisplayAvailable();

// An entry point of the GUI module (libtavrin-qt.so in the program
// directory). The module is loaded on first use, only when a display is
// available, and stays loaded until the process ends; nullptr when there is
// no display or the module or entry point cannot be had (reason in *error).
// With no backend installed, boxes go to the module's "TavrinGuiMessageBox"
// whenever it is there, to the console otherwise.
void* GuiEntryPoint(std::string_view name, std::string* error = nullptr);

} // namespace platform
