// The printing system is CUPS, reached through libcups; CUPS_SERVER (and the
// usual client.conf) decide which server is asked.
#include "platform/Spooler.h"

#include <cups/cups.h>

namespace platform {

std::vector<std::string> InstalledPrinters()
{
    std::vector<std::string> names;
    cups_dest_t* dests = nullptr;
    const int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < n; ++i)
        if (dests[i].instance == nullptr) names.emplace_back(dests[i].name);
    cupsFreeDests(n, dests);
    return names;
}

std::string DefaultPrinter()
{
    const char* name = cupsGetDefault2(CUPS_HTTP_DEFAULT);
    return name ? name : "";
}

bool SpoolRawJob(const std::string& printer, const std::string& documentName,
                 std::span<const std::uint8_t> bytes, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const std::string dest = printer.empty() ? DefaultPrinter() : printer;
    if (dest.empty()) return fail("no default printer");

    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, dest.c_str(), documentName.c_str(), 0, nullptr);
    if (job == 0) return fail(cupsLastErrorString());
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, dest.c_str(), job, documentName.c_str(), CUPS_FORMAT_RAW, 1) !=
        HTTP_STATUS_CONTINUE) {
        cupsCancelJob2(CUPS_HTTP_DEFAULT, dest.c_str(), job, 0);
        return fail(cupsLastErrorString());
    }
    bool written = true;
    if (!bytes.empty())
        written = cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char*>(bytes.data()), bytes.size()) ==
                  HTTP_STATUS_CONTINUE;
    const ipp_status_t finished = cupsFinishDocument(CUPS_HTTP_DEFAULT, dest.c_str());
    if (!written || finished > IPP_STATUS_OK_CONFLICTING) return fail(cupsLastErrorString());
    return true;
}

} // namespace platform
