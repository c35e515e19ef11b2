#pragma once
// One run of the program: start-up, the parameter collection pass, the
// execution pass, and the end. Failures reach the user as message boxes;
// the run's record and its exit status are RunLog's (RunLog.h).
#include <optional>
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

// The collection pass over the parameters (the arguments after the
// program): every one is checked before any takes effect, and the one "/e:"
// parameter moves to the end. nullopt when one is refused (it has no
// marker, or is a second "/e:"); refused then holds the first such.
std::optional<std::vector<std::string>> CollectParameters(const std::vector<std::string>& parameters,
                                                          std::string& refused);

// The command text of an "/e:" parameter.
std::string NormaliseCommand(std::string_view parameter);

// The run for the given arguments (argv[0] is the program as started).
// Errors raised and not handled leave through an exception.
void Run(const std::vector<std::string>& argv);

} // namespace tavrin
