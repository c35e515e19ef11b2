#pragma once
// The printer settings record in the two layouts applications and printer
// drivers exchange: DEVMODEA (narrow names) and DEVMODEW (UTF-16 names).
// The driver's private bytes follow the public part, dmSize bytes after the
// start; dmDriverExtra says how many there are.
//
// Where the system has these records and their constants itself (Windows),
// its own are used; elsewhere they are defined here, the constants like the
// system's at global scope, so callers write them the same way everywhere
// (DM_OUT_BUFFER, not platform::DM_OUT_BUFFER).
#include <cstddef>
#include <cstdint>
#include <type_traits>

#ifdef _WIN32
#include <windows.h>

namespace platform {
using ::DEVMODEA;
using ::DEVMODEW;
// The UTF-16 code unit of the wide records.
using DevModeChar = WCHAR;
template <typename Char>
using DevModeT = std::conditional_t<sizeof(Char) == 1, DEVMODEA, DEVMODEW>;
} // namespace platform

#else

constexpr std::uint16_t DM_SPECVERSION = 0x0401;

// dmFields bits
constexpr std::uint32_t DM_ORIENTATION = 0x00000001;
constexpr std::uint32_t DM_PAPERSIZE = 0x00000002;
constexpr std::uint32_t DM_COPIES = 0x00000100;
constexpr std::uint32_t DM_DUPLEX = 0x00001000;

// DocumentProperties modes
constexpr std::uint32_t DM_OUT_BUFFER = 2;
constexpr std::uint32_t DM_IN_BUFFER = 8;
constexpr long IDOK = 1;

// dmOrientation, dmDuplex
constexpr std::int16_t DMORIENT_PORTRAIT = 1;
constexpr std::int16_t DMORIENT_LANDSCAPE = 2;
constexpr std::int16_t DMDUP_SIMPLEX = 1;
constexpr std::int16_t DMDUP_VERTICAL = 2;
constexpr std::int16_t DMDUP_HORIZONTAL = 3;

constexpr std::size_t CCHDEVICENAME = 32;
constexpr std::size_t CCHFORMNAME = 32;

namespace platform {

// The UTF-16 code unit of the wide records.
using DevModeChar = char16_t;

template <typename Char>
struct DevModeT {
    Char dmDeviceName[CCHDEVICENAME];
    std::uint16_t dmSpecVersion;
    std::uint16_t dmDriverVersion;
    std::uint16_t dmSize;
    std::uint16_t dmDriverExtra;
    std::uint32_t dmFields;
    std::int16_t dmOrientation;
    std::int16_t dmPaperSize;
    std::int16_t dmPaperLength;
    std::int16_t dmPaperWidth;
    std::int16_t dmScale;
    std::int16_t dmCopies;
    std::int16_t dmDefaultSource;
    std::int16_t dmPrintQuality;
    std::int16_t dmColor;
    std::int16_t dmDuplex;
    std::int16_t dmYResolution;
    std::int16_t dmTTOption;
    std::int16_t dmCollate;
    Char dmFormName[CCHFORMNAME];
    std::uint16_t dmLogPixels;
    std::uint32_t dmBitsPerPel;
    std::uint32_t dmPelsWidth;
    std::uint32_t dmPelsHeight;
    std::uint32_t dmNup;
    std::uint32_t dmDisplayFrequency;
    std::uint32_t dmICMMethod;
    std::uint32_t dmICMIntent;
    std::uint32_t dmMediaType;
    std::uint32_t dmDitherType;
    std::uint32_t dmReserved1;
    std::uint32_t dmReserved2;
    std::uint32_t dmPanningWidth;
    std::uint32_t dmPanningHeight;
};

using DEVMODEA = DevModeT<char>;
using DEVMODEW = DevModeT<DevModeChar>;

} // namespace platform

#endif

// The layouts every driver expects, whichever side defined them.
namespace platform {
static_assert(sizeof(DEVMODEA) == 156 && sizeof(DEVMODEW) == 220);
static_assert(offsetof(DEVMODEA, dmDriverVersion) == 34 && offsetof(DEVMODEW, dmDriverVersion) == 66);
static_assert(offsetof(DEVMODEA, dmDriverExtra) == 38 && offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEA, dmFields) == 40 && offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEA, dmOrientation) == 44 && offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEA, dmCopies) == 54 && offsetof(DEVMODEW, dmCopies) == 86);
static_assert(offsetof(DEVMODEA, dmDuplex) == 62 && offsetof(DEVMODEW, dmDuplex) == 94);
static_assert(offsetof(DEVMODEA, dmFormName) == 70 && offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEA, dmLogPixels) == 102 && offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEA, dmPanningHeight) == 152 && offsetof(DEVMODEW, dmPanningHeight) == 216);

} // namespace platform
