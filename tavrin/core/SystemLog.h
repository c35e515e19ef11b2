#pragma once
#include <string_view>

namespace tavrin {

// One line to the system log, as "tavrin" with facility user, at priority
// error or info. Nothing is written where the system has no such log.
void WriteSystemLog(std::string_view line, bool error);

} // namespace tavrin
