#pragma once
// TCustomVeltoPrinter: the Velto printer's command language (ESC, a command
// letter, a short ASCII parameter text), its status page, the polling after
// every command, image placement and magnetic tracks. The bus is reached
// through the virtual transport operations a subclass implements.
#include "Bitmap.h"
#include "SenseCode.h"
#include "scorpa/Scorpa.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scorpa {

struct CMD_Header {
    std::uint8_t Code;
    char Command;
    std::uint32_t Length;
};

constexpr CMD_Header CMD_RESET {27, '@', 0};
constexpr CMD_Header CMD_START {27, '>', 0};
constexpr CMD_Header CMD_ROTATE {27, 'R', 0};
constexpr CMD_Header CMD_TRANS_IMAGE {27, 'I', 0};
constexpr CMD_Header CMD_TRANS_TEXT {27, 'C', 0};
constexpr CMD_Header CMD_TRANS_DMA {27, 'D', 0};
constexpr CMD_Header CMD_RF_CMD {27, 'E', 0};
constexpr CMD_Header CMD_TRANS_OVERLAY {27, 'O', 0};
constexpr CMD_Header CMD_TRANS_HOLOGRAM {27, 'H', 0};
constexpr CMD_Header CMD_TRANS_ENCODE {27, 'M', 0};
constexpr CMD_Header CMD_REQ_FLIPTURN {27, 'T', 0};
constexpr CMD_Header CMD_SET_MEM_MODE {27, 'F', 0};
constexpr CMD_Header CMD_READ_ENCODE {27, 'A', 0};

// A command block is at most this long: ESC, the letter, the parameter text.
constexpr int MAX_BUF_LEN = 255;
constexpr int MAX_PARAM_LEN = MAX_BUF_LEN - 2;

constexpr std::uint16_t SENSE_CARD_EMPTY = 0x3A00;
constexpr std::uint16_t SENSE_RIBBON_ENDED = 0x3600;

enum TVeltoGeneralStatus : std::uint8_t { gsReady, gsBusy, gsError };
enum TVeltoCardPosition : std::uint8_t {
    cpNone, cpPickUp, cpFlipOver, cpEncode, cpFirstPrint, cpSecondPrint, cpHeatRoller, cpStacker, cpReject
};
enum TVeltoPrintingStatus : std::uint8_t { psNone, psYellow, psMagent, psCyan, psBlack, psOverlay, psHologram };
enum TVeltoEncodingStatus : std::uint8_t { esNone, esISO_T1, esISO_T2, esISO_T3, esJIS_2, esIC };
enum TVeltoMemoryStatus : std::uint8_t { msNone, msClear, msReady, msDataFull, msPrinting, msFinish, msError, msEnable };
enum TVeltoRecvDataStatus : std::uint8_t { dsNone, dsImage, dsText, dsOverlay, dsHologram, dsEncode, dsIC, dsFlipTurn };
enum TVeltoRotateDegree : std::uint8_t { rdZero, rd90, rd180, rd270 };

struct TVeltoStatusInfo {
    TVeltoGeneralStatus InterfaceStatus = gsReady;
    TVeltoGeneralStatus MerchineStatus = gsReady;
    TVeltoCardPosition CardPosition = cpNone;
    TVeltoPrintingStatus PrintingStatus = psNone;
    TVeltoEncodingStatus EncodingStatus = esNone;
    TVeltoMemoryStatus MemoryModeA = msNone;
    TVeltoMemoryStatus MemoryModeb = msNone;
    TVeltoRecvDataStatus RecvDataStatusA = dsNone;
    TVeltoRecvDataStatus RecvDataStatusB = dsNone;
};
static_assert(sizeof(TVeltoStatusInfo) == 9);

class TCustomVeltoPrinter;
using TVeltoStatus = std::function<void(TCustomVeltoPrinter& Sender, const TVeltoStatusInfo& StatusInfo, bool& IsStop)>;
using TNotifyEvent = std::function<void(TCustomVeltoPrinter& Sender)>;

// A printer that stays busy is polled at most this long (milliseconds)
// before the command is given up.
constexpr std::uint32_t DEFAULT_POLL_LIMIT_MS = 5 * 60 * 1000;

class TCustomVeltoPrinter {
public:
    TCustomVeltoPrinter();
    virtual ~TCustomVeltoPrinter();
    TCustomVeltoPrinter(const TCustomVeltoPrinter&) = delete;
    TCustomVeltoPrinter& operator=(const TCustomVeltoPrinter&) = delete;

    // Transport, implemented by the subclass.
    virtual bool PrintCommandEx(const CMD_Header& header, const std::uint8_t* pBuf, int nLen) = 0;
    virtual bool Inquiry() = 0;
    virtual bool ColorTransData(const TBitmap& bitmap, int X, int Y, int nWidth, int nHeight) = 0;
    virtual bool MonoTransData(const TBitmap& bitmap, int X, int Y, int nWidth, int nHeight) = 0;
    virtual bool GetPrinterData(std::span<std::uint8_t, 256> buffer) = 0;
    virtual bool GetPrinterStatusInfo(std::span<std::uint8_t, 32> buffer) = 0;
    virtual bool GetRequestSenseData(std::span<std::uint8_t, 20> buffer) = 0;
    virtual int GetMaxImageBuf() = 0;
    virtual bool Open();
    virtual void Close();
    virtual bool CheckSenseData() = 0;

    bool PrintCommand(const CMD_Header& header, std::string_view text);
    bool CheckStatus();
    bool CheckPrintingStatus(const CMD_Header& header);

