// The printer handle: open and close, attachment kind, printer modes, the
// hardware and status queries and the document device context.
#include "velkit/Velkit.h"

#include "EncoderModules.h"
#include "PortModules.h"
#include "VelkitHandle.h"
#include "platform/DevMode.h"
#include "platform/DeviceContext.h"
#include "platform/Printers.h"
#include "platform/Text.h"
#include "platform/WideText.h"
#include "velkit/ResultCodes.h"

#include <cstring>
#include <memory>
#include <type_traits>

static_assert(sizeof(DEVMODEA) == sizeof(platform::DEVMODEA) && sizeof(DEVMODEW) == sizeof(platform::DEVMODEW));
static_assert(offsetof(DEVMODEA, dmDriverExtra) == offsetof(platform::DEVMODEA, dmDriverExtra));
static_assert(offsetof(DEVMODEW, dmDriverExtra) == offsetof(platform::DEVMODEW, dmDriverExtra));
static_assert(offsetof(DEVMODEA, dmPanningHeight) == offsetof(platform::DEVMODEA, dmPanningHeight));
static_assert(offsetof(DEVMODEW, dmPanningHeight) == offsetof(platform::DEVMODEW, dmPanningHeight));

using namespace velkit;

static_assert(kNameField == VELKIT_NAME_MAX + 1, "the public header states the name bound");

