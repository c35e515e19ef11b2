// Printer objects are CUPS queues; their Windows properties are queue
// options read and written with IPP requests on the configured server. The
// settings records are emulation/'s.
#include "platform/Printers.h"

#include "Ipp.h"
#include "platform/Text.h"

#include <cups/cups.h>

namespace platform {
namespace {

using linux_backend::AddRequestingUser;
using linux_backend::IppPtr;
using linux_backend::Ok;
using linux_backend::PrinterRequest;

// What the model reads of a queue.
struct QueueFacts {
    std::string name;
    std::string port;
    std::string driverName;
    std::string driverModule;
    bool direct = false;
};

std::string TextOf(ipp_t* response, const char* attribute)
{
    ipp_attribute_t* a = ippFindAttribute(response, attribute, IPP_TAG_ZERO);
    if (!a) return {};
    if (ippGetValueTag(a) == IPP_TAG_BOOLEAN) return ippGetBoolean(a, 0) ? "true" : "false";
    const char* s = ippGetString(a, 0, nullptr);
    return s ? s : "";
}

std::optional<QueueFacts> QueryQueue(std::string_view name)
{
    if (name.empty()) return std::nullopt;
    ipp_t* request = PrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, name);
    static const char* const wanted[] = {"printer-name", "printer-make-and-model", "port-name-default",
                                         "driver-name-default", "driver-module-default", "direct-default"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(wanted)), nullptr, wanted);
    IppPtr response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (!Ok(response.get())) return std::nullopt;
    QueueFacts facts;
    facts.name = TextOf(response.get(), "printer-name");
    if (facts.name.empty()) return std::nullopt;
    facts.port = TextOf(response.get(), "port-name-default");
    facts.driverName = TextOf(response.get(), "driver-name-default");
    if (facts.driverName.empty()) facts.driverName = TextOf(response.get(), "printer-make-and-model");
    facts.driverModule = TextOf(response.get(), "driver-module-default");
    const std::string direct = LowerCase(TextOf(response.get(), "direct-default"));
    facts.direct = direct == "true" || direct == "yes" || direct == "on" || direct == "1";
    return facts;
}

} // namespace

std::optional<Printer> Printer::Open(std::string_view name, std::uint32_t desiredAccess)
{
    auto facts = QueryQueue(name);
    if (!facts) return std::nullopt;
    return Printer(facts->name, desiredAccess);
}

Printer::Printer(Printer&& other) noexcept = default;
Printer& Printer::operator=(Printer&& other) noexcept = default;
// A CUPS queue needs no handle of its own.
Printer::~Printer() = default;

std::optional<PrinterInfo5> Printer::GetInfo5() const
{
    auto facts = QueryQueue(name_);
    if (!facts) return std::nullopt;
    return PrinterInfo5 {facts->name, facts->port, facts->direct ? PRINTER_ATTRIBUTE_DIRECT : 0u};
}

std::optional<PrinterInfo2> Printer::GetInfo2() const
{
    auto facts = QueryQueue(name_);
    if (!facts) return std::nullopt;
    return PrinterInfo2 {facts->name, facts->port, facts->driverName, facts->direct ? PRINTER_ATTRIBUTE_DIRECT : 0u};
}

std::string Printer::DriverModule() const
{
    auto facts = QueryQueue(name_);
    return facts ? facts->driverModule : std::string();
}

bool Printer::SetInfo5(const PrinterInfo5& info) const
{
    if ((access_ & PRINTER_ALL_ACCESS) != PRINTER_ALL_ACCESS) return false;
    ipp_t* request = PrinterRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, name_);
    AddRequestingUser(request);
    ippAddBoolean(request, IPP_TAG_PRINTER, "direct-default", (info.attributes & PRINTER_ATTRIBUTE_DIRECT) != 0);
    IppPtr response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/admin/"));
    return Ok(response.get());
}

} // namespace platform
