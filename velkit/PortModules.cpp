#include "PortModules.h"

#include "VelkitHandle.h"
#include "platform/Text.h"
#include "velkit/ResultCodes.h"

#include <cstdio>
#include <string>

namespace velkit {
namespace {

// 1 when the entry point is there, 0 when not: the loads below combine the
// results with '&', so that every slot is looked up even after a miss.
template <typename Fn>
unsigned Resolve(const platform::DynamicLibrary& library, Fn& slot, const char* name)
{
    slot = library.Function<Fn>(name);
    return slot != nullptr ? 1u : 0u;
}

// "SCSI%d:" for a device, compared with the whole port name.
bool DeviceMatchesPort(const std::uint8_t* device, const char* portName)
{
    char name[32];
    std::snprintf(name, sizeof name, "SCSI%d:", ReadInt32(device, kScsiNumberOffset));
    return platform::SameText(name, portName);
}

std::uint8_t* FindDevice(std::uint8_t* devices, std::int32_t count, const char* portName)
{
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t* device = devices + std::size_t(i) * kScsiDeviceStride;
        if (DeviceMatchesPort(device, portName)) return device;
    }
    return nullptr;
}

// The number after "VUSB" (leading decimal digits), when it is 1-7.
std::optional<std::uint32_t> UsbPortNumber(const char* portName)
{
    const std::string_view port(portName);
    if (port.size() < 4 || !platform::SameText(port.substr(0, 4), "VUSB")) return std::nullopt;
    std::uint32_t n = 0;
    for (std::size_t i = 4; i < port.size() && port[i] >= '0' && port[i] <= '9'; ++i) {
        n = n * 10 + std::uint32_t(port[i] - '0');
        if (n > 7) return std::nullopt;
    }
    if (n < 1) return std::nullopt;
    return n;
}

bool IdEnumerated(const std::uint32_t* ids, std::uint32_t count, std::uint32_t id)
{
    // The list has room for kUsbIdCapacity IDs whatever count the module claims.
    const std::uint32_t n = count < kUsbIdCapacity ? count : std::uint32_t(kUsbIdCapacity);
    for (std::uint32_t i = 0; i < n; ++i)
        if (ids[i] == id) return true;
    return false;
}

void PrepareUsbRecord(std::uint8_t* record, UsbModuleTable& table, std::uint32_t id)
{
    std::memset(record, 0, kUsbPrinterRecordSize);
    void* context = table.context;
    std::memcpy(record + kUsbContextOffset, &context, sizeof context);
    const std::int32_t value = static_cast<std::int32_t>(id);
    std::memcpy(record + kUsbPrinterIdOffset, &value, sizeof value);
}

// Gives a device list back to the module that handed it out.
void ReleaseDeviceList(ScsiPortState& scsi)
{
    if (scsi.devices && scsi.table.VeltoClose) scsi.table.VeltoClose(scsi.count, scsi.devices);
    scsi.count = 0;
    scsi.bound = nullptr;
    scsi.devices = nullptr;
}

// Loads VeltoSIO.dll into the state's table, has it list its devices and
// binds the one on portName, keeping the list. 17 when the module does not
// load; 2 when it lists nothing, or not that device (the list is then
// given back).
std::int32_t BindScsiDevice(ScsiPortState& scsi, const char* portName)
{
    ReleaseDeviceList(scsi);
    if (LoadScsiModule(scsi.table) != VELTO_SUCCESS) return VELTO_ERROR_LIBNOTFOUND;
    const std::int32_t count = scsi.table.VeltoOpen(&scsi.devices);
    if (count <= 0 || !scsi.devices) {
        scsi.devices = nullptr;
        return VELTO_ERROR_PRINTERNOTFOUND;
    }
    scsi.count = count;
    scsi.bound = FindDevice(scsi.devices, count, portName);
    if (scsi.bound) return VELTO_SUCCESS;
    ReleaseDeviceList(scsi);
    return VELTO_ERROR_PRINTERNOTFOUND;
}

// Has the loaded VeltoUIO.dll enumerate its printers (ids, count) and
// attaches the one whose ID is portName's VUSB number through record.
std::int32_t AttachUsbPrinter(UsbModuleTable& table, const char* portName, std::uint32_t* ids, std::uint32_t& count,
                              std::uint8_t* record)
{
    std::int32_t reserved = 0;
    table.Velto_PrinterIDEnum(table.context, &count, ids, &reserved);
    if (count == 0) return VELTO_ERROR_PRINTERNOTFOUND;
    const auto number = UsbPortNumber(portName);
    if (!number) return VELTO_INVALID_PRINTERPORT;
    if (!IdEnumerated(ids, count, *number)) return VELTO_ERROR_PRINTERNOTFOUND;
    PrepareUsbRecord(record, table, *number);
    if (table.Velto_PrinterAttach(record) != 0) return VELTO_ERROR_PRINTERNOTFOUND;
    return VELTO_SUCCESS;
}

std::int32_t Mapped(std::int32_t moduleResult) { return moduleResult == 0 ? VELTO_SUCCESS : VELTO_ERROR_CMDFAILURE; }

std::int32_t Unchanged(std::int32_t moduleResult) { return moduleResult; }

// Calls the SCSI or the USB entry point for the bound device and maps the
// module's answer; 2 when nothing is bound, 18 for an empty slot.
template <typename Map, typename ScsiSlot, typename UsbSlot, typename... Args>
std::int32_t Dispatch(VelkitHandle* h, Map map, ScsiSlot scsiSlot, UsbSlot usbSlot, Args... args)
{
    if (h->PortKind == kPortScsi && h->scsi.bound) {
        auto fn = h->scsi.table.*scsiSlot;
        if (!fn) return VELTO_ERROR_MISSINGENTRYPOINT;
        return map(fn(h->scsi.bound, args...));
    }
    if (h->PortKind == kPortUsb && h->boundUsb) {
        auto fn = h->usb.*usbSlot;
        if (!fn) return VELTO_ERROR_MISSINGENTRYPOINT;
        return map(fn(h->boundUsb, args...));
    }
    return VELTO_ERROR_PRINTERNOTFOUND;
}

} // namespace

