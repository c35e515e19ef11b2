// Stand-in for the vendor's USB port module (VeltoUIO.dll, here
// libveltouio.so): printers on the USB port monitor, known by IDs 1-7.
//
// scenario.ini, section [veltouio]:
//   init=0           what Velto_Init answers (98, 99 ...)
//   ids=1,3          the printer IDs Velto_PrinterIDEnum reports (default 1)
//   attach=0         what Velto_PrinterAttach answers
//   kind=2           IC station kind the attached record carries
//   flags=0x08       hardware flags the attached record carries
//   status=..., sense=...  as for the SCSI module
//   <Entry>=N        the answer of an entry point; without one card
//                    movements ask the virtual printer, Velto_ICWait and
//                    Velto_MagWait answer 1, the rest 0
// The context area Velto_Init fills is checked on every later call that
// gets it, directly or through a printer record, so a wrong address shows in
// the log as "bad context".
#include "StandIn.h"
#include "PortModules.h"

#include <cstdint>
#include <cstring>
#include <string>

using namespace testbed;
using namespace testbed::velto;

namespace {

const char* const kSection = "veltouio";
constexpr char kContextMark[] = "VUIO-CTX";

World TheWorld() { return World::FromEnvironment(); }
void Log(const std::string& text) { TheWorld().Log("veltouio", text); }
int Answer(const char* entry, int def) { return Result(TheWorld(), kSection, entry, def); }

bool GoodContext(const void* context) { return context && std::memcmp(context, kContextMark, 8) == 0; }

// "id 3" for a record whose context pointer is the module's; else marks it.
std::string RecordName(const std::uint8_t* record)
{
    void* context = nullptr;
    std::memcpy(&context, record, sizeof context);
    std::int32_t id;
    std::memcpy(&id, record + 28, 4);
    return "id " + std::to_string(id) + (GoodContext(context) ? "" : " bad context");
}

} // namespace

#define EXPORT TESTBED_EXPORT

// Loading and unloading show in the log as "module: libveltouio.so loaded/unloaded",
// so a test can see when the library really left the process.
TESTBED_LOG_MODULE_LIFETIME("libveltouio.so")

