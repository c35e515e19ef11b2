// The printer object over a fake ASPI entry point in this process: every
// request block it hands the layer, byte for byte.
#include "VeltoScsi.h"
#include "WinAspi.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <thread>
#include <tuple>
#ifndef _WIN32
#include <unistd.h>
#endif

using namespace scorpa;

namespace {

struct Exec {
    int Ha, Target;
    std::vector<std::uint8_t> Cdb;
    std::uint32_t BufLen;
    std::uint8_t Flags;
    std::string Out;  // PRINT: the announced bytes
};

struct FakeBus {
    std::vector<Exec> Log;
    int HaScsiId = 7;
    std::map<std::pair<int, int>, std::string> Vendors {{{0, 2}, "VELTO"}};
    int PrinterHa = 0, PrinterTarget = 2;
    std::deque<std::uint8_t> Status;  // byte 0 of the coming status pages
    std::uint8_t StatusDefault = 0x11;
    std::uint8_t EncodeByte = 0;      // byte 3 of the status page
    std::deque<std::uint16_t> Sense;
    std::uint16_t SenseDefault = 0;
    std::array<std::uint8_t, 20> SysInfo {0xC8, 0, 0x01, 0, 0, 0, 0, 0, 0x03, 0xF8, 0x02, 0x86, 0x03, 0xF8, 0x02, 0x86, 0x03, 0xF8, 0x02, 0x86};
    std::deque<std::string> Data;
    bool PrintFails = false;
    bool ImageFails = false;
    bool ReadFails = false;
    bool DataFails = false;
    bool SysInfoFails = false;
    std::string Stall;        // "status" / "image": status reads / image blocks stay pending
    bool RefuseAbort = false;
    std::vector<std::uint8_t*> Pending;
    int Aborts = 0;
};

FakeBus* gBus = nullptr;

// The front of a queue of coming answers, taken off it; otherwise when it is empty.
template <typename T>
T Next(std::deque<T>& queue, T otherwise)
{
    if (queue.empty()) return otherwise;
    const T front = queue.front();
    queue.pop_front();
    return front;
}

std::uint32_t FakeSend(void* p)
{
    auto* b = static_cast<std::uint8_t*>(p);
    FakeBus& bus = *gBus;
    if (b[0] == SC_HA_INQUIRY) {
        auto& srb = *static_cast<SRB_HAInquiry*>(p);
        srb.HA_Count = 1;
        srb.HA_SCSI_ID = static_cast<std::uint8_t>(bus.HaScsiId);
        return srb.SRB_Status = SS_COMP;
    }
    if (b[0] == SC_ABORT_SRB) {
        ++bus.Aborts;
        auto* target = static_cast<std::uint8_t*>(static_cast<SRB_Abort*>(p)->SRB_ToAbort);
        if (!bus.RefuseAbort) target[1] = SS_ABORTED;
        b[1] = bus.RefuseAbort ? SS_ABORT_FAIL : SS_COMP;
        return b[1];
    }
    auto& srb = *static_cast<SRB_ExecSCSICmd*>(p);
    Exec e {srb.SRB_HaId, srb.SRB_Target, {srb.CDBByte, srb.CDBByte + srb.SRB_CDBLen}, srb.SRB_BufLen, srb.SRB_Flags, {}};
    const std::uint8_t op = srb.CDBByte[0];
    const bool printer = srb.SRB_HaId == bus.PrinterHa && srb.SRB_Target == bus.PrinterTarget;
    std::uint8_t status = SS_COMP;
    if (op == 0x0A) e.Out.assign(reinterpret_cast<char*>(srb.SRB_BufPointer), (srb.CDBByte[2] << 16) | (srb.CDBByte[3] << 8) | srb.CDBByte[4]);
    const bool image = op == 0x0A && e.Out.size() >= 2 && e.Out[1] == 'D';
    if ((image && bus.Stall == "image") || (op == 0xC1 && bus.Stall == "status")) {
        bus.Log.push_back(e);
        bus.Pending.push_back(b);
        return SS_PENDING;
    }
    auto answer = [&](const std::uint8_t* data, std::size_t n) { std::memcpy(srb.SRB_BufPointer, data, std::min<std::size_t>(n, srb.SRB_BufLen)); };
    if (op == 0x12) {
        auto it = bus.Vendors.find({srb.SRB_HaId, srb.SRB_Target});
        if (it == bus.Vendors.end()) {
            status = SS_NO_DEVICE;
        } else {
            std::uint8_t inq[36];
            std::memset(inq, ' ', sizeof inq);
            std::memcpy(inq + 8, it->second.data(), std::min<std::size_t>(it->second.size(), 8));
            std::memcpy(inq + 16, "\tCX-7\0GARBAGE   ", 16);
            std::memcpy(inq + 32, "2.1 ", 4);
            answer(inq, 36);
        }
    } else if (!printer) {
        status = SS_ERR;
    } else if (op == 0x0A) {
        if ((image && bus.ImageFails) || (!image && bus.PrintFails)) status = SS_ERR;
    } else if (op == 0xC0) {
        if (bus.SysInfoFails) status = SS_ERR;
        else answer(bus.SysInfo.data(), 20);
    } else if (op == 0xC1) {
        // Print count 0x010203, colour values 40, 50, 60.
        std::uint8_t page[32] = {Next(bus.Status, bus.StatusDefault), 0, 0, bus.EncodeByte, 0, 0, 0, 0, 0, 0x01, 0x02, 0x03, 40, 50, 60};
        if (bus.ReadFails) status = SS_ERR;
        else answer(page, 32);
    } else if (op == 0x03) {
        const std::uint16_t code = Next(bus.Sense, bus.SenseDefault);
        const std::uint8_t sense[20] = {0x70, 0, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(code >> 8), std::uint8_t(code), 0x10};
        answer(sense, 20);
    } else if (op == 0xC8) {
        std::uint8_t data[255] = {};
        const std::string track = Next(bus.Data, std::string());
        std::memcpy(data + 1, track.data(), track.size());
        if (bus.ReadFails || bus.DataFails) status = SS_ERR;
        else answer(data, 255);
    }
    bus.Log.push_back(e);
    srb.SRB_Status = status;
    return status;
}

class VeltoScsiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gBus = &bus;
        prn = std::make_unique<TVeltoScsi>();
        ASPI_UseEntryPoint(&FakeSend);
    }
    void TearDown() override
    {
        prn.reset();
        ASPI_UseEntryPoint(nullptr);
        ASPI_UseTimeOut(0);
        gBus = nullptr;
    }

    void Open()
    {
        ASSERT_TRUE(prn->Open());
        bus.Log.clear();
    }

    // The PRINT blocks that went out, as announced by their CDBs.
    std::vector<std::string> Prints() const
    {
        std::vector<std::string> out;
        for (const auto& e : bus.Log)
            if (e.Cdb[0] == 0x0A) out.push_back(e.Out);
        return out;
    }

    // Turns the printer and forgets the command that did it.
    bool Turn(TVeltoRotateDegree d)
    {
        const bool ok = d == rd90 ? prn->Rotate90() : d == rd270 ? prn->Rotate270() : prn->RotateDefault();
        bus.Log.clear();
        return ok;
    }

    int Count(std::uint8_t op) const
    {
        return static_cast<int>(std::count_if(bus.Log.begin(), bus.Log.end(), [&](const Exec& e) { return e.Cdb[0] == op; }));
    }

    // There were requests of cdb's operation, each with this CDB and buffer length.
    void ExpectRequests(const std::vector<std::uint8_t>& cdb, std::uint32_t bufLen) const
    {
        EXPECT_GT(Count(cdb[0]), 0) << std::hex << int(cdb[0]);
        for (const auto& e : bus.Log)
            if (e.Cdb[0] == cdb[0]) {
                EXPECT_EQ(e.Cdb, cdb);
                EXPECT_EQ(e.BufLen, bufLen);
            }
    }

    // Adapter, target, vendor, product, revision and product name as the search left them.
    std::tuple<int, int, std::string, std::string, std::string, std::string> Identity() const
    {
        return {prn->HaID(), prn->ScsiID(), prn->VenderId(), prn->ProductId(), prn->ProductRevLevel(), prn->ProductName()};
    }

    FakeBus bus;
    std::unique_ptr<TVeltoScsi> prn;
};

