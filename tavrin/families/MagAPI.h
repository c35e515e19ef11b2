#pragma once
// The entry points of the Magicard vendor library "MagAPI.DLL" (on Linux
// libmagapi.so): the calling interface both sides agree on.
#include <cstdint>

extern "C" {
using MagEnableStatusReporting = std::int32_t (*)(void* dc, void** handle, std::uint32_t flags);
using MagDisableStatusReporting = std::int32_t (*)(void* handle);
using MagFeedCardA = std::int32_t (*)(void* handle, std::int32_t mode, std::int32_t param, const char* comment);
using MagEjectCardA = std::int32_t (*)(void* handle, const char* comment);
using MagWaitForPrinter = std::int32_t (*)(void* handle);
using MagGetLastPrinterMessage = std::int32_t (*)(void* handle, char* buffer, std::uint32_t* size);
}
