// Document and page settings. Each value goes to the driver on the document
// DC first and is remembered in the held settings record only when the
// driver took it, so the getters answer what the driver was told.
#include "Settings.h"

#include "Encoding.h"
#include "VelkitHandle.h"
#include "platform/DevMode.h"
#include "platform/DeviceContext.h"
#include "velkit/ResultCodes.h"
#include "velkit/Velkit.h"

#include <algorithm>
#include <limits>

namespace velkit {

std::int32_t ToDriverUnits(std::int32_t v)
{
    return std::int32_t(std::int64_t(v) * 300 / 1000);
}

std::int32_t FromDriverUnits(std::int32_t s)
{
    const std::int64_t v = std::int64_t(s) * 1000 / 300;
    return std::int32_t(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

std::array<bool, kResinPanels> ResinPanels(std::int32_t panels)
{
    std::array<bool, kResinPanels> in {};
    for (int p = 0; p < kResinPanels; ++p) in[std::size_t(p)] = panels == kResinAllPanels || (panels & (1 << p)) != 0;
    return in;
}

} // namespace velkit

using namespace velkit;

namespace {

std::uint32_t Get32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
}

void Put32(std::uint8_t* at, std::uint32_t v)
{
    for (int b = 0; b < 4; ++b) at[b] = std::uint8_t(v >> (8 * b));
}

// Handle, then the document DC: the checks every setting starts with. h
// comes back as the record behind the handle.
std::int32_t CommonChecks(VelkitHandle*& h)
{
    if (!ResolveHandle(h)) return VELTO_INVALID_DEVICEHANDLE;
    if (!h->documentDC) return VELTO_ERROR_DOCNOTATTACHED;
    return VELTO_SUCCESS;
}

bool ValidSide(std::int32_t side) { return side == 0 || side == 1; }

// Calls fn with the public part of the held record in the layout the wide
// flag names.
template <typename Fn>
auto WithPublicPart(VelkitHandle* h, Fn fn)
{
    if (h->wide) return fn(*reinterpret_cast<platform::DEVMODEW*>(h->settings));
    return fn(*reinterpret_cast<platform::DEVMODEA*>(h->settings));
}

// width bytes of the driver-private area at offset, or null when the held
// record has no room there (no record, or fewer private bytes than the
// settings need): a short record is never written or read past its end.
std::uint8_t* PrivateBytes(VelkitHandle* h, std::size_t offset, std::size_t width)
{
    if (!h->settings) return nullptr;
    const auto [size, extra] = WithPublicPart(h, [](const auto& dm) {
        return std::pair<std::size_t, std::size_t>(dm.dmSize, dm.dmDriverExtra);
    });
    if (offset + width > extra) return nullptr;
    if (h->settingsSize >= 0 && size + offset + width > std::size_t(h->settingsSize)) return nullptr;
    return h->settings + size + offset;
}

// The current number first, then the older one with the same block.
bool SendSeries(const VelkitHandle* h, int escape, int inSize, const void* in, int outSize = 0, void* out = nullptr)
{
    if (platform::ExtEscape(h->documentDC, escape, inSize, in, outSize, out) > 0) return true;
    return platform::ExtEscape(h->documentDC, escape - kOlderEscapeOffset, inSize, in, outSize, out) > 0;
}

template <std::size_t N>
bool SendSeries(const VelkitHandle* h, int escape, const EscapeBlock<N>& block)
{
    return SendSeries(h, escape, block.Size(), block.Data());
}

// A document-wide 32-bit setting: {value} goes to the driver.
std::int32_t SetDocValue(VelkitHandle* h, std::int32_t value, bool valid, int escape, std::size_t offset)
{
    if (const std::int32_t r = CommonChecks(h); r != VELTO_SUCCESS) return r;
    if (!valid) return VELTO_INVALID_PARAMETER;
    std::uint8_t* at = PrivateBytes(h, offset, 4);
    if (!at) return VELTO_INVALID_DEVMODE;
    if (!SendSeries(h, escape, MakeBlock(value))) return VELTO_ERROR_WINDOWSERROR;
    Put32(at, std::uint32_t(value));
    return VELTO_SUCCESS;
}

std::int32_t GetDocValue(VelkitHandle* h, std::int32_t* out, std::size_t offset)
{
    if (const std::int32_t r = CommonChecks(h); r != VELTO_SUCCESS) return r;
    if (!out) return VELTO_INVALID_PARAMETER;
    const std::uint8_t* at = PrivateBytes(h, offset, 4);
    if (!at) return VELTO_INVALID_DEVMODE;
    *out = std::int32_t(Get32(at));
    return VELTO_SUCCESS;
}

// A per-side 32-bit setting: {side, value} goes to the driver.
std::int32_t SetSideValue(VelkitHandle* h, std::int32_t side, std::int32_t value, bool valid, int escape,
                          std::size_t offset)
{
    if (const std::int32_t r = CommonChecks(h); r != VELTO_SUCCESS) return r;
    if (!ValidSide(side) || !valid) return VELTO_INVALID_PARAMETER;
    std::uint8_t* at = PrivateBytes(h, offset + 4 * std::size_t(side), 4);
    if (!at) return VELTO_INVALID_DEVMODE;
    if (!SendSeries(h, escape, MakeBlock(side, value))) return VELTO_ERROR_WINDOWSERROR;
    Put32(at, std::uint32_t(value));
    return VELTO_SUCCESS;
}

std::int32_t GetSideValue(VelkitHandle* h, std::int32_t side, std::int32_t* out, std::size_t offset)
{
    if (const std::int32_t r = CommonChecks(h); r != VELTO_SUCCESS) return r;
    if (!ValidSide(side) || !out) return VELTO_INVALID_PARAMETER;
    const std::uint8_t* at = PrivateBytes(h, offset + 4 * std::size_t(side), 4);
    if (!at) return VELTO_INVALID_DEVMODE;
    *out = std::int32_t(Get32(at));
    return VELTO_SUCCESS;
}

// Duplex and orientation are public members the driver learns through
// ResetDC; the fields word then names exactly these two.
template <typename Change>
std::int32_t SetPublic(VelkitHandle* h, Change change)
{
    WithPublicPart(h, [&](auto& dm) {
        change(dm);
        dm.dmFields = DM_ORIENTATION | DM_DUPLEX;
    });
    if (h->wide)
        platform::ResetDCW(h->documentDC, reinterpret_cast<const platform::DEVMODEW*>(h->settings));
    else
        platform::ResetDCA(h->documentDC, reinterpret_cast<const platform::DEVMODEA*>(h->settings));
    return VELTO_SUCCESS;
}

std::int32_t SetArea(VelkitHandle* h, std::int32_t side, const std::int32_t* values, int escape, std::size_t offset)
{
    if (const std::int32_t r = CommonChecks(h); r != VELTO_SUCCESS) return r;
    if (!ValidSide(side) || !values) return VELTO_INVALID_PARAMETER;
    std::uint8_t* at = PrivateBytes(h, offset + 16 * std::size_t(side), 16);
    if (!at) return VELTO_INVALID_DEVMODE;
    std::int32_t converted[4];
    for (int i = 0; i < 4; ++i) converted[i] = ToDriverUnits(values[i]);
    if (!SendSeries(h, escape, MakeBlock(side, converted[0], converted[1], converted[2], converted[3])))
        return VELTO_ERROR_WINDOWSERROR;
    for (int i = 0; i < 4; ++i) Put32(at + 4 * i, std::uint32_t(converted[i]));
    return VELTO_SUCCESS;
}

std::int32_t GetArea(VelkitHandle* h, std::int32_t side, std::int32_t* values, std::size_t offset)
{
    if (const std::int32_t r = CommonChecks(h); r != VELTO_SUCCESS) return r;
    if (!ValidSide(side) || !values) return VELTO_INVALID_PARAMETER;
    const std::uint8_t* at = PrivateBytes(h, offset + 16 * std::size_t(side), 16);
    if (!at) return VELTO_INVALID_DEVMODE;
    for (int i = 0; i < 4; ++i) values[i] = FromDriverUnits(std::int32_t(Get32(at + 4 * i)));
    return VELTO_SUCCESS;
}

bool InRange(std::int32_t v, std::int32_t low, std::int32_t high) { return v >= low && v <= high; }

} // namespace

VELKIT_API int32_t VELKIT_CALL Velkit_DocSetDuplex(VelkitHandle* handle, int32_t duplex)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!InRange(duplex, 0, 1)) return VELTO_INVALID_PARAMETER;
    if (!handle->settings) return VELTO_INVALID_DEVMODE;
    return SetPublic(handle, [duplex](auto& dm) {
        dm.dmDuplex = duplex == 1 ? DMDUP_HORIZONTAL : DMDUP_SIMPLEX;
    });
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocGetDuplex(VelkitHandle* handle, int32_t* duplex)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!duplex) return VELTO_INVALID_PARAMETER;
    if (!handle->settings) return VELTO_INVALID_DEVMODE;
    *duplex = WithPublicPart(handle, [](const auto& dm) { return dm.dmDuplex == DMDUP_HORIZONTAL ? 1 : 0; });
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocSetCopies(VelkitHandle* handle, int32_t copies)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!InRange(copies, 0, 99)) return VELTO_INVALID_PARAMETER;
    if (!handle->settings) return VELTO_INVALID_DEVMODE;
    const std::uint8_t count[2] = {std::uint8_t(copies), std::uint8_t(copies >> 8)};
    if (platform::ExtEscape(handle->documentDC, SETCOPYCOUNT, 2, count, 0, nullptr) <= 0)
        return VELTO_ERROR_WINDOWSERROR;
    WithPublicPart(handle, [copies](auto& dm) { dm.dmCopies = std::int16_t(copies); });
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocGetCopies(VelkitHandle* handle, int32_t* copies)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!copies) return VELTO_INVALID_PARAMETER;
    if (!handle->settings) return VELTO_INVALID_DEVMODE;
    *copies = WithPublicPart(handle, [](const auto& dm) { return std::int32_t(dm.dmCopies); });
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocSetFlipBeforePrint(VelkitHandle* handle, int32_t flag)
{
    return SetDocValue(handle, flag, InRange(flag, 0, 1), kEscapeFlipBeforePrint, area::kFlipBeforePrint);
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocGetFlipBeforePrint(VelkitHandle* handle, int32_t* flag)
{
    return GetDocValue(handle, flag, area::kFlipBeforePrint);
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocSetEjectSideUp(VelkitHandle* handle, int32_t value)
{
    return SetDocValue(handle, value, InRange(value, 0, 2), kEscapeEjectSideUp, area::kEjectSideUp);
}

VELKIT_API int32_t VELKIT_CALL Velkit_DocGetEjectSideUp(VelkitHandle* handle, int32_t* value)
{
    return GetDocValue(handle, value, area::kEjectSideUp);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetOrientation(VelkitHandle* handle, int32_t orientation)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!InRange(orientation, 1, 2)) return VELTO_INVALID_PARAMETER;
    if (!handle->settings) return VELTO_INVALID_DEVMODE;
    return SetPublic(handle, [orientation](auto& dm) {
        dm.dmOrientation = orientation == 2 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    });
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetOrientation(VelkitHandle* handle, int32_t* orientation)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!orientation) return VELTO_INVALID_PARAMETER;
    if (!handle->settings) return VELTO_INVALID_DEVMODE;
    *orientation = WithPublicPart(handle, [](const auto& dm) {
        return dm.dmOrientation == DMORIENT_LANDSCAPE ? 2 : 1;
    });
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetColorMode(VelkitHandle* handle, int32_t side, int32_t mode)
{
    return SetSideValue(handle, side, mode, InRange(mode, 0, 2), kEscapeColorMode, area::kColorMode);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetColorMode(VelkitHandle* handle, int32_t side, int32_t* mode)
{
    return GetSideValue(handle, side, mode, area::kColorMode);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetDitherMethod(VelkitHandle* handle, int32_t side, int32_t method)
{
    return SetSideValue(handle, side, method, InRange(method, 0, 2), kEscapeDitherMethod, area::kDitherMethod);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetDitherMethod(VelkitHandle* handle, int32_t side, int32_t* method)
{
    return GetSideValue(handle, side, method, area::kDitherMethod);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetDitherIntensity(VelkitHandle* handle, int32_t side, int32_t intensity)
{
    return SetSideValue(handle, side, intensity, intensity >= 1, kEscapeDitherIntensity, area::kDitherIntensity);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetDitherIntensity(VelkitHandle* handle, int32_t side, int32_t* intensity)
{
    return GetSideValue(handle, side, intensity, area::kDitherIntensity);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetGrayscaleIntensity(VelkitHandle* handle, int32_t side, int32_t intensity)
{
    return SetSideValue(handle, side, intensity, intensity >= 1, kEscapeGrayscaleIntensity,
                        area::kGrayscaleIntensity);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetGrayscaleIntensity(VelkitHandle* handle, int32_t side, int32_t* intensity)
{
    return GetSideValue(handle, side, intensity, area::kGrayscaleIntensity);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetResinUsage(VelkitHandle* handle, int32_t side, int32_t panels,
                                                        int32_t value)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!ValidSide(side) || !InRange(panels, -1, 8) || !InRange(value, 0, 1)) return VELTO_INVALID_PARAMETER;
    std::uint8_t* entries = PrivateBytes(handle, area::kResinUsage + 16 * std::size_t(side), 16);
    if (!entries) return VELTO_INVALID_DEVMODE;
    const auto included = ResinPanels(panels);
    // Panel by panel: a refusal stops here, and the panels before it stay
    // sent and stored.
    for (int panel = 0; panel < kResinPanels; ++panel) {
        if (!included[std::size_t(panel)]) continue;
        if (!SendSeries(handle, kEscapeResinUsage, MakeBlock(side, panel, value))) return VELTO_ERROR_WINDOWSERROR;
        Put32(entries + 4 * panel, std::uint32_t(value));
    }
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetResinUsage(VelkitHandle* handle, int32_t side, int32_t panel,
                                                        int32_t* value)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!ValidSide(side) || !InRange(panel, 0, kResinPanels - 1) || !value) return VELTO_INVALID_PARAMETER;
    const std::uint8_t* at = PrivateBytes(handle, area::kResinUsage + 4 * std::size_t(4 * side + panel), 4);
    if (!at) return VELTO_INVALID_DEVMODE;
    *value = std::int32_t(Get32(at));
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetOverlayMode(VelkitHandle* handle, int32_t side, int32_t mode)
{
    return SetSideValue(handle, side, mode, InRange(mode, 0, 4), kEscapeOverlayMode, area::kOverlayMode);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetOverlayMode(VelkitHandle* handle, int32_t side, int32_t* mode)
{
    return GetSideValue(handle, side, mode, area::kOverlayMode);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetOverlayPrintableArea(VelkitHandle* handle, int32_t side,
                                                                  const int32_t* values)
{
    return SetArea(handle, side, values, kEscapeOverlayPrintableArea, area::kOverlayPrintableArea);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetOverlayPrintableArea(VelkitHandle* handle, int32_t side, int32_t* values)
{
    return GetArea(handle, side, values, area::kOverlayPrintableArea);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetOverlayNonprintableArea(VelkitHandle* handle, int32_t side,
                                                                     const int32_t* values)
{
    return SetArea(handle, side, values, kEscapeOverlayNonprintableArea, area::kOverlayNonprintableArea);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetOverlayNonprintableArea(VelkitHandle* handle, int32_t side,
                                                                     int32_t* values)
{
    return GetArea(handle, side, values, area::kOverlayNonprintableArea);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetLaminateMode(VelkitHandle* handle, int32_t side, int32_t mode)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!ValidSide(side) || !InRange(mode, 0, 1)) return VELTO_INVALID_PARAMETER;
    std::uint8_t* at = PrivateBytes(handle, area::kLaminateMode + std::size_t(side), 1);
    if (!at) return VELTO_INVALID_DEVMODE;
    if (!SendSeries(handle, kEscapeLaminateMode, MakeBlock(side, mode))) return VELTO_ERROR_WINDOWSERROR;
    *at = std::uint8_t(mode);
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetLaminateMode(VelkitHandle* handle, int32_t side, int32_t* mode)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!ValidSide(side) || !mode) return VELTO_INVALID_PARAMETER;
    const std::uint8_t* at = PrivateBytes(handle, area::kLaminateMode + std::size_t(side), 1);
    if (!at) return VELTO_INVALID_DEVMODE;
    // The driver is asked first; its answer only tells that it knows the
    // setting, the value given back is the remembered one.
    const auto query = MakeBlock(side);
    if (!SendSeries(handle, kEscapeLaminateModeQuery, query.Size(), query.Data(), 4, mode))
        return VELTO_ERROR_WINDOWSERROR;
    *mode = *at;
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetLaminateLast(VelkitHandle* handle, int32_t flag)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!InRange(flag, 0, 1)) return VELTO_INVALID_PARAMETER;
    std::uint8_t* at = PrivateBytes(handle, area::kFlags, 4);
    if (!at) return VELTO_INVALID_DEVMODE;
    // The driver reads only the flag; the second word goes as zero.
    if (!SendSeries(handle, kEscapeLaminateLast, MakeBlock(flag, 0))) return VELTO_ERROR_WINDOWSERROR;
    const std::uint32_t word = Get32(at);
    Put32(at, flag ? (word | kLaminateLastBit) : (word & ~kLaminateLastBit));
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetLaminateLast(VelkitHandle* handle, int32_t* flag)
{
    if (const std::int32_t r = CommonChecks(handle); r != VELTO_SUCCESS) return r;
    if (!flag) return VELTO_INVALID_PARAMETER;
    const std::uint8_t* at = PrivateBytes(handle, area::kFlags, 4);
    if (!at) return VELTO_INVALID_DEVMODE;
    *flag = (Get32(at) & kLaminateLastBit) ? 1 : 0;
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetUVMode(VelkitHandle* handle, int32_t side, int32_t mode)
{
    return SetSideValue(handle, side, mode, InRange(mode, 0, 2), kEscapeUVMode, area::kUVMode);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetUVMode(VelkitHandle* handle, int32_t side, int32_t* mode)
{
    return GetSideValue(handle, side, mode, area::kUVMode);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetUVColor(VelkitHandle* handle, int32_t color)
{
    return SetDocValue(handle, color, true, kEscapeUVColor, area::kUVColor);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetUVColor(VelkitHandle* handle, int32_t* color)
{
    return GetDocValue(handle, color, area::kUVColor);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageSetRotate180(VelkitHandle* handle, int32_t side, int32_t flag)
{
    return SetSideValue(handle, side, flag, InRange(flag, 0, 1), kEscapeRotate180, area::kRotate180);
}

VELKIT_API int32_t VELKIT_CALL Velkit_PageGetRotate180(VelkitHandle* handle, int32_t side, int32_t* flag)
{
    return GetSideValue(handle, side, flag, area::kRotate180);
}