// The read (ESC A 0/1) and eject (ESC A 2/3) blocks of the magnetic tracks.
std::string A(int selector, int mask) { return std::string("\x1B" "A") + char('0' + selector) + ',' + char(mask) + '.'; }

TBitmap Colour(int w, int h)
{
    TBitmap b(w, h, TPixelFormat::pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel24(x, y, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7);
    return b;
}

} // namespace

TEST_F(VeltoScsiTest, EveryCommandBlockOfTheTable)
{
    Open();
    const std::vector<std::pair<std::function<bool()>, std::string>> table = {
        {[&] { return prn->Reset(); }, "\x1B@"},
        {[&] { return prn->PrintStart(); }, "\x1B>"},
        {[&] { return prn->FlipTurn(); }, "\x1BT"},
        {[&] { return prn->RotateDefault(); }, "\x1BR0."},
        {[&] { return prn->Rotate90(); }, "\x1BR1."},
        {[&] { return prn->Rotate270(); }, "\x1BR3."},
        {[&] { return prn->SetICEncodeArea(); }, "\x1B" "E0."},
        {[&] { return prn->RFEject(); }, "\x1B" "E1."},
        {[&] { return prn->RFErrorEject(); }, "\x1B" "E2."},
        {[&] { return prn->CardFeedOut(); }, "\x1B" "E3."},
        {[&] { return prn->SetOverlayImageArea(); }, "\x1BO0."},
        {[&] { return prn->SetOverlayFullArea(); }, "\x1BO1."},
        {[&] { return prn->SetOverlayClear(); }, "\x1BO2."},
        {[&] { return prn->SetOverlayImageText(); }, "\x1BO3."},
        {[&] { return prn->SetOverlayNotArea({10, 20, 110, 70}); }, "\x1BOA,10,20,100,50."},
        {[&] { return prn->SetHologram(); }, "\x1BH"},
        {[&] { return prn->SetMemoryMode(mmSingle_DataHold); }, "\x1B" "F3."},
        {[&] { return prn->TransEncodeData(2, "12345"); }, "\x1BM2,5.12345"},
        {[&] { return prn->TransEncodeData(1, "12345"); }, "\x1BM0,5.12345"},
        {[&] { return prn->TransEncodeData(3, ""); }, "\x1BM3,0."},
        {[&] { return prn->TransEncodeData(4, "12345"); }, "\x1BM"},
    };
    for (const auto& [call, block] : table) {
        bus.Log.clear();
        EXPECT_TRUE(call()) << block;
        ASSERT_EQ(Prints(), std::vector<std::string> {block});
        const Exec& e = bus.Log.front();
        // Bytes 2 to 4 of the CDB announce p + 2; the adapter is given 255 bytes.
        const std::uint32_t n = static_cast<std::uint32_t>(block.size());
        EXPECT_EQ(e.Cdb, (std::vector<std::uint8_t> {0x0A, 0x00, std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n), 0x00}));
        EXPECT_EQ(e.BufLen, 255u);
        EXPECT_EQ(e.Flags, SRB_DIR_OUT);
        EXPECT_EQ(e.Ha, 0);
        EXPECT_EQ(e.Target, 2);
    }
}

