// libscorpa.so: the exports over the library's one printer object.
#include "scorpa/Scorpa.h"

#include "Bitmap.h"
#include "TextRender.h"
#include "VeltoScsi.h"
#include "platform/Environment.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"
#include "platform/WideText.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace scorpa {

constexpr const char* kErrorCaption = "[Quorvane Corp] 오류";

// The printer object's event handlers: a printer error shows the error box
// (and stops the command), and every status pass keeps the host alive.
class TErrorBoxHandler {
public:
    // Keeps the host's windows alive while a command is polled; a console
    // host has no window messages to process.
    void OnStatus(TCustomVeltoPrinter&, const TVeltoStatusInfo&, bool&) {}

    void OnError(TCustomVeltoPrinter& Sender, const TVeltoStatusInfo&, bool& IsStop)
    {
        const std::string msg = GetSenseCodeMsg(static_cast<std::uint32_t>(Sender.SenseCode()));
        IsStop = true;
        platform::ShowMessageBox("[" + msg + "] 처리를 중지합니다", kErrorCaption, platform::MessageIcon::Warning);
    }
};

// The serial port of the IC contact pair, held open with DTR asserted.
struct TContactPort {
    std::string Port = "COM1";
    bool DtrEnable = false;
    platform::SerialPort Device;

    platform::SerialSettings Settings() const
    {
        platform::SerialSettings s;
        s.BaudRate = 9600;
        s.DataBits = 8;
        s.StopBits = 1;
        s.Dtr = DtrEnable;
        s.Rts = false;
        return s;
    }
};

} // namespace scorpa

