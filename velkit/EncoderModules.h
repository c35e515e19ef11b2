#pragma once
// The contactless encoder modules: three vendor libraries on a serial line,
// loaded per handle by their Windows names and called with fixed argument
// orders, and the mapping of their statuses to result codes.
#include "platform/CallingConvention.h"

#include <cstdint>
#include <optional>

#include "platform/DynamicLibrary.h"

struct VelkitHandle;

namespace velkit {

extern "C" {
// digion.dll: port, line speed, [buffer]; a 32-bit status.
using HidCallFn = std::int32_t (TAVRIN_STDCALL *)(std::int32_t port, double speed);
using HidBufferFn = std::int32_t (TAVRIN_STDCALL *)(std::int32_t port, double speed, void* buffer);
// mifaredrv.dll and encoderdrv.dll: a 16-bit status.
using MifareResetFn = std::int16_t (TAVRIN_STDCALL *)(std::int32_t port, std::int32_t speed);
using MifarePPFn = std::int16_t (TAVRIN_STDCALL *)(std::int32_t port, std::int32_t speed, void*, void*);
using MifarePPIIFn = std::int16_t (TAVRIN_STDCALL *)(std::int32_t port, std::int32_t speed, void*, void*, std::int32_t,
                                      std::int32_t);
using MifarePPIFn = std::int16_t (TAVRIN_STDCALL *)(std::int32_t port, std::int32_t speed, void*, void*, std::int32_t);
using MifarePIIPFn = std::int16_t (TAVRIN_STDCALL *)(std::int32_t port, std::int32_t speed, void*, std::int32_t, std::int32_t,
                                      void*);
using SendIClassCommandFn = std::int16_t (TAVRIN_STDCALL *)(std::int32_t port, std::int32_t speed, void*, void*, void*, void*);
using GenerateLoadKeyAndCheckSumFn = std::int16_t (TAVRIN_STDCALL *)(std::int32_t, void*, void*, void*, void*, void*);
using DesFn = std::int16_t (TAVRIN_STDCALL *)(void*, void*, void*);

// The encoder libraries export stdcall entry points, as Windows libraries do by default.
static_assert(platform::kIsStdcall<HidCallFn>);
static_assert(platform::kIsStdcall<HidBufferFn>);
static_assert(platform::kIsStdcall<MifareResetFn>);
static_assert(platform::kIsStdcall<MifarePPFn>);
static_assert(platform::kIsStdcall<MifarePPIIFn>);
static_assert(platform::kIsStdcall<MifarePPIFn>);
static_assert(platform::kIsStdcall<MifarePIIPFn>);
static_assert(platform::kIsStdcall<SendIClassCommandFn>);
static_assert(platform::kIsStdcall<GenerateLoadKeyAndCheckSumFn>);
static_assert(platform::kIsStdcall<DesFn>);

}

struct HidModuleRecord {
    std::optional<platform::DynamicLibrary> library;
    std::int32_t port = 0;
    double speed = 0;
    HidCallFn Reset = nullptr;
    HidBufferFn GetFirmwareVer = nullptr;
    HidBufferFn ReadDataHID = nullptr;
    HidBufferFn Read26BitsDataHID = nullptr;
};

struct MifareModuleRecord {
    std::optional<platform::DynamicLibrary> library;
    std::int32_t port = 0;
    std::int32_t speed = 0;
    MifarePPFn GetMifareCardID = nullptr;
    MifareResetFn ResetMifare = nullptr;
    MifarePPIIFn LogonMifare = nullptr;
    MifarePPIFn ReadMifare = nullptr;
    MifarePPIFn WriteMifare = nullptr;
    MifarePPIFn ReadValueMifare = nullptr;
    MifarePIIPFn WriteValueMifare = nullptr;
    MifarePIIPFn IncrementMifare = nullptr;
    MifarePIIPFn DecrementMifare = nullptr;
    MifarePIIPFn CopyMifare = nullptr;
};

struct IclassModuleRecord {
    std::optional<platform::DynamicLibrary> library;
    std::int32_t port = 0;
    std::int32_t speed = 0;
    SendIClassCommandFn SendIClassCommand = nullptr;
    GenerateLoadKeyAndCheckSumFn GenerateLoadKeyAndCheckSum = nullptr;
    DesFn EncryptDes = nullptr;
    DesFn DecryptDes = nullptr;
};

// Library statuses as result codes.
std::int32_t HidResult(std::int32_t status);
std::int32_t MifareResult(std::int16_t status);
std::int32_t IclassResult(std::int16_t status);

// Releases every family still open on the handle (Velkit_Close).
void CloseEncoderModules(VelkitHandle* h);

} // namespace velkit