TEST_F(VeltoScsiTest, ReadEncodeDataMasksAndJoinsTracks)
{
    Open();
    bus.Data = {"T1", "T3"};
    std::string data;
    const int tracks[] = {1, 3};
    ASSERT_TRUE(prn->ReadEncodeData(tracks, data));
    EXPECT_EQ(Prints(), (std::vector<std::string> {A(0, 0x09), A(1, 0x01), A(1, 0x08)}));
    EXPECT_EQ(data, "T1\rT3");
    ExpectRequests({0xC8, 0, 0, 0, 0xFF, 0}, 255);

    bus.Log.clear();
    const int masks[] = {4, 5, 6, 9};
    ASSERT_TRUE(prn->ReadEncodeData(masks, data));
    // An unknown code repeats the byte sent before it.
    EXPECT_EQ(Prints(), (std::vector<std::string> {A(0, 0x32), A(1, 0x02), A(1, 0x20), A(1, 0x10), A(1, 0x10)}));
    EXPECT_EQ(data, "\r\r\r");
}

TEST_F(VeltoScsiTest, AFailedDataReadEndsTheReadButLeavesItPending)
{
    Open();
    std::string data = "old";
    const int tracks[] = {1, 2};
    // The first read command fails: nothing changes.
    bus.PrintFails = true;
    EXPECT_FALSE(prn->ReadEncodeData(tracks, data));
    EXPECT_EQ(data, "old");
    EXPECT_FALSE(prn->IsEncodeReading());
    bus.PrintFails = false;
    // A data read fails: the loop ends there, the read still counts as done.
    std::vector<std::string> errors;
    prn->OnScsiError = [&](TVeltoScsi&, const std::string& msg) { errors.push_back(msg); };
    bus.DataFails = true;
    bus.Log.clear();
    EXPECT_FALSE(prn->ReadEncodeData(tracks, data));
    EXPECT_EQ(data, "");
    EXPECT_TRUE(prn->IsEncodeReading());
    EXPECT_EQ(Prints().size(), 2u) << "track 2 is not asked for any more";
    EXPECT_EQ(errors, (std::vector<std::string> {"SCSI Read Timeout Error"}));
}

