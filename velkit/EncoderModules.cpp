// The contactless encoder modules. Velkit only loads the library, keeps the
// serial port and line speed, checks arguments and passes them on in the
// library's order; keys and card data go through untouched.
#include "EncoderModules.h"

#include "VelkitHandle.h"
#include "velkit/ResultCodes.h"
#include "velkit/Velkit.h"

#include <initializer_list>
#include <memory>

namespace velkit {

std::int32_t HidResult(std::int32_t status)
{
    switch (status) {
    case 0: return VELTO_SUCCESS;
    case -1: return VELTO_ERROR_HID24_SYNTAXERROR;
    case -2: return VELTO_ERROR_HID24_CMDFAILURE;
    case -3: return VELTO_ERROR_HID24_CMDTIMEOUT;
    default: return VELTO_ERROR_HID24_UNKNOWN;
    }
}

namespace {

// The Mifare and iCLASS libraries share their statuses; the result is an
// offset from the family's base code (…_ALREADYOPEN).
std::int32_t StatusOffset(std::int16_t status)
{
    switch (status) {
    case 192:
    case 193:
    case 194: return 3;  // COMPORTFAILED
    case 195: return 4;
    case 196: return 5;
    case 197: return 6;
    case 198: return 7;
    case 199: return 8;
    case 202: return 9;
    case 203: return 10;
    case 211: return 11;
    case 212: return 12;
    case 213: return 13;
    case 214: return 14;
    case 215: return 15;
    case 216: return 16;  // STOPBIT
    default: return 2;    // UNKNOWN
    }
}

} // namespace

std::int32_t MifareResult(std::int16_t status)
{
    return status == 0 ? VELTO_SUCCESS : VELTO_ERROR_MIFARE24_ALREADYOPEN + StatusOffset(status);
}

std::int32_t IclassResult(std::int16_t status)
{
    return status == 0 ? VELTO_SUCCESS : VELTO_ERROR_ICLASS24_ALREADYOPEN + StatusOffset(status);
}

} // namespace velkit

using namespace velkit;

