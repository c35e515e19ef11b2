/* An ASPI layer (libwnaspi32.so) for the image bench: one Velto printer at
 * adapter 0, target 0, that completes every request inside the call, is
 * always ready and takes any PRINT. It costs the host nothing beyond the
 * call itself, so what the bench measures is Scorpa's own work. */
#include "aspi/wnaspi32.h"

#include <string.h>

#define EXPORT __attribute__((visibility("default")))

/* Bytes of image and command data taken, for the bench to read back. */
EXPORT uint64_t InstantAspiBytesPrinted = 0;
EXPORT uint64_t InstantAspiPrints = 0;

static void Answer(SRB_ExecSCSICmd* srb, const uint8_t* data, size_t n)
{
    if (n > srb->SRB_BufLen) n = srb->SRB_BufLen;
    memcpy(srb->SRB_BufPointer, data, n);
}

EXPORT uint32_t SendASPI32Command(void* block)
{
    uint8_t* b = (uint8_t*)block;
    if (b[0] == SC_HA_INQUIRY) {
        SRB_HAInquiry* srb = (SRB_HAInquiry*)block;
        srb->HA_Count = 1;
        srb->HA_SCSI_ID = 7;
        srb->SRB_Status = SS_COMP;
        return SS_COMP;
    }
    if (b[0] != SC_EXEC_SCSI_CMD) {
        b[1] = SS_COMP;
        return SS_COMP;
    }
    SRB_ExecSCSICmd* srb = (SRB_ExecSCSICmd*)block;
    if (srb->SRB_HaId != 0 || srb->SRB_Target != 0) {
        srb->SRB_Status = SS_NO_DEVICE;
        return SS_NO_DEVICE;
    }
    switch (srb->CDBByte[0]) {
    case 0x12: { /* INQUIRY */
        uint8_t inq[36];
        memset(inq, ' ', sizeof inq);
        memcpy(inq + 8, "VELTO", 5);
        memcpy(inq + 16, "BENCH", 5);
        memcpy(inq + 32, "1.0 ", 4);
        Answer(srb, inq, sizeof inq);
        break;
    }
    case 0xC0: { /* system information: 1016 x 646 image dots (+34) */
        const uint8_t info[20] = {0xC8, 0, 0x01, 0, 0, 0, 0, 0, 0x03, 0xF8, 0x02, 0x86,
                                  0x03, 0xF8, 0x02, 0x86, 0x03, 0xF8, 0x02, 0x86};
        Answer(srb, info, sizeof info);
        break;
    }
    case 0xC1: { /* status page: interface and machine ready */
        uint8_t page[32] = {0x11};
        Answer(srb, page, sizeof page);
        break;
    }
    case 0x03: { /* request sense: nothing to report */
        uint8_t sense[20] = {0x70};
        Answer(srb, sense, sizeof sense);
        break;
    }
    case 0x0A: /* PRINT */
        InstantAspiBytesPrinted += ((uint32_t)srb->CDBByte[2] << 16) | ((uint32_t)srb->CDBByte[3] << 8) | srb->CDBByte[4];
        ++InstantAspiPrints;
        break;
    default: {
        uint8_t none[256] = {0};
        Answer(srb, none, sizeof none);
        break;
    }
    }
    srb->SRB_Status = SS_COMP;
    return SS_COMP;
}

EXPORT uint32_t GetASPI32SupportInfo(void) { return (SS_COMP << 8) | 1; }
