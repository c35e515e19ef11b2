// velkit-probe: loads libvelkit.so from its own directory, as an application
// would, and calls its exports in the order the command line gives.
//
//   velkit-probe "OpenA Velto_USB" "PrinterSetMode H 1" "EncodeTransfer H" "Close H"
//
// Each argument is one step: an export's name without the "Velkit_" prefix,
// then its arguments. Argument tokens:
//   H          the handle of the last OpenA/OpenW      NULL, 0   a null pointer
//   H1, H2...  the first, second... handle this run opened (several at once)
//   BAD        a record whose first word is not the magic
//   OUT        an out variable (printed after the result)
//   DC         the device context of the last CreateDCA/CreateDCW
//   JUNK       a pointer that is not a device context
//   DM:e:v[:f] a settings record with e private bytes (0xEE each), driver
//              version v and dmFields f (default 0)
//   AREA[:a,b,c,d]  four 32-bit values (default -12345 each; printed after)
//   P-args     of the encoder commands: s:TEXT (a writable copy) or BUF
//   s:TEXT     a string          rep:N:C  N copies of the character C
//   x:HEX      bytes             BUF      a 512-byte buffer (its first
//                                         bytes are printed after)
//   numbers    decimal
// Besides the exports: "Run <command>" runs a shell command; "Record o n"
// prints n private bytes of the last DM record from offset o, in hex.
// Output, one line per step: "<Name> = <result>[ <out>...] ms=<elapsed>".
// Each step is also written to the world's call log as "probe: <step>", and
// its begin and end as "clock: probe begin|end <index> <tick>" (the
// monotonic millisecond tick the module stand-ins stamp their calls with).
#include "Testbed.h"
#include "platform/Clock.h"
#include "platform/DynamicLibrary.h"
#include "platform/WideText.h"
#include "velkit/Velkit.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

platform::DynamicLibrary* g_velkit = nullptr;
VelkitHandle* g_handle = nullptr;
std::vector<VelkitHandle*> g_handles;  // every handle opened, in order
HDC g_dc = nullptr;
std::uint32_t g_badRecord[64] = {0x87654321u};
// Storage that outlives the step it was made for (adopted records, strings).
std::deque<std::vector<std::uint8_t>> g_keep;
// The last DM record made and the size of its public part.
std::vector<std::uint8_t>* g_lastRecord = nullptr;
std::size_t g_lastRecordPublic = 0;

template <typename Fn>
Fn Export(const std::string& name)
{
    auto fn = g_velkit->Function<Fn>("Velkit_" + name);
    if (!fn) {
        std::printf("%s = missing export\n", name.c_str());
        std::exit(3);
    }
    return fn;
}

struct Step {
    std::string name;
    std::vector<std::string> args;
    std::vector<std::int32_t> outs;       // OUT variables, in order
    std::vector<std::uint8_t*> buffers;   // BUF buffers, in order
    std::string shown;                    // extra text for the line

    const std::string& Arg(std::size_t i) const
    {
        static const std::string none = "NULL";
        return i < args.size() ? args[i] : none;
    }

    VelkitHandle* Handle(std::size_t i)
    {
        const std::string& a = Arg(i);
        if (a == "H") return g_handle;
        if (a.size() > 1 && a[0] == 'H' && a.find_first_not_of("0123456789", 1) == std::string::npos) {
            const std::size_t n = std::stoul(a.substr(1));
            return n >= 1 && n <= g_handles.size() ? g_handles[n - 1] : nullptr;
        }
        if (a == "BAD") return reinterpret_cast<VelkitHandle*>(g_badRecord);
        return nullptr;
    }

    std::int32_t Int(std::size_t i) { return static_cast<std::int32_t>(std::strtol(Arg(i).c_str(), nullptr, 0)); }

    std::int32_t* Out(std::size_t i)
    {
        if (Arg(i) != "OUT") return nullptr;
        outs.reserve(16);
        outs.push_back(-12345);
        return &outs.back();
    }

