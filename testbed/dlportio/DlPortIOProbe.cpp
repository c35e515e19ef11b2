// dlportio-probe: the real libdlportio.so, linked as an application links
// it, driven by the command line. The kernel's ppdev driver is stood in by
// FakePpdev.cpp in the same process.
//
//   dlportio-probe "r 0x379" "w 0x37A 0x0F" "run rmdir /some/dir"
//
// Output: first "library <path>" (the file the register calls came from),
// then one line per step: "r 0x379 = 0xD8", "w 0x37A 0x0F", "run = <status>".
#include "dlportio/DlPortIO.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

int main(int argc, char** argv)
{
    Dl_info info {};
    const bool found = ::dladdr(reinterpret_cast<void*>(&DlPortReadPortUchar), &info) != 0 && info.dli_fname;
    std::printf("library %s\n", found ? info.dli_fname : "unknown");
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        if (step.rfind("run ", 0) == 0) {
            std::fflush(stdout);
            std::printf("run = %d\n", std::system(step.c_str() + 4));
        } else if (step.rfind("r ", 0) == 0) {
            const auto port = static_cast<std::uint32_t>(std::strtoul(step.c_str() + 2, nullptr, 0));
            std::printf("%s = 0x%02X\n", step.c_str(), DlPortReadPortUchar(port));
        } else if (step.rfind("w ", 0) == 0) {
            char* end = nullptr;
            const auto port = static_cast<std::uint32_t>(std::strtoul(step.c_str() + 2, &end, 0));
            const auto value = static_cast<std::uint8_t>(std::strtoul(end, nullptr, 0));
            DlPortWritePortUchar(port, value);
            std::printf("%s\n", step.c_str());
        } else {
            std::printf("%s = unknown step\n", step.c_str());
            return 2;
        }
        std::fflush(stdout);
    }
    return 0;
}
