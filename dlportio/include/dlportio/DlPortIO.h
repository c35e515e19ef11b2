#pragma once
// Direct access to the parallel port's registers: data at the base address,
// status at base + 1, control at base + 2.
#include <cstdint>

#define DLPORTIO_API extern "C" __attribute__((visibility("default")))

DLPORTIO_API std::uint8_t DlPortReadPortUchar(std::uint32_t port);
DLPORTIO_API void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value);
