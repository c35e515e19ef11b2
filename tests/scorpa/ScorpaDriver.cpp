// scorpa-driver: loads libscorpa.so from its own directory with dlopen, as
// the program does, and calls its exports in the order given:
//
//   scorpa-driver CALL...      CALL = Name[:arg[:arg...]]
//
// One line per call on standard output: "Name = R", where R is the one-byte
// result (0 or 1) or "-" for an export without result; exports that fill a
// buffer add the text in quotes (SCSIPrinterInfo: the 40 bytes in hex).
// SCSIReadEncode's buffer starts as "untouched", so a failed read shows it.
// SCSIGetLastErrorText[:size] gives a buffer of size bytes (default 512).
// Mapped:NAME is no export: it prints 1 when a library whose file name
// contains NAME is mapped into the process, else 0.
// Exit status: 0 when every call was made, 2 when the library or an export
// cannot be loaded, 64 for a call it does not know.
#include "scorpa/Scorpa.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

// fontconfig keeps a few blocks of its configuration parse unreachable for
// the life of the process; the sanitizer build is told that is not ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

void* gLib = nullptr;

template <typename Fn>
Fn Get(const char* name)
{
    void* p = dlsym(gLib, name);
    if (!p) {
        std::fprintf(stderr, "scorpa-driver: missing export %s\n", name);
        std::exit(2);
    }
    return reinterpret_cast<Fn>(p);
}

