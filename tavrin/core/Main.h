#pragma once
// One run of the program: start-up, the parameter collection pass, the
// execution pass, and the end. Every run ends with exit status 0; failures
// reach the user as message boxes.
#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

// The parallel port names, sorted without regard to case. A listing
// failure raises "Fehler Registry auslesen!".
std::vector<std::string> ListParallelPorts();

// Quote removal for quote character q: text that begins with q becomes
// the text up to the next single q (a doubled q stands for one q; what
// follows the closing q is dropped). Text that does not begin with q, that
// never closes, or whose result would be empty is returned unchanged.
std::string Unquote(std::string_view text, char q);

// The command text of an "/e:" parameter.
std::string NormaliseCommand(std::string_view parameter);

// The run for the given arguments (argv[0] is the program as started).
// Errors raised and not handled leave through an exception.
void Run(const std::vector<std::string>& argv);

} // namespace tavrin