ScsiModuleTable::~ScsiModuleTable() { UnloadScsiModule(*this); }

ScsiPortState::~ScsiPortState() { ReleaseDeviceList(*this); }

UsbModuleTable::~UsbModuleTable() { UnloadUsbModule(*this); }

std::int32_t LoadScsiModule(ScsiModuleTable& table)
{
    UnloadScsiModule(table);
    auto library = platform::DynamicLibrary::Load("VeltoSIO.dll");
    if (!library) return VELTO_ERROR_LIBNOTFOUND;
    const auto& l = *library;
    const unsigned all = Resolve(l, table.VeltoOpen, "VeltoOpen") & Resolve(l, table.VeltoClose, "VeltoClose") &
                         Resolve(l, table.VeltoICEject, "VeltoICEject") & Resolve(l, table.VeltoICWait, "VeltoICWait") &
                         Resolve(l, table.VeltoICTransmit, "VeltoICTransmit") &
                         Resolve(l, table.VeltoICStatus, "VeltoICStatus") &
                         Resolve(l, table.VeltoICReceive, "VeltoICReceive") &
                         Resolve(l, table.VeltoMagWait, "VeltoMagWait") &
                         Resolve(l, table.VeltoMagPrepare, "VeltoMagPrepare") &
                         Resolve(l, table.VeltoMagRead, "VeltoMagRead") &
                         Resolve(l, table.VeltoMagEject, "VeltoMagEject") &
                         Resolve(l, table.VeltoReadyToDownload, "VeltoReadyToDownload") &
                         Resolve(l, table.VeltoRequestSense, "VeltoRequestSense") &
                         Resolve(l, table.VeltoPrinterStatus, "VeltoPrinterStatus") &
                         Resolve(l, table.VeltoStartPrint, "VeltoStartPrint");
    if (!all) {
        static_cast<ScsiModuleEntries&>(table) = ScsiModuleEntries {};
        return VELTO_ERROR_MISSINGENTRYPOINT;  // the library unloads on leaving
    }
    table.library = std::move(library);
    return VELTO_SUCCESS;
}

void UnloadScsiModule(ScsiModuleTable& table)
{
    static_cast<ScsiModuleEntries&>(table) = ScsiModuleEntries {};
    table.library.reset();
}