namespace {

template <typename Fn>
void Resolve(const platform::DynamicLibrary& library, Fn& slot, const char* name)
{
    slot = library.Function<Fn>(name);
}

// What differs between the three families when opening and closing.
template <typename Record>
struct Family;

template <>
struct Family<HidModuleRecord> {
    static constexpr const char* kLibrary = "digion.dll";
    static constexpr std::int32_t kLoadFailed = VELTO_ERROR_HID24_LOADFAILED;
    static std::unique_ptr<HidModuleRecord>& Slot(VelkitHandle* h) { return h->hidModule; }
    static void Configure(HidModuleRecord& r, std::int32_t port, std::int32_t speed)
    {
        r.port = port;
        r.speed = double(speed);
        Resolve(*r.library, r.Reset, "Reset");
        Resolve(*r.library, r.GetFirmwareVer, "GetFirmwareVer");
        Resolve(*r.library, r.ReadDataHID, "ReadDataHID");
        Resolve(*r.library, r.Read26BitsDataHID, "Read26BitsDataHID");
    }
};

template <>
struct Family<MifareModuleRecord> {
    static constexpr const char* kLibrary = "mifaredrv.dll";
    static constexpr std::int32_t kLoadFailed = VELTO_ERROR_MIFARE24_LOADFAILED;
    static std::unique_ptr<MifareModuleRecord>& Slot(VelkitHandle* h) { return h->mifareModule; }
    static void Configure(MifareModuleRecord& r, std::int32_t port, std::int32_t speed)
    {
        r.port = port;
        r.speed = speed;
        Resolve(*r.library, r.GetMifareCardID, "GetMifareCardID");
        Resolve(*r.library, r.ResetMifare, "ResetMifare");
        Resolve(*r.library, r.LogonMifare, "LogonMifare");
        Resolve(*r.library, r.ReadMifare, "ReadMifare");
        Resolve(*r.library, r.WriteMifare, "WriteMifare");
        Resolve(*r.library, r.ReadValueMifare, "ReadValueMifare");
        Resolve(*r.library, r.WriteValueMifare, "WriteValueMifare");
        Resolve(*r.library, r.IncrementMifare, "IncrementMifare");
        Resolve(*r.library, r.DecrementMifare, "DecrementMifare");
        Resolve(*r.library, r.CopyMifare, "CopyMifare");
    }
};

template <>
struct Family<IclassModuleRecord> {
    static constexpr const char* kLibrary = "encoderdrv.dll";
    static constexpr std::int32_t kLoadFailed = VELTO_ERROR_ICLASS24_LOADFAILED;
    static std::unique_ptr<IclassModuleRecord>& Slot(VelkitHandle* h) { return h->iclassModule; }
    static void Configure(IclassModuleRecord& r, std::int32_t port, std::int32_t speed)
    {
        r.port = port;
        r.speed = speed;
        Resolve(*r.library, r.SendIClassCommand, "SendIClassCommand");
        Resolve(*r.library, r.GenerateLoadKeyAndCheckSum, "GenerateLoadKeyAndCheckSum");
        Resolve(*r.library, r.EncryptDes, "EncryptDes");
        Resolve(*r.library, r.DecryptDes, "DecryptDes");
    }
};

template <typename Record>
void Release(VelkitHandle* h)
{
    auto& slot = Family<Record>::Slot(h);
    if (!slot) return;
    if (slot->library) slot->library->Free();
    slot.reset();
}

template <typename Record>
std::int32_t Open(VelkitHandle* h, std::int32_t port, std::int32_t speed)
{
    if (!ResolveHandle(h)) return VELTO_INVALID_DEVICEHANDLE;
    if (port < 1 || port > 4) return VELTO_INVALID_PARAMETER;
    // Opening again replaces the family's record: its library is released
    // first so that no reference to it is left behind.
    Release<Record>(h);
    auto record = std::make_unique<Record>();
    record->library = platform::DynamicLibrary::Load(Family<Record>::kLibrary);
    if (!record->library) return Family<Record>::kLoadFailed;
    // A missing entry point leaves its slot empty; only the command that
    // needs it fails.
    Family<Record>::Configure(*record, port, speed);
    Family<Record>::Slot(h) = std::move(record);
    return VELTO_SUCCESS;
}

template <typename Record>
std::int32_t Close(VelkitHandle* h)
{
    if (!ResolveHandle(h)) return VELTO_INVALID_DEVICEHANDLE;
    if (!Family<Record>::Slot(h)) return VELTO_INVALID_PARAMETER;
    Release<Record>(h);
    return VELTO_SUCCESS;
}

// The checks before every command: the handle, the open record, the
// required pointers, then the entry point. A library that lacked the entry
// point at Open is told apart from a failed command. h comes back as the
// record behind the handle.
template <typename Record, typename Fn>
std::int32_t Ready(VelkitHandle*& h, Record*& record, Fn Record::*entry, std::initializer_list<const void*> required,
                   bool othersValid = true)
{
    if (!ResolveHandle(h)) return VELTO_INVALID_DEVICEHANDLE;
    record = Family<Record>::Slot(h).get();
    if (!record) return VELTO_INVALID_PARAMETER;
    for (const void* p : required)
        if (!p) return VELTO_INVALID_PARAMETER;
    if (!othersValid) return VELTO_INVALID_PARAMETER;
    if (!(record->*entry)) return VELTO_ERROR_MISSINGENTRYPOINT;
    return VELTO_SUCCESS;
}

template <typename Fn>
std::int32_t HidBuffer(VelkitHandle* h, Fn HidModuleRecord::*entry, void* buffer)
{
    HidModuleRecord* r = nullptr;
    if (const std::int32_t c = Ready(h, r, entry, {buffer}); c != VELTO_SUCCESS) return c;
    return HidResult((r->*entry)(r->port, r->speed, buffer));
}

// Read, Write, ReadValue: the last argument goes first.
std::int32_t MifarePPI(VelkitHandle* h, MifarePPIFn MifareModuleRecord::*entry, void* a, std::int32_t b, void* c)
{
    MifareModuleRecord* r = nullptr;
    if (const std::int32_t code = Ready(h, r, entry, {a, c}); code != VELTO_SUCCESS) return code;
    return MifareResult((r->*entry)(r->port, r->speed, c, a, b));
}

// WriteValue, Increment, Decrement, Copy: the last argument goes first.
std::int32_t MifarePIIP(VelkitHandle* h, MifarePIIPFn MifareModuleRecord::*entry, std::int32_t a, std::int32_t b,
                        void* c, void* d)
{
    MifareModuleRecord* r = nullptr;
    if (const std::int32_t code = Ready(h, r, entry, {c, d}); code != VELTO_SUCCESS) return code;
    return MifareResult((r->*entry)(r->port, r->speed, d, a, b, c));
}

// The DES helpers take no port and no speed; what they return says nothing
// Velkit passes on.
std::int32_t Des(VelkitHandle* h, DesFn IclassModuleRecord::*entry, void* a, void* b, void* c)
{
    IclassModuleRecord* r = nullptr;
    if (const std::int32_t code = Ready(h, r, entry, {a, b, c}); code != VELTO_SUCCESS) return code;
    (r->*entry)(a, b, c);
    return VELTO_SUCCESS;
}

} // namespace

namespace velkit {

void CloseEncoderModules(VelkitHandle* h)
{
    Release<HidModuleRecord>(h);
    Release<MifareModuleRecord>(h);
    Release<IclassModuleRecord>(h);
}

} // namespace velkit

// HID

VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Open(VelkitHandle* handle, int32_t port, int32_t speed)
{
    return Open<HidModuleRecord>(handle, port, speed);
}

VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Close(VelkitHandle* handle) { return Close<HidModuleRecord>(handle); }

VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Reset(VelkitHandle* handle)
{
    HidModuleRecord* r = nullptr;
    if (const std::int32_t c = Ready(handle, r, &HidModuleRecord::Reset, {}); c != VELTO_SUCCESS) return c;
    return HidResult(r->Reset(r->port, r->speed));
}

VELKIT_API int32_t VELKIT_CALL Velkit_HID24_GetFirmwareVersion(VelkitHandle* handle, void* buffer)
{
    return HidBuffer(handle, &HidModuleRecord::GetFirmwareVer, buffer);
}

VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Read(VelkitHandle* handle, void* buffer)
{
    return HidBuffer(handle, &HidModuleRecord::ReadDataHID, buffer);
}

VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Read26Bits(VelkitHandle* handle, void* buffer)
{
    return HidBuffer(handle, &HidModuleRecord::Read26BitsDataHID, buffer);
}

// Mifare

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Open(VelkitHandle* handle, int32_t port, int32_t speed)
{
    return Open<MifareModuleRecord>(handle, port, speed);
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Close(VelkitHandle* handle) { return Close<MifareModuleRecord>(handle); }

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Reset(VelkitHandle* handle)
{
    MifareModuleRecord* r = nullptr;
    if (const std::int32_t c = Ready(handle, r, &MifareModuleRecord::ResetMifare, {}); c != VELTO_SUCCESS) return c;
    return MifareResult(r->ResetMifare(r->port, r->speed));
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_GetCardID(VelkitHandle* handle, void* a, void* b)
{
    MifareModuleRecord* r = nullptr;
    if (const std::int32_t c = Ready(handle, r, &MifareModuleRecord::GetMifareCardID, {a, b}); c != VELTO_SUCCESS)
        return c;
    return MifareResult(r->GetMifareCardID(r->port, r->speed, b, a));
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Logon(VelkitHandle* handle, void* a, int32_t b, int32_t c, void* d)
{
    MifareModuleRecord* r = nullptr;
    if (const std::int32_t code = Ready(handle, r, &MifareModuleRecord::LogonMifare, {a, d}); code != VELTO_SUCCESS)
        return code;
    return MifareResult(r->LogonMifare(r->port, r->speed, d, a, b, c));
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Read(VelkitHandle* handle, void* a, int32_t b, void* c)
{
    return MifarePPI(handle, &MifareModuleRecord::ReadMifare, a, b, c);
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Write(VelkitHandle* handle, void* a, int32_t b, void* c)
{
    return MifarePPI(handle, &MifareModuleRecord::WriteMifare, a, b, c);
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_ReadValue(VelkitHandle* handle, void* a, int32_t b, void* c)
{
    return MifarePPI(handle, &MifareModuleRecord::ReadValueMifare, a, b, c);
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_WriteValue(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d)
{
    return MifarePIIP(handle, &MifareModuleRecord::WriteValueMifare, a, b, c, d);
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Increment(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d)
{
    return MifarePIIP(handle, &MifareModuleRecord::IncrementMifare, a, b, c, d);
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Decrement(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d)
{
    return MifarePIIP(handle, &MifareModuleRecord::DecrementMifare, a, b, c, d);
}

VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Copy(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d)
{
    return MifarePIIP(handle, &MifareModuleRecord::CopyMifare, a, b, c, d);
}

// iCLASS

VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_Open(VelkitHandle* handle, int32_t port, int32_t speed)
{
    return Open<IclassModuleRecord>(handle, port, speed);
}

VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_Close(VelkitHandle* handle) { return Close<IclassModuleRecord>(handle); }

VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_SendCommand(VelkitHandle* handle, void* a, void* b, void* c, void* d)
{
    IclassModuleRecord* r = nullptr;
    if (const std::int32_t code = Ready(handle, r, &IclassModuleRecord::SendIClassCommand, {a, b, c, d});
        code != VELTO_SUCCESS)
        return code;
    return IclassResult(r->SendIClassCommand(r->port, r->speed, a, b, c, d));
}

VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_GenerateLoadKeyAndCheckSum(VelkitHandle* handle, int32_t a, void* b,
                                                                          void* c,
                                                              void* d, void* e, void* f)
{
    IclassModuleRecord* r = nullptr;
    // Only the low byte of a names the key; a zero byte names none.
    if (const std::int32_t code =
            Ready(handle, r, &IclassModuleRecord::GenerateLoadKeyAndCheckSum, {b, c, d, e, f}, (a & 0xFF) != 0);
        code != VELTO_SUCCESS)
        return code;
    r->GenerateLoadKeyAndCheckSum(a, b, c, d, e, f);
    return VELTO_SUCCESS;
}

VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_EncryptDes(VelkitHandle* handle, void* a, void* b, void* c)
{
    return Des(handle, &IclassModuleRecord::EncryptDes, a, b, c);
}

VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_DecryptDes(VelkitHandle* handle, void* a, void* b, void* c)
{
    return Des(handle, &IclassModuleRecord::DecryptDes, a, b, c);
}
