#include "VeltoScsi.h"

#include "WinAspi.h"
#include "platform/Text.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace scorpa {
namespace {

// An inquiry field: up to its first NUL, without blanks and control
// characters around it.
std::string InquiryField(const std::uint8_t* p, std::size_t n)
{
    const auto* end = std::find(p, p + n, std::uint8_t(0));
    return platform::Trim(std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)));
}

std::int32_t Size16(std::span<const std::uint8_t, 20> page, std::size_t at)
{
    return ((page[at] << 8) | page[at + 1]) + 34;
}

} // namespace

TCDB aCDB_Print(std::uint32_t n)
{
    return {0x0A, 0x00, static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n),
            0x00};
}

void DecodeSystemInfo(std::span<const std::uint8_t, 20> page, TVeltoSystemInfo& info)
{
    std::uint8_t* flags[8] = {&info.FlipTurnUnit,  &info.StackerUnit, &info.SecondHeadUnit, &info.HeatRollerUnit,
                              &info.ICEncoderUnit, &info.SetHiCo,     &info.JIS_2_Support,  &info.ISO_Support};
    for (int i = 0; i < 8; ++i) *flags[i] = (page[0] >> (7 - i)) & 1;

    const std::uint8_t ribbon = page[2];
    if (ribbon & 0x20) info.RibbonType = rtOP;
    else if (ribbon & 0x10) info.RibbonType = rtHologram;
    else if (ribbon & 0x08) info.RibbonType = rtBKOP1;
    else if (ribbon & 0x04) info.RibbonType = rtYMC1;
    else if (ribbon & 0x02) info.RibbonType = rtYMCK1;
    else if (ribbon & 0x01) info.RibbonType = rtYMCKO1;
    else info.RibbonType = rtNone;

    const std::uint8_t mem = page[5];
    if (mem & 0x01) info.MemoryMode = mmRingM_DataHold;
    else if (mem & 0x02) info.MemoryMode = mmRingM_DualSide;
    else if (mem & 0x04) info.MemoryMode = mmEconomy_DualSide;
    else info.MemoryMode = mmRingM_AutoClear;

    info.MaxImageWidth = Size16(page, 8);
    info.MaxImageHeight = Size16(page, 10);
    info.MaxTextWidth = Size16(page, 12);
    info.MaxTextHeight = Size16(page, 14);
    info.MaxOverlayWidth = Size16(page, 16);
    info.MaxOverlayHeight = Size16(page, 18);
    info.PrinterResolution = 300;
}

// The image block buffer is made by the first image (see TransData): most
// processes that load the library never send one.
//
// The ASPI layer is not loaded here but by the first device search (see
// Inquiry), and never unloaded: the library's printer object is made and
// freed while the system loads and unloads the library (on Windows under
// its loader lock), where a layer that starts or waits for threads of its
// own in its load or unload code would hang the host's start or crash its
// exit.
TVeltoScsi::TVeltoScsi() { FScsiID = -1; }

TVeltoScsi::~TVeltoScsi() = default;

bool TVeltoScsi::AspiLoad() { return ASPI_LoadModule(); }

bool TVeltoScsi::Inquiry()
{
    bool result = false;
    FScsiID = 0;
    FHostID = 0;
    // The layer is loaded by the first search, and again by a later one
    // when it could not be: the integrator may have installed it since.
    if (!ASPI_IsLoaded()) FAspiLoaded = AspiLoad();
    // Without the layer there is nothing to search and nothing to call.
    if (!ASPI_IsLoaded()) return Fail("The ASPI layer could not be loaded: " + ASPI_LoadError());

    const int last = SCSI_HostAdapterInquiry() & 0xFF;
    for (int h = 0; h <= last && !result; ++h) {
        for (int t = 0; t < MAX_SCSI_PORT; ++t) {
            std::array<std::uint8_t, 36> buf {};
            if (!SCSI_ExecCommand(static_cast<std::uint8_t>(t), buf.data(), 36, SRB_DIR_IN, CDB_LEN, aCDB_Inquiry.data(), h))
                continue;
            FVenderId = InquiryField(buf.data() + 8, 8);
            FProductId = InquiryField(buf.data() + 16, 16);
            FProductRevLevel = InquiryField(buf.data() + 32, 4);
            if (FVenderId == "VELTO") {
                FProductName = FProductId;
                FScsiID = t;
                FHostID = h;
                result = true;
                break;
            }
        }
    }
    if (!result) return Fail("No Velto printer answered on the SCSI bus");
    if (!GetPrinterInfo()) return Fail("The printer's system information could not be read");
    return true;
}