EXPORT std::int32_t TAVRIN_STDCALL Velto_Init(void* context, const char* module)
{
    const int r = Answer("init", 0);
    std::memset(context, 0, 56);
    std::memcpy(context, kContextMark, 8);
    Log(std::string("Velto_Init(") + (module ? module : "null") + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_Destroy(void* context)
{
    Log(std::string("Velto_Destroy(") + (GoodContext(context) ? "context" : "bad context") + ") = 0");
    if (context) std::memset(context, 0, 56);
    return 0;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_PrinterIDEnum(void* context, std::uint32_t* count, std::uint32_t* ids, std::int32_t* reserved)
{
    if (!GoodContext(context)) {
        Log("Velto_PrinterIDEnum(bad context) = 1");
        *count = 0;
        return 1;
    }
    const auto list = IntList(TheWorld().Scenario(kSection, "ids", "1"));
    std::uint32_t n = 0;
    std::string text;
    for (const int id : list) {
        if (n == 8) break;  // the caller's list holds eight
        ids[n++] = static_cast<std::uint32_t>(id);
        text += (text.empty() ? "" : ",") + std::to_string(id);
    }
    *count = n;
    if (reserved) *reserved = 0;
    Log("Velto_PrinterIDEnum() = 0 count " + std::to_string(n) + " [" + text + "]");
    return 0;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_PrinterEnum() { Log("Velto_PrinterEnum() = 0"); return 0; }
EXPORT std::int32_t TAVRIN_STDCALL Velto_PrinterEnumFree() { Log("Velto_PrinterEnumFree() = 0"); return 0; }
EXPORT std::int32_t TAVRIN_STDCALL Velto_PrinterOpen() { Log("Velto_PrinterOpen() = 0"); return 0; }

EXPORT std::int32_t TAVRIN_STDCALL Velto_PrinterAttach(std::uint8_t* record)
{
    const World w = TheWorld();
    int r = Answer("attach", 0);
    void* context = nullptr;
    std::memcpy(&context, record, sizeof context);
    if (!GoodContext(context)) r = 1;
    if (r == 0) {
        // What the module fills, around the fields Velkit reads.
        std::memset(record + 32, 0x5A, 151 - 32);
        const std::int32_t kind = w.ScenarioInt(kSection, "kind", 2);
        std::memcpy(record + 100, &kind, 4);
        record[120] = static_cast<std::uint8_t>(w.ScenarioInt(kSection, "flags", 0x08));
    }
    Log("Velto_PrinterAttach(" + RecordName(record) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_PrinterClose(std::uint8_t* record)
{
    Log("Velto_PrinterClose(" + RecordName(record) + ") = 0");
    return 0;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_ICTransfer(std::uint8_t* record)
{
    Stamp(TheWorld(), "veltouio", "Velto_ICTransfer");
    const int r = Answer("Velto_ICTransfer", -1000);
    const int result = r != -1000 ? r : MoveCard(TheWorld(), 4);
    Log("Velto_ICTransfer(" + RecordName(record) + ") = " + std::to_string(result));
    return result;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_ICEject(std::uint8_t* record, std::int32_t code)
{
    Stamp(TheWorld(), "veltouio", "Velto_ICEject");
    const int r = Answer("Velto_ICEject", -1000);
    const int result = r != -1000 ? r : MoveCard(TheWorld(), code);
    Log("Velto_ICEject(" + RecordName(record) + ", " + std::to_string(code) + ") = " + std::to_string(result));
    return result;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_ICWait(std::uint8_t* record, std::int32_t limit)
{
    const int r = Answer("Velto_ICWait", 1);
    Log("Velto_ICWait(" + RecordName(record) + ", " + std::to_string(limit) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_ICTransmit(std::uint8_t* record, std::int32_t length, const void* data)
{
    const int r = Answer("Velto_ICTransmit", 0);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    Log("Velto_ICTransmit(" + RecordName(record) + ", " + std::to_string(length) + ", " +
        Hex({bytes, length > 0 ? std::size_t(length) : 0}) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_ICStatus() { Log("Velto_ICStatus() = 0"); return 0; }
EXPORT std::int32_t TAVRIN_STDCALL Velto_ICReceive() { Log("Velto_ICReceive() = 0"); return 0; }

EXPORT std::int32_t TAVRIN_STDCALL Velto_MagWait(std::uint8_t* record, std::int32_t limit)
{
    const int r = Answer("Velto_MagWait", 1);
    Log("Velto_MagWait(" + RecordName(record) + ", " + std::to_string(limit) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_MagPrepare(std::uint8_t* record, std::int32_t mode)
{
    const int r = Answer("Velto_MagPrepare", 0);
    Log("Velto_MagPrepare(" + RecordName(record) + ", " + std::to_string(mode) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_MagRead(std::uint8_t* record, std::intptr_t a, std::intptr_t b, std::intptr_t c)
{
    const int r = Answer("Velto_MagRead", 0);
    Log("Velto_MagRead(" + RecordName(record) + ", " + std::to_string(a) + ", " + std::to_string(b) + ", " +
        std::to_string(c) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_MagEject(std::uint8_t* record, std::int32_t code)
{
    const int r = Answer("Velto_MagEject", 0);
    Log("Velto_MagEject(" + RecordName(record) + ", " + std::to_string(code) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_ReadyToDownload() { Log("Velto_ReadyToDownload() = 0"); return 0; }

EXPORT std::int32_t TAVRIN_STDCALL Velto_RequestSense(std::uint8_t* record, void* buffer)
{
    std::vector<std::uint8_t> sense = HexBytes(TheWorld().Scenario(kSection, "sense", ""));
    sense.resize(20, 0);
    std::memcpy(buffer, sense.data(), 20);
    const int r = Answer("Velto_RequestSense", 0);
    Log("Velto_RequestSense(" + RecordName(record) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL Velto_PrinterStatus(std::uint8_t* record, void* buffer)
{
    std::vector<std::uint8_t> status = HexBytes(TheWorld().Scenario(kSection, "status", ""));
    status.resize(32, 0);
    std::memcpy(buffer, status.data(), 32);
    const int r = Answer("Velto_PrinterStatus", 0);
    Log("Velto_PrinterStatus(" + RecordName(record) + ") = " + std::to_string(r));
    return r;
}

#ifndef OMIT_Velto_SetAppTitle
EXPORT std::int32_t TAVRIN_STDCALL Velto_SetAppTitle(const char* title)
{
    Log(std::string("Velto_SetAppTitle(") + (title ? title : "null") + ") = 0");
    return 0;
}
#endif

#ifndef OMIT_Velto_StartPrint
EXPORT std::int32_t TAVRIN_STDCALL Velto_StartPrint() { Log("Velto_StartPrint() = 0"); return 0; }
#endif

// Each entry point as Velkit calls it.
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_Init);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_Destroy);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_PrinterIDEnum);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_PrinterAttach);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_PrinterClose);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_ICTransfer);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_ICEject);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_ICWait);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_ICTransmit);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_MagWait);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_MagPrepare);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_MagRead);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_MagEject);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_RequestSense);
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_PrinterStatus);
#ifndef OMIT_Velto_SetAppTitle
TESTBED_SAME_AS_SLOT(UsbModuleEntries, Velto_SetAppTitle);
#endif
