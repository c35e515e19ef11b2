// The Application event log: source "tavrin", event 1, type error or
// information, the line as the event's one string. The source is not
// registered with a message file, so the Event Viewer shows the line below
// its note that the description cannot be found.
#include "platform/SystemLog.h"

#include <string>
#include <windows.h>

namespace platform {

void WriteSystemLog(std::string_view line, bool error)
{
    const HANDLE log = ::RegisterEventSourceA(nullptr, "tavrin");
    if (!log) return;
    const std::string text(line);
    const char* strings[] = {text.c_str()};
    ::ReportEventA(log, error ? EVENTLOG_ERROR_TYPE : EVENTLOG_INFORMATION_TYPE, 0, 1, nullptr, 1, 0, strings,
                   nullptr);
    ::DeregisterEventSource(log);
}

} // namespace platform
