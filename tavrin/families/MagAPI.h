#pragma once
// The entry points of the Magicard vendor library "MagAPI.DLL" (on Linux
// libmagapi.so): the calling interface both sides agree on.
#include "platform/CallingConvention.h"

#include <cstdint>

extern "C" {
using MagEnableStatusReporting = std::int32_t (TAVRIN_STDCALL *)(void* dc, void** handle, std::uint32_t flags);
using MagDisableStatusReporting = std::int32_t (TAVRIN_STDCALL *)(void* handle);
using MagFeedCardA = std::int32_t (TAVRIN_STDCALL *)(void* handle, std::int32_t mode, std::int32_t param, const char* comment);
using MagEjectCardA = std::int32_t (TAVRIN_STDCALL *)(void* handle, const char* comment);
using MagWaitForPrinter = std::int32_t (TAVRIN_STDCALL *)(void* handle);
using MagGetLastPrinterMessage = std::int32_t (TAVRIN_STDCALL *)(void* handle, char* buffer, std::uint32_t* size);

// MagAPI is called with stdcall.
static_assert(platform::kIsStdcall<MagEnableStatusReporting>);
static_assert(platform::kIsStdcall<MagDisableStatusReporting>);
static_assert(platform::kIsStdcall<MagFeedCardA>);
static_assert(platform::kIsStdcall<MagEjectCardA>);
static_assert(platform::kIsStdcall<MagWaitForPrinter>);
static_assert(platform::kIsStdcall<MagGetLastPrinterMessage>);

}
