// aspi-probe LIBRARY: loads an ASPI layer with dlopen and asks what a
// caller asks first: the support information, the host adapter inquiry
// twice, and INQUIRY on adapter 0, target 0. One line each on standard
// output; whatever the layer says itself goes to standard error.
// Exit status 0, or 2 when the layer or an entry point cannot be loaded.
#include "aspi/wnaspi32.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: aspi-probe LIBRARY\n");
        return 2;
    }
    void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "aspi-probe: %s\n", dlerror());
        return 2;
    }
    auto send = reinterpret_cast<SendASPI32CommandFn>(dlsym(lib, "SendASPI32Command"));
    auto info = reinterpret_cast<GetASPI32SupportInfoFn>(dlsym(lib, "GetASPI32SupportInfo"));
    if (!send || !info) return 2;
    std::printf("SupportInfo = %04X\n", static_cast<unsigned>(info()));
    for (int i = 0; i < 2; ++i) {
        SRB_HAInquiry srb {};
        srb.SRB_Cmd = SC_HA_INQUIRY;
        const unsigned r = send(&srb);
        std::printf("HA_INQUIRY = %02X count %u\n", r, static_cast<unsigned>(srb.HA_Count));
    }
    SRB_ExecSCSICmd exec {};
    unsigned char buf[36] = {};
    const unsigned char cdb[6] = {0x12, 0, 0, 0, 36, 0};
    exec.SRB_Cmd = SC_EXEC_SCSI_CMD;
    exec.SRB_Flags = SRB_DIR_IN;
    exec.SRB_BufLen = sizeof buf;
    exec.SRB_BufPointer = buf;
    exec.SRB_SenseLen = SENSE_LEN;
    exec.SRB_CDBLen = sizeof cdb;
    std::memcpy(exec.CDBByte, cdb, sizeof cdb);
    std::printf("INQUIRY 0:0 = %02X\n", static_cast<unsigned>(send(&exec)));
    dlclose(lib);
    return 0;
}