std::int32_t LoadUsbModule(UsbModuleTable& table)
{
    // Loading over a module this table still holds (a failed bind leaves it
    // in place) would drop it without Velto_Destroy.
    if (table.library) UnloadUsbModule(table);
    auto library = platform::DynamicLibrary::Load("VeltoUIO.dll");
    if (!library) return VELTO_ERROR_LIBNOTFOUND;
    const auto& l = *library;
    const unsigned all =
        Resolve(l, table.Velto_Init, "Velto_Init") & Resolve(l, table.Velto_Destroy, "Velto_Destroy") &
        Resolve(l, table.Velto_PrinterIDEnum, "Velto_PrinterIDEnum") &
        Resolve(l, table.Velto_PrinterEnum, "Velto_PrinterEnum") &
        Resolve(l, table.Velto_PrinterEnumFree, "Velto_PrinterEnumFree") &
        Resolve(l, table.Velto_PrinterOpen, "Velto_PrinterOpen") &
        Resolve(l, table.Velto_PrinterAttach, "Velto_PrinterAttach") &
        Resolve(l, table.Velto_PrinterClose, "Velto_PrinterClose") &
        Resolve(l, table.Velto_ICTransfer, "Velto_ICTransfer") & Resolve(l, table.Velto_ICEject, "Velto_ICEject") &
        Resolve(l, table.Velto_ICWait, "Velto_ICWait") & Resolve(l, table.Velto_ICTransmit, "Velto_ICTransmit") &
        Resolve(l, table.Velto_ICStatus, "Velto_ICStatus") & Resolve(l, table.Velto_ICReceive, "Velto_ICReceive") &
        Resolve(l, table.Velto_MagWait, "Velto_MagWait") & Resolve(l, table.Velto_MagPrepare, "Velto_MagPrepare") &
        Resolve(l, table.Velto_MagRead, "Velto_MagRead") & Resolve(l, table.Velto_MagEject, "Velto_MagEject") &
        Resolve(l, table.Velto_ReadyToDownload, "Velto_ReadyToDownload") &
        Resolve(l, table.Velto_RequestSense, "Velto_RequestSense") &
        Resolve(l, table.Velto_PrinterStatus, "Velto_PrinterStatus") &
        Resolve(l, table.Velto_StartPrint, "Velto_StartPrint");
    // The title is a courtesy some module versions do not offer.
    Resolve(l, table.Velto_SetAppTitle, "Velto_SetAppTitle");
    if (!all) {
        static_cast<UsbModuleEntries&>(table) = UsbModuleEntries {};
        return VELTO_ERROR_MISSINGENTRYPOINT;  // never initialised; the library unloads on leaving
    }
    std::memset(table.context, 0, sizeof table.context);
    table.library = std::move(library);
    // After a refused initialisation the module stays loaded with its table
    // filled; unloading (at Close, or before the next load) gives it
    // Velto_Destroy like any other.
    const std::int32_t r = table.Velto_Init(table.context, "VeltoU05.dll");
    if (r == 98) return VELTO_ERROR_LIBNOTFOUND;
    if (r == 99) return VELTO_ERROR_MISSINGENTRYPOINT;
    if (table.Velto_SetAppTitle) table.Velto_SetAppTitle("VeltoUIO-SDK");
    return VELTO_SUCCESS;
}

std::int32_t UnloadUsbModule(UsbModuleTable& table)
{
    // Every filled table has Velto_Destroy (it is required to load), and
    // every filled table was given Velto_Init.
    const bool destroyed = table.library && table.Velto_Destroy;
    if (destroyed) table.Velto_Destroy(table.context);
    static_cast<UsbModuleEntries&>(table) = UsbModuleEntries {};
    std::memset(table.context, 0, sizeof table.context);
    table.library.reset();
    return destroyed ? VELTO_SUCCESS : VELTO_ERROR_CMDFAILURE;
}

bool IsBound(const VelkitHandle* h)
{
    return (h->PortKind == kPortScsi && h->scsi.bound) || (h->PortKind == kPortUsb && h->boundUsb);
}

