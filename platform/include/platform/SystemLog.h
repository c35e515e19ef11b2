#pragma once
// The system's log, for the one line a run leaves there (docs/platform.md
// says which log that is on each system).
#include <string_view>

namespace platform {

// One line to the system log, from "tavrin", as an error or as
// information. Nothing is written where the system has no such log, and a
// log that cannot be reached never fails or holds the run.
void WriteSystemLog(std::string_view line, bool error);

} // namespace platform