namespace {

// Names that fit their 256-byte fields with the terminating NUL.
bool CopyIntoField(char (&field)[kNameField], std::string_view text)
{
    if (text.size() >= kNameField) return false;
    std::memset(field, 0, kNameField);
    if (!text.empty()) std::memcpy(field, text.data(), text.size());
    return true;
}

void FreeSettings(VelkitHandle* h)
{
    h->ownedSettings.reset();
    h->settings = nullptr;
    h->ownsSettings = 0;
}

// Reads the printer's current settings record into an owned buffer, in the
// narrow or wide layout. wideName is the caller's own wide name, if any.
void LoadSettings(VelkitHandle* h, const platform::Printer& printer, bool wide, const char16_t* wideName)
{
    FreeSettings(h);
    h->wide = wide ? 1 : 0;
    h->settingsSize = 0;
    const std::u16string convertedName = platform::NarrowToWide(h->printerName);
    const char16_t* name16 = wideName ? wideName : convertedName.c_str();
    const long size = wide ? printer.DocumentPropertiesW(name16, nullptr, nullptr, 0)
                           : printer.DocumentPropertiesA(h->printerName, nullptr, nullptr, 0);
    // A driver that cannot describe its record leaves the handle without one.
    const long minimum = wide ? long(sizeof(DEVMODEW)) : long(sizeof(DEVMODEA));
    if (size < minimum) return;
    auto record = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
    std::memset(record.get(), 0, static_cast<std::size_t>(size));
    const long filled =
        wide ? printer.DocumentPropertiesW(name16, reinterpret_cast<platform::DEVMODEW*>(record.get()), nullptr,
                                           DM_OUT_BUFFER)
             : printer.DocumentPropertiesA(h->printerName, reinterpret_cast<platform::DEVMODEA*>(record.get()),
                                           nullptr, DM_OUT_BUFFER);
    if (filled != IDOK) return;
    h->settingsSize = static_cast<std::int32_t>(size);
    h->ownedSettings = std::move(record);
    h->settings = h->ownedSettings.get();
    h->ownsSettings = 1;
}

std::uint16_t HeldDriverExtra(const VelkitHandle* h)
{
    return h->wide ? reinterpret_cast<const DEVMODEW*>(h->settings)->dmDriverExtra
                   : reinterpret_cast<const DEVMODEA*>(h->settings)->dmDriverExtra;
}

bool DetectPort(VelkitHandle* h, const platform::Printer& printer)
{
    const auto info5 = printer.GetInfo5();
    if (!info5) return false;
    h->initialMode = h->currentMode =
        (info5->attributes & PRINTER_ATTRIBUTE_DIRECT) ? VELKIT_MODE_DIRECT : VELKIT_MODE_SPOOLED;
    // A port name that does not fit its field is refused rather than cut.
    if (!CopyIntoField(h->portName, info5->portName)) return false;
    const std::string_view port(h->portName);
    if (port.size() >= 4 && platform::SameText(port.substr(0, 4), "SCSI")) {
        h->PortKind = kPortScsi;
    } else if (port.size() >= 4 && platform::SameText(port.substr(0, 4), "VUSB")) {
        h->PortKind = kPortUsb;
    } else if (const auto info2 = printer.GetInfo2()) {
        if (platform::Contains(info2->driverName, " SCSI")) h->PortKind = kPortScsi;
        else if (platform::Contains(info2->driverName, " USB")) h->PortKind = kPortUsb;
    }
    return true;
}

VelkitHandle* Open(std::string_view name, bool wide, const char16_t* wideName)
{
    auto h = std::make_unique<VelkitHandle>();
    h->PortKind = kPortOther;
    if (!CopyIntoField(h->printerName, name)) return nullptr;
    const auto printer = platform::Printer::Open(h->printerName);
    if (!printer) return nullptr;
    LoadSettings(h.get(), *printer, wide, wideName);
    if (!DetectPort(h.get(), *printer)) return nullptr;
    return AddHandle(std::move(h));
}

std::int32_t SetPrinterDirect(const VelkitHandle* h, std::int32_t mode)
{
    const auto printer = platform::Printer::Open(h->printerName, PRINTER_ALL_ACCESS);
    if (!printer) return VELTO_ERROR_WINDOWSERROR;
    auto info = printer->GetInfo5();
    if (!info) return VELTO_ERROR_WINDOWSERROR;
    info->attributes &= ~PRINTER_ATTRIBUTE_DIRECT;
    if (mode == VELKIT_MODE_DIRECT) info->attributes |= PRINTER_ATTRIBUTE_DIRECT;
    if (!printer->SetInfo5(*info)) return VELTO_ERROR_WINDOWSERROR;
    return VELTO_SUCCESS;
}

template <typename DevMode>
std::int32_t DocAttach(VelkitHandle* h, HDC dc, DevMode* settings)
{
    constexpr bool wide = std::is_same_v<DevMode, DEVMODEW>;
    if (!dc) return VELTO_INVALID_DEVICECONTEXT;
    if (!ResolveHandle(h)) return VELTO_INVALID_DEVICEHANDLE;
    if (h->documentDC) return VELTO_ERROR_DOCALREADYATTACHED;
    h->documentDC = static_cast<platform::HDC>(dc);
    // After a detach the handle holds no settings record: take the printer's
    // current one again, so there is something to compare with and to keep
    // the document's settings in.
    if (!h->settings) {
        if (const auto printer = platform::Printer::Open(h->printerName)) LoadSettings(h, *printer, wide, nullptr);
    }
    if (!settings) return VELTO_SUCCESS;
    if (h->settings && settings->dmDriverExtra != HeldDriverExtra(h)) return VELTO_INVALID_DEVMODE;
    FreeSettings(h);
    h->settings = reinterpret_cast<std::uint8_t*>(settings);
    h->settingsSize = settings->dmSize + settings->dmDriverExtra;
    h->ownsSettings = 0;
    h->wide = wide ? 1 : 0;
    return VELTO_SUCCESS;
}

// PrinterSetMode after the handle check: h is the record.
std::int32_t SetMode(VelkitHandle* h, std::int32_t mode)
{
    if (mode != VELKIT_MODE_DIRECT && mode != VELKIT_MODE_SPOOLED) return VELTO_INVALID_PARAMETER;
    if (mode == VELKIT_MODE_DIRECT && platform::SameText(h->portName, "SCSI:")) return VELTO_INVALID_PRINTERPORT;
    if (mode != h->currentMode) {
        if (const std::int32_t r = SetPrinterDirect(h, mode); r != VELTO_SUCCESS) return r;
        h->currentMode = mode;
    }
    // Binding stays until Close, also when the printer goes back to spooling.
    if (h->currentMode == VELKIT_MODE_DIRECT) return Bind(h);
    return VELTO_SUCCESS;
}

// The lowest set bit's position plus one, 0 for none.
std::uint32_t LowestBitNumber(std::uint8_t bits)
{
    for (std::uint32_t i = 0; i < 8; ++i)
        if (bits & (1u << i)) return i + 1;
    return 0;
}

} // namespace

VELKIT_API VelkitHandle* VELKIT_CALL Velkit_OpenA(int32_t /*reserved*/, const char* printerName)
{
    return Open(printerName ? platform::AnsiToNarrow(printerName) : std::string(), false, nullptr);
}

VELKIT_API VelkitHandle* VELKIT_CALL Velkit_OpenW(int32_t /*reserved*/, const VELKIT_WCHAR* printerName)
{
    const std::u16string wide = platform::Utf16Copy(printerName);
    const std::string name = printerName ? platform::WideToNarrow(wide) : std::string();
    return Open(name, true, printerName ? wide.c_str() : nullptr);
}

