#pragma once
// The vendor's port modules: VeltoSIO.dll for printers on a SCSI port and
// VeltoUIO.dll for printers on the USB port monitor, loaded per handle by
// their Windows names, and the records exchanged with them.
#include "platform/CallingConvention.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "platform/DynamicLibrary.h"

struct VelkitHandle;

namespace velkit {

// ScsiDeviceRecord: VeltoOpen hands out an array of these, kScsiDeviceStride
// bytes apart. Velkit reads four fields; the rest is the module's.
constexpr std::size_t kScsiDeviceStride = 113;
constexpr std::size_t kScsiNumberOffset = 8;
constexpr std::size_t kScsiTypeCodeOffset = 84;
constexpr std::size_t kScsiStationKindOffset = 92;
constexpr std::size_t kScsiHardwareFlagsOffset = 112;

// UsbPrinterRecord: Velkit fills the context pointer and the printer ID,
// Velto_PrinterAttach the rest.
constexpr std::size_t kUsbPrinterRecordSize = 151;
constexpr std::size_t kUsbContextOffset = 0;
constexpr std::size_t kUsbPrinterIdOffset = 28;
constexpr std::size_t kUsbStationKindOffset = 100;
constexpr std::size_t kUsbHardwareFlagsOffset = 120;

constexpr std::size_t kUsbContextSize = 56;
constexpr std::size_t kUsbIdCapacity = 8;

// The hardware-flag bit that says the printer has an encoding station.
constexpr std::uint8_t kEncoderFlag = 0x08;
// The device type code whose IC position and reply differ.
constexpr std::int32_t kTypeCode5100 = 5100;

inline std::int32_t ReadInt32(const std::uint8_t* record, std::size_t offset)
{
    std::int32_t v;
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}

extern "C" {
// VeltoSIO.dll
using VeltoOpenFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t** devices);
using VeltoCloseFn = std::int32_t (TAVRIN_STDCALL *)(std::int32_t count, std::uint8_t* devices);
using VeltoDeviceCodeFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* device, std::int32_t value);
using VeltoICTransmitFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* device, std::int32_t length, const void* data);
using VeltoICStatusFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* device, std::int32_t* ready, std::int32_t* length);
using VeltoICReceiveFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* device, std::int32_t length, void* buffer);
using VeltoMagReadFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* device, std::intptr_t a, std::intptr_t b, std::intptr_t c);
using VeltoBufferFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* device, void* buffer);
// VeltoUIO.dll
using Velto_InitFn = std::int32_t (TAVRIN_STDCALL *)(void* context, const char* module);
using Velto_DestroyFn = std::int32_t (TAVRIN_STDCALL *)(void* context);
using Velto_PrinterIDEnumFn = std::int32_t (TAVRIN_STDCALL *)(void* context, std::uint32_t* count, std::uint32_t* ids,
                                               std::int32_t* reserved);
using Velto_RecordFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* record);
using Velto_RecordCodeFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* record, std::int32_t value);
using Velto_ICTransmitFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* record, std::int32_t length, const void* data);
using Velto_MagReadFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* record, std::intptr_t a, std::intptr_t b, std::intptr_t c);
using Velto_BufferFn = std::int32_t (TAVRIN_STDCALL *)(std::uint8_t* record, void* buffer);
using Velto_SetAppTitleFn = std::int32_t (TAVRIN_STDCALL *)(const char* title);
// Present for a module to load, never called.
using UnusedEntryFn = void (TAVRIN_STDCALL *)();

