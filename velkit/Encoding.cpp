// The encoding station: card movements and chip traffic through the port
// modules, the encoding request and magnetic writing as driver escapes.
#include "Encoding.h"

#include "PortModules.h"
#include "VelkitHandle.h"
#include "platform/Clock.h"
#include "platform/DeviceContext.h"
#include "velkit/ResultCodes.h"
#include "velkit/Velkit.h"

#include <cstring>

using namespace velkit;

namespace velkit {
namespace {

void PutLE16(std::uint8_t* at, std::uint32_t v)
{
    at[0] = std::uint8_t(v);
    at[1] = std::uint8_t(v >> 8);
}

void PutLE32(std::uint8_t* at, std::uint32_t v)
{
    PutLE16(at, v);
    PutLE16(at + 2, v >> 16);
}

} // namespace

std::optional<std::array<std::uint8_t, kMagneticWriteBlockSize>> MagneticWriteBlock(std::int32_t track,
                                                                                    std::int32_t length,
                                                                                    const char* data)
{
    const std::size_t stringLength = strnlen(data, kMagneticDataCapacity + 1);
    if (stringLength > kMagneticDataCapacity) return std::nullopt;
    if (length > std::int32_t(kMagneticDataCapacity)) return std::nullopt;
    std::array<std::uint8_t, kMagneticWriteBlockSize> block {};
    PutLE32(&block[0], kMagneticWriteBlockSize);
    PutLE16(&block[4], std::uint32_t(track));
    PutLE16(&block[6], length == -1 ? std::uint32_t(stringLength) : std::uint32_t(length));
    std::memcpy(&block[8], data, stringLength + 1);
    return block;
}

std::optional<std::array<std::uint8_t, kArbitraryBlockSize>> ArbitraryMagneticBlock(const std::int32_t (&params)[4],
                                                                                    std::int32_t length,
                                                                                    const char* data)
{
    std::size_t count = 0;
    if (length == -1) {
        count = strnlen(data, kArbitraryDataCapacity + 1);
    } else {
        count = std::size_t(length);
    }
    if (count > kArbitraryDataCapacity) return std::nullopt;
    std::array<std::uint8_t, kArbitraryBlockSize> block {};
    for (int i = 0; i < 4; ++i) PutLE16(&block[std::size_t(i) * 2], std::uint32_t(params[i]));
    PutLE16(&block[8], std::uint32_t(count));
    std::memcpy(&block[10], data, count);
    return block;
}

} // namespace velkit

