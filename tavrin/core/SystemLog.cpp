// The run's line to syslog(3). The one call into the system outside
// platform/: the platform layer has no system log of its own yet, and this
// is the whole of it, so it can move there unchanged.
#include "SystemLog.h"

#include <string>

#if __has_include(<syslog.h>)
#include <syslog.h>
#define TAVRIN_HAVE_SYSLOG 1
#endif

namespace tavrin {

void WriteSystemLog(std::string_view line, bool error)
{
#ifdef TAVRIN_HAVE_SYSLOG
    // No LOG_CONS: a machine without a log daemon gets nothing rather than
    // a line on its console. The connection is made by the one call.
    const std::string text(line);
    ::openlog("tavrin", LOG_PID, LOG_USER);
    ::syslog(error ? LOG_ERR : LOG_INFO, "%s", text.c_str());
    ::closelog();
#else
    (void)line;
    (void)error;
#endif
}

} // namespace tavrin