// The port modules export stdcall entry points, as Windows libraries do by default.
static_assert(platform::kIsStdcall<VeltoOpenFn>);
static_assert(platform::kIsStdcall<VeltoCloseFn>);
static_assert(platform::kIsStdcall<VeltoDeviceCodeFn>);
static_assert(platform::kIsStdcall<VeltoICTransmitFn>);
static_assert(platform::kIsStdcall<VeltoICStatusFn>);
static_assert(platform::kIsStdcall<VeltoICReceiveFn>);
static_assert(platform::kIsStdcall<VeltoMagReadFn>);
static_assert(platform::kIsStdcall<VeltoBufferFn>);
static_assert(platform::kIsStdcall<Velto_InitFn>);
static_assert(platform::kIsStdcall<Velto_DestroyFn>);
static_assert(platform::kIsStdcall<Velto_PrinterIDEnumFn>);
static_assert(platform::kIsStdcall<Velto_RecordFn>);
static_assert(platform::kIsStdcall<Velto_RecordCodeFn>);
static_assert(platform::kIsStdcall<Velto_ICTransmitFn>);
static_assert(platform::kIsStdcall<Velto_MagReadFn>);
static_assert(platform::kIsStdcall<Velto_BufferFn>);
static_assert(platform::kIsStdcall<Velto_SetAppTitleFn>);
static_assert(platform::kIsStdcall<UnusedEntryFn>);

}

// The entry points of VeltoSIO.dll, in slot order.
struct ScsiModuleEntries {
    VeltoOpenFn VeltoOpen = nullptr;
    VeltoCloseFn VeltoClose = nullptr;
    void* emptySlot = nullptr;
    VeltoDeviceCodeFn VeltoICEject = nullptr;
    VeltoDeviceCodeFn VeltoICWait = nullptr;
    VeltoICTransmitFn VeltoICTransmit = nullptr;
    VeltoICStatusFn VeltoICStatus = nullptr;
    VeltoICReceiveFn VeltoICReceive = nullptr;
    VeltoDeviceCodeFn VeltoMagWait = nullptr;
    VeltoDeviceCodeFn VeltoMagPrepare = nullptr;
    VeltoMagReadFn VeltoMagRead = nullptr;
    VeltoDeviceCodeFn VeltoMagEject = nullptr;
    UnusedEntryFn VeltoReadyToDownload = nullptr;
    VeltoBufferFn VeltoRequestSense = nullptr;
    VeltoBufferFn VeltoPrinterStatus = nullptr;
    UnusedEntryFn VeltoStartPrint = nullptr;
};

// ScsiModuleTable: the loaded VeltoSIO.dll. It owns the library, so it is
// neither copied nor moved: dropping a filled table any other way than
// through UnloadScsiModule would take the module out from under the device
// list it handed out.
struct ScsiModuleTable : ScsiModuleEntries {
    ScsiModuleTable() = default;
    ScsiModuleTable(const ScsiModuleTable&) = delete;
    ScsiModuleTable& operator=(const ScsiModuleTable&) = delete;
    ~ScsiModuleTable();

    std::optional<platform::DynamicLibrary> library;
};

// The SCSI part of a handle: the table, the device list VeltoOpen handed out
// and the bound device in it. A list still held when the state goes away is
// given back with VeltoClose before the module is unloaded.
struct ScsiPortState {
    ScsiPortState() = default;
    ScsiPortState(const ScsiPortState&) = delete;
    ScsiPortState& operator=(const ScsiPortState&) = delete;
    ~ScsiPortState();

    ScsiModuleTable table;
    std::int32_t count = 0;
    std::uint8_t* bound = nullptr;
    std::uint8_t* devices = nullptr;
};

// The entry points of VeltoUIO.dll, in slot order.
struct UsbModuleEntries {
    Velto_InitFn Velto_Init = nullptr;
    Velto_DestroyFn Velto_Destroy = nullptr;
    Velto_PrinterIDEnumFn Velto_PrinterIDEnum = nullptr;
    UnusedEntryFn Velto_PrinterEnum = nullptr;
    UnusedEntryFn Velto_PrinterEnumFree = nullptr;
    UnusedEntryFn Velto_PrinterOpen = nullptr;
    Velto_RecordFn Velto_PrinterAttach = nullptr;
    Velto_RecordFn Velto_PrinterClose = nullptr;
    Velto_RecordFn Velto_ICTransfer = nullptr;
    Velto_RecordCodeFn Velto_ICEject = nullptr;
    Velto_RecordCodeFn Velto_ICWait = nullptr;
    Velto_ICTransmitFn Velto_ICTransmit = nullptr;
    UnusedEntryFn Velto_ICStatus = nullptr;
    UnusedEntryFn Velto_ICReceive = nullptr;
    Velto_RecordCodeFn Velto_MagWait = nullptr;
    Velto_RecordCodeFn Velto_MagPrepare = nullptr;
    Velto_MagReadFn Velto_MagRead = nullptr;
    Velto_RecordCodeFn Velto_MagEject = nullptr;
    UnusedEntryFn Velto_ReadyToDownload = nullptr;
    Velto_BufferFn Velto_RequestSense = nullptr;
    Velto_BufferFn Velto_PrinterStatus = nullptr;
    Velto_SetAppTitleFn Velto_SetAppTitle = nullptr;
    UnusedEntryFn Velto_StartPrint = nullptr;
};

