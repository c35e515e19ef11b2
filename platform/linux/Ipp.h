#pragma once
// What the Linux backend's CUPS calls share: owned IPP messages and the
// URI of a queue on the configured server.
#include <cups/cups.h>

#include <memory>
#include <string>
#include <string_view>

namespace platform::linux_backend {

struct IppDeleter {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using IppPtr = std::unique_ptr<ipp_t, IppDeleter>;

// ipp://localhost/printers/<name>: the scheduler CUPS_SERVER names takes it
// as its own queue, whatever host it runs on.
inline std::string PrinterUri(std::string_view name)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     std::string(name).c_str());
    return uri;
}

// A request of operation op about one queue, its printer-uri set.
inline ipp_t* PrinterRequest(ipp_op_t op, std::string_view name)
{
    ipp_t* request = ippNewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(name).c_str());
    return request;
}

// Whose request it is, for a scheduler that keeps jobs and changes apart
// by user.
inline void AddRequestingUser(ipp_t* request)
{
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
}

// True when the scheduler answered and did what was asked.
inline bool Ok(ipp_t* response) { return response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING; }

} // namespace platform::linux_backend
