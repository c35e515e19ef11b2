#include "VeltoPrn.h"

#include "platform/Clock.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace scorpa {
namespace {

int LowestBit(std::uint8_t b, int maxBit)
{
    for (int k = 0; k <= maxBit; ++k)
        if (b & (1u << k)) return k;
    return -1;
}

TVeltoPrintingStatus DecodePrinting(std::uint8_t b)
{
    if (b & 0x01) return psYellow;
    if (b & 0x02) return psMagent;
    if (b & 0x04) return psCyan;
    if (b & 0x10) return psBlack;
    if (b & 0x20) return psOverlay;
    if (b & 0x40) return psHologram;
    return psNone;
}

TVeltoEncodingStatus DecodeEncoding(std::uint8_t b)
{
    if (b & 0x01) return esISO_T1;
    if (b & 0x02) return esISO_T2;
    if (b & 0x04) return esISO_T3;
    if (b & 0x08) return esJIS_2;
    if (b & 0x10) return esIC;
    return esNone;
}

TVeltoMemoryStatus DecodeMemory(std::uint8_t b)
{
    const int k = LowestBit(b, 6);
    return k < 0 ? msNone : static_cast<TVeltoMemoryStatus>(k + 1);
}

TVeltoRecvDataStatus DecodeRecv(std::uint8_t b)
{
    if (b & 0x01) return dsImage;
    if (b & 0x02) return dsText;
    if (b & 0x04) return dsOverlay;
    if (b & 0x08) return dsHologram;
    if (b & 0x20) return dsEncode;
    if (b & 0x40) return dsIC;
    if (b & 0x80) return dsFlipTurn;
    return dsNone;
}

} // namespace

std::string CommandName(const CMD_Header& header) { return std::string("ESC \"") + header.Command + "\""; }

std::string FormatNumber(int n) { return std::to_string(n) + "."; }

std::string FormatEjectParam(int code, std::uint8_t ch)
{
    std::string s = std::to_string(code) + ",";
    s += static_cast<char>(ch);
    s += '.';
    return s;
}

std::string FormatEncodeParam(int ATrackNo, std::string_view AData)
{
    int n;
    switch (ATrackNo) {
    case 1: n = 0; break;
    case 2: n = 2; break;
    case 3: n = 3; break;
    default: return {};
    }
    return std::to_string(n) + "," + std::to_string(AData.size()) + "." + std::string(AData);
}

std::string FormatOverlayNotArea(const TScorpaRect& r)
{
    const long long w = static_cast<long long>(r.Right) - r.Left;
    const long long h = static_cast<long long>(r.Bottom) - r.Top;
    // Widths wrap as 32-bit numbers do on the wire.
    return "A," + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," +
           std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(w))) + "," +
           std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(h))) + ".";
}

std::string FormatImageParam(int PX, int PY, int Wc, int Hc, long long N)
{
    return std::to_string(PX) + "," + std::to_string(PY) + "," + std::to_string(Wc) + "," + std::to_string(Hc) + "," +
           std::to_string(N) + ".";
}

std::uint8_t TrackMask(int track)
{
    switch (track) {
    case 1: return 0x01;
    case 2: return 0x04;
    case 3: return 0x08;
    case 4: return 0x02;
    case 5: return 0x20;
    case 6: return 0x10;
    default: return 0;
    }
}

void DecodeStatusPage(std::span<const std::uint8_t, 32> page, TVeltoStatusInfo& info)
{
    const std::uint8_t g = page[0];
    if (g & 0x10) info.InterfaceStatus = gsReady;
    else if (g & 0x20) info.InterfaceStatus = gsBusy;
    else if (g & 0x40) info.InterfaceStatus = gsError;

    if (g & 0x01) info.MerchineStatus = gsReady;
    else if (g & 0x02) info.MerchineStatus = gsBusy;
    else if (g & 0x04) info.MerchineStatus = gsError;
    else info.MerchineStatus = gsBusy;

    const int k = LowestBit(page[1], 7);
    info.CardPosition = k < 0 ? cpNone : static_cast<TVeltoCardPosition>(k + 1);
    info.PrintingStatus = DecodePrinting(page[2]);
    info.EncodingStatus = DecodeEncoding(page[3]);
    info.MemoryModeA = DecodeMemory(page[4]);
    info.MemoryModeb = DecodeMemory(page[5]);
    info.RecvDataStatusA = DecodeRecv(page[6]);
    info.RecvDataStatusB = DecodeRecv(page[7]);
}

