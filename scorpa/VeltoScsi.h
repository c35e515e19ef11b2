#pragma once
// TVeltoScsi: the Velto printer on a SCSI bus. Finds the printer by its
// inquiry data, reads its system information, sends command blocks and
// image data with PRINT, and reads status, sense and printer data.
#include "VeltoPrn.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scorpa {

constexpr int MAX_SCSI_PORT = 8;
constexpr int CDB_LEN = 6;
constexpr int MAX_IMAGE_BUF_LEN = 65500;

using TCDB = std::array<std::uint8_t, CDB_LEN>;
constexpr TCDB aCDB_RequestSense {0x03, 0x00, 0x00, 0x00, 0x13, 0x00};
constexpr TCDB aCDB_Inquiry {0x12, 0x00, 0x00, 0x00, 0x24, 0x00};
constexpr TCDB aCDB_PrinterSysInfo {0xC0, 0x00, 0x00, 0x00, 0x14, 0x00};
constexpr TCDB aCDB_PrinterStatInfo {0xC1, 0x00, 0x00, 0x00, 0x20, 0x00};
constexpr TCDB aCDB_GetPrinterData {0xC8, 0x00, 0x00, 0x00, 0xFF, 0x00};

// PRINT (0x0A) announcing n bytes, big-endian in bytes 2 to 4.
TCDB aCDB_Print(std::uint32_t n);

// The system-information page decoded into info (the eight unit flags,
// ribbon type, memory mode, sizes and resolution).
void DecodeSystemInfo(std::span<const std::uint8_t, 20> page, TVeltoSystemInfo& info);

class TVeltoScsi : public TCustomVeltoPrinter {
public:
    using TVeltoScsiError = std::function<void(TVeltoScsi& Sender, const std::string& Msg)>;

    TVeltoScsi();
    ~TVeltoScsi() override;

    bool AspiLoad();
    bool Inquiry() override;
    bool PrintCommandEx(const CMD_Header& header, const std::uint8_t* pBuf, int nLen) override;
    bool ColorTransData(const TBitmap& bitmap, int X, int Y, int nWidth, int nHeight) override;
    bool MonoTransData(const TBitmap& bitmap, int X, int Y, int nWidth, int nHeight) override;
    int GetMaxImageBuf() override { return MAX_IMAGE_BUF_LEN; }
    bool GetPrinterData(std::span<std::uint8_t, 256> buffer) override;
    bool GetPrinterStatusInfo(std::span<std::uint8_t, 32> buffer) override;
    bool GetRequestSenseData(std::span<std::uint8_t, 20> buffer) override;
    bool CheckSenseData() override;

    int HaID() const { return FHostID; }
    int ScsiID() const { return FScsiID; }
    bool AspiLoaded() const { return FAspiLoaded; }
    const std::string& ProductName() const { return FProductName; }

    TVeltoScsiError OnScsiError;

private:
    bool GetPrinterInfo();
    bool Read(const TCDB& cdb, std::uint8_t* buffer, int length);
    bool StreamImage(const TBitmap& bitmap, int nWidth, int nHeight, bool color);
    // One block: c rows of the bitmap from row first, nWidth dots of each.
    bool TransData(const TBitmap& bitmap, int first, int c, int nWidth, bool color);

    int FScsiID = -1;
    bool FAspiLoaded = false;
    int FHostID = 0;
    std::string FProductName;
    // One image data block: ESC "D" and up to MAX_IMAGE_BUF_LEN data bytes.
    // It goes to the ASPI layer with each block and comes back from it.
    static constexpr std::size_t kImageBlockBytes = 2 + MAX_IMAGE_BUF_LEN + 1;
    std::vector<std::uint8_t> aImageBuf;
};

} // namespace scorpa
