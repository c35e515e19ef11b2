// Stand-in for the vendor's SCSI port module (VeltoSIO.dll, here
// libveltosio.so): a scriptable list of Velto printers on SCSI numbers.
//
// scenario.ini, section [veltosio]:
//   devices=2,5      SCSI numbers of the enumerated devices, in array order
//                    (default 2; empty: none)
//   type=5100        device type code (per device: type.1=... by index)
//   kind=2           IC station kind (kind.N per device)
//   flags=0x08       hardware flags byte (flags.N per device)
//   status=05 81 30  the 32 status bytes (missing bytes are 0)
//   sense=...        the 20 sense bytes
//   ready=N          the IC status call reports ready from its Nth call on
//                    (default 1; 0: never)
//   reply=50 01      the chip station's reply (default 50)
//   replylen=N       the reply length the status call reports
//   <Entry>=N        the answer of an entry point (VeltoICEject=1, ...);
//                    without one, card movements ask the virtual printer,
//                    VeltoICWait and VeltoMagWait answer 1, the rest 0
// calls.log: "veltosio: VeltoICEject(#0 SCSI2, 4) = 0", the device named by
// its array index and SCSI number.
#include "StandIn.h"
#include "PortModules.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace testbed;
using namespace testbed::velto;

namespace {

constexpr std::size_t kStride = 113;
const char* const kSection = "veltosio";

World TheWorld() { return World::FromEnvironment(); }

// The arrays this module handed out, to name devices by index.
struct Issued {
    std::uint8_t* base = nullptr;
    int count = 0;
};
std::vector<Issued>& IssuedArrays()
{
    static std::vector<Issued> arrays;
    return arrays;
}

std::string DeviceName(const std::uint8_t* device)
{
    for (const auto& a : IssuedArrays()) {
        if (device >= a.base && device < a.base + std::size_t(a.count) * kStride &&
            (device - a.base) % std::ptrdiff_t(kStride) == 0) {
            std::int32_t number;
            std::memcpy(&number, device + 8, 4);
            return "#" + std::to_string((device - a.base) / std::ptrdiff_t(kStride)) + " SCSI" + std::to_string(number);
        }
    }
    return "unknown device";
}

void Log(const std::string& text) { TheWorld().Log("veltosio", text); }

int PerDevice(const World& w, const char* key, int index, int def)
{
    return w.ScenarioInt(kSection, std::string(key) + "." + std::to_string(index), w.ScenarioInt(kSection, key, def));
}

int Answer(const char* entry, int def) { return Result(TheWorld(), kSection, entry, def); }

int g_statusCalls = 0;

} // namespace

#define EXPORT TESTBED_EXPORT

// Loading and unloading show in the log as "module: libveltosio.so loaded/unloaded",
// so a test can see when the library really left the process.
TESTBED_LOG_MODULE_LIFETIME("libveltosio.so")