TEST_F(VeltoScsiTest, PollingRunsUntilReadyAndReadsSenseEveryPass)
{
    Open();
    bus.Status = {0x22, 0x22, 0x22, 0x11};
    std::vector<TVeltoGeneralStatus> seen;
    prn->OnStatus = [&](TCustomVeltoPrinter&, const TVeltoStatusInfo& s, bool&) { seen.push_back(s.MerchineStatus); };
    ASSERT_TRUE(prn->FlipTurn());
    EXPECT_EQ(Count(0xC1), 4);
    EXPECT_EQ(Count(0x03), 4);
    EXPECT_EQ(seen, (std::vector<TVeltoGeneralStatus> {gsBusy, gsBusy, gsBusy, gsReady}));
    EXPECT_EQ(prn->PrintCount(), 0x010203);
    EXPECT_EQ(prn->ColorValueM(), 50);
    ExpectRequests({0xC1, 0, 0, 0, 0x20, 0}, 32);
    ExpectRequests({0x03, 0, 0, 0, 0x13, 0}, 20);
}

TEST_F(VeltoScsiTest, AnEmptyHopperIsSuccessOnlyForPrintStartAndTheEncodeRead)
{
    Open();
    int errors = 0;
    prn->OnError = [&](TCustomVeltoPrinter&, const TVeltoStatusInfo&, bool& stop) {
        ++errors;
        stop = true;
    };
    bus.StatusDefault = 0x44;
    bus.SenseDefault = 0x3A00;
    EXPECT_TRUE(prn->PrintStart());
    EXPECT_EQ(prn->StatusInfo().InterfaceStatus, gsReady);
    EXPECT_TRUE(prn->PrintCommand(CMD_READ_ENCODE, "x"));
    EXPECT_EQ(errors, 0);
    EXPECT_FALSE(prn->Reset());
    EXPECT_EQ(errors, 1) << "the error handler runs once per failed command";
    prn->SetCardEmptyChecked(true);
    EXPECT_FALSE(prn->PrintStart());
    EXPECT_EQ(errors, 2);

    bus.SenseDefault = 0x3600;
    EXPECT_TRUE(prn->PrintStart()) << "card empty checked, ribbon not";
    EXPECT_FALSE(prn->PrintCommand(CMD_READ_ENCODE, "x"));
    prn->SetRibbonEmptyChecked(true);
    EXPECT_FALSE(prn->PrintStart());
}

TEST_F(VeltoScsiTest, TheErrorHandlerRunsForASenseCodeAndMayLetPollingGoOn)
{
    Open();
    int errors = 0;
    prn->OnError = [&](TCustomVeltoPrinter&, const TVeltoStatusInfo&, bool& stop) {
        ++errors;
        stop = false;
    };
    bus.Status = {0x40};  // interface error only; machine bits none: busy
    EXPECT_FALSE(prn->FlipTurn()) << "an error with sense 0 fails without the handler";
    EXPECT_EQ(errors, 0);
    bus.Status = {0x44, 0x44, 0x11};
    bus.Sense = {0x0401, 0x0401, 0};
    EXPECT_TRUE(prn->FlipTurn()) << "a handler that clears stop lets polling go on";
    EXPECT_EQ(errors, 2);
}

TEST_F(VeltoScsiTest, PollingEndsEarlyInParallelModeOrOnTheIcEncoderAndGivesUpAtTheBound)
{
    Open();
    bus.StatusDefault = 0x12;  // interface ready, machine busy
    prn->SetPollLimitMs(200);
    prn->SetParallelMode(true);
    EXPECT_TRUE(prn->FlipTurn());
    EXPECT_EQ(Count(0xC1), 1);
    prn->SetParallelMode(false);
    bus.EncodeByte = 0x10;  // esIC
    bus.Log.clear();
    EXPECT_TRUE(prn->PrintStart());
    EXPECT_EQ(Count(0xC1), 1);
    EXPECT_FALSE(prn->FlipTurn()) << "only print start ends on the IC encoder";
    bus.StatusDefault = 0x22;  // both busy
    bus.Log.clear();
    EXPECT_FALSE(prn->FlipTurn()) << "a printer that stays busy is given up at the bound";
    EXPECT_GT(Count(0xC1), 1);
}