namespace {

constexpr std::uint32_t kTransferWaitMs = 1000;
constexpr std::uint32_t kEjectWaitMs = 5000;
constexpr std::uint32_t kContactsWaitMs = 2000;
constexpr std::uint32_t kMagneticPrepareWaitMs = 2000;
constexpr std::uint32_t kPollIntervalMs = 250;
constexpr std::int32_t kCardWaitLimit = 45;
constexpr std::int32_t kMagneticWaitLimit = 20;
constexpr std::size_t kContactReplySize = 512;

// The bounds the public header states are these.
static_assert(kMagneticDataCapacity == VELKIT_MG_WRITE_MAX && kArbitraryDataCapacity == VELKIT_MG_ARBITRARY_MAX);
static_assert(kContactReplySize == VELKIT_IC_CONTACTS_REPLY);

std::int32_t BoundCheck(const VelkitHandle* h)
{
    return IsBound(h) ? VELTO_SUCCESS : VELTO_ERROR_PRINTERNOTFOUND;
}

std::int32_t EncoderCheck(const VelkitHandle* h)
{
    if (!IsBound(h)) return VELTO_ERROR_PRINTERNOTFOUND;
    return (BoundHardwareFlags(h) & kEncoderFlag) ? VELTO_SUCCESS : VELTO_INVALID_HARDWARE;
}

// A driver escape on the document DC, falling back to the older number.
bool SeriesEscape(const VelkitHandle* h, int escape, int inSize, const void* in)
{
    if (platform::ExtEscape(h->documentDC, escape, inSize, in, 0, nullptr) > 0) return true;
    return platform::ExtEscape(h->documentDC, escape - kOlderEscapeOffset, inSize, in, 0, nullptr) > 0;
}

// Polls the chip station until its reply is complete. capacity bounds what
// the module may write into reply when Velkit owns the buffer. h is the
// record, the handle checked already.
std::int32_t Complete(VelkitHandle* h, void* reply, std::size_t capacity, std::int32_t seconds)
{
    if (const std::int32_t r = EncoderCheck(h); r != VELTO_SUCCESS) return r;
    if (seconds < 1) return VELTO_INVALID_PARAMETER;
    // Without a buffer the reply could be neither received nor judged.
    if (!reply) return VELTO_INVALID_PARAMETER;
    const std::uint32_t limit = std::uint32_t(seconds) * 1000u;
    const std::uint32_t start = platform::GetTickCount();
    for (;;) {
        std::int32_t ready = 0;
        std::int32_t length = 0;
        // A USB printer has no chip-station status: waiting for one would
        // only run into the time-out.
        if (DispatchICStatus(h, &ready, &length) == VELTO_ERROR_NOTSUPPORTEDBYDRIVER)
            return VELTO_ERROR_NOTSUPPORTEDBYDRIVER;
        if (capacity && length > 0 && std::size_t(length) > capacity) length = std::int32_t(capacity);
        DispatchICReceive(h, length, reply);
        if (ready) {
            if (length == 0 && h->PortKind == kPortScsi && ReadInt32(h->scsi.bound, kScsiTypeCodeOffset) == kTypeCode5100)
                return VELTO_SUCCESS;
            return static_cast<const std::uint8_t*>(reply)[0] == 0x50 ? VELTO_SUCCESS : VELTO_ERROR_CMDFAILURE;
        }
        const bool timedOut = platform::GetTickCount() - start > limit;
        platform::Sleep(kPollIntervalMs);
        if (timedOut) return VELTO_ERROR_TIMEOUT;
    }
}

} // namespace

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICPosition(VelkitHandle* handle, int32_t selector, int32_t* position)
{
    if (!position) return VELTO_INVALID_PARAMETER;
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = BoundCheck(handle); r != VELTO_SUCCESS) return r;
    if (selector != 1 && selector != 2) return VELTO_INVALID_PARAMETER;
    *position = -1;
    if (!(BoundHardwareFlags(handle) & kEncoderFlag)) return VELTO_SUCCESS;
    if (selector == 1) {
        *position = 0;
        return VELTO_SUCCESS;
    }
    const std::int32_t kind = BoundStationKind(handle);
    if (kind == 2) {
        const bool type5100 = handle->PortKind == kPortScsi &&
                              ReadInt32(handle->scsi.bound, kScsiTypeCodeOffset) == kTypeCode5100;
        *position = type5100 ? 0 : 1;
    } else if (kind == 4) {
        *position = -1;
    } else {
        *position = 0;
    }
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICRequest(VelkitHandle* handle)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!handle->documentDC) return VELTO_ERROR_DOCNOTATTACHED;
    return SeriesEscape(handle, kEscapeEncodeRequest, 0, nullptr) ? VELTO_SUCCESS : VELTO_ERROR_WINDOWSERROR;
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICTransfer(VelkitHandle* handle)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = EncoderCheck(handle); r != VELTO_SUCCESS) return r;
    // The printer needs a moment before it takes the card to the encoder.
    platform::Sleep(kTransferWaitMs);
    return DispatchCardToEncoder(handle);
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICWait(VelkitHandle* handle)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = BoundCheck(handle); r != VELTO_SUCCESS) return r;
    const std::int32_t r = DispatchCardWait(handle, kCardWaitLimit);
    if (r == 0) return VELTO_ERROR_TIMEOUT;
    if (r == 1) return VELTO_SUCCESS;
    return VELTO_ERROR_PRINTER;
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICEject(VelkitHandle* handle, int32_t code)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = EncoderCheck(handle); r != VELTO_SUCCESS) return r;
    const std::int32_t r = DispatchCardEject(handle, code);
    // A card ejected to the output needs its time to leave the printer.
    if (code == 2) platform::Sleep(kEjectWaitMs);
    return r;
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICTransmit(VelkitHandle* handle, int32_t length, const void* data)
{
    if (!handle) return VELTO_INVALID_DEVICEHANDLE;
    if (length == 0 || !data) return VELTO_INVALID_PARAMETER;
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = EncoderCheck(handle); r != VELTO_SUCCESS) return r;
    return DispatchICTransmit(handle, length, data);
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICStatus(VelkitHandle* handle, int32_t* ready, int32_t* length)
{
    if (!handle) return VELTO_INVALID_DEVICEHANDLE;
    if (!ready || !length) return VELTO_INVALID_PARAMETER;
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = EncoderCheck(handle); r != VELTO_SUCCESS) return r;
    return DispatchICStatus(handle, ready, length);
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICReceive(VelkitHandle* handle, int32_t length, void* buffer)
{
    if (!handle) return VELTO_INVALID_DEVICEHANDLE;
    if (length == 0 || !buffer) return VELTO_INVALID_PARAMETER;
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = EncoderCheck(handle); r != VELTO_SUCCESS) return r;
    return DispatchICReceive(handle, length, buffer);
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICMoveContacts(VelkitHandle* handle, int32_t position)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (position != 0 && position != 1) return VELTO_INVALID_PARAMETER;
    if (const std::int32_t r = EncoderCheck(handle); r != VELTO_SUCCESS) return r;
    const std::uint8_t command[3] = {0x43, 0x43, std::uint8_t(position == 0 ? 0x30 : 0x31)};
    if (DispatchICTransmit(handle, 3, command) != VELTO_SUCCESS) return VELTO_ERROR_CMDFAILURE;
    platform::Sleep(kContactsWaitMs);
    std::uint8_t reply[kContactReplySize] = {};
    return Complete(handle, reply, sizeof reply, 5);
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICComplete(VelkitHandle* handle, void* reply, int32_t seconds)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    return Complete(handle, reply, 0, seconds);
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGWrite(VelkitHandle* handle, int32_t track, int32_t length,
                                                    const char* data)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!handle->documentDC) return VELTO_INVALID_DEVICECONTEXT;
    if (track < 0 || track > 5 || length < -1 || !data) return VELTO_INVALID_PARAMETER;
    const auto block = MagneticWriteBlock(track, length, data);
    if (!block) return VELTO_INVALID_PARAMETER;
    return SeriesEscape(handle, kEscapeMagneticWrite, int(block->size()), block->data()) ? VELTO_SUCCESS
                                                                                          : VELTO_ERROR_WINDOWSERROR;
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGWriteArbitrary(VelkitHandle* handle, int32_t p1, int32_t p2, int32_t p3,
                                                 int32_t p4, int32_t length, const char* data)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!handle->documentDC) return VELTO_INVALID_DEVICECONTEXT;
    if (length < -1 || !data) return VELTO_INVALID_PARAMETER;
    const std::int32_t params[4] = {p1, p2, p3, p4};
    const auto block = ArbitraryMagneticBlock(params, length, data);
    if (!block) return VELTO_INVALID_PARAMETER;
    const int r = platform::ExtEscape(handle->documentDC, kEscapeArbitraryMagneticWrite, int(block->size()),
                                      block->data(), 0, nullptr);
    return r > 0 ? VELTO_SUCCESS : VELTO_ERROR_WINDOWSERROR;
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGRead(VelkitHandle* handle, int32_t mode)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = BoundCheck(handle); r != VELTO_SUCCESS) return r;
    if (DispatchMagPrepare(handle, mode) != VELTO_SUCCESS) return VELTO_ERROR_PRINTER;
    platform::Sleep(kMagneticPrepareWaitMs);
    return DispatchMagWait(handle, kMagneticWaitLimit);
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGGetTrack(VelkitHandle* handle, intptr_t a, intptr_t b, intptr_t c)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (const std::int32_t r = BoundCheck(handle); r != VELTO_SUCCESS) return r;
    return DispatchMagRead(handle, a, b, c) != VELTO_SUCCESS ? VELTO_ERROR_PRINTER : VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGRelease(VelkitHandle* handle, int32_t code)
{
    if (!ResolveHandle(handle)) return VELTO_INVALID_DEVICEHANDLE;
    if (!handle->documentDC) return VELTO_INVALID_DEVICECONTEXT;
    if (code != 2 && code != 3) return VELTO_INVALID_PARAMETER;
    if (const std::int32_t r = BoundCheck(handle); r != VELTO_SUCCESS) return r;
    return DispatchMagEject(handle, code) != VELTO_SUCCESS ? VELTO_ERROR_PRINTER : VELTO_SUCCESS;
}

// The short names.
VELKIT_API int32_t VELKIT_CALL Velkit_EncodePosition(VelkitHandle* handle, int32_t selector, int32_t* position)
{
    return Velkit_EncodeICPosition(handle, selector, position);
}
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeRequest(VelkitHandle* handle) { return Velkit_EncodeICRequest(handle); }
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeTransfer(VelkitHandle* handle) { return Velkit_EncodeICTransfer(handle); }
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeWait(VelkitHandle* handle) { return Velkit_EncodeICWait(handle); }
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeEject(VelkitHandle* handle, int32_t code)
{
    return Velkit_EncodeICEject(handle, code);
}