std::uint8_t BoundHardwareFlags(const VelkitHandle* h)
{
    return h->PortKind == kPortScsi ? h->scsi.bound[kScsiHardwareFlagsOffset] : h->boundUsb[kUsbHardwareFlagsOffset];
}

std::int32_t BoundStationKind(const VelkitHandle* h)
{
    return h->PortKind == kPortScsi ? ReadInt32(h->scsi.bound, kScsiStationKindOffset)
                                    : ReadInt32(h->boundUsb, kUsbStationKindOffset);
}

std::int32_t Bind(VelkitHandle* h)
{
    if (h->PortKind == kPortScsi) {
        if (h->scsi.bound) return VELTO_SUCCESS;
        return BindScsiDevice(h->scsi, h->portName);
    }
    if (h->PortKind == kPortUsb) {
        if (h->boundUsb) return VELTO_SUCCESS;
        if (LoadUsbModule(h->usb) != VELTO_SUCCESS) return VELTO_ERROR_LIBNOTFOUND;
        std::memset(h->usbPrinter, 0, sizeof h->usbPrinter);
        h->boundUsb = nullptr;
        h->usbIdCount = 0;
        std::uint32_t count = 0;
        alignas(8) std::uint8_t record[kUsbPrinterRecordSize];
        if (const std::int32_t r = AttachUsbPrinter(h->usb, h->portName, h->usbIds, count, record); r != VELTO_SUCCESS)
            return r;
        std::memcpy(h->usbPrinter, record, sizeof record);
        h->usbIdCount = count < kUsbIdCapacity ? count : std::uint32_t(kUsbIdCapacity);
        h->boundUsb = h->usbPrinter;
        return VELTO_SUCCESS;
    }
    return VELTO_ERROR_PRINTERNOTFOUND;
}

std::int32_t Unbind(VelkitHandle* h)
{
    if (h->PortKind == kPortScsi) {
        ReleaseDeviceList(h->scsi);
        UnloadScsiModule(h->scsi.table);
        return VELTO_SUCCESS;
    }
    if (h->PortKind == kPortUsb) {
        if (h->boundUsb && h->usb.Velto_PrinterClose) h->usb.Velto_PrinterClose(h->boundUsb);
        h->usbIdCount = 0;
        h->boundUsb = nullptr;
        std::memset(h->usbPrinter, 0, sizeof h->usbPrinter);
        return UnloadUsbModule(h->usb);
    }
    return VELTO_ERROR_PRINTERNOTFOUND;
}

std::int32_t LookUpHardwareFlags(VelkitHandle* h, std::uint32_t& flags)
{
    if (h->PortKind == kPortScsi) {
        // The temporary state closes its list and unloads on every way out.
        ScsiPortState temporary;
        if (const std::int32_t r = BindScsiDevice(temporary, h->portName); r != VELTO_SUCCESS) return r;
        flags = temporary.bound[kScsiHardwareFlagsOffset];
        return VELTO_SUCCESS;
    }
    if (h->PortKind == kPortUsb) {
        // The temporary table is destroyed and unloaded on every way out.
        UsbModuleTable table;
        if (LoadUsbModule(table) != VELTO_SUCCESS) return VELTO_ERROR_LIBNOTFOUND;
        std::uint32_t count = 0;
        std::uint32_t ids[kUsbIdCapacity] = {};
        alignas(8) std::uint8_t record[kUsbPrinterRecordSize];
        if (const std::int32_t r = AttachUsbPrinter(table, h->portName, ids, count, record); r != VELTO_SUCCESS)
            return r;
        flags = record[kUsbHardwareFlagsOffset];
        table.Velto_PrinterClose(record);
        return VELTO_SUCCESS;
    }
    return VELTO_ERROR_PRINTERNOTFOUND;
}

std::int32_t DispatchStatusRead(VelkitHandle* h, std::span<std::uint8_t, 32> buffer)
{
    return Dispatch(h, Mapped, &ScsiModuleTable::VeltoPrinterStatus, &UsbModuleTable::Velto_PrinterStatus,
                    static_cast<void*>(buffer.data()));
}