TEST_F(VeltoScsiTest, TransportFailuresReportTheirFixedTexts)
{
    Open();
    std::vector<std::string> errors;
    prn->OnScsiError = [&](TVeltoScsi&, const std::string& msg) { errors.push_back(msg); };
    bus.PrintFails = true;
    EXPECT_FALSE(prn->FlipTurn());
    EXPECT_EQ(Count(0xC1), 0) << "no polling after a failed send";
    bus.PrintFails = false;
    bus.ReadFails = true;
    EXPECT_FALSE(prn->FlipTurn()) << "a failed status read is an interface error";
    EXPECT_EQ(errors, (std::vector<std::string> {"SCSI Write Length Error", "SCSI Read Timeout Error"}));
}

TEST_F(VeltoScsiTest, TheDeviceSearchGoesByAdapterThenTargetAndWantsVeltoExactly)
{
    bus.Vendors = {{{0, 0}, "velto"}, {{0, 1}, "SEAGATE"}, {{1, 4}, "VELTO"}};
    bus.PrinterHa = 1;
    bus.PrinterTarget = 4;
    bus.HaScsiId = 3;
    ASSERT_TRUE(prn->Open());
    EXPECT_EQ(Count(0x12), 13) << "adapter 0's eight targets, then adapter 1's up to 4";
    ExpectRequests({0x12, 0, 0, 0, 0x24, 0}, 36);
    ExpectRequests({0xC0, 0, 0, 0, 0x14, 0}, 20);
    // The product up to the first NUL, trimmed of the tab.
    EXPECT_EQ(Identity(), std::make_tuple(1, 4, "VELTO", "CX-7", "2.1", "CX-7"));
}

TEST_F(VeltoScsiTest, AnyAnsweringDeviceOverwritesTheIdentification)
{
    bus.Vendors = {{{0, 1}, "SEAGATE"}};
    bus.HaScsiId = 0;
    EXPECT_FALSE(prn->Open());
    EXPECT_EQ(Identity(), std::make_tuple(0, 0, "SEAGATE", "CX-7", "2.1", ""));
}

