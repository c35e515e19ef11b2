#pragma once
// The record behind a Velkit printer handle. Callers hold its address; the
// first word is the magic every operation checks before trusting the rest.
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

inline bool ValidHandle(const VelkitHandle* h) { return h != nullptr && h->magic == kHandleMagic; }

} // namespace velkit