    std::int32_t* Area(std::size_t i)
    {
        const std::string& a = Arg(i);
        if (a.rfind("AREA", 0) != 0) return nullptr;
        outs.reserve(16);
        const std::size_t first = outs.size();
        std::int32_t v[4] = {-12345, -12345, -12345, -12345};
        if (a.size() > 5) std::sscanf(a.c_str() + 5, "%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3]);
        for (const auto x : v) outs.push_back(x);
        return &outs[first];
    }

    void* Ptr(std::size_t i)
    {
        if (Arg(i) == "BUF") return Buffer(i);
        return const_cast<char*>(Text(i));
    }

    HDC Dc(std::size_t i)
    {
        const std::string& a = Arg(i);
        if (a == "DC") return g_dc;
        if (a == "JUNK") return reinterpret_cast<HDC>(g_badRecord + 8);
        return nullptr;
    }

    template <typename DevMode>
    DevMode* Settings(std::size_t i)
    {
        const std::string& a = Arg(i);
        if (a.rfind("DM:", 0) != 0) return nullptr;
        unsigned long parts[3] = {0, 0, 0};
        const char* at = a.c_str() + 3;
        for (auto& part : parts) {
            char* end = nullptr;
            part = std::strtoul(at, &end, 0);
            if (*end != ':') break;
            at = end + 1;
        }
        const unsigned long extra = parts[0], version = parts[1], fields = parts[2];
        auto& bytes = g_keep.emplace_back(sizeof(DevMode) + extra, 0xEE);
        auto* dm = reinterpret_cast<DevMode*>(bytes.data());
        std::memset(dm, 0, sizeof(DevMode));
        dm->dmSize = sizeof(DevMode);
        dm->dmDriverExtra = static_cast<std::uint16_t>(extra);
        dm->dmDriverVersion = static_cast<std::uint16_t>(version);
        dm->dmFields = static_cast<std::uint32_t>(fields);
        g_lastRecord = &bytes;
        g_lastRecordPublic = sizeof(DevMode);
        return dm;
    }

    const char* Text(std::size_t i)
    {
        const std::string& a = Arg(i);
        std::string text;
        if (a.rfind("s:", 0) == 0) {
            text = a.substr(2);
        } else if (a.rfind("rep:", 0) == 0) {
            const auto colon = a.find(':', 4);
            text.assign(std::stoul(a.substr(4, colon - 4)), a.at(colon + 1));
        } else {
            return nullptr;
        }
        auto& bytes = g_keep.emplace_back(text.begin(), text.end());
        bytes.push_back(0);
        return reinterpret_cast<const char*>(bytes.data());
    }

    const void* Bytes(std::size_t i)
    {
        const std::string& a = Arg(i);
        if (a.rfind("x:", 0) != 0) return nullptr;
        auto& bytes = g_keep.emplace_back();
        for (std::size_t k = 2; k + 1 < a.size(); k += 2) bytes.push_back(std::uint8_t(std::stoul(a.substr(k, 2), nullptr, 16)));
        return bytes.data();
    }

    void* Buffer(std::size_t i)
    {
        if (Arg(i) != "BUF") return nullptr;
        auto& bytes = g_keep.emplace_back(512, 0);
        buffers.push_back(bytes.data());
        return bytes.data();
    }
};

using Runner = std::function<std::string(Step&)>;

std::string Code(std::int32_t r) { return std::to_string(r); }

// An argument of an export, made from its token by the parameter's type.
// A void* is a device context ("DC", "JUNK"), a buffer ("BUF") or a string.
template <typename T>
T Arg(Step& s, std::size_t i)
{
    using Pointee = std::remove_const_t<std::remove_pointer_t<T>>;
    if constexpr (std::is_same_v<T, VelkitHandle*>) {
        return s.Handle(i);
    } else if constexpr (std::is_integral_v<T>) {
        return static_cast<T>(s.Int(i));
    } else if constexpr (std::is_same_v<Pointee, std::int32_t>) {
        return s.Arg(i).rfind("AREA", 0) == 0 ? s.Area(i) : s.Out(i);
    } else if constexpr (std::is_same_v<T, void*>) {
        const std::string& a = s.Arg(i);
        if (a == "DC" || a == "JUNK") return s.Dc(i);
        return s.Ptr(i);
    } else if constexpr (std::is_same_v<T, const void*>) {
        return s.Bytes(i);
    } else if constexpr (std::is_same_v<T, const char*>) {
        return s.Text(i);
    } else {
        static_assert(std::is_same_v<Pointee, DEVMODEA> || std::is_same_v<Pointee, DEVMODEW>);
        return s.Settings<Pointee>(i);
    }
}

template <typename... A, std::size_t... I>
std::string CallWith(Step& s, int32_t (*fn)(A...), std::index_sequence<I...>)
{
    // A braced list makes the arguments in order, so OUT values print in order.
    std::tuple<A...> args {Arg<A>(s, I)...};
    return Code(std::apply(fn, args));
}

// Registers the export Velkit_<name> taking A... and returning a code.
template <typename... A>
void Add(std::map<std::string, Runner>& m, const std::string& name)
{
    m[name] = [name](Step& s) { return CallWith(s, Export<int32_t (*)(A...)>(name), std::index_sequence_for<A...> {}); };
}

template <typename... A>
void AddAll(std::map<std::string, Runner>& m, std::initializer_list<const char*> names)
{
    for (const char* name : names) Add<A...>(m, name);
}

std::map<std::string, Runner> Runners()
{
    using H = VelkitHandle*;
    using I = std::int32_t;
    std::map<std::string, Runner> m;
    m["OpenA"] = [](Step& s) {
        const std::string& a = s.Arg(0);
        const char* name = a == "NULL" ? nullptr : (s.Text(0) ? s.Text(0) : a.c_str());
        g_handle = Export<H (*)(int32_t, const char*)>("OpenA")(3, name);
        g_handles.push_back(g_handle);
        return std::string(g_handle ? "handle" : "null");
    };
    m["OpenW"] = [](Step& s) {
        const std::string& a = s.Arg(0);
        const char* narrow = a == "NULL" ? nullptr : (s.Text(0) ? s.Text(0) : a.c_str());
        const std::u16string wide = narrow ? platform::NarrowToWide(narrow) : std::u16string();
        g_handle = Export<H (*)(int32_t, const char16_t*)>("OpenW")(3, narrow ? wide.c_str() : nullptr);
        g_handles.push_back(g_handle);
        return std::string(g_handle ? "handle" : "null");
    };
    m["CreateDCA"] = [](Step& s) {
        g_dc = Export<HDC (*)(const char*, const DEVMODEA*)>("CreateDCA")(s.Arg(0).c_str(), s.Settings<DEVMODEA>(1));
        return std::string(g_dc ? "dc" : "null");
    };
    m["CreateDCW"] = [](Step& s) {
        const std::u16string wide = platform::NarrowToWide(s.Arg(0));
        g_dc = Export<HDC (*)(const char16_t*, const DEVMODEW*)>("CreateDCW")(wide.c_str(), s.Settings<DEVMODEW>(1));
        return std::string(g_dc ? "dc" : "null");
    };
    // Exports whose out value prints in hexadecimal.
    auto hexOut = [](const char* name, auto value, const char* format) {
        return [name, value, format](Step& s) {
            auto v = value;
            const bool out = s.Arg(1) == "OUT";
            const int32_t r = Export<int32_t (*)(H, decltype(v)*)>(name)(s.Handle(0), out ? &v : nullptr);
            if (out) {
                char text[16];
                std::snprintf(text, sizeof text, format, static_cast<unsigned>(v));
                s.shown = text;
            }
            return Code(r);
        };
    };
    m["DriverVersion"] = hexOut("DriverVersion", std::uint16_t {0xFFFF}, " 0x%04X");
    m["PrinterGetHardware"] = hexOut("PrinterGetHardware", std::uint32_t {0xDEADBEEF}, " 0x%08X");
    m["PrinterStatus"] = hexOut("PrinterStatus", std::uint32_t {0xDEADBEEF}, " 0x%08X");

    // The printer handle, the document and the encoding station.
    Add<HDC>(m, "DeleteDC");
    Add<H, HDC, DEVMODEA*>(m, "DocAttachA");
    Add<H, HDC, DEVMODEW*>(m, "DocAttachW");
    AddAll<H>(m, {"Close", "DocDetach", "EncodeICRequest", "EncodeRequest", "EncodeICTransfer", "EncodeTransfer",
                  "EncodeICWait", "EncodeWait"});
    AddAll<H, I>(m, {"PrinterSetMode", "EncodeICEject", "EncodeEject", "EncodeICMoveContacts", "EncodeMGRead",
                     "EncodeMGRelease"});
    Add<H, I*>(m, "PrinterGetMode");
    AddAll<H, I, I*>(m, {"EncodeICPosition", "EncodePosition"});
    Add<H, I, const void*>(m, "EncodeICTransmit");
    Add<H, I*, I*>(m, "EncodeICStatus");
    Add<H, I, void*>(m, "EncodeICReceive");
    Add<H, void*, I>(m, "EncodeICComplete");
    Add<H, I, I, const char*>(m, "EncodeMGWrite");
    Add<H, I, I, I, I, I, const char*>(m, "EncodeMGWriteArbitrary");
    Add<H, intptr_t, intptr_t, intptr_t>(m, "EncodeMGGetTrack");

    // Document and page settings.
    AddAll<H, I>(m, {"DocSetDuplex", "DocSetCopies", "DocSetFlipBeforePrint", "DocSetEjectSideUp",
                     "PageSetOrientation", "PageSetLaminateLast", "PageSetUVColor"});
    AddAll<H, I*>(m, {"DocGetDuplex", "DocGetCopies", "DocGetFlipBeforePrint", "DocGetEjectSideUp",
                      "PageGetOrientation", "PageGetLaminateLast", "PageGetUVColor"});
    for (const char* what : {"ColorMode", "DitherMethod", "DitherIntensity", "GrayscaleIntensity", "OverlayMode",
                             "LaminateMode", "UVMode", "Rotate180"}) {
        Add<H, I, I>(m, std::string("PageSet") + what);
        Add<H, I, I*>(m, std::string("PageGet") + what);
    }
    Add<H, I, I, I>(m, "PageSetResinUsage");
    Add<H, I, I, I*>(m, "PageGetResinUsage");
    for (const char* what : {"PrintableArea", "NonprintableArea"}) {
        Add<H, I, const I*>(m, std::string("PageSetOverlay") + what);
        Add<H, I, I*>(m, std::string("PageGetOverlay") + what);
    }

    // Contactless encoder modules.
    for (const std::string family : {"HID24", "Mifare24", "ICLASS24"}) {
        Add<H, I, I>(m, family + "_Open");
        Add<H>(m, family + "_Close");
    }
    AddAll<H>(m, {"HID24_Reset", "Mifare24_Reset"});
    AddAll<H, void*>(m, {"HID24_GetFirmwareVersion", "HID24_Read", "HID24_Read26Bits"});
    Add<H, void*, void*>(m, "Mifare24_GetCardID");
    Add<H, void*, I, I, void*>(m, "Mifare24_Logon");
    AddAll<H, void*, I, void*>(m, {"Mifare24_Read", "Mifare24_Write", "Mifare24_ReadValue"});
    AddAll<H, I, I, void*, void*>(m, {"Mifare24_WriteValue", "Mifare24_Increment", "Mifare24_Decrement", "Mifare24_Copy"});
    Add<H, void*, void*, void*, void*>(m, "ICLASS24_SendCommand");
    Add<H, I, void*, void*, void*, void*, void*>(m, "ICLASS24_GenerateLoadKeyAndCheckSum");
    AddAll<H, void*, void*, void*>(m, {"ICLASS24_EncryptDes", "ICLASS24_DecryptDes"});
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    std::string why;
    auto velkit = platform::DynamicLibrary::Load("libvelkit.so", &why);
    if (!velkit) {
        std::printf("libvelkit.so cannot be loaded: %s\n", why.c_str());
        return 2;
    }
    g_velkit = &*velkit;
    const testbed::World world = testbed::World::FromEnvironment();
    const auto runners = Runners();
    for (int i = 1; i < argc; ++i) {
        Step step;
        std::istringstream in(argv[i]);
        in >> step.name;
        world.Log("probe", argv[i]);
        world.Log("clock", "probe begin " + std::to_string(i - 1) + " " + std::to_string(platform::GetTickCount()));
        const auto start = std::chrono::steady_clock::now();
        std::string result;
        if (step.name == "Record") {
            std::size_t offset = 0, count = 0;
            in >> offset >> count;
            if (!g_lastRecord || g_lastRecordPublic + offset + count > g_lastRecord->size()) {
                result = "none";
            } else {
                result = testbed::Hex({g_lastRecord->data() + g_lastRecordPublic + offset, count});
            }
        } else if (step.name == "Run") {
            const std::string command = std::string(argv[i]).substr(4);
            result = std::to_string(std::system(command.c_str()));
        } else {
            for (std::string token; in >> token;) step.args.push_back(token);
            const auto it = runners.find(step.name);
            if (it == runners.end()) {
                std::printf("%s = unknown step\n", step.name.c_str());
                return 2;
            }
            result = it->second(step);
        }
        world.Log("clock", "probe end " + std::to_string(i - 1) + " " + std::to_string(platform::GetTickCount()));
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::string line = step.name + " = " + result;
        for (const auto v : step.outs) line += " " + std::to_string(v);
        line += step.shown;
        for (const auto* b : step.buffers) line += " " + testbed::Hex({b, 4});
        std::printf("%s ms=%lld\n", line.c_str(), static_cast<long long>(ms.count()));
        std::fflush(stdout);
    }
    return 0;
}