TEST_F(VeltoScsiTest, SystemInformationIsDecoded)
{
    bus.SysInfo[0] = 0xC0;
    bus.SysInfo[2] = 0x21;
    bus.SysInfo[5] = 0x03;
    ASSERT_TRUE(prn->Open());
    const TVeltoSystemInfo& i = prn->PrinterInfo();
    EXPECT_EQ(std::vector<int>({i.FlipTurnUnit, i.StackerUnit, i.SecondHeadUnit, i.HeatRollerUnit, i.ICEncoderUnit,
                                i.SetHiCo, i.JIS_2_Support, i.ISO_Support}),
              std::vector<int>({1, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(i.RibbonType, rtOP) << "bit 5 before bit 0";
    EXPECT_EQ(i.MemoryMode, mmRingM_DataHold);

    std::array<std::uint8_t, 20> page {};
    page[0] = 0x01;
    TVeltoSystemInfo info {};
    info.FlipTurnUnit = 1;
    DecodeSystemInfo(page, info);
    EXPECT_EQ(std::make_tuple(info.ISO_Support, info.FlipTurnUnit, info.RibbonType), std::make_tuple(1, 0, rtNone));
}

TEST_F(VeltoScsiTest, AFailedSystemInformationReadFailsTheOpen)
{
    bus.SysInfoFails = true;
    EXPECT_FALSE(prn->Open());
    EXPECT_FALSE(prn->Active());
    bus.Log.clear();
    EXPECT_FALSE(prn->PrintStart());
    EXPECT_TRUE(bus.Log.empty());
}

TEST_F(VeltoScsiTest, ImagesArePlacedAndClippedByRotation)
{
    Open();
    struct Row {
        TVeltoRotateDegree turn;
        int x, y, w, h;
        std::string header;
    };
    for (const Row& row : std::vector<Row> {
             {rdZero, 10, 20, 600, 400, "\x1BI10,20,600,400,720000."},
             {rd90, 10, 20, 600, 400, "\x1BI630,70,600,400,720000."},
             {rd270, 10, 20, 600, 400, "\x1BI20,70,600,400,720000."},
             {rdZero, -5, -9, 1100, 700, "\x1BI0,0,1050,680,2142000."},
             {rd270, 0, 100, 700, 1000, "\x1BI100,-20,700,950,1995000."},
             {rd90, 0, 0, 700, 100, "\x1BI950,-20,700,100,210000."},  // negative positions are sent as they are
         }) {
        ASSERT_TRUE(Turn(row.turn));
        TBitmap img = Colour(row.w, row.h);
        ASSERT_TRUE(prn->TransColorImage(row.x, row.y, img)) << row.header;
        EXPECT_EQ(Prints().front(), row.header);
    }
    ASSERT_TRUE(prn->PrintStart());
    EXPECT_EQ(prn->RotateDegree(), rdZero) << "print start resets the rotation";
    bus.Log.clear();
    TBitmap mono = Colour(600, 400);
    ASSERT_TRUE(prn->TransMonoImage(10, 20, mono));
    EXPECT_EQ(Prints().front(), "\x1B" "C10,20,600,400,240000.");
    EXPECT_EQ(mono.PixelFormat(), TPixelFormat::pf1bit);
}

TEST_F(VeltoScsiTest, ImageDataGoesOutInBlocksOfWholeRows)
{
    Open();
    TBitmap img = Colour(1000, 30);
    ASSERT_TRUE(prn->TransColorImage(0, 0, img));
    auto prints = Prints();
    ASSERT_EQ(prints.size(), 3u);
    EXPECT_EQ(prints[1].size(), 63002u);  // 21 rows
    EXPECT_EQ(prints[2].size(), 27002u);  // 9 rows
    std::vector<const Exec*> blocks;
    for (const auto& e : bus.Log)
        if (e.Cdb[0] == 0x0A) blocks.push_back(&e);
    EXPECT_EQ(blocks[1]->Cdb, (std::vector<std::uint8_t> {0x0A, 0, 0x00, 0xF6, 0x1A, 0}));
    EXPECT_EQ(blocks[1]->BufLen, 63002u) << "image blocks give the adapter their exact length";
    EXPECT_EQ(blocks[2]->Cdb, (std::vector<std::uint8_t> {0x0A, 0, 0x00, 0x69, 0x7A, 0}));
    EXPECT_EQ(Count(0xC1), 1) << "only the ESC I command is polled";
    // Rows from the bitmap's top, pixels red, green, blue.
    EXPECT_EQ(prints[1].substr(0, 8), std::string("\x1B" "D" "\x00\x00\x07\x01\x00\x07", 8));
    EXPECT_EQ(prints[2].substr(2, 3), std::string("\x00\x15\x07", 3)) << "the second block starts at row 21";

    // Mono: one byte a dot, black 0xFF and white 0x00.
    bus.Log.clear();
    TBitmap dots(1000, 70, TPixelFormat::pf24bit);
    dots.SetPixel24(0, 0, 0, 0, 0);
    dots.SetPixel24(1, 0, 200, 200, 200);
    ASSERT_TRUE(prn->TransMonoImage(0, 0, dots));
    prints = Prints();
    ASSERT_EQ(prints.size(), 3u);
    EXPECT_EQ(prints[0], "\x1B" "C0,0,1000,70,70000.");
    EXPECT_EQ(prints[1].size(), 65002u);  // 65 rows
    EXPECT_EQ(prints[2].size(), 5002u);   // 5 rows
    EXPECT_EQ(prints[1].substr(0, 5), std::string("\x1B" "D" "\xFF\x00\x00", 5));
}

TEST_F(VeltoScsiTest, ARowFillingABlockGoesAsOneAndALongerRowIsRefusedUnsent)
{
    bus.SysInfo = {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
    Open();
    TBitmap colourOver(21834, 1, TPixelFormat::pf24bit), monoOver(65501, 1, TPixelFormat::pf24bit);
    EXPECT_FALSE(prn->TransColorImage(0, 0, colourOver));
    EXPECT_FALSE(prn->TransMonoImage(0, 0, monoOver));
    EXPECT_TRUE(bus.Log.empty());
    TBitmap mono(655, 100, TPixelFormat::pf24bit);
    ASSERT_TRUE(prn->TransMonoImage(0, 0, mono));
    ASSERT_EQ(Prints().size(), 2u);
    EXPECT_EQ(Prints()[1].size(), 65502u);
    bus.Log.clear();
    TBitmap row(21833, 1, TPixelFormat::pf24bit), monoRow(65500, 1, TPixelFormat::pf24bit);
    ASSERT_TRUE(prn->TransColorImage(0, 0, row));
    EXPECT_EQ(Prints()[1].size(), 65501u);
    bus.Log.clear();
    ASSERT_TRUE(prn->TransMonoImage(0, 0, monoRow)) << "a row of exactly one block";
    EXPECT_EQ(Prints()[1].size(), 65502u);
}

TEST_F(VeltoScsiTest, APlacementThatLeavesNothingToPrintIsRefusedUnsent)
{
    Open();
    TBitmap small = Colour(2, 2), big = Colour(2000, 1000), empty(0, 0, TPixelFormat::pf24bit);
    struct Row {
        TVeltoRotateDegree turn;
        int x, y;
        const TBitmap* img;
        bool colour;
        const char* what;
    };
    for (const Row& r : std::vector<Row> {
             // Far past the 1050 x 680 area the clipped sizes come out
             // negative; a colour row of them is longer than a block, a mono one is not.
             {rdZero, 30000, 1000, &big, true, "far past, colour"},
             {rdZero, 30000, 1000, &big, false, "far past, mono"},
             {rdZero, 1100, 0, &big, false, "width past the edge, height fine"},
             {rdZero, 0, 2000, &big, false, "height past the edge, width fine"},
             {rdZero, 0, 680, &small, true, "right on the edge"},
             {rdZero, 0, 0, &empty, true, "an empty bitmap"},
             {rd270, 0, 1050, &small, true, "turned by 270 degrees y runs along the 1050 dots"},
             {rd270, 0, 2147483647, &small, true, "turned, the largest y"},
         }) {
        ASSERT_TRUE(Turn(r.turn));
        TBitmap img = *r.img;
        EXPECT_FALSE(r.colour ? prn->TransColorImage(r.x, r.y, img) : prn->TransMonoImage(r.x, r.y, img)) << r.what;
        EXPECT_TRUE(bus.Log.empty()) << r.what;
    }
    // One dot inside still goes, as one block.
    ASSERT_TRUE(Turn(rdZero));
    ASSERT_TRUE(prn->TransColorImage(1049, 679, small));
    EXPECT_EQ(Prints(), (std::vector<std::string> {"\x1BI1049,679,1,1,3.", std::string("\x1B" "D" "\x00\x00\x07", 5)}));
}

TEST_F(VeltoScsiTest, TheBlockSplitRefusesSizesWithNothingInThem)
{
    Open();
    TBitmap colour = Colour(4, 4);
    TBitmap mono(4, 4, TPixelFormat::pf1bit);
    // Sizes straight from a placement that left nothing: no block goes out.
    for (const auto& [w, h] : std::vector<std::pair<int, int>> {
             {-28950, -320}, {-1, -2147483647}, {-2147483647, -2147483647}, {0, 5}, {5, 0}, {-3, 4}, {4, -3}}) {
        EXPECT_FALSE(prn->ColorTransData(colour, 0, 0, w, h)) << w << " x " << h;
        EXPECT_FALSE(prn->MonoTransData(mono, 0, 0, w, h)) << w << " x " << h;
    }
    EXPECT_TRUE(bus.Log.empty());
    // The largest sizes there are: refused for their rows, not by dividing.
    EXPECT_FALSE(prn->MonoTransData(mono, 0, 0, 2147483647, 2147483647));
    EXPECT_FALSE(prn->ColorTransData(colour, 0, 0, 65500, 2147483647));
    EXPECT_TRUE(bus.Log.empty());
}

TEST_F(VeltoScsiTest, AFailedBlockEndsTheTransfer)
{
    Open();
    bus.ImageFails = true;
    TBitmap img = Colour(1000, 30);
    EXPECT_FALSE(prn->TransColorImage(0, 0, img));
    EXPECT_EQ(Prints().size(), 2u);
}

TEST_F(VeltoScsiTest, EveryRowWidthGoesOutDotForDot)
{
    Open();
    for (int w = 1; w <= 19; ++w) {
        TBitmap colour(w, 3, TPixelFormat::pf24bit);
        TBitmap mono(w, 3, TPixelFormat::pf1bit);
        std::string rgb = "\x1B" "D", dots = "\x1B" "D";
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) {
                const auto r = static_cast<std::uint8_t>(x * 7 + y), g = static_cast<std::uint8_t>(255 - x),
                           b = static_cast<std::uint8_t>(x ^ 0x55 ^ y);
                colour.SetPixel24(x, y, r, g, b);
                rgb += {static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)};
                const bool white = (x * 3 + y) % 5 < 2;
                mono.SetBit(x, y, white);
                dots += white ? '\x00' : '\xFF';
            }
        bus.Log.clear();
        ASSERT_TRUE(prn->TransColorImage(0, 0, colour));
        ASSERT_TRUE(prn->TransMonoImage(0, 0, mono));
        const auto prints = Prints();
        ASSERT_EQ(prints.size(), 4u);
        EXPECT_EQ(prints[1], rgb) << w << " dots a row";
        EXPECT_EQ(prints[3], dots) << w << " dots a row";
    }
}

TEST_F(VeltoScsiTest, AnImageBlockTheLayerStillHoldsKeepsItsBytesAndTheNextImageGoesWhole)
{
    ASPI_UseTimeOut(50);
    Open();
    TBitmap first = Colour(1000, 30);
    bus.Stall = "image";
    bus.RefuseAbort = true;
    EXPECT_FALSE(prn->TransColorImage(0, 0, first));
    ASSERT_EQ(ASPI_HeldRequests(), 1);
    ASSERT_EQ(bus.Pending.size(), 1u);
    // The layer still has the block it was given, unchanged by what follows.
    const auto& srb = *reinterpret_cast<const SRB_ExecSCSICmd*>(bus.Pending[0]);
    const std::string held(reinterpret_cast<const char*>(srb.SRB_BufPointer), srb.SRB_BufLen);
    EXPECT_EQ(held, Prints()[1]);

    bus.Stall.clear();
    bus.RefuseAbort = false;
    bus.Log.clear();
    TBitmap second = Colour(1000, 30);
    second.SetPixel24(0, 0, 9, 8, 7);
    ASSERT_TRUE(prn->TransColorImage(0, 0, second));
    const auto prints = Prints();
    ASSERT_EQ(prints.size(), 3u);
    EXPECT_EQ(prints[1].substr(0, 8), std::string("\x1B" "D" "\x09\x08\x07\x01\x00\x07", 8));
    EXPECT_EQ(prints[2].size(), 27002u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(srb.SRB_BufPointer), srb.SRB_BufLen), held);
    bus.Pending[0][1] = SS_COMP;
    EXPECT_EQ(ASPI_HeldRequests(), 0);
}

TEST_F(VeltoScsiTest, ARequestThatNeverCompletesIsAborted)
{
    ASPI_UseTimeOut(50);
    Open();
    bus.Stall = "status";
    EXPECT_FALSE(prn->FlipTurn());
    EXPECT_EQ(bus.Aborts, 1);
    EXPECT_EQ(ASPI_HeldRequests(), 0) << "the abort finished it";
}

#ifndef _WIN32  // a death test with the testbed's threaded layer, built on Linux only
// A layer that completes requests on threads of its own, late, is let go
// while it still holds one: it must stay loaded, or its thread runs
// unmapped code and takes the process down. Run in a process of its own
// (the layer's thread outlives the test otherwise).
namespace {

std::string ReadAll(const std::filesystem::path& file)
{
    std::ifstream in(file);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

[[noreturn]] void LetGoOfALayerStillHoldingARequest(const std::filesystem::path& world)
{
    ::setenv("TAVRIN_TESTBED_DIR", world.c_str(), 1);
    // Given up after 200 ms, completed by the layer at 500 ms.
    ASPI_UseTimeOut(200);
    ASPI_FreeModule();
    if (!ASPI_LoadModule(TAVRIN_TESTBED_BUILD_DIR "/libwnaspi32-threaded.so")) ::_exit(3);
    std::array<std::uint8_t, 32> page {};
    if (SCSI_ExecCommand(3, page.data(), 32, SRB_DIR_IN, CDB_LEN, aCDB_PrinterStatInfo.data(), 0)) ::_exit(4);
    if (ASPI_HeldRequests() != 1) ::_exit(5);
    ASPI_FreeModule();
    // The layer finishes the request a moment later; wait for that (with a
    // bound), then a little more for its thread to leave.
    for (int i = 0; i < 400; ++i) {
        if (ReadAll(world / "calls.log").find("LATE COMPLETION") != std::string::npos) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ::_exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::_exit(6);
}

} // namespace

TEST(AspiLayerLifetime, ALayerStillHoldingARequestIsNotUnloaded)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child runs this body again from the start: it takes the parent's world.
    const char* given = std::getenv("SCORPA_TEST_LATE_WORLD");
    const std::filesystem::path world =
        given ? given : std::filesystem::temp_directory_path() / ("scorpa-aspi-late-" + std::to_string(::getpid()));
    if (!given) {
        std::filesystem::create_directories(world);
        std::ofstream(world / "scenario.ini") << "[aspi]\nlate_ms=500\n";
        ::setenv("SCORPA_TEST_LATE_WORLD", world.c_str(), 1);
    }
    EXPECT_EXIT(LetGoOfALayerStillHoldingARequest(world), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadAll(world / "calls.log"), "aspi: EXEC = pending\naspi: ABORT = 3\naspi: LATE COMPLETION\n");
    ::unsetenv("SCORPA_TEST_LATE_WORLD");
    std::filesystem::remove_all(world);
}
#endif