namespace {

using namespace scorpa;

TErrorBoxHandler* ErrorBoxHandler = nullptr;
TVeltoScsi* Printer = nullptr;
TContactPort* ContactPort = nullptr;

// Reasons for false results. Made and freed with the other objects: the
// library's exit code runs after the static destructors at process exit.
struct TReasons {
    // Why the last export that returned false failed (SCSIGetLastErrorText).
    std::string Last;
    // The reason an export gives for its own false, ahead of the printer
    // object's (an argument refused before the printer is asked).
    std::string Refusal;
};
TReasons* Reasons = nullptr;

std::uint32_t PollLimitFromEnvironment()
{
    // Tests shorten the wait for a printer that never finishes.
    const unsigned long ms = platform::EnvironmentNumber("TAVRIN_SCORPA_POLL_LIMIT_MS", DEFAULT_POLL_LIMIT_MS, UINT32_MAX);
    return ms > 0 ? static_cast<std::uint32_t>(ms) : DEFAULT_POLL_LIMIT_MS;
}

// Runs while the system loads the library (on Windows under its loader
// lock): it only makes objects. The ASPI layer is loaded by the first
// SCSIOpen.
__attribute__((constructor)) void LibInit()
{
    ErrorBoxHandler = new TErrorBoxHandler;
    Printer = new TVeltoScsi;
    Printer->SetPollLimitMs(PollLimitFromEnvironment());
    ContactPort = new TContactPort;
    Reasons = new TReasons;
}

// Runs while the system unloads the library: frees what LibInit made. A
// loaded ASPI layer stays loaded (see TVeltoScsi's constructor).
__attribute__((destructor)) void LibExit()
{
    delete Printer;  // closes the printer object
    Printer = nullptr;
    delete ContactPort;  // closes the port if it is open
    ContactPort = nullptr;
    delete ErrorBoxHandler;
    ErrorBoxHandler = nullptr;
    delete Reasons;
    Reasons = nullptr;
}

ScorpaBool B(bool v) { return v ? 1 : 0; }

// An export's false, with its reason.
bool Refuse(std::string why)
{
    Reasons->Refusal = std::move(why);
    return false;
}

// Keeps the reason for SCSIGetLastErrorText; never raises (memory
// exhausted leaves the text as it was).
void Record(std::string_view why) noexcept
{
    try {
        Reasons->Last = why.empty() ? std::string_view("The call failed without a reason given") : why;
    } catch (...) {
    }
}

// Every Boolean export runs in here. Its false records the reason for
// SCSIGetLastErrorText: the export's own refusal, else what the printer
// object says. Nothing raised inside may cross the C boundary: it ends the
// call with false, and its text is the reason.
template <typename F>
ScorpaBool Guard(F&& f)
{
    Reasons->Refusal.clear();
    Printer->ClearLastError();
    try {
        if (f()) return 1;
        Record(!Reasons->Refusal.empty() ? Reasons->Refusal : Printer->LastError());
    } catch (const std::exception& e) {
        Record(e.what());
    } catch (...) {
        Record("An unexpected error ended the call");
    }
    return 0;
}

void CopyText(const std::string& text, char* out, std::size_t size)
{
    if (!out) return;
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

template <bool Color>
ScorpaBool TransImageFile(int32_t x, int32_t y, const char* tbmp)
{
    return Guard([&] {
        if (!tbmp) return Refuse("No bitmap file was named");
        TBitmap bmp = TBitmap::LoadFromFile(platform::AnsiToNarrow(tbmp));
        const int S = ScreenPixelsPerInch();
        x = MulDiv(x, Printer->Dpi(), S);
        y = MulDiv(y, Printer->Dpi(), S);
        if (x < 0) x = 0;
        if (y < 0) y = 0;
        return Color ? Printer->TransColorImage(x, y, bmp) : Printer->TransMonoImage(x, y, bmp);
    });
}

} // namespace

extern "C" {

SCORPA_API ScorpaBool SCORPA_CALL SCSIOpen(void)
{
    return Guard([] {
        Printer->OnStatus = [](TCustomVeltoPrinter& s, const TVeltoStatusInfo& i, bool& stop) {
            ErrorBoxHandler->OnStatus(s, i, stop);
        };
        Printer->OnError = [](TCustomVeltoPrinter& s, const TVeltoStatusInfo& i, bool& stop) {
            ErrorBoxHandler->OnError(s, i, stop);
        };
        return Printer->Open();
    });
}

SCORPA_API void SCORPA_CALL SCSIClose(void) { Printer->Close(); }

SCORPA_API ScorpaBool SCORPA_CALL SCSIReset(void) { return Guard([] { return Printer->Reset(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIPrintStart(void) { return Guard([] { return Printer->PrintStart(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIFlipTurn(void) { return Guard([] { return Printer->FlipTurn(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIRotateDefault(void) { return Guard([] { return Printer->RotateDefault(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIRotate90(void) { return Guard([] { return Printer->Rotate90(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIRotate270(void) { return Guard([] { return Printer->Rotate270(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayImageArea(void)
{
    return Guard([] { return Printer->SetOverlayImageArea(); });
}
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayFullArea(void)
{
    return Guard([] { return Printer->SetOverlayFullArea(); });
}
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayClear(void)
{
    return Guard([] { return Printer->SetOverlayClear(); });
}
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayImageText(void)
{
    return Guard([] { return Printer->SetOverlayImageText(); });
}
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayNotArea(TScorpaRect OffRect)
{
    return Guard([&] { return Printer->SetOverlayNotArea(OffRect); });
}

SCORPA_API void SCORPA_CALL SCSISetParallelMode(ScorpaBool bset) { Printer->SetParallelMode(bset != 0); }

SCORPA_API ScorpaBool SCORPA_CALL SCSITransEncodeData(int32_t nTrackNo, const char* pData)
{
    return Guard([&] { return Printer->TransEncodeData(nTrackNo, pData ? std::string(pData) : std::string()); });
}

SCORPA_API ScorpaBool SCORPA_CALL SCSIReadEncode(int32_t nTrackNo, char* pData)
{
    return Guard([&] {
        const int tracks[1] = {nTrackNo};
        std::string data;
        const bool ok = Printer->ReadEncodeData(tracks, data);
        if (ok) CopyText(data, pData, SCORPA_ENCODE_TEXT_SIZE);
        return ok;
    });
}

SCORPA_API ScorpaBool SCORPA_CALL SCSIEject(void) { return Guard([] { return Printer->Eject(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIErrorEject(void) { return Guard([] { return Printer->ErrorEject(); }); }

SCORPA_API ScorpaBool SCORPA_CALL SCSISetMemoryMode(TVeltoMemoryMode mValue)
{
    return Guard([&] { return Printer->SetMemoryMode(mValue); });
}

SCORPA_API ScorpaBool SCORPA_CALL SCSITransMonoImage(int32_t x, int32_t y, const char* tbmp)
{
    return TransImageFile<false>(x, y, tbmp);
}
SCORPA_API ScorpaBool SCORPA_CALL SCSITransColorImage(int32_t x, int32_t y, const char* tbmp)
{
    return TransImageFile<true>(x, y, tbmp);
}

SCORPA_API ScorpaBool SCORPA_CALL SCSIPrinterInfo(TVeltoSystemInfo* sr)
{
    if (sr) std::memcpy(sr, &Printer->PrinterInfo(), sizeof(TVeltoSystemInfo));
    Printer->Close();
    return 1;
}

SCORPA_API ScorpaBool SCORPA_CALL SCSIGetProductName(char* pName)
{
    CopyText(Printer->ProductName(), pName, SCORPA_PRODUCT_NAME_SIZE);
    return B(Printer->ProductName().empty());
}

SCORPA_API ScorpaBool SCORPA_CALL SCSISetRFProc(void) { return Guard([] { return Printer->SetICEncodeArea(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIRFEject(void) { return Guard([] { return Printer->RFEject(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIRFErrEject(void) { return Guard([] { return Printer->RFErrorEject(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSIRFFeedOut(void) { return Guard([] { return Printer->CardFeedOut(); }); }
SCORPA_API ScorpaBool SCORPA_CALL SCSISetHologram(void) { return Guard([] { return Printer->SetHologram(); }); }

SCORPA_API ScorpaBool SCORPA_CALL SCSIRFText(const char* pText, int32_t nLeft, int32_t nTop, const char* pFontName,
                                             int32_t nFontSize, int32_t nFontColor, int32_t nFontStyle,
                                             ScorpaBool bRot, int32_t nAlign)
{
    return Guard([&] {
        TFontSpec font;
        // The host's text is in its ANSI code page.
        font.Name = pFontName ? platform::AnsiToNarrow(pFontName) : std::string();
        font.Size = nFontSize;
        font.Color = static_cast<std::uint32_t>(nFontColor);
        font.Style = nFontStyle & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
        font.PixelsPerInch = ScreenPixelsPerInch();
        TBitmap bmp = RenderText(pText ? platform::AnsiToNarrow(pText) : std::string(), font);
        if (bRot) Rotate180(bmp);
        const int left = AlignLeft(nLeft, bmp.Width(), nAlign);
        // Positions here are printer dots already.
        return nFontColor == 0 ? Printer->TransMonoImage(left, nTop, bmp) : Printer->TransColorImage(left, nTop, bmp);
    });
}

SCORPA_API ScorpaBool SCORPA_CALL SCSIICContact(const char* Com)
{
    return Guard([&] {
        ContactPort->Port = Com ? Com : "";
        ContactPort->DtrEnable = true;
        if (ContactPort->Device.IsOpen()) return true;
        std::string error;
        if (ContactPort->Device.Open(ContactPort->Port, ContactPort->Settings(), &error)) return true;
        return Refuse("The contact port " + ContactPort->Port + " could not be opened" +
                      (error.empty() ? std::string() : ": " + error));
    });
}

SCORPA_API void SCORPA_CALL SCSIICRelease(void) { ContactPort->Device.Close(); }

SCORPA_API ScorpaBool SCORPA_CALL SCSIGetLastErrorText(char* pText, int32_t nSize)
{
    if (!pText || nSize <= 0) return 0;
    CopyText(platform::NarrowToAnsi(Reasons->Last), pText, static_cast<std::size_t>(nSize));
    return B(!Reasons->Last.empty());
}

// Each step records its own reason when it fails.
SCORPA_API ScorpaBool SCORPA_CALL SCSIICLocate(void)
{
    if (!SCSISetRFProc()) return 0;
    if (!SCSIFlipTurn()) return 0;
    if (!SCSIPrintStart()) return 0;
    if (!SCSIRFEject()) return 0;
    if (!SCSISetRFProc()) return 0;
    if (!SCSIFlipTurn()) return 0;
    return SCSIPrintStart();
}

} // extern "C"