EXPORT std::int32_t TAVRIN_STDCALL VeltoOpen(std::uint8_t** devices)
{
    const World w = TheWorld();
    const std::vector<int> numbers = IntList(w.Scenario(kSection, "devices", "2"));
    const int count = static_cast<int>(numbers.size());
    std::uint8_t* array = nullptr;
    if (count > 0) {
        array = new std::uint8_t[std::size_t(count) * kStride];
        // Fill what Velkit must not read with a pattern, so a wrong offset
        // shows up as a wrong value rather than a lucky zero.
        std::memset(array, 0xA5, std::size_t(count) * kStride);
        for (int i = 0; i < count; ++i) {
            std::uint8_t* d = array + std::size_t(i) * kStride;
            const std::int32_t number = numbers[std::size_t(i)];
            const std::int32_t type = PerDevice(w, "type", i, 0);
            const std::int32_t kind = PerDevice(w, "kind", i, 2);
            std::memcpy(d + 8, &number, 4);
            std::memcpy(d + 84, &type, 4);
            std::memcpy(d + 92, &kind, 4);
            d[112] = static_cast<std::uint8_t>(PerDevice(w, "flags", i, 0x08));
        }
        IssuedArrays().push_back({array, count});
    }
    *devices = array;
    Log("VeltoOpen() = " + std::to_string(count));
    return count;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoClose(std::int32_t count, std::uint8_t* devices)
{
    auto& arrays = IssuedArrays();
    bool known = false;
    for (auto it = arrays.begin(); it != arrays.end(); ++it) {
        if (it->base == devices) {
            known = it->count == count;
            arrays.erase(it);
            break;
        }
    }
    if (known) delete[] devices;
    Log("VeltoClose(" + std::to_string(count) + ") = " + (known ? "0" : "1 (not an array of this module)"));
    return known ? 0 : 1;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoICEject(std::uint8_t* device, std::int32_t code)
{
    Stamp(TheWorld(), "veltosio", "VeltoICEject");
    const int r = Answer("VeltoICEject", -1000);
    const int result = r != -1000 ? r : MoveCard(TheWorld(), code);
    Log("VeltoICEject(" + DeviceName(device) + ", " + std::to_string(code) + ") = " + std::to_string(result));
    return result;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoICWait(std::uint8_t* device, std::int32_t limit)
{
    const int r = Answer("VeltoICWait", 1);
    Log("VeltoICWait(" + DeviceName(device) + ", " + std::to_string(limit) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoICTransmit(std::uint8_t* device, std::int32_t length, const void* data)
{
    const int r = Answer("VeltoICTransmit", 0);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    Log("VeltoICTransmit(" + DeviceName(device) + ", " + std::to_string(length) + ", " +
        Hex({bytes, length > 0 ? std::size_t(length) : 0}) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoICStatus(std::uint8_t* device, std::int32_t* ready, std::int32_t* length)
{
    const World w = TheWorld();
    ++g_statusCalls;
    const int readyFrom = w.ScenarioInt(kSection, "ready", 1);
    const std::vector<std::uint8_t> reply = HexBytes(w.Scenario(kSection, "reply", "50"));
    *ready = (readyFrom > 0 && g_statusCalls >= readyFrom) ? 1 : 0;
    *length = w.ScenarioInt(kSection, "replylen", static_cast<int>(reply.size()));
    const int r = Answer("VeltoICStatus", 0);
    Log("VeltoICStatus(" + DeviceName(device) + ") = " + std::to_string(r) + " ready " + std::to_string(*ready) +
        " length " + std::to_string(*length));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoICReceive(std::uint8_t* device, std::int32_t length, void* buffer)
{
    const std::vector<std::uint8_t> reply = HexBytes(TheWorld().Scenario(kSection, "reply", "50"));
    const std::size_t n = length > 0 ? std::min(std::size_t(length), reply.size()) : 0;
    if (n) std::memcpy(buffer, reply.data(), n);
    const int r = Answer("VeltoICReceive", 0);
    Log("VeltoICReceive(" + DeviceName(device) + ", " + std::to_string(length) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoMagWait(std::uint8_t* device, std::int32_t limit)
{
    const int r = Answer("VeltoMagWait", 1);
    Log("VeltoMagWait(" + DeviceName(device) + ", " + std::to_string(limit) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoMagPrepare(std::uint8_t* device, std::int32_t mode)
{
    const int r = Answer("VeltoMagPrepare", 0);
    Log("VeltoMagPrepare(" + DeviceName(device) + ", " + std::to_string(mode) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoMagRead(std::uint8_t* device, std::intptr_t a, std::intptr_t b, std::intptr_t c)
{
    const int r = Answer("VeltoMagRead", 0);
    Log("VeltoMagRead(" + DeviceName(device) + ", " + std::to_string(a) + ", " + std::to_string(b) + ", " +
        std::to_string(c) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoMagEject(std::uint8_t* device, std::int32_t code)
{
    const int r = Answer("VeltoMagEject", 0);
    Log("VeltoMagEject(" + DeviceName(device) + ", " + std::to_string(code) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoReadyToDownload(std::uint8_t* device)
{
    Log("VeltoReadyToDownload(" + DeviceName(device) + ") = 0");
    return 0;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoRequestSense(std::uint8_t* device, void* buffer)
{
    std::vector<std::uint8_t> sense = HexBytes(TheWorld().Scenario(kSection, "sense", ""));
    sense.resize(20, 0);
    std::memcpy(buffer, sense.data(), 20);
    const int r = Answer("VeltoRequestSense", 0);
    Log("VeltoRequestSense(" + DeviceName(device) + ") = " + std::to_string(r));
    return r;
}

EXPORT std::int32_t TAVRIN_STDCALL VeltoPrinterStatus(std::uint8_t* device, void* buffer)
{
    std::vector<std::uint8_t> status = HexBytes(TheWorld().Scenario(kSection, "status", ""));
    status.resize(32, 0);
    std::memcpy(buffer, status.data(), 32);
    const int r = Answer("VeltoPrinterStatus", 0);
    Log("VeltoPrinterStatus(" + DeviceName(device) + ") = " + std::to_string(r));
    return r;
}

#ifndef OMIT_VeltoStartPrint
EXPORT std::int32_t TAVRIN_STDCALL VeltoStartPrint(std::uint8_t* device)
{
    Log("VeltoStartPrint(" + DeviceName(device) + ") = 0");
    return 0;
}
#endif

// Each entry point as Velkit calls it.
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoOpen);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoClose);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoICEject);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoICWait);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoICTransmit);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoICStatus);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoICReceive);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoMagWait);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoMagPrepare);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoMagRead);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoMagEject);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoRequestSense);
TESTBED_SAME_AS_SLOT(ScsiModuleEntries, VeltoPrinterStatus);
