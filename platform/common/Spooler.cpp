#include "platform/Spooler.h"

#include "Backend.h"

namespace platform {

bool SpoolRawJob(const std::string& printer, const std::string& documentName,
                 std::span<const std::uint8_t> bytes, std::string* error)
{
    const std::string dest = printer.empty() ? DefaultPrinter() : printer;
    if (dest.empty()) {
        if (error) *error = "no default printer";
        return false;
    }
    return backend::SpoolRawJobTo(dest, documentName, bytes, error);
}

} // namespace platform
