// The printing system is CUPS, reached through libcups; CUPS_SERVER (and the
// usual client.conf) decide which server is asked.
#include "platform/Spooler.h"

#include "../common/Backend.h"
#include "Ipp.h"

#include <cstdlib>
#include <string_view>
#include <strings.h>

namespace platform {
namespace {

using linux_backend::AddRequestingUser;
using linux_backend::IppPtr;
using linux_backend::Ok;
using linux_backend::PrinterRequest;

// libcups answers NULL when it reached no scheduler at all.
std::string Unreachable()
{
    return std::string("print system unreachable (") + cupsServer() + "): " + cupsLastErrorString();
}

std::string Why(ipp_t* response) { return response ? std::string(cupsLastErrorString()) : Unreachable(); }

// The keywords of an attribute, blank-separated, without "none".
std::string Keywords(ipp_t* response, const char* name)
{
    std::string words;
    ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_KEYWORD);
    for (int i = 0, n = a ? ippGetCount(a) : 0; i < n; ++i) {
        const char* w = ippGetString(a, i, nullptr);
        if (!w || std::string_view(w) == "none") continue;
        if (!words.empty()) words += ' ';
        words += w;
    }
    return words;
}

bool HasReason(const std::string& reasons, bool (*match)(std::string_view))
{
    size_t at = 0;
    while (at < reasons.size()) {
        const size_t end = std::min(reasons.find(' ', at), reasons.size());
        if (match(std::string_view(reasons).substr(at, end - at))) return true;
        at = end + 1;
    }
    return false;
}

const char* JobStateName(int state)
{
    switch (state) {
    case IPP_JSTATE_PENDING: return "pending";
    case IPP_JSTATE_HELD: return "held";
    case IPP_JSTATE_PROCESSING: return "processing";
    case IPP_JSTATE_STOPPED: return "stopped";
    case IPP_JSTATE_CANCELED: return "canceled";
    case IPP_JSTATE_ABORTED: return "aborted";
    case IPP_JSTATE_COMPLETED: return "completed";
    }
    return "unknown";
}

} // namespace

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

bool PrinterInstalled(const std::string& name, std::string* unreachable)
{
    if (unreachable) unreachable->clear();
    if (name.empty()) return false;
    // CUPS printer names compare without regard to case, as the check wants.
    ipp_t* request = PrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, name);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-name");
    const IppPtr response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (!response) {
        if (unreachable) *unreachable = Unreachable();
        return false;
    }
    if (!Ok(response.get())) return false;
    ipp_attribute_t* attr = ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME);
    const char* reported = attr ? ippGetString(attr, 0, nullptr) : nullptr;
    return reported && strcasecmp(reported, name.c_str()) == 0;
}

std::string DefaultPrinter()
{
    const char* name = cupsGetDefault2(CUPS_HTTP_DEFAULT);
    return name ? name : "";
}

bool backend::QueryQueue(const std::string& printer, QueueReport& report, std::string* error)
{
    ipp_t* request = PrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printer);
    static const char* const wanted[] = {"printer-state", "printer-state-reasons", "printer-is-accepting-jobs"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(wanted)), nullptr, wanted);
    const IppPtr response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (!Ok(response.get())) {
        if (error) *error = Why(response.get());
        return false;
    }
    ipp_attribute_t* state = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM);
    ipp_attribute_t* accepting = ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    report.reasons = Keywords(response.get(), "printer-state-reasons");
    // "paused" is what cupsdisable and a stop after a failed delivery set;
    // a reason's "-error" suffix is its severity.
    report.paused = (state && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED) ||
                    HasReason(report.reasons, [](std::string_view r) { return r == "paused"; });
    report.accepting = !accepting || ippGetBoolean(accepting, 0);
    report.offline = HasReason(report.reasons, [](std::string_view r) { return r.rfind("offline", 0) == 0; });
    report.error = HasReason(report.reasons, [](std::string_view r) {
        return r.size() > 6 && r.substr(r.size() - 6) == "-error";
    });
    return true;
}

bool backend::SubmitRawJob(const std::string& printer, const std::string& documentName,
                           std::span<const std::uint8_t> bytes, std::string& jobId, std::string* error)
{
    // One Print-Job request carrying the document: the job is either taken
    // whole or not at all.
    ipp_t* request = PrinterRequest(IPP_OP_PRINT_JOB, printer);
    AddRequestingUser(request);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, documentName.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, documentName.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, CUPS_FORMAT_RAW);

    const std::string resource = "/printers/" + printer;
    http_status_t status = cupsSendRequest(CUPS_HTTP_DEFAULT, request, resource.c_str(), ippLength(request) + bytes.size());
    if (status == HTTP_STATUS_CONTINUE && !bytes.empty())
        status = cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const IppPtr response(cupsGetResponse(CUPS_HTTP_DEFAULT, resource.c_str()));
    ippDelete(request);
    ipp_attribute_t* id = response ? ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER) : nullptr;
    const bool taken = status == HTTP_STATUS_CONTINUE && Ok(response.get()) && id;
    if (!taken) {
        if (error) *error = Why(response.get());
        return false;
    }
    jobId = std::to_string(ippGetInteger(id, 0));
    return true;
}

bool backend::QueryJob(const std::string& printer, const std::string& jobId, JobReport& report, std::string* error)
{
    ipp_t* request = PrinterRequest(IPP_OP_GET_JOB_ATTRIBUTES, printer);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", std::atoi(jobId.c_str()));
    AddRequestingUser(request);
    static const char* const wanted[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(wanted)), nullptr, wanted);
    const IppPtr response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (response && ippGetStatusCode(response.get()) == IPP_STATUS_ERROR_NOT_FOUND) {
        // A scheduler that keeps no history forgets a job once it ended.
        report.phase = JobPhase::Gone;
        return true;
    }
    if (!Ok(response.get())) {
        if (error) *error = Why(response.get());
        return false;
    }
    ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
    const int value = state ? ippGetInteger(state, 0) : 0;
    report.state = JobStateName(value);
    report.reasons = Keywords(response.get(), "job-state-reasons");
    ipp_attribute_t* message = ippFindAttribute(response.get(), "job-printer-state-message", IPP_TAG_TEXT);
    const char* text = message ? ippGetString(message, 0, nullptr) : nullptr;
    report.message = text ? text : "";
    switch (value) {
    case IPP_JSTATE_PENDING: report.phase = JobPhase::Waiting; break;
    case IPP_JSTATE_HELD:
        // Held on someone's word, or kept back after its delivery failed
        // (CUPS holds such a job when the queue's error policy stops it).
        report.phase = report.reasons.find("job-hold-until-specified") != std::string::npos ? JobPhase::Held
                                                                                             : JobPhase::Failed;
        break;
    case IPP_JSTATE_PROCESSING: report.phase = JobPhase::Printing; break;
    case IPP_JSTATE_COMPLETED: report.phase = JobPhase::Delivered; break;
    default: report.phase = JobPhase::Failed; break;  // stopped, canceled, aborted, or no state at all
    }
    return true;
}

bool backend::CancelJob(const std::string& printer, const std::string& jobId)
{
    const ipp_status_t status = cupsCancelJob2(CUPS_HTTP_DEFAULT, printer.c_str(), std::atoi(jobId.c_str()), 0);
    // "Not possible" is the answer for a job that has already ended.
    return status <= IPP_STATUS_OK_CONFLICTING || status == IPP_STATUS_ERROR_NOT_POSSIBLE ||
           status == IPP_STATUS_ERROR_NOT_FOUND;
}

} // namespace platform
