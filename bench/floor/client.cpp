// The floor of a card movement through the spooler: a program that makes
// the two requests tavrin makes for /e:EJECT (is the printer there, then
// one raw job) and nothing else. Built as C (the cost of the CUPS client
// alone) and as C++ with the C++ runtime linked as the program links it,
// bound at load time to empty libraries in place of tavrin's three (one of
// them loading a fourth as it is loaded, as Scorpa loads the ASPI layer).
#include <cups/cups.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#ifdef __cplusplus
#include <string>
extern "C" int FloorLibraryA(void);
#endif

static int Installed(const char* name)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", NULL, "localhost", 0, "/printers/%s", name);
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", NULL, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", NULL, "printer-name");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    int found = 0;
    if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING) {
        ipp_attribute_t* attr = ippFindAttribute(response, "printer-name", IPP_TAG_NAME);
        const char* reported = attr ? ippGetString(attr, 0, NULL) : NULL;
        found = reported && strcasecmp(reported, name) == 0;
    }
    ippDelete(response);
    return found;
}

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
#ifdef __cplusplus
    const std::string name(argv[1]);  // a string as the program holds one
    const char* printer = name.c_str();
#else
    const char* printer = argv[1];
#endif
    if (!Installed(printer)) return 1;
    static const char bytes[] = "\x1bME\r\n";
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", NULL, "localhost", 0, "/printers/%s", printer);
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", NULL, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", NULL, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", NULL, "Printer command");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", NULL, "Printer command");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", NULL, CUPS_FORMAT_RAW);
    char resource[300];
    snprintf(resource, sizeof resource, "/printers/%s", printer);
    http_status_t status =
        cupsSendRequest(CUPS_HTTP_DEFAULT, request, resource, ippLength(request) + sizeof bytes - 1);
    if (status == HTTP_STATUS_CONTINUE) status = cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes, sizeof bytes - 1);
    ipp_t* response = cupsGetResponse(CUPS_HTTP_DEFAULT, resource);
    const int ok = status == HTTP_STATUS_CONTINUE && response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING;
    ippDelete(response);
    ippDelete(request);
#ifdef __cplusplus
    if (argc > 2) return FloorLibraryA();
#endif
    return ok ? 0 : 1;
}