VELKIT_API int32_t VELKIT_CALL Velkit_Close(VelkitHandle* handle)
{
    // Out of the table first: from here on the handle is refused, a second
    // Close included, and the record is freed when this call ends.
    const std::unique_ptr<VelkitHandle> record = TakeHandle(handle);
    if (!record) return VELTO_INVALID_DEVICEHANDLE;
    VelkitHandle* const h = record.get();
    if (h->currentMode != h->initialMode) SetMode(h, h->initialMode);
    Unbind(h);
    FreeSettings(h);
    CloseEncoderModules(h);
    h->magic = 0;
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_DriverVersion(VelkitHandle* handle, uint16_t* version)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!handle->settings || !version) return VELTO_INVALID_PARAMETER;
    *version = handle->wide ? reinterpret_cast<const DEVMODEW*>(handle->settings)->dmDriverVersion
                            : reinterpret_cast<const DEVMODEA*>(handle->settings)->dmDriverVersion;
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocAttachA(VelkitHandle* handle, HDC dc, DEVMODEA* settings)
{
    return DocAttach(handle, dc, settings);
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocAttachW(VelkitHandle* handle, HDC dc, DEVMODEW* settings)
{
    return DocAttach(handle, dc, settings);
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocDetach(VelkitHandle* handle)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!handle->documentDC) return VELTO_ERROR_DOCNOTATTACHED;
    FreeSettings(handle);
    handle->documentDC = nullptr;
    handle->settingsSize = 0;
    handle->wide = 0;
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PrinterSetMode(VelkitHandle* handle, int32_t mode)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    return SetMode(handle, mode);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PrinterGetMode(VelkitHandle* handle, int32_t* mode)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!mode) return VELTO_INVALID_PARAMETER;
    *mode = handle->currentMode;
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PrinterGetHardware(VelkitHandle* handle, uint32_t* flags)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!flags) return VELTO_INVALID_PARAMETER;
    *flags = 0;
    if (IsBound(handle)) {
        *flags = BoundHardwareFlags(handle);
        return VELTO_SUCCESS;
    }
    const std::string_view port(handle->portName);
    if (platform::SameText(port, "SCSI:")) return VELTO_INVALID_PRINTERPORT;
    const bool scsiOrUsb = port.size() >= 4 && (platform::SameText(port.substr(0, 4), "SCSI") ||
                                                 platform::SameText(port.substr(0, 4), "VUSB"));
    if (!scsiOrUsb) return VELTO_ERROR_NOTSUPPORTEDBYDRIVER;
    std::uint32_t found = 0;
    const std::int32_t r = LookUpHardwareFlags(handle, found);
    if (r == VELTO_SUCCESS) *flags = found;
    return r;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PrinterStatus(VelkitHandle* handle, uint32_t* status)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!IsBound(handle)) return VELTO_ERROR_PRINTERNOTFOUND;
    if (!status) return VELTO_INVALID_PARAMETER;
    *status = 0;
    std::uint8_t bytes[32] = {};
    if (const std::int32_t r = DispatchStatusRead(handle, bytes); r != VELTO_SUCCESS) return r;
    std::uint32_t word = 0;
    for (const std::uint32_t bit : {0x01u, 0x02u, 0x04u})
        if (bytes[0] & bit) { word |= bit; break; }
    for (const std::uint32_t bit : {0x10u, 0x20u, 0x40u})
        if (bytes[0] & bit) { word |= bit; break; }
    word |= LowestBitNumber(bytes[1]) << 8;
    word |= LowestBitNumber(bytes[2] & 0x3F) << 12;
    if (bytes[0] & (0x04 | 0x40)) {
        std::uint8_t sense[20] = {};
        if (DispatchSenseRead(handle, sense) == VELTO_SUCCESS)
            word |= (std::uint32_t(sense[12]) << 24) | (std::uint32_t(sense[13]) << 16);
        else
            word |= 0xFFFF0000u;
    }
    *status = word;
    return VELTO_SUCCESS;
}

VELKIT_API HDC VELKIT_CALL Velkit_CreateDCA(const char* printerName, const DEVMODEA* settings)
{
    if (!printerName) return nullptr;
    return platform::CreateDCA(printerName, reinterpret_cast<const platform::DEVMODEA*>(settings));
}

VELKIT_API HDC VELKIT_CALL Velkit_CreateDCW(const VELKIT_WCHAR* printerName, const DEVMODEW* settings)
{
    if (!printerName) return nullptr;
    return platform::CreateDCW(platform::Utf16Copy(printerName), reinterpret_cast<const platform::DEVMODEW*>(settings));
}

VELKIT_API int32_t VELKIT_CALL Velkit_DeleteDC(HDC dc)
{
    return platform::DeleteDC(static_cast<platform::HDC>(dc)) ? 1 : 0;
}
