// What the Velto printer answers on the SCSI bus: inquiry data, the system
// information page, status pages, sense data and printer data all come from
// the input, through a fake ASPI entry point in this process. The printer
// object is driven through a series of commands chosen by the input; every
// decoded field must stay within its range, every block sent must fit the
// buffer it is sent in, and every sense code's message must be valid text.
#include "FuzzCheck.h"
#include "SenseCode.h"
#include "VeltoScsi.h"
#include "WinAspi.h"
#include "platform/WideText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace scorpa;

namespace {

struct FakePrinter {
    FuzzedDataProvider* in = nullptr;
    int ha = 0, target = 0;
    std::uint8_t lastAdapter = 0;
};
FakePrinter gBus;

// Some requests fail; once the input is used up, none does and the printer
// is ready, so every polling loop comes to an end.
bool Fails()
{
    FuzzedDataProvider& in = *gBus.in;
    return in.remaining_bytes() > 0 && in.ConsumeIntegralInRange(0, 15) == 0;
}

void Answer(SRB_ExecSCSICmd& srb, const std::vector<std::uint8_t>& bytes)
{
    FUZZ_CHECK(srb.SRB_BufPointer != nullptr && (srb.SRB_Flags & SRB_DIR_IN));
    std::memcpy(srb.SRB_BufPointer, bytes.data(), std::min<std::size_t>(bytes.size(), srb.SRB_BufLen));
}

// n bytes of the input; what the input no longer has is `rest`.
std::vector<std::uint8_t> Page(std::size_t n, std::uint8_t rest = 0)
{
    std::vector<std::uint8_t> page = gBus.in->ConsumeBytes<std::uint8_t>(n);
    page.resize(n, rest);
    return page;
}

std::uint32_t FakeSend(void* p)
{
    auto* b = static_cast<std::uint8_t*>(p);
    if (b[0] == SC_HA_INQUIRY) {
        auto& srb = *static_cast<SRB_HAInquiry*>(p);
        srb.HA_Count = 1;
        srb.HA_SCSI_ID = gBus.lastAdapter;
        srb.SRB_Status = SS_COMP;
        return SS_COMP;
    }
    FUZZ_CHECK(b[0] == SC_EXEC_SCSI_CMD || b[0] == SC_ABORT_SRB);
    if (b[0] == SC_ABORT_SRB) {
        b[1] = SS_COMP;
        return SS_COMP;
    }
    auto& srb = *static_cast<SRB_ExecSCSICmd*>(p);
    FUZZ_CHECK(srb.SRB_CDBLen == 6);
    FUZZ_CHECK(srb.SRB_BufLen == 0 || srb.SRB_BufPointer != nullptr);
    fuzz::ReadAll(srb.SRB_BufPointer, srb.SRB_BufLen);  // every byte handed over is there

    const bool printer = srb.SRB_HaId == gBus.ha && srb.SRB_Target == gBus.target;
    std::uint8_t status = SS_COMP;
    const std::uint8_t op = srb.CDBByte[0];
    if (!printer) {
        status = SS_NO_DEVICE;
    } else if (op == 0x12) {
        // The vendor is the printer's, so it is found; product and revision
        // are anything.
        std::vector<std::uint8_t> inquiry(36, ' ');
        std::memcpy(inquiry.data() + 8, "VELTO   ", 8);
        const auto names = Page(20);
        std::copy(names.begin(), names.end(), inquiry.begin() + 16);
        Answer(srb, inquiry);
    } else if (Fails()) {
        status = SS_ERR;
    } else if (op == 0x0A) {
        FUZZ_CHECK(srb.SRB_Flags & SRB_DIR_OUT);
        const std::uint32_t n = (srb.CDBByte[2] << 16) | (srb.CDBByte[3] << 8) | srb.CDBByte[4];
        FUZZ_CHECK(n >= 2 && n <= srb.SRB_BufLen);
        FUZZ_CHECK(srb.SRB_BufPointer[0] == 0x1B);
    } else if (op == 0xC0) {
        Answer(srb, Page(20));
    } else if (op == 0xC1) {
        Answer(srb, Page(32, 0x11));
    } else if (op == 0x03) {
        Answer(srb, Page(20));
    } else if (op == 0xC8) {
        Answer(srb, Page(255));
    } else {
        ::fuzz::Failed(__FILE__, __LINE__, "an operation the printer does not know", {});
    }
    srb.SRB_Status = status;
    return status;
}

bool ValidText(const std::string& s) { return platform::WideToNarrow(platform::NarrowToWide(s)) == s; }

void CheckStatus(const TVeltoStatusInfo& s)
{
    FUZZ_CHECK(s.InterfaceStatus <= gsError && s.MerchineStatus <= gsError);
    FUZZ_CHECK(s.CardPosition <= cpReject);
    FUZZ_CHECK(s.PrintingStatus <= psHologram);
    FUZZ_CHECK(s.EncodingStatus <= esIC);
    FUZZ_CHECK(s.MemoryModeA <= msEnable && s.MemoryModeb <= msEnable);
    FUZZ_CHECK(s.RecvDataStatusA <= dsFlipTurn && s.RecvDataStatusB <= dsFlipTurn);
}

void CheckPrinter(const TVeltoScsi& prn)
{
    CheckStatus(prn.StatusInfo());
    FUZZ_CHECK(prn.SenseKey() >= 0 && prn.SenseKey() <= 0xFF);
    FUZZ_CHECK(prn.SenseCode() >= 0 && prn.SenseCode() <= 0xFFFF);
    FUZZ_CHECK(prn.UnitCode() >= 0 && prn.UnitCode() <= 0xFF);
    FUZZ_CHECK(prn.PrintCount() >= 0 && prn.PrintCount() <= 0xFFFFFF);
    std::int32_t grade = -1;
    const std::string message = GetSenseCodeMsg(static_cast<std::uint32_t>(prn.SenseCode()), grade);
    if (message.empty()) {
        FUZZ_CHECK(grade == -1);
    } else {
        FUZZ_CHECK(grade >= ERR_NONE && grade <= ERR_MN);
        FUZZ_CHECK_SHOW(ValidText(message), message);
    }
}

void CheckSystemInfo(const TVeltoSystemInfo& info)
{
    for (const std::uint8_t flag : {info.FlipTurnUnit, info.StackerUnit, info.SecondHeadUnit, info.HeatRollerUnit,
                                    info.ICEncoderUnit, info.SetHiCo, info.JIS_2_Support, info.ISO_Support})
        FUZZ_CHECK(flag <= 1);
    FUZZ_CHECK(info.RibbonType <= rtSG3);
    FUZZ_CHECK(info.MemoryMode <= mmEconomy_DualSide);
    for (const std::int32_t size : {info.MaxImageWidth, info.MaxImageHeight, info.MaxTextWidth, info.MaxTextHeight,
                                    info.MaxOverlayWidth, info.MaxOverlayHeight})
        FUZZ_CHECK(size >= 34 && size <= 0xFFFF + 34);
    FUZZ_CHECK(info.PrinterResolution == 300);
}

TBitmap SmallBitmap(FuzzedDataProvider& in)
{
    // Now and then one as large as a card, so that images go out in
    // several blocks.
    const bool large = in.ConsumeIntegralInRange(0, 7) == 0;
    const int w = in.ConsumeIntegralInRange(0, large ? 1100 : 40);
    const int h = in.ConsumeIntegralInRange(0, large ? 700 : 40);
    TBitmap bmp(w, h, in.ConsumeBool() ? TPixelFormat::pf24bit : TPixelFormat::pf1bit);
    const auto pixels = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 256));
    if (!pixels.empty()) {
        std::size_t at = 0;
        for (int y = 0; y < h; ++y)
            for (auto& byte : bmp.ScanLine(y)) byte = pixels[at++ % pixels.size()];
    }
    return bmp;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    gBus.in = &in;
    gBus.lastAdapter = in.ConsumeIntegralInRange<std::uint8_t>(0, 2);
    gBus.ha = in.ConsumeIntegralInRange<int>(0, gBus.lastAdapter);
    gBus.target = in.ConsumeIntegralInRange(0, MAX_SCSI_PORT - 1);

    // The system information page on its own.
    {
        const auto page = Page(20);
        TVeltoSystemInfo info {};
        DecodeSystemInfo(std::span<const std::uint8_t, 20>(page.data(), 20), info);
        CheckSystemInfo(info);
        std::array<std::uint8_t, 32> status {};
        const auto bytes = Page(32);
        std::copy(bytes.begin(), bytes.end(), status.begin());
        TVeltoStatusInfo decoded;
        DecodeStatusPage(status, decoded);
        CheckStatus(decoded);
    }

    {
        TVeltoScsi prn;
        ASPI_UseEntryPoint(&FakeSend);
        prn.OnStatus = [&](TCustomVeltoPrinter&, const TVeltoStatusInfo& s, bool& stop) {
            CheckStatus(s);
            stop = in.remaining_bytes() > 0 && in.ConsumeIntegralInRange(0, 7) == 0;
        };
        prn.OnError = [&](TCustomVeltoPrinter&, const TVeltoStatusInfo& s, bool& stop) {
            CheckStatus(s);
            stop = in.remaining_bytes() == 0 || in.ConsumeBool();
        };
        prn.OnScsiError = [](TVeltoScsi&, const std::string& message) {
            FUZZ_CHECK(message == SCSI_WRITE_LENGTH_ERROR || message == SCSI_READ_TIMEOUT_ERROR);
        };
        prn.SetParallelMode(in.ConsumeBool());
        prn.SetCardEmptyChecked(in.ConsumeBool());
        prn.SetRibbonEmptyChecked(in.ConsumeBool());

        if (prn.Open()) {
            FUZZ_CHECK(prn.VenderId() == "VELTO");
            FUZZ_CHECK(prn.HaID() == gBus.ha && prn.ScsiID() == gBus.target);
            // Inquiry fields end at a NUL and have no blanks around them.
            for (const std::string& field : {prn.ProductId(), prn.ProductRevLevel()}) {
                FUZZ_CHECK_SHOW(field.find('\0') == std::string::npos, field);
                FUZZ_CHECK_SHOW(field.empty() || (static_cast<unsigned char>(field.front()) > ' ' &&
                                                  static_cast<unsigned char>(field.back()) > ' '), field);
            }
            FUZZ_CHECK(prn.ProductName() == prn.ProductId());
            CheckSystemInfo(prn.PrinterInfo());
            while (in.remaining_bytes() > 0) {
                switch (in.ConsumeIntegralInRange(0, 14)) {
                case 0: prn.PrintStart(); break;
                case 1: prn.FlipTurn(); break;
                case 2: prn.Eject(); break;
                case 3: prn.ErrorEject(); break;
                case 4: prn.Reset(); break;
                case 5: prn.Rotate90(); break;
                case 6: prn.Rotate270(); break;
                case 7: prn.RotateDefault(); break;
                case 8: {
                    std::vector<int> tracks(in.ConsumeIntegralInRange(0, 4));
                    for (int& t : tracks) t = in.ConsumeIntegralInRange(-1, 7);
                    std::string text;
                    if (prn.ReadEncodeData(tracks, text)) FUZZ_CHECK(text.find('\0') == std::string::npos);
                    break;
                }
                case 9: {
                    const int track = in.ConsumeIntegralInRange(0, 4);
                    prn.TransEncodeData(track, in.ConsumeRandomLengthString(300));
                    break;
                }
                case 10: {
                    TScorpaRect r;
                    r.Left = in.ConsumeIntegral<std::int32_t>();
                    r.Top = in.ConsumeIntegral<std::int32_t>();
                    r.Right = in.ConsumeIntegral<std::int32_t>();
                    r.Bottom = in.ConsumeIntegral<std::int32_t>();
                    prn.SetOverlayNotArea(r);
                    break;
                }
                case 11:
                case 12: {
                    const int x = in.ConsumeIntegral<std::int32_t>();
                    const int y = in.ConsumeIntegral<std::int32_t>();
                    TBitmap bmp = SmallBitmap(in);
                    if (in.ConsumeBool()) prn.TransColorImage(x, y, bmp);
                    else prn.TransMonoImage(x, y, bmp);
                    break;
                }
                case 13: prn.SetMemoryMode(in.ConsumeIntegral<std::uint8_t>()); break;
                case 14: prn.CheckStatus(); break;
                }
                CheckPrinter(prn);
            }
        }
        prn.Close();
        ASPI_UseEntryPoint(nullptr);
    }
    gBus.in = nullptr;
    return 0;
}
