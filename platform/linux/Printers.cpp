// Printer objects are CUPS queues; their Windows properties are queue
// options read and written with IPP requests on the configured server.
#include "platform/Printers.h"

#include "Ipp.h"
#include "PrinterDriver.h"
#include "platform/Text.h"
#include "platform/WideText.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace platform {
namespace {

using linux_backend::IppPtr;
using linux_backend::PrinterUri;

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
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    const std::string uri = PrinterUri(name);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    static const char* const wanted[] = {"printer-name", "printer-make-and-model", "port-name-default",
                                         "driver-name-default", "driver-module-default", "direct-default"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(wanted)), nullptr, wanted);
    IppPtr response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING) return std::nullopt;
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

template <typename Char>
void CopyName(Char (&field)[CCHDEVICENAME], std::basic_string_view<Char> name)
{
    std::fill(std::begin(field), std::end(field), Char(0));
    const std::size_t n = std::min(name.size(), CCHDEVICENAME - 1);
    std::copy_n(name.begin(), n, field);
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
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
    const std::string uri = PrinterUri(name_);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddBoolean(request, IPP_TAG_PRINTER, "direct-default", (info.attributes & PRINTER_ATTRIBUTE_DIRECT) != 0);
    IppPtr response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/admin/"));
    return response && cupsLastError() <= IPP_STATUS_OK_CONFLICTING;
}

template <typename Char>
long Printer::Properties(std::basic_string_view<Char> deviceName, DevModeT<Char>* out,
                                 const DevModeT<Char>* in, std::uint32_t mode) const
{
    using DevMode = DevModeT<Char>;
    PrinterDriver::Settings settings;
    if (const std::string module = DriverModule(); !module.empty()) {
        auto driver = PrinterDriver::Load(module);
        if (!driver) return -1;
        auto current = driver->CurrentSettings(name_);
        if (!current) return -1;
        settings = std::move(*current);
    }
    const std::size_t total = sizeof(DevMode) + settings.privateBytes.size();
    if ((mode & DM_OUT_BUFFER) == 0) {
        queriedSize_ = total;
        return static_cast<long>(total);
    }
    if (!out) return -1;
    // The caller's buffer holds what the size query said, and no more.
    if (total > queriedSize_) return -1;

    auto record = std::make_unique<unsigned char[]>(total);
    std::memset(record.get(), 0, total);
    DevMode dm {};
    CopyName(dm.dmDeviceName, deviceName);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmDriverVersion = settings.driverVersion;
    dm.dmSize = sizeof(DevMode);
    dm.dmDriverExtra = static_cast<std::uint16_t>(settings.privateBytes.size());
    dm.dmFields = DM_ORIENTATION | DM_COPIES | DM_DUPLEX;
    dm.dmOrientation = DMORIENT_PORTRAIT;
    dm.dmCopies = 1;
    dm.dmDuplex = DMDUP_SIMPLEX;
    std::memcpy(record.get() + sizeof(DevMode), settings.privateBytes.data(), settings.privateBytes.size());

    if ((mode & DM_IN_BUFFER) && in) {
        if (in->dmFields & DM_ORIENTATION) dm.dmOrientation = in->dmOrientation;
        if (in->dmFields & DM_COPIES) dm.dmCopies = in->dmCopies;
        if (in->dmFields & DM_DUPLEX) dm.dmDuplex = in->dmDuplex;
        if (in->dmDriverExtra == dm.dmDriverExtra && in->dmSize >= sizeof(DevMode))
            std::memcpy(record.get() + sizeof(DevMode), reinterpret_cast<const unsigned char*>(in) + in->dmSize,
                        dm.dmDriverExtra);
    }
    std::memcpy(record.get(), &dm, sizeof dm);
    std::memcpy(out, record.get(), total);
    return IDOK;
}

long Printer::DocumentPropertiesA(const char* deviceName, DEVMODEA* out, const DEVMODEA* in,
                                  std::uint32_t mode) const
{
    return Properties<char>(deviceName ? std::string_view(deviceName) : std::string_view(name_), out, in,
                                    mode);
}

long Printer::DocumentPropertiesW(const char16_t* deviceName, DEVMODEW* out, const DEVMODEW* in,
                                  std::uint32_t mode) const
{
    const std::u16string name = deviceName ? std::u16string(deviceName) : NarrowToWide(name_);
    return Properties<char16_t>(name, out, in, mode);
}

} // namespace platform