bool TVeltoScsi::GetPrinterInfo()
{
    std::uint8_t* flags[8] = {&FPrinterInfo.FlipTurnUnit,  &FPrinterInfo.StackerUnit, &FPrinterInfo.SecondHeadUnit,
                              &FPrinterInfo.HeatRollerUnit, &FPrinterInfo.ICEncoderUnit, &FPrinterInfo.SetHiCo,
                              &FPrinterInfo.JIS_2_Support,  &FPrinterInfo.ISO_Support};
    for (auto* f : flags) *f = 0;
    std::array<std::uint8_t, 20> page {};
    if (!SCSI_ExecCommand(static_cast<std::uint8_t>(FScsiID), page.data(), 20, SRB_DIR_IN, CDB_LEN,
                          aCDB_PrinterSysInfo.data(), FHostID))
        return false;
    DecodeSystemInfo(page, FPrinterInfo);
    return true;
}

bool TVeltoScsi::PrintCommandEx(const CMD_Header& header, const std::uint8_t* pBuf, int nLen)
{
    if (!FActive) return Fail("The printer is not open: " + CommandName(header) + " was not sent");
    // A parameter text that does not fit the block is refused, not cut.
    if (nLen > MAX_PARAM_LEN)
        return Fail("The parameter text of " + CommandName(header) + " is " + std::to_string(nLen) +
                    " bytes, more than the " + std::to_string(MAX_PARAM_LEN) + " a command block holds");
    std::array<std::uint8_t, 256> block {};
    block[0] = header.Code;
    block[1] = static_cast<std::uint8_t>(header.Command);
    if (pBuf && nLen > 0) std::memcpy(block.data() + 2, pBuf, static_cast<std::size_t>(nLen));
    else nLen = 0;
    const TCDB cdb = aCDB_Print(static_cast<std::uint32_t>(nLen + 2));
    if (SCSI_ExecCommand(static_cast<std::uint8_t>(FScsiID), block.data(), MAX_BUF_LEN, SRB_DIR_OUT, CDB_LEN, cdb.data(),
                         FHostID))
        return CheckPrintingStatus(header);
    if (OnScsiError) OnScsiError(*this, SCSI_WRITE_LENGTH_ERROR);
    return Fail("The SCSI bus did not carry " + CommandName(header) + " (" + SCSI_WRITE_LENGTH_ERROR + ")");
}

bool TVeltoScsi::Read(const TCDB& cdb, std::uint8_t* buffer, int length)
{
    if (!FActive) return false;
    if (SCSI_ExecCommand(static_cast<std::uint8_t>(FScsiID), buffer, length, SRB_DIR_IN, CDB_LEN, cdb.data(), FHostID))
        return true;
    if (OnScsiError) OnScsiError(*this, SCSI_READ_TIMEOUT_ERROR);
    return Fail(std::string("The printer's answer did not come over the SCSI bus (") + SCSI_READ_TIMEOUT_ERROR + ")");
}

bool TVeltoScsi::GetPrinterData(std::span<std::uint8_t, 256> buffer) { return Read(aCDB_GetPrinterData, buffer.data(), 255); }
bool TVeltoScsi::GetPrinterStatusInfo(std::span<std::uint8_t, 32> buffer) { return Read(aCDB_PrinterStatInfo, buffer.data(), 32); }
bool TVeltoScsi::GetRequestSenseData(std::span<std::uint8_t, 20> buffer) { return Read(aCDB_RequestSense, buffer.data(), 20); }

bool TVeltoScsi::CheckSenseData()
{
    if (FScsiID < 0) return false;
    std::array<std::uint8_t, 20> sense {};
    if (!GetRequestSenseData(sense)) return false;
    FSenseKey = sense[2];
    FSenseCode = (sense[12] << 8) | sense[13];
    FUnitCode = sense[14];
    return true;
}

bool TVeltoScsi::ColorTransData(const TBitmap& bitmap, int X, int Y, int nWidth, int nHeight)
{
    // Rows go out from the bitmap's top whatever the card position: the
    // printer was told that with ESC "I".
    (void)X;
    (void)Y;
    return StreamImage(bitmap, nWidth, nHeight, true);
}

bool TVeltoScsi::MonoTransData(const TBitmap& bitmap, int X, int Y, int nWidth, int nHeight)
{
    (void)X;
    (void)Y;
    return StreamImage(bitmap, nWidth, nHeight, false);
}

bool TVeltoScsi::StreamImage(const TBitmap& bitmap, int nWidth, int nHeight, bool color)
{
    // No rows or no dots in a row: no block to make (and nothing to divide by).
    if (nWidth <= 0 || nHeight <= 0) return false;
    // 1 <= R <= 65500 and nHeight < 2^31, so T, k and m below stay small.
    const std::int64_t R = static_cast<std::int64_t>(nWidth) * (color ? 3 : 1);
    if (R > MAX_IMAGE_BUF_LEN) return false;  // a row that fits no block
    const std::int64_t T = R * nHeight;
    if (T <= MAX_IMAGE_BUF_LEN) return TransData(bitmap, 0, nHeight, nWidth, color);

    const std::int64_t k = MAX_IMAGE_BUF_LEN / R;  // at least 1
    const std::int64_t m = T / (k * R);
    bool ok = false;
    for (std::int64_t i = 0; i < m; ++i) {
        ok = TransData(bitmap, static_cast<int>(i * k), static_cast<int>(k), nWidth, color);
        if (!ok) return false;
    }
    const std::int64_t r = nHeight - k * m;
    if (r >= 1) ok = TransData(bitmap, static_cast<int>(k * m), static_cast<int>(r), nWidth, color);
    return ok;
}

