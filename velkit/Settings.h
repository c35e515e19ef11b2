#pragma once
// Document and page settings: the driver escapes that carry them, their
// blocks, and where the settings record keeps each value behind the public
// part (DriverPrivateArea). Blocks are built in one place, here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace velkit {

// Escapes of the driver's settings series: the current numbers; each also
// has an older number kOlderEscapeOffset lower that takes the same block.
enum SettingsEscape : int {
    kEscapeColorMode = 16001,
    kEscapeEjectSideUp = 16003,
    kEscapeDitherMethod = 16005,
    kEscapeDitherIntensity = 16007,
    kEscapeOverlayMode = 16009,
    kEscapeOverlayPrintableArea = 16011,
    kEscapeOverlayNonprintableArea = 16013,
    kEscapeLaminateMode = 16015,
    kEscapeLaminateModeQuery = 16016,
    kEscapeLaminateLast = 16017,
    kEscapeUVMode = 16019,
    kEscapeUVColor = 16021,
    kEscapeRotate180 = 16025,
    kEscapeResinUsage = 16028,
    kEscapeFlipBeforePrint = 16030,
    kEscapeGrayscaleIntensity = 16032,
};

// The standard copy-count escape; it has no older number.
constexpr int SETCOPYCOUNT = 17;

// DriverPrivateArea offsets, from the start of the driver-private bytes.
// Per-side entries hold side 0 first.
namespace area {
constexpr std::size_t kFlags = 4;             // bit 8: laminate last
constexpr std::size_t kRotate180 = 32;        // 2 x 32-bit
constexpr std::size_t kColorMode = 40;        // 2 x 32-bit
constexpr std::size_t kDitherMethod = 48;     // 2 x 32-bit
constexpr std::size_t kDitherIntensity = 56;  // 2 x 32-bit
constexpr std::size_t kGrayscaleIntensity = 64;  // 2 x 32-bit
constexpr std::size_t kResinUsage = 72;       // 8 x 32-bit: side 0 panels 0-3, side 1 panels 0-3
constexpr std::size_t kOverlayMode = 104;     // 2 x 32-bit
constexpr std::size_t kOverlayPrintableArea = 112;     // 2 x 4 x 32-bit
constexpr std::size_t kOverlayNonprintableArea = 144;  // 2 x 4 x 32-bit
constexpr std::size_t kLaminateMode = 176;    // 2 x 8-bit
constexpr std::size_t kFlipBeforePrint = 180;
constexpr std::size_t kEjectSideUp = 184;
constexpr std::size_t kUVMode = 188;          // 2 x 32-bit
constexpr std::size_t kUVColor = 196;
// Private bytes a record needs to hold every setting.
constexpr std::size_t kSize = 200;
} // namespace area

constexpr std::uint32_t kLaminateLastBit = 0x100;
constexpr std::int32_t kResinAllPanels = -1;
constexpr int kResinPanels = 4;

// An input block: 32-bit little-endian words.
template <std::size_t N>
struct EscapeBlock {
    std::array<std::uint8_t, N * 4> bytes {};
    int Size() const { return int(bytes.size()); }
    const void* Data() const { return bytes.data(); }
};

template <typename... Words>
EscapeBlock<sizeof...(Words)> MakeBlock(Words... words)
{
    EscapeBlock<sizeof...(Words)> block;
    std::size_t at = 0;
    for (const std::uint32_t w : {std::uint32_t(words)...}) {
        for (int b = 0; b < 4; ++b) block.bytes[at++] = std::uint8_t(w >> (8 * b));
    }
    return block;
}

// Overlay areas travel in driver units: v * 300 / 1000 towards the driver,
// s * 1000 / 300 back, each truncated toward zero. Computed wide so that
// no value overflows; a result beyond 32 bits is clamped.
std::int32_t ToDriverUnits(std::int32_t v);
std::int32_t FromDriverUnits(std::int32_t s);

// The panels a resin-usage mask includes, in the order they are sent.
// Panel p (0-3) is in when bit p is set; -1 means all four.
std::array<bool, kResinPanels> ResinPanels(std::int32_t panels);

} // namespace velkit
