// Stand-in for the iCLASS encoder library (encoderdrv.dll, here
// libencoderdrv.so). SendIClassCommand takes the serial port and the line
// speed first; the key and DES helpers take neither. 16-bit statuses.
//
// scenario.ini, section [encoderdrv]:
//   <Entry>=N     the status an entry point answers (default 0)
// calls.log: "encoderdrv: EncryptDes("A", "B", "C") = 0"; pointer
// arguments show the text they hold.
#include "StandIn.h"
#include "EncoderModules.h"

#include <cstdint>
#include <string>

using namespace testbed;
using namespace testbed::velto;

namespace {

const char* const kSection = "encoderdrv";

template <typename... Args>
std::int16_t Call(const char* entry, Args... args)
{
    return static_cast<std::int16_t>(LoggedCall(kSection, entry, args...));
}

} // namespace

#define EXPORT TESTBED_EXPORT

TESTBED_LOG_MODULE_LIFETIME("libencoderdrv.so")

EXPORT std::int16_t TAVRIN_STDCALL SendIClassCommand(std::int32_t port, std::int32_t speed, void* a, void* b, void* c, void* d)
{
    return Call("SendIClassCommand", port, speed, a, b, c, d);
}

EXPORT std::int16_t TAVRIN_STDCALL GenerateLoadKeyAndCheckSum(std::int32_t a, void* b, void* c, void* d, void* e, void* f)
{
    return Call("GenerateLoadKeyAndCheckSum", a, b, c, d, e, f);
}

#ifndef OMIT_EncryptDes
EXPORT std::int16_t TAVRIN_STDCALL EncryptDes(void* a, void* b, void* c) { return Call("EncryptDes", a, b, c); }
#endif

EXPORT std::int16_t TAVRIN_STDCALL DecryptDes(void* a, void* b, void* c) { return Call("DecryptDes", a, b, c); }

// Each entry point as Velkit calls it.
TESTBED_SAME_AS_SLOT(IclassModuleRecord, SendIClassCommand);
TESTBED_SAME_AS_SLOT(IclassModuleRecord, GenerateLoadKeyAndCheckSum);
#ifndef OMIT_EncryptDes
TESTBED_SAME_AS_SLOT(IclassModuleRecord, EncryptDes);
#endif
TESTBED_SAME_AS_SLOT(IclassModuleRecord, DecryptDes);