namespace {

// One row of 24-bit pixels (blue, green, red) as the printer takes them:
// red, green, blue.
void PackColorRow(const std::uint8_t* src, std::uint8_t* out, std::size_t pixels)
{
    std::size_t x = 0;
    // Four pixels at a time, as three 32-bit words each way.
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 4 <= pixels; x += 4, src += 12, out += 12) {
            std::uint32_t a, b, c;
            // In memory (the words are little-endian): B0 G0 R0 B1 | G1 R1 B2 G2
            // | R2 B3 G3 R3 becomes R0 G0 B0 R1 | G1 B1 R2 G2 | B2 R3 G3 B3.
            std::memcpy(&a, src, 4);
            std::memcpy(&b, src + 4, 4);
            std::memcpy(&c, src + 8, 4);
            const std::uint32_t A = ((a >> 16) & 0xFF) | (a & 0xFF00) | ((a & 0xFF) << 16) | ((b & 0xFF00) << 16);
            const std::uint32_t B = (b & 0xFF) | ((a >> 24) << 8) | ((c & 0xFF) << 16) | ((b >> 24) << 24);
            const std::uint32_t C = ((b >> 16) & 0xFF) | ((c >> 24) << 8) | (c & 0xFF0000) | (((c >> 8) & 0xFF) << 24);
            std::memcpy(out, &A, 4);
            std::memcpy(out + 4, &B, 4);
            std::memcpy(out + 8, &C, 4);
        }
    }
    for (; x < pixels; ++x, src += 3, out += 3) {
        out[0] = src[2];
        out[1] = src[1];
        out[2] = src[0];
    }
}

// Eight pixel bytes for each byte of a 1-bit row: 0x00 for a white bit (1),
// 0xFF for a black one (0), most significant bit first.
struct TMonoBytes {
    std::uint8_t bytes[256][8];
    constexpr TMonoBytes() : bytes {}
    {
        for (int v = 0; v < 256; ++v)
            for (int b = 0; b < 8; ++b) bytes[v][b] = (v & (0x80 >> b)) ? 0x00 : 0xFF;
    }
};
constexpr TMonoBytes kMonoBytes;

void PackMonoRow(const std::uint8_t* src, std::uint8_t* out, std::size_t pixels)
{
    const std::size_t whole = pixels / 8;
    for (std::size_t i = 0; i < whole; ++i, out += 8) std::memcpy(out, kMonoBytes.bytes[src[i]], 8);
    std::memcpy(out, kMonoBytes.bytes[whole < (pixels + 7) / 8 ? src[whole] : 0], pixels % 8);
}

} // namespace

bool TVeltoScsi::TransData(const TBitmap& bitmap, int first, int c, int nWidth, bool color)
{
    if (bitmap.PixelFormat() != (color ? TPixelFormat::pf24bit : TPixelFormat::pf1bit)) return false;
    const int w = std::max(nWidth, 0);
    const int rows = std::max(c, 0);
    // Only what the bitmap has can be sent.
    if (w > bitmap.Width() || (rows > 0 && (first < 0 || std::int64_t(first) + rows > bitmap.Height()))) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(w) * (color ? 3 : 1);
    const std::size_t length = 2 + rowBytes * static_cast<std::size_t>(rows);
    if (length > kImageBlockBytes) return false;
    // The first image, or the block buffer went with a request the layer
    // still holds: a new one.
    if (aImageBuf.size() < kImageBlockBytes) aImageBuf.assign(kImageBlockBytes, 0);

    aImageBuf[0] = CMD_TRANS_DMA.Code;
    aImageBuf[1] = static_cast<std::uint8_t>(CMD_TRANS_DMA.Command);
    std::uint8_t* out = aImageBuf.data() + 2;
    for (int j = 0; j < rows; ++j, out += rowBytes) {
        const std::uint8_t* line = bitmap.ScanLine(first + j).data();
        if (color) PackColorRow(line, out, static_cast<std::size_t>(w));
        else PackMonoRow(line, out, static_cast<std::size_t>(w));
    }
    const TCDB cdb = aCDB_Print(static_cast<std::uint32_t>(length));
    // The block goes to the layer as it is, not copied again.
    if (SCSI_ExecCommandOut(static_cast<std::uint8_t>(FScsiID), aImageBuf, length, CDB_LEN, cdb.data(), FHostID))
        return true;
    return Fail("The SCSI bus did not carry an image data block of " + std::to_string(length) + " bytes");
}

} // namespace scorpa
