// Stand-in for the Mifare encoder library (mifaredrv.dll, here
// libmifaredrv.so). Every entry point takes the serial port and the line
// speed, then its own arguments, and answers a 16-bit status.
//
// scenario.ini, section [mifaredrv]:
//   <Entry>=N     the status an entry point answers (default 0)
//   data=TEXT     what ReadMifare writes into its first buffer on success
// calls.log: "mifaredrv: ReadMifare(1, 9600, "C", "A", 7) = 0"; pointer
// arguments show the text they hold.
#include "StandIn.h"
#include "EncoderModules.h"

#include <cstdint>
#include <string>

using namespace testbed;
using namespace testbed::velto;

namespace {

const char* const kSection = "mifaredrv";
[[maybe_unused]] World TheWorld() { return World::FromEnvironment(); }

template <typename... Args>
std::int16_t Call(const char* entry, Args... args)
{
    return static_cast<std::int16_t>(LoggedCall(kSection, entry, args...));
}

} // namespace

#define EXPORT TESTBED_EXPORT

TESTBED_LOG_MODULE_LIFETIME("libmifaredrv.so")

EXPORT std::int16_t TAVRIN_STDCALL GetMifareCardID(std::int32_t port, std::int32_t speed, void* p1, void* p2)
{
    return Call("GetMifareCardID", port, speed, p1, p2);
}

EXPORT std::int16_t TAVRIN_STDCALL ResetMifare(std::int32_t port, std::int32_t speed) { return Call("ResetMifare", port, speed); }

EXPORT std::int16_t TAVRIN_STDCALL LogonMifare(std::int32_t port, std::int32_t speed, void* p1, void* p2, std::int32_t i1,
                                std::int32_t i2)
{
    return Call("LogonMifare", port, speed, p1, p2, i1, i2);
}

#ifndef OMIT_ReadMifare
EXPORT std::int16_t TAVRIN_STDCALL ReadMifare(std::int32_t port, std::int32_t speed, void* p1, void* p2, std::int32_t i)
{
    const std::int16_t r = Call("ReadMifare", port, speed, p1, p2, i);
    const std::string data = TheWorld().Scenario(kSection, "data", "");
    if (r == 0 && !data.empty()) PutReply(p1, data);
    return r;
}
#endif

EXPORT std::int16_t TAVRIN_STDCALL WriteMifare(std::int32_t port, std::int32_t speed, void* p1, void* p2, std::int32_t i)
{
    return Call("WriteMifare", port, speed, p1, p2, i);
}

EXPORT std::int16_t TAVRIN_STDCALL ReadValueMifare(std::int32_t port, std::int32_t speed, void* p1, void* p2, std::int32_t i)
{
    return Call("ReadValueMifare", port, speed, p1, p2, i);
}

#define VALUE_ENTRY(name)                                                                                           \
    EXPORT std::int16_t TAVRIN_STDCALL name(std::int32_t port, std::int32_t speed, void* p1, std::int32_t i1, std::int32_t i2,    \
                             void* p2)                                                                             \
    {                                                                                                              \
        return Call(#name, port, speed, p1, i1, i2, p2);                                                           \
    }

VALUE_ENTRY(WriteValueMifare)
VALUE_ENTRY(IncrementMifare)
VALUE_ENTRY(DecrementMifare)
VALUE_ENTRY(CopyMifare)

// Each entry point as Velkit calls it.
TESTBED_SAME_AS_SLOT(MifareModuleRecord, GetMifareCardID);
TESTBED_SAME_AS_SLOT(MifareModuleRecord, ResetMifare);
TESTBED_SAME_AS_SLOT(MifareModuleRecord, LogonMifare);
#ifndef OMIT_ReadMifare
TESTBED_SAME_AS_SLOT(MifareModuleRecord, ReadMifare);
#endif
TESTBED_SAME_AS_SLOT(MifareModuleRecord, WriteMifare);
TESTBED_SAME_AS_SLOT(MifareModuleRecord, ReadValueMifare);
TESTBED_SAME_AS_SLOT(MifareModuleRecord, WriteValueMifare);
TESTBED_SAME_AS_SLOT(MifareModuleRecord, IncrementMifare);
TESTBED_SAME_AS_SLOT(MifareModuleRecord, DecrementMifare);
TESTBED_SAME_AS_SLOT(MifareModuleRecord, CopyMifare);