std::int32_t DispatchSenseRead(VelkitHandle* h, std::span<std::uint8_t, 20> buffer)
{
    return Dispatch(h, Mapped, &ScsiModuleTable::VeltoRequestSense, &UsbModuleTable::Velto_RequestSense,
                    static_cast<void*>(buffer.data()));
}

std::int32_t DispatchCardToEncoder(VelkitHandle* h)
{
    if (h->PortKind == kPortScsi && h->scsi.bound) {
        if (!h->scsi.table.VeltoICEject) return VELTO_ERROR_MISSINGENTRYPOINT;
        return Mapped(h->scsi.table.VeltoICEject(h->scsi.bound, 4));
    }
    if (h->PortKind == kPortUsb && h->boundUsb) {
        if (!h->usb.Velto_ICTransfer) return VELTO_ERROR_MISSINGENTRYPOINT;
        return Mapped(h->usb.Velto_ICTransfer(h->boundUsb));
    }
    return VELTO_ERROR_PRINTERNOTFOUND;
}

std::int32_t DispatchCardEject(VelkitHandle* h, std::int32_t code)
{
    return Dispatch(h, Mapped, &ScsiModuleTable::VeltoICEject, &UsbModuleTable::Velto_ICEject, code);
}

std::int32_t DispatchCardWait(VelkitHandle* h, std::int32_t limit)
{
    return Dispatch(h, Unchanged, &ScsiModuleTable::VeltoICWait, &UsbModuleTable::Velto_ICWait, limit);
}

std::int32_t DispatchICTransmit(VelkitHandle* h, std::int32_t length, const void* data)
{
    return Dispatch(h, Mapped, &ScsiModuleTable::VeltoICTransmit, &UsbModuleTable::Velto_ICTransmit, length, data);
}

// The USB module has no chip-station status or receive: the port kind
// decides that before the binding does.
std::int32_t DispatchICStatus(VelkitHandle* h, std::int32_t* ready, std::int32_t* length)
{
    if (h->PortKind == kPortUsb) return VELTO_ERROR_NOTSUPPORTEDBYDRIVER;
    if (h->PortKind != kPortScsi || !h->scsi.bound) return VELTO_ERROR_PRINTERNOTFOUND;
    if (!h->scsi.table.VeltoICStatus) return VELTO_ERROR_MISSINGENTRYPOINT;
    return Mapped(h->scsi.table.VeltoICStatus(h->scsi.bound, ready, length));
}

std::int32_t DispatchICReceive(VelkitHandle* h, std::int32_t length, void* buffer)
{
    if (h->PortKind == kPortUsb) return VELTO_ERROR_NOTSUPPORTEDBYDRIVER;
    if (h->PortKind != kPortScsi || !h->scsi.bound) return VELTO_ERROR_PRINTERNOTFOUND;
    if (!h->scsi.table.VeltoICReceive) return VELTO_ERROR_MISSINGENTRYPOINT;
    return Mapped(h->scsi.table.VeltoICReceive(h->scsi.bound, length, buffer));
}

std::int32_t DispatchMagPrepare(VelkitHandle* h, std::int32_t mode)
{
    return Dispatch(h, Mapped, &ScsiModuleTable::VeltoMagPrepare, &UsbModuleTable::Velto_MagPrepare, mode);
}

std::int32_t DispatchMagWait(VelkitHandle* h, std::int32_t limit)
{
    // This module call answers non-zero for success.
    auto successWhenNonZero = [](std::int32_t r) { return r != 0 ? VELTO_SUCCESS : VELTO_ERROR_CMDFAILURE; };
    return Dispatch(h, successWhenNonZero, &ScsiModuleTable::VeltoMagWait, &UsbModuleTable::Velto_MagWait, limit);
}

std::int32_t DispatchMagRead(VelkitHandle* h, std::intptr_t a, std::intptr_t b, std::intptr_t c)
{
    return Dispatch(h, Mapped, &ScsiModuleTable::VeltoMagRead, &UsbModuleTable::Velto_MagRead, a, b, c);
}

std::int32_t DispatchMagEject(VelkitHandle* h, std::int32_t code)
{
    return Dispatch(h, Mapped, &ScsiModuleTable::VeltoMagEject, &UsbModuleTable::Velto_MagEject, code);
}

} // namespace velkit
