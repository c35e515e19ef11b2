// syslog(3): ident "tavrin", facility user, priority err or info.
#include "platform/SystemLog.h"

#include <string>
#include <syslog.h>

namespace platform {

void WriteSystemLog(std::string_view line, bool error)
{
    // No LOG_CONS: a machine without a log daemon gets nothing rather than
    // a line on its console. The connection is made by the one call.
    const std::string text(line);
    ::openlog("tavrin", LOG_PID, LOG_USER);
    ::syslog(error ? LOG_ERR : LOG_INFO, "%s", text.c_str());
    ::closelog();
}

} // namespace platform
