// Process entry: one run. The exit status is 0 unless the caller asked for
// a telling one (TAVRIN_EXIT_STATUS=1, see core/RunLog.h).
#include "core/RunFlow.h"
#include "core/RunLog.h"
#include "platform/Process.h"

#include <exception>
#include <string_view>

namespace {

void ReportUnhandledError(std::string_view text)
{
    tavrin::RunLog().Shown(text);
    platform::ReportUnhandledError(text);
}

} // namespace

int main(int argc, char** argv)
{
    platform::BindStandardStreams();
    try {
        tavrin::Run(std::vector<std::string>(argv, argv + argc));
    } catch (const std::exception& e) {
        ReportUnhandledError(e.what());
    } catch (...) {
        ReportUnhandledError("Unknown error");
    }
    return tavrin::RunLog().Finish();
}