TImagePlacement PlaceImage(TVeltoRotateDegree rotate, const TVeltoSystemInfo& info, int X, int Y, int W, int H)
{
    std::int64_t PX, PY, Wc, Hc;
    if (rotate == rd90 || rotate == rd270) {
        const std::int64_t MaxW = info.MaxImageHeight;
        const std::int64_t MaxH = info.MaxImageWidth;
        PX = rotate == rd90 ? MaxH - H - Y : Y;
        PY = MaxW - W - X;
        Wc = PY + W > MaxW ? MaxW - PY : W;
        Hc = PX + H > MaxH ? MaxH - PX : H;
    } else {
        const std::int64_t MaxW = info.MaxImageWidth;
        const std::int64_t MaxH = info.MaxImageHeight;
        PX = X;
        PY = Y;
        Wc = PX + W > MaxW ? MaxW - PX : W;
        Hc = PY + H > MaxH ? MaxH - PY : H;
    }
    return {PX, PY, Wc, Hc};
}

TCustomVeltoPrinter::TCustomVeltoPrinter() = default;

TCustomVeltoPrinter::~TCustomVeltoPrinter()
{
    // Close is virtual, but a subclass is gone by now: this runs the base's.
    TCustomVeltoPrinter::Close();
}

bool TCustomVeltoPrinter::Open()
{
    FActive = Inquiry();
    if (FActive && OnOpen) OnOpen(*this);
    return FActive;
}

void TCustomVeltoPrinter::Close()
{
    FActive = false;
    if (OnClose) OnClose(*this);
}

bool TCustomVeltoPrinter::PrintCommand(const CMD_Header& header, std::string_view text)
{
    return PrintCommandEx(header, reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()));
}

bool TCustomVeltoPrinter::CheckStatus()
{
    if (!FActive) return false;
    std::array<std::uint8_t, 32> page {};
    if (!GetPrinterStatusInfo(page)) return false;
    FColorValueY = page[12];
    FColorValueM = page[13];
    FColorValueC = page[14];
    FPrintCount = (page[9] << 16) | (page[10] << 8) | page[11];
    DecodeStatusPage(page, FStatusInfo);
    return true;
}

bool TCustomVeltoPrinter::CheckPrintingStatus(const CMD_Header& header)
{
    const char L = header.Command;
    const std::uint32_t start = platform::GetTickCount();
    for (;;) {
        bool IsStop = false;
        const bool statusRead = CheckStatus();
        if (!statusRead) {
            FStatusInfo.InterfaceStatus = gsError;
            FStatusInfo.MerchineStatus = gsBusy;
        } else {
            CheckSenseData();
            if (OnStatus) {
                OnStatus(*this, FStatusInfo, IsStop);
                if (IsStop) return Fail("The status handler stopped polling after " + CommandName(header));
            }
        }
        if (FSenseCode == SENSE_CARD_EMPTY && (L == '>' || L == 'A') && !FCardEmptyChecked) {
            FStatusInfo.InterfaceStatus = gsReady;
            FStatusInfo.MerchineStatus = gsReady;
            return true;
        }
        if (FSenseCode == SENSE_RIBBON_ENDED && L == '>' && !FRibbonEmptyChecked) {
            FStatusInfo.InterfaceStatus = gsReady;
            FStatusInfo.MerchineStatus = gsReady;
            return true;
        }
        if (FStatusInfo.InterfaceStatus == gsError || FStatusInfo.MerchineStatus == gsError) {
            IsStop = true;
            if (OnError && FSenseCode != 0) OnError(*this, FStatusInfo, IsStop);
            if (IsStop) return FailedAfter(header, statusRead);
        } else if (FStatusInfo.InterfaceStatus == gsReady) {
            if (FParallelMode || FStatusInfo.MerchineStatus == gsReady) return true;
            if (FStatusInfo.EncodingStatus == esIC && L == '>') return true;
        }
        // Each pass is one round trip on the bus; a printer that never
        // finishes must not hold the caller for ever.
        if (platform::GetTickCount() - start >= FPollLimitMs)
            return Fail("The printer was still busy " + std::to_string(FPollLimitMs) + " ms after " +
                        CommandName(header));
    }
}