    bool Reset();
    bool PrintStart();
    bool Eject();
    bool ErrorEject();
    bool FlipTurn();
    bool RotateDefault();
    bool Rotate90();
    bool Rotate270();
    bool SetICEncodeArea();
    bool RFEject();
    bool RFErrorEject();
    bool CardFeedOut();
    bool SetOverlayImageArea();
    bool SetOverlayFullArea();
    bool SetOverlayClear();
    bool SetOverlayImageText();
    bool SetOverlayNotArea(const TScorpaRect& OffRect);
    bool SetHologram();
    bool SetMemoryMode(std::uint8_t AValue);
    bool TransEncodeData(int ATrackNo, std::string_view AData);
    bool ReadEncodeData(std::span<const int> aTrackList, std::string& AData);
    bool TransColorImage(int X, int Y, TBitmap& ABitmap);
    bool TransMonoImage(int X, int Y, TBitmap& ABitmap);

    // Properties.
    bool Active() const { return FActive; }
    void SetActive(bool value)
    {
        if (value) Open();
        else Close();
    }
    const std::string& VenderId() const { return FVenderId; }
    const std::string& ProductId() const { return FProductId; }
    const std::string& ProductRevLevel() const { return FProductRevLevel; }
    std::int32_t SenseKey() const { return FSenseKey; }
    std::int32_t SenseCode() const { return FSenseCode; }
    std::int32_t UnitCode() const { return FUnitCode; }
    std::int32_t ColorValueY() const { return FColorValueY; }
    std::int32_t ColorValueM() const { return FColorValueM; }
    std::int32_t ColorValueC() const { return FColorValueC; }
    std::int32_t PrintCount() const { return FPrintCount; }
    const TVeltoStatusInfo& StatusInfo() const { return FStatusInfo; }
    const TVeltoSystemInfo& PrinterInfo() const { return FPrinterInfo; }
    bool IsEncodeReading() const { return FIsEncodeReading; }
    bool CardEmptyChecked() const { return FCardEmptyChecked; }
    void SetCardEmptyChecked(bool v) { FCardEmptyChecked = v; }
    bool RibbonEmptyChecked() const { return FRibbonEmptyChecked; }
    void SetRibbonEmptyChecked(bool v) { FRibbonEmptyChecked = v; }
    bool ParallelMode() const { return FParallelMode; }
    void SetParallelMode(bool v) { FParallelMode = v; }
    TVeltoRotateDegree RotateDegree() const { return FRotateDegree; }
    int Dpi() const { return FPrinterInfo.PrinterResolution; }
    std::uint32_t PollLimitMs() const { return FPollLimitMs; }
    // Why the last operation that returned false failed, in words for the
    // integrator's log; kept until the next failure replaces it or it is
    // cleared.
    const std::string& LastError() const { return FLastError; }
    void ClearLastError() { FLastError.clear(); }
    void SetPollLimitMs(std::uint32_t ms) { FPollLimitMs = ms; }

    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    TVeltoStatus OnStatus;
    TVeltoStatus OnError;

protected:
    bool FActive = false;
    std::string FProductId;
    std::string FVenderId;
    std::string FProductRevLevel;
    std::int32_t FSenseKey = 0;
    std::int32_t FSenseCode = 0;
    std::int32_t FUnitCode = 0;
    std::int32_t FColorValueY = 0;
    std::int32_t FColorValueM = 0;
    std::int32_t FColorValueC = 0;
    std::int32_t FPrintCount = 0;
    TVeltoStatusInfo FStatusInfo;
    TVeltoSystemInfo FPrinterInfo {};
    bool FIsEncodeReading = false;
    bool FCardEmptyChecked = false;
    bool FRibbonEmptyChecked = false;
    bool FParallelMode = false;
    TVeltoRotateDegree FRotateDegree = rdZero;
    std::uint32_t FPollLimitMs = DEFAULT_POLL_LIMIT_MS;
    std::string FLastError;

    // Records why an operation fails; returns false for the operation to return.
    bool Fail(std::string why)
    {
        FLastError = std::move(why);
        return false;
    }

private:
    bool EjectWith(int code);
    // The reason for a command that ended in an error status.
    bool FailedAfter(const CMD_Header& header, bool statusRead);
    bool TransImage(int X, int Y, TBitmap& ABitmap, bool color);
};

// A command as a reason names it: ESC "T".
std::string CommandName(const CMD_Header& header);

// The parameter texts, built in one place.
std::string FormatNumber(int n);                            // "%d."
std::string FormatEjectParam(int code, std::uint8_t ch);    // "%d,%1s."
std::string FormatEncodeParam(int ATrackNo, std::string_view AData);
std::string FormatOverlayNotArea(const TScorpaRect& r);
std::string FormatImageParam(int PX, int PY, int Wc, int Hc, long long N);

// The one-bit mask of a magnetic track code; 0 for an unknown code.
std::uint8_t TrackMask(int track);

// Status page decoding into info (only the rules of the page; the caller
// keeps InterfaceStatus when byte 0 has none of its bits).
void DecodeStatusPage(std::span<const std::uint8_t, 32> page, TVeltoStatusInfo& info);

// Where an image of W x H lands and how much of it is kept, worked out in
// 64 bits. Wc or Hc at or below zero: nothing of the image is on the card.
struct TImagePlacement {
    std::int64_t PX, PY, Wc, Hc;
};
TImagePlacement PlaceImage(TVeltoRotateDegree rotate, const TVeltoSystemInfo& info, int X, int Y, int W, int H);

} // namespace scorpa
