#pragma once
/* The ASPI for Win32 request blocks, as published, for the Linux ASPI layer
 * (libwnaspi32.so), its callers and the testbed's simulated bus.
 *
 * Fields keep their published names and order, packed to one byte. Pointer
 * fields are pointer-sized, so on a 64-bit build the blocks grow by the extra
 * pointer bytes (the offsets are checked below for both sizes).
 *
 * SRB_Status is written by the layer while the caller may be polling it; a
 * caller must read it afresh every time (it is 0, SS_PENDING, until the
 * request is done). */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Request codes */
#define SC_HA_INQUIRY     0x00
#define SC_GET_DEV_TYPE   0x01
#define SC_EXEC_SCSI_CMD  0x02
#define SC_ABORT_SRB      0x03
#define SC_RESET_DEV      0x04

/* SRB_Status */
#define SS_PENDING        0x00
#define SS_COMP           0x01
#define SS_ABORTED        0x02
#define SS_ABORT_FAIL     0x03
#define SS_ERR            0x04
#define SS_INVALID_CMD    0x80
#define SS_INVALID_HA     0x81
#define SS_NO_DEVICE      0x82
#define SS_INVALID_SRB    0xE0
#define SS_NO_ASPI        0xE3
#define SS_NO_ADAPTERS    0xE8

/* SRB_Flags */
#define SRB_POSTING       0x01
#define SRB_ENABLE_RESIDUAL_COUNT 0x04
#define SRB_DIR_IN        0x08
#define SRB_DIR_OUT       0x10
#define SRB_EVENT_NOTIFY  0x40

/* SRB_HaStat */
#define HASTAT_OK         0x00
#define HASTAT_TIMEOUT    0x09
#define HASTAT_COMMAND_TIMEOUT 0x0B
#define HASTAT_MESSAGE_REJECT 0x0D
#define HASTAT_BUS_RESET  0x0E
#define HASTAT_PARITY_ERROR 0x0F
#define HASTAT_REQUEST_SENSE_FAILED 0x10
#define HASTAT_SEL_TO     0x11
#define HASTAT_DO_DU      0x12
#define HASTAT_BUS_FREE   0x13
#define HASTAT_PHASE_ERR  0x14

#define SENSE_LEN         14

#pragma pack(push, 1)

typedef struct {
    uint8_t  SRB_Cmd;
    uint8_t  SRB_Status;
    uint8_t  SRB_HaId;
    uint8_t  SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
} SRB_Header;

typedef struct {
    uint8_t  SRB_Cmd;          /* SC_HA_INQUIRY */
    uint8_t  SRB_Status;
    uint8_t  SRB_HaId;
    uint8_t  SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t  HA_Count;         /* number of host adapters */
    uint8_t  HA_SCSI_ID;       /* the adapter's own SCSI ID */
    uint8_t  HA_ManagerId[16];
    uint8_t  HA_Identifier[16];
    uint8_t  HA_Unique[16];
    uint16_t HA_Rsvd1;
} SRB_HAInquiry;

typedef struct {
    uint8_t  SRB_Cmd;          /* SC_EXEC_SCSI_CMD */
    uint8_t  SRB_Status;
    uint8_t  SRB_HaId;
    uint8_t  SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t  SRB_Target;
    uint8_t  SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t* SRB_BufPointer;
    uint8_t  SRB_SenseLen;
    uint8_t  SRB_CDBLen;
    uint8_t  SRB_HaStat;
    uint8_t  SRB_TargStat;
    void*    SRB_PostProc;
    uint8_t  SRB_Rsvd2[20];
    uint8_t  CDBByte[16];
    uint8_t  SenseArea[SENSE_LEN + 2];
} SRB_ExecSCSICmd;

typedef struct {
    uint8_t  SRB_Cmd;          /* SC_GET_DEV_TYPE */
    uint8_t  SRB_Status;
    uint8_t  SRB_HaId;
    uint8_t  SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t  SRB_Target;
    uint8_t  SRB_Lun;
    uint8_t  SRB_DeviceType;
    uint8_t  SRB_Rsvd1;
} SRB_GDEVBlock;

typedef struct {
    uint8_t  SRB_Cmd;          /* SC_RESET_DEV */
    uint8_t  SRB_Status;
    uint8_t  SRB_HaId;
    uint8_t  SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t  SRB_Target;
    uint8_t  SRB_Lun;
    uint8_t  SRB_Rsvd1[12];
    uint8_t  SRB_HaStat;
    uint8_t  SRB_TargStat;
    void*    SRB_PostProc;
    uint8_t  SRB_Rsvd2[36];
} SRB_BusDeviceReset;

typedef struct {
    uint8_t  SRB_Cmd;          /* SC_ABORT_SRB */
    uint8_t  SRB_Status;
    uint8_t  SRB_HaId;
    uint8_t  SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    void*    SRB_ToAbort;
} SRB_Abort;

#pragma pack(pop)

/* The layer's entry points, in the C calling convention as the published
 * interface declares them. */
#if defined(_WIN32) && defined(__i386__)
#define ASPI_CALL __cdecl
#else
#define ASPI_CALL
#endif
typedef uint32_t (ASPI_CALL *SendASPI32CommandFn)(void* srb);
typedef uint32_t (ASPI_CALL *GetASPI32SupportInfoFn)(void);

#ifdef __cplusplus
} /* extern "C" */

#include <cstddef>
static_assert(sizeof(SRB_HAInquiry) == 60, "SRB_HAInquiry is 60 bytes");
static_assert(offsetof(SRB_HAInquiry, HA_SCSI_ID) == 9, "HA_SCSI_ID at offset 9");
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Target) == 8);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 16 + sizeof(void*));
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 40 + 2 * sizeof(void*));  /* 48 on Win32 */
static_assert(sizeof(SRB_ExecSCSICmd) == 72 + 2 * sizeof(void*));             /* 80 on Win32 */
static_assert(offsetof(SRB_Abort, SRB_ToAbort) == 8);
#endif