std::vector<std::string> Split(const std::string& s)
{
    std::vector<std::string> parts(1);
    for (const char c : s) {
        if (c == ':') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

int Int(const std::vector<std::string>& a, std::size_t i) { return i < a.size() ? std::stoi(a[i], nullptr, 0) : 0; }
std::string Str(const std::vector<std::string>& a, std::size_t i) { return i < a.size() ? a[i] : std::string(); }

std::string ProgramDir()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string path(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    return path.substr(0, path.rfind('/') + 1);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string lib = ProgramDir() + "libscorpa.so";
    gLib = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!gLib) {
        std::fprintf(stderr, "scorpa-driver: %s\n", dlerror());
        return 2;
    }
    using BoolFn = ScorpaBool (*)();
    static const char* const kPlain[] = {"SCSIOpen", "SCSIReset", "SCSIPrintStart", "SCSIFlipTurn", "SCSIRotateDefault",
                                         "SCSIRotate90", "SCSIRotate270", "SCSISetOverlayImageArea",
                                         "SCSISetOverlayFullArea", "SCSISetOverlayClear", "SCSISetOverlayImageText",
                                         "SCSIEject", "SCSIErrorEject", "SCSISetRFProc", "SCSIRFEject", "SCSIRFErrEject",
                                         "SCSIRFFeedOut", "SCSISetHologram", "SCSIICLocate"};
    for (int i = 1; i < argc; ++i) {
        const auto a = Split(argv[i]);
        const std::string& name = a[0];
        std::string line = name + " = ";
        if (std::find(std::begin(kPlain), std::end(kPlain), name) != std::end(kPlain)) {
            line += std::to_string(Get<BoolFn>(name.c_str())());
        } else if (name == "SCSIClose" || name == "SCSIICRelease") {
            Get<void (*)()>(name.c_str())();
            line += "-";
        } else if (name == "SCSISetParallelMode") {
            Get<void (*)(ScorpaBool)>("SCSISetParallelMode")(static_cast<ScorpaBool>(Int(a, 1)));
            line += "-";
        } else if (name == "SCSISetOverlayNotArea") {
            const TScorpaRect r {Int(a, 1), Int(a, 2), Int(a, 3), Int(a, 4)};
            line += std::to_string(Get<ScorpaBool (*)(TScorpaRect)>("SCSISetOverlayNotArea")(r));
        } else if (name == "SCSITransEncodeData") {
            line += std::to_string(Get<ScorpaBool (*)(int32_t, const char*)>("SCSITransEncodeData")(Int(a, 1), Str(a, 2).c_str()));
        } else if (name == "SCSIReadEncode") {
            // The buffer is exactly as large as the header asks, with a guard after it.
            std::vector<char> buf(SCORPA_ENCODE_TEXT_SIZE + 8, '#');
            std::strcpy(buf.data(), "untouched");
            const ScorpaBool r = Get<ScorpaBool (*)(int32_t, char*)>("SCSIReadEncode")(Int(a, 1), buf.data());
            line += std::to_string(r) + " \"" + std::string(buf.data()) + "\"";
            if (std::string(buf.data() + SCORPA_ENCODE_TEXT_SIZE, 8) != "########") line += " OVERRUN";
        } else if (name == "SCSISetMemoryMode") {
            line += std::to_string(Get<ScorpaBool (*)(TVeltoMemoryMode)>("SCSISetMemoryMode")(static_cast<TVeltoMemoryMode>(Int(a, 1))));
        } else if (name == "SCSITransMonoImage" || name == "SCSITransColorImage") {
            line += std::to_string(Get<ScorpaBool (*)(int32_t, int32_t, const char*)>(name.c_str())(Int(a, 1), Int(a, 2), Str(a, 3).c_str()));
        } else if (name == "SCSIPrinterInfo") {
            unsigned char info[sizeof(TVeltoSystemInfo) + 4];
            std::memset(info, 0xEE, sizeof info);
            line += std::to_string(Get<ScorpaBool (*)(TVeltoSystemInfo*)>("SCSIPrinterInfo")(reinterpret_cast<TVeltoSystemInfo*>(info)));
            line += " \"";
            for (std::size_t k = 0; k < sizeof(TVeltoSystemInfo); ++k) {
                char hex[4];
                std::snprintf(hex, sizeof hex, k ? " %02X" : "%02X", info[k]);
                line += hex;
            }
            line += "\"";
            if (info[sizeof(TVeltoSystemInfo)] != 0xEE) line += " OVERRUN";
        } else if (name == "SCSIGetProductName") {
            std::vector<char> buf(SCORPA_PRODUCT_NAME_SIZE + 8, '#');
            const ScorpaBool r = Get<ScorpaBool (*)(char*)>("SCSIGetProductName")(buf.data());
            line += std::to_string(r) + " \"" + std::string(buf.data()) + "\"";
            if (std::string(buf.data() + SCORPA_PRODUCT_NAME_SIZE, 8) != "########") line += " OVERRUN";
        } else if (name == "SCSIRFText") {
            using Fn = ScorpaBool (*)(const char*, int32_t, int32_t, const char*, int32_t, int32_t, int32_t, ScorpaBool, int32_t);
            line += std::to_string(Get<Fn>("SCSIRFText")(Str(a, 1).c_str(), Int(a, 2), Int(a, 3), Str(a, 4).c_str(), Int(a, 5),
                                                         Int(a, 6), Int(a, 7), static_cast<ScorpaBool>(Int(a, 8)), Int(a, 9)));
        } else if (name == "SCSIGetLastErrorText") {
            const int size = a.size() > 1 ? Int(a, 1) : 512;
            std::vector<char> buf(static_cast<std::size_t>(std::max(size, 0)) + 8, '#');
            const ScorpaBool r = Get<ScorpaBool (*)(char*, int32_t)>("SCSIGetLastErrorText")(buf.data(), size);
            const std::size_t used = static_cast<std::size_t>(std::max(size, 0));
            line += std::to_string(r) + " \"" + (size > 0 ? std::string(buf.data()) : std::string()) + "\"";
            if (std::string(buf.data() + used, 8) != "########") line += " OVERRUN";
        } else if (name == "Mapped") {
            std::ifstream maps("/proc/self/maps");
            bool found = false;
            for (std::string l; std::getline(maps, l);) found = found || l.find(Str(a, 1)) != std::string::npos;
            line += found ? "1" : "0";
        } else if (name == "SCSIICContact") {
            line += std::to_string(Get<ScorpaBool (*)(const char*)>("SCSIICContact")(Str(a, 1).c_str()));
        } else {
            std::fprintf(stderr, "scorpa-driver: unknown call %s\n", name.c_str());
            return 64;
        }
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    // Like the program, which binds the library at load time, the driver
    // leaves it loaded: its exit code runs when the process ends.
    return 0;
}