bool TCustomVeltoPrinter::FailedAfter(const CMD_Header& header, bool statusRead)
{
    if (!statusRead) return Fail("The printer's status could not be read after " + CommandName(header));
    if (FSenseCode == 0) return Fail("The printer reported an error after " + CommandName(header) + " without a sense code");
    char code[8];
    std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(FSenseCode) & 0xFFFFu);
    const std::string message = GetSenseCodeMsg(static_cast<std::uint32_t>(FSenseCode));
    return Fail("The printer reported an error after " + CommandName(header) + ": sense code 0x" + code +
                (message.empty() ? std::string(" (no message for it)") : " [" + message + "]"));
}

bool TCustomVeltoPrinter::Reset() { return PrintCommand(CMD_RESET, ""); }

bool TCustomVeltoPrinter::PrintStart()
{
    const bool ok = PrintCommand(CMD_START, "");
    if (ok) {
        FIsEncodeReading = false;
        FRotateDegree = rdZero;
    }
    return ok;
}

bool TCustomVeltoPrinter::EjectWith(int code)
{
    bool ok = true;
    if (FIsEncodeReading) ok = PrintCommand(CMD_READ_ENCODE, FormatEjectParam(code, 0x01));
    FIsEncodeReading = false;
    return ok;
}

bool TCustomVeltoPrinter::Eject() { return EjectWith(2); }
bool TCustomVeltoPrinter::ErrorEject() { return EjectWith(3); }
bool TCustomVeltoPrinter::FlipTurn() { return PrintCommand(CMD_REQ_FLIPTURN, ""); }

bool TCustomVeltoPrinter::RotateDefault()
{
    const bool ok = PrintCommand(CMD_ROTATE, FormatNumber(0));
    if (ok) FRotateDegree = rdZero;
    return ok;
}

bool TCustomVeltoPrinter::Rotate90()
{
    const bool ok = PrintCommand(CMD_ROTATE, FormatNumber(1));
    if (ok) FRotateDegree = rd90;
    return ok;
}

bool TCustomVeltoPrinter::Rotate270()
{
    const bool ok = PrintCommand(CMD_ROTATE, FormatNumber(3));
    if (ok) FRotateDegree = rd270;
    return ok;
}

bool TCustomVeltoPrinter::SetICEncodeArea() { return PrintCommand(CMD_RF_CMD, FormatNumber(0)); }
bool TCustomVeltoPrinter::RFEject() { return PrintCommand(CMD_RF_CMD, FormatNumber(1)); }
bool TCustomVeltoPrinter::RFErrorEject() { return PrintCommand(CMD_RF_CMD, FormatNumber(2)); }
bool TCustomVeltoPrinter::CardFeedOut() { return PrintCommand(CMD_RF_CMD, FormatNumber(3)); }
bool TCustomVeltoPrinter::SetOverlayImageArea() { return PrintCommand(CMD_TRANS_OVERLAY, FormatNumber(0)); }
bool TCustomVeltoPrinter::SetOverlayFullArea() { return PrintCommand(CMD_TRANS_OVERLAY, FormatNumber(1)); }
bool TCustomVeltoPrinter::SetOverlayClear() { return PrintCommand(CMD_TRANS_OVERLAY, FormatNumber(2)); }
bool TCustomVeltoPrinter::SetOverlayImageText() { return PrintCommand(CMD_TRANS_OVERLAY, FormatNumber(3)); }

bool TCustomVeltoPrinter::SetOverlayNotArea(const TScorpaRect& OffRect)
{
    return PrintCommand(CMD_TRANS_OVERLAY, FormatOverlayNotArea(OffRect));
}

bool TCustomVeltoPrinter::SetHologram() { return PrintCommand(CMD_TRANS_HOLOGRAM, ""); }

