// Stand-in for the HID encoder library (digion.dll, here libdigion.so).
// Every entry point takes the serial port and the line speed as a double.
//
// scenario.ini, section [digion]:
//   <Entry>=N          the status an entry point answers (default 0)
//   firmware=TEXT      what GetFirmwareVer writes into its buffer on success
//   data=TEXT          what ReadDataHID and Read26BitsDataHID write
// calls.log: "digion: Reset(2, 9600.0) = 0",
// "digion: ReadDataHID(2, 9600.0, "") = 0".
#include "StandIn.h"
#include "EncoderModules.h"

#include <cstdint>
#include <cstdio>
#include <string>

using namespace testbed;
using namespace testbed::velto;

namespace {

const char* const kSection = "digion";
World TheWorld() { return World::FromEnvironment(); }

std::string Line(const char* entry, std::int32_t port, double speed)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s(%d, %.1f", entry, port, speed);
    return text;
}

std::int32_t Call(const char* entry, std::int32_t port, double speed, void* buffer, const char* replyKey,
                  const char* replyDefault)
{
    const World w = TheWorld();
    const int r = w.ScenarioInt(kSection, entry, 0);
    std::string line = Line(entry, port, speed);
    if (replyKey) line += ", " + PointerText(buffer);
    w.Log(kSection, line + ") = " + std::to_string(r));
    if (r == 0 && replyKey) PutReply(buffer, w.Scenario(kSection, replyKey, replyDefault));
    return r;
}

} // namespace

#define EXPORT TESTBED_EXPORT

TESTBED_LOG_MODULE_LIFETIME("libdigion.so")

#ifndef OMIT_Reset
EXPORT std::int32_t TAVRIN_STDCALL Reset(std::int32_t port, double speed) { return Call("Reset", port, speed, nullptr, nullptr, ""); }
#endif

EXPORT std::int32_t TAVRIN_STDCALL GetFirmwareVer(std::int32_t port, double speed, void* buffer)
{
    return Call("GetFirmwareVer", port, speed, buffer, "firmware", "HID 2.4");
}

EXPORT std::int32_t TAVRIN_STDCALL ReadDataHID(std::int32_t port, double speed, void* buffer)
{
    return Call("ReadDataHID", port, speed, buffer, "data", "0123456789");
}

EXPORT std::int32_t TAVRIN_STDCALL Read26BitsDataHID(std::int32_t port, double speed, void* buffer)
{
    return Call("Read26BitsDataHID", port, speed, buffer, "data", "0123456789");
}

// Each entry point as Velkit calls it.
#ifndef OMIT_Reset
TESTBED_SAME_AS_SLOT(HidModuleRecord, Reset);
#endif
TESTBED_SAME_AS_SLOT(HidModuleRecord, GetFirmwareVer);
TESTBED_SAME_AS_SLOT(HidModuleRecord, ReadDataHID);
TESTBED_SAME_AS_SLOT(HidModuleRecord, Read26BitsDataHID);
