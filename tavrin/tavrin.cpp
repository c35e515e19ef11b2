// Process entry: one run, always ending with exit status 0.
#include "core/Main.h"
#include "platform/MessageBox.h"

#include <exception>

int main(int argc, char** argv)
{
    try {
        tavrin::Run(std::vector<std::string>(argv, argv + argc));
    } catch (const std::exception& e) {
        platform::ReportUnhandledError(e.what());
    } catch (...) {
        platform::ReportUnhandledError("Unknown error");
    }
    return 0;
}
