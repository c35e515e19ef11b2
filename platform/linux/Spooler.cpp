// The printing system is CUPS, reached through libcups; CUPS_SERVER (and the
// usual client.conf) decide which server is asked.
#include "platform/Spooler.h"

#include "../common/Backend.h"
#include <cups/cups.h>

#include <strings.h>

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

bool PrinterInstalled(const std::string& name)
{
    if (name.empty()) return false;
    // CUPS printer names compare without regard to case, as the check wants.
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s", name.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    bool found = false;
    if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING) {
        ipp_attribute_t* attr = ippFindAttribute(response, "printer-name", IPP_TAG_NAME);
        const char* reported = attr ? ippGetString(attr, 0, nullptr) : nullptr;
        found = reported && strcasecmp(reported, name.c_str()) == 0;
    }
    ippDelete(response);
    return found;
}

std::string DefaultPrinter()
{
    const char* name = cupsGetDefault2(CUPS_HTTP_DEFAULT);
    return name ? name : "";
}

bool backend::SpoolRawJobTo(const std::string& dest, const std::string& documentName,
                            std::span<const std::uint8_t> bytes, std::string* error)
{
    // One Print-Job request carrying the document: the job is either taken
    // whole or not at all.
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s", dest.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, documentName.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, documentName.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, CUPS_FORMAT_RAW);

    const std::string resource = "/printers/" + dest;
    http_status_t status = cupsSendRequest(CUPS_HTTP_DEFAULT, request, resource.c_str(), ippLength(request) + bytes.size());
    if (status == HTTP_STATUS_CONTINUE && !bytes.empty())
        status = cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    ipp_t* response = cupsGetResponse(CUPS_HTTP_DEFAULT, resource.c_str());
    const bool taken = status == HTTP_STATUS_CONTINUE && response &&
                       ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING;
    ippDelete(response);
    ippDelete(request);
    if (!taken && error) *error = cupsLastErrorString();
    return taken;
}

} // namespace platform
