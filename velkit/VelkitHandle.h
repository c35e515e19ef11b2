#pragma once
// The record behind a Velkit printer handle, and the table of live handles.
//
// A caller never holds a record's address. It holds a handle value that
// the table gives out at open: an odd number, never the address of any
// object, and never given out twice. Every operation looks the value up in
// the table before anything else, so a NULL, closed, stale or made-up
// handle is refused with VELTO_INVALID_DEVICEHANDLE without ever being
// dereferenced, and a handle closed once is gone from the table before the
// record behind it is freed.
#include <cstdint>
#include <memory>

#include "EncoderModules.h"
#include "PortModules.h"
#include "platform/DeviceContext.h"

namespace velkit {

constexpr std::uint32_t kHandleMagic = 0x12345678;
constexpr std::size_t kNameField = 256;

enum PortKindValue : std::int32_t { kPortOther = 1, kPortScsi = 2, kPortUsb = 3 };

} // namespace velkit

struct VelkitHandle {
    std::uint32_t magic = 0;
    platform::HDC documentDC = nullptr;
    std::int32_t initialMode = 0;
    std::int32_t currentMode = 0;
    char printerName[velkit::kNameField] = {};
    char portName[velkit::kNameField] = {};
    std::int32_t wide = 0;
    std::int32_t ownsSettings = 0;
    std::int32_t settingsSize = 0;
    std::uint8_t* settings = nullptr;
    std::int32_t PortKind = velkit::kPortOther;
    // Port-module state. A handle uses the SCSI or the USB part, by PortKind;
    // they are kept side by side rather than overlaid so each can own its
    // library through RAII, and each gives its module back what it handed
    // out before unloading it.
    velkit::ScsiPortState scsi;
    velkit::UsbModuleTable usb;
    std::uint32_t usbIdCount = 0;
    std::uint32_t usbIds[velkit::kUsbIdCapacity] = {};
    std::uint8_t* boundUsb = nullptr;
    alignas(8) std::uint8_t usbPrinter[velkit::kUsbPrinterRecordSize] = {};
    // Contactless encoder modules hang here once opened; null when closed.
    std::unique_ptr<velkit::HidModuleRecord> hidModule;
    std::unique_ptr<velkit::MifareModuleRecord> mifareModule;
    std::unique_ptr<velkit::IclassModuleRecord> iclassModule;

    // Storage of the settings record when ownsSettings is 1.
    std::unique_ptr<std::uint8_t[]> ownedSettings;
};

namespace velkit {

// Enters a newly opened record into the table; the result is the handle
// the caller gets.
VelkitHandle* AddHandle(std::unique_ptr<VelkitHandle> record);

// Turns a handle a caller passed into the record behind it, in place.
// false, with handle left as it was, when it is not a live handle.
bool ResolveHandle(VelkitHandle*& handle);

// Takes a live handle's record out of the table for Close; nullptr when
// the handle is not live (never opened, or closed already).
std::unique_ptr<VelkitHandle> TakeHandle(VelkitHandle* handle);

} // namespace velkit
