#pragma once
// Modal message boxes with one OK button. Where there is a desktop they are
// windows; where there is none they are written to standard error as one
// line,
//     <caption>: <text>
// and the run goes on as if OK had been pressed. Texts are shown exactly;
// in that line a carriage return that is not already followed by a line
// feed gets one, so a terminal shows the break the text asks for.
//
// TAVRIN_MESSAGE_LOG names a file that gets a copy of every box, shown or
// not: a line "#icon <none|information|warning|error>", then the box's
// line as above. Scripts and tests read what a person was shown there.
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

// True when there is a desktop to show windows on.
bool DisplayAvailable();

// An entry point of the GUI module, the program's windows (in the program
// directory). The module is loaded on first use, only when a desktop is
// available, and stays loaded until the process ends; nullptr when there is
// none or the module or entry point cannot be had (reason in *error).
void* GuiEntryPoint(std::string_view name, std::string* error = nullptr);

} // namespace platform
