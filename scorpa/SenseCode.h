#pragma once
// The printer's request-sense values explained: the sense-code table that
// error messages come from, and the sense-key and unit-code tables kept
// beside it. Texts are UTF-8 (the printer's documentation gave them in the
// Korean code page; they read the same).
#include <array>
#include <cstdint>
#include <string>

namespace scorpa {

// Grades of a sense code.
constexpr std::int32_t ERR_NONE = 0;
constexpr std::int32_t ERR_CR = 1;
constexpr std::int32_t ERR_MJ = 2;
constexpr std::int32_t ERR_MN = 3;

struct ERR_Desc {
    std::uint16_t Code;
    std::int32_t Grade;
    const char* Desc;
};

constexpr std::uint8_t SK_NONE = 0x00;
constexpr std::uint8_t SK_NOT_READY = 0x02;
constexpr std::uint8_t SK_HW_ERROR = 0x04;
constexpr std::uint8_t SK_ILLEGAL_REQ = 0x05;
constexpr std::uint8_t SK_UNIT_ATTENTION = 0x06;
constexpr std::uint8_t SK_ABORT_COMMAND = 0x0B;

constexpr std::uint8_t UC_NONE = 0x00;
constexpr std::uint8_t UC_CONTROL = 0x01;
constexpr std::uint8_t UC_PICKUP = 0x10;
constexpr std::uint8_t UC_FIRST_PRINT = 0x11;
constexpr std::uint8_t UC_SECOND_PRINT = 0x12;
constexpr std::uint8_t UC_HEAT_ROLLER = 0x13;
constexpr std::uint8_t UC_ENCODER = 0x20;
constexpr std::uint8_t UC_IC_ENCODER = 0x21;
constexpr std::uint8_t UC_STACKER = 0x30;
constexpr std::uint8_t UC_REJECT = 0x31;
constexpr std::uint8_t UC_FLIPTURN = 0x40;

extern const std::array<ERR_Desc, 53> aSenseCode;
extern const std::array<ERR_Desc, 6> aSenseKey;
extern const std::array<ERR_Desc, 11> aUnitCode;

// The message of a sense code; "" when the table does not know it, and then
// AGrade is left as it was.
std::string GetSenseCodeMsg(std::uint32_t ACode, std::int32_t& AGrade);
std::string GetSenseCodeMsg(std::uint32_t ACode);

// What the transport reports through OnScsiError.
inline constexpr const char* SCSI_WRITE_LENGTH_ERROR = "SCSI Write Length Error";
inline constexpr const char* SCSI_READ_TIMEOUT_ERROR = "SCSI Read Timeout Error";

} // namespace scorpa