// UsbModuleTable: the loaded VeltoUIO.dll with the context area Velto_Init
// fills; its address goes into every UsbPrinterRecord, so the table never
// moves. A module that was given Velto_Init gets Velto_Destroy before it is
// unloaded, whichever way the table is emptied (UnloadUsbModule, a new load
// into the same table, or the table going away).
struct UsbModuleTable : UsbModuleEntries {
    UsbModuleTable() = default;
    UsbModuleTable(const UsbModuleTable&) = delete;
    UsbModuleTable& operator=(const UsbModuleTable&) = delete;
    ~UsbModuleTable();

    std::optional<platform::DynamicLibrary> library;
    alignas(8) std::uint8_t context[kUsbContextSize] = {};
};

// Loading into a table: 0, 17 (library missing, or Velto_Init 98) or 18 (an
// entry point missing, or Velto_Init 99). A table that still holds a module
// is unloaded first (the USB module with Velto_Destroy). Unloading clears
// the table.
std::int32_t LoadScsiModule(ScsiModuleTable& table);
void UnloadScsiModule(ScsiModuleTable& table);
std::int32_t LoadUsbModule(UsbModuleTable& table);
std::int32_t UnloadUsbModule(UsbModuleTable& table);

// Binding the handle's printer (direct mode), releasing it (Close), and the
// hardware lookup without binding.
std::int32_t Bind(VelkitHandle* h);
std::int32_t Unbind(VelkitHandle* h);
std::int32_t LookUpHardwareFlags(VelkitHandle* h, std::uint32_t& flags);

// The bound device's fields; the handle must be bound.
bool IsBound(const VelkitHandle* h);
std::uint8_t BoundHardwareFlags(const VelkitHandle* h);
std::int32_t BoundStationKind(const VelkitHandle* h);

// Dispatch to the bound device: 2 when nothing is bound, 18 for an empty
// entry-point slot, otherwise the module's answer mapped as each says.
std::int32_t DispatchStatusRead(VelkitHandle* h, std::span<std::uint8_t, 32> buffer);
std::int32_t DispatchSenseRead(VelkitHandle* h, std::span<std::uint8_t, 20> buffer);
std::int32_t DispatchCardToEncoder(VelkitHandle* h);
std::int32_t DispatchCardEject(VelkitHandle* h, std::int32_t code);
std::int32_t DispatchCardWait(VelkitHandle* h, std::int32_t limit);  // module value unchanged
std::int32_t DispatchICTransmit(VelkitHandle* h, std::int32_t length, const void* data);
std::int32_t DispatchICStatus(VelkitHandle* h, std::int32_t* ready, std::int32_t* length);
std::int32_t DispatchICReceive(VelkitHandle* h, std::int32_t length, void* buffer);
std::int32_t DispatchMagPrepare(VelkitHandle* h, std::int32_t mode);
std::int32_t DispatchMagWait(VelkitHandle* h, std::int32_t limit);
std::int32_t DispatchMagRead(VelkitHandle* h, std::intptr_t a, std::intptr_t b, std::intptr_t c);
std::int32_t DispatchMagEject(VelkitHandle* h, std::int32_t code);

} // namespace velkit