bool TCustomVeltoPrinter::SetMemoryMode(std::uint8_t AValue) { return PrintCommand(CMD_SET_MEM_MODE, FormatNumber(AValue)); }

bool TCustomVeltoPrinter::TransEncodeData(int ATrackNo, std::string_view AData)
{
    return PrintCommand(CMD_TRANS_ENCODE, FormatEncodeParam(ATrackNo, AData));
}

bool TCustomVeltoPrinter::ReadEncodeData(std::span<const int> aTrackList, std::string& AData)
{
    std::uint8_t M = 0;
    for (const int t : aTrackList) M |= TrackMask(t);
    if (!PrintCommand(CMD_READ_ENCODE, FormatEjectParam(0, M))) return false;

    FIsEncodeReading = false;
    bool result = true;
    AData.clear();
    std::uint8_t B = M;
    for (std::size_t i = 0; i < aTrackList.size(); ++i) {
        if (i > 0) AData += '\r';
        // An unknown code repeats the byte sent before it.
        if (const std::uint8_t mask = TrackMask(aTrackList[i])) B = mask;
        if (PrintCommand(CMD_READ_ENCODE, FormatEjectParam(1, B))) {
            std::array<std::uint8_t, 256> data {};
            if (!GetPrinterData(data)) {
                result = Fail("The data of track " + std::to_string(aTrackList[i]) + " could not be read from the printer");
                break;
            }
            // The text starts at byte 1 and ends at the first NUL (byte 255 always is one).
            for (std::size_t j = 1; j < data.size() && data[j] != 0; ++j) AData += static_cast<char>(data[j]);
        }
    }
    FIsEncodeReading = true;
    return result;
}

bool TCustomVeltoPrinter::TransImage(int X, int Y, TBitmap& ABitmap, bool color)
{
    ABitmap.SetPixelFormat(color ? TPixelFormat::pf24bit : TPixelFormat::pf1bit);
    if (X < 0) X = 0;
    if (Y < 0) Y = 0;
    const TImagePlacement p = PlaceImage(FRotateDegree, FPrinterInfo, X, Y, ABitmap.Width(), ABitmap.Height());
    // A placement that leaves nothing on the card (the image lies past the
    // printable area, or is empty) has nothing to send: the printer is not
    // told about it at all.
    if (p.Wc <= 0 || p.Hc <= 0)
        return Fail("The image of " + std::to_string(ABitmap.Width()) + " x " + std::to_string(ABitmap.Height()) +
                    " dots at " + std::to_string(X) + ", " + std::to_string(Y) +
                    " leaves nothing on the printable area");
    // Positions the parameter text cannot carry as 32-bit numbers.
    const auto fits = [](std::int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; };
    if (!fits(p.PX) || !fits(p.PY) || !fits(p.Wc) || !fits(p.Hc))
        return Fail("The image's placement does not fit the numbers of a command");
    const int bytesPerPixel = color ? 3 : 1;
    // A row must fit one data block: a longer one has no way onto the wire.
    if (p.Wc * bytesPerPixel > GetMaxImageBuf())
        return Fail("An image row of " + std::to_string(p.Wc * bytesPerPixel) + " bytes is longer than a data block of " +
                    std::to_string(GetMaxImageBuf()));
    const std::int64_t N = p.Wc * bytesPerPixel * p.Hc;
    const int PX = static_cast<int>(p.PX), PY = static_cast<int>(p.PY);
    const int Wc = static_cast<int>(p.Wc), Hc = static_cast<int>(p.Hc);
    if (!PrintCommand(color ? CMD_TRANS_IMAGE : CMD_TRANS_TEXT, FormatImageParam(PX, PY, Wc, Hc, N))) return false;
    return color ? ColorTransData(ABitmap, PX, PY, Wc, Hc) : MonoTransData(ABitmap, PX, PY, Wc, Hc);
}

bool TCustomVeltoPrinter::TransColorImage(int X, int Y, TBitmap& ABitmap) { return TransImage(X, Y, ABitmap, true); }
bool TCustomVeltoPrinter::TransMonoImage(int X, int Y, TBitmap& ABitmap) { return TransImage(X, Y, ABitmap, false); }

} // namespace scorpa
