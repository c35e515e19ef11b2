#pragma once
// The calling interfaces of the DII and DIGID printer drivers, as both
// sides of the call agree on them. Every entry point returns a 32-bit code.
#include "platform/CallingConvention.h"

#include <cstdint>

extern "C" {
// Encoder interface: "_ExtEncodeInit@16", "_ExtEncodeEnd@8".
using DiiExtEncodeInit = std::int32_t (TAVRIN_STDCALL *)(const char* printerName, std::int32_t contact, std::int32_t reserved,
                                          std::int32_t* handle);
using DiiExtEncodeEnd = std::int32_t (TAVRIN_STDCALL *)(std::int32_t handle, std::int32_t endMode);

// Smart-card interface: "_LoadCardSC@24", "_UnloadCardSC@28".
using DiiLoadCardSC = std::int32_t (TAVRIN_STDCALL *)(std::int32_t contact, void* window, std::int32_t a, std::int32_t b,
                                       const char* printerName, std::int32_t reserved);
using DiiUnloadCardSC = std::int32_t (TAVRIN_STDCALL *)(std::int32_t contact, void* window, std::int32_t a, std::int32_t b,
                                         std::int32_t eject, std::int32_t flip, std::int32_t reserved);

// CX command interface.
using DiiCxScan = std::int32_t (TAVRIN_STDCALL *)(std::uint32_t* id1, std::uint32_t* id2);
using DiiCxCard = std::int32_t (TAVRIN_STDCALL *)(std::uint32_t id1, std::uint32_t id2, std::int32_t position, std::int32_t flip,
                                   std::int32_t reserved1, std::int32_t reserved2);
using DiiCxCheck = std::int32_t (TAVRIN_STDCALL *)(std::uint32_t id1, std::uint32_t id2);

// CIAAT: "PAVO_MoveCard".
using PavoMoveCard = std::int32_t (TAVRIN_STDCALL *)(const char* printerName, std::int32_t moveCode);

// The DII drivers and PavoApi are called with stdcall.
static_assert(platform::kIsStdcall<DiiExtEncodeInit>);
static_assert(platform::kIsStdcall<DiiExtEncodeEnd>);
static_assert(platform::kIsStdcall<DiiLoadCardSC>);
static_assert(platform::kIsStdcall<DiiUnloadCardSC>);
static_assert(platform::kIsStdcall<DiiCxScan>);
static_assert(platform::kIsStdcall<DiiCxCard>);
static_assert(platform::kIsStdcall<DiiCxCheck>);
static_assert(platform::kIsStdcall<PavoMoveCard>);

}
