#pragma once
// Direct access to the parallel port's registers: data at the base address,
// status at base + 1, control at base + 2.
#include <cstdint>

#ifdef _WIN32
#define DLPORTIO_API extern "C" __declspec(dllimport)
#define DLPORTIO_CALL __stdcall
#else
#define DLPORTIO_API extern "C" __attribute__((visibility("default")))
#define DLPORTIO_CALL
#endif

DLPORTIO_API std::uint8_t DLPORTIO_CALL DlPortReadPortUchar(std::uint32_t port);
DLPORTIO_API void DLPORTIO_CALL DlPortWritePortUchar(std::uint32_t port, std::uint8_t value);
