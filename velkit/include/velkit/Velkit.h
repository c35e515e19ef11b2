/* Velkit: drives a Velto card printer through its printer driver and the
 * vendor's port modules, behind opaque printer handles. Every operation but
 * the two open calls takes the handle first and returns a result code
 * (velkit/ResultCodes.h; 0 = success).
 *
 * Linux notes (docs/velkit.md has the whole mapping):
 *  - printers are CUPS queues; the port name, driver name and direct flag
 *    are queue options an administrator sets with lpadmin;
 *  - wide strings are UTF-16 (char16_t) and are converted to UTF-8;
 *  - printer device contexts come from Velkit_CreateDCA/W and are released
 *    with Velkit_DeleteDC (what CreateDC and DeleteDC are on Windows);
 *  - the settings records are laid out like Windows' DEVMODEA/DEVMODEW,
 *    the driver's private bytes behind the public part. */
#ifndef VELKIT_VELKIT_H
#define VELKIT_VELKIT_H

#include <stdint.h>

#ifdef __cplusplus
#define VELKIT_API extern "C" __attribute__((visibility("default")))
#else
#include <uchar.h>
#define VELKIT_API extern __attribute__((visibility("default")))
#endif

/* A UTF-16 code unit. */
typedef char16_t VELKIT_WCHAR;

/* The printer handle: opaque to applications. */
typedef struct VelkitHandle VelkitHandle;

/* A printer device context. */
typedef void* HDC;

/* The printer settings record, public part. dmSize is the size of this
 * part; dmDriverExtra bytes of driver-private settings follow it. */
#define VELKIT_DEVMODE_MEMBERS(CHAR)                                                      \
    CHAR dmDeviceName[32];                                                               \
    uint16_t dmSpecVersion;                                                              \
    uint16_t dmDriverVersion;                                                            \
    uint16_t dmSize;                                                                     \
    uint16_t dmDriverExtra;                                                              \
    uint32_t dmFields;                                                                   \
    int16_t dmOrientation;                                                               \
    int16_t dmPaperSize;                                                                 \
    int16_t dmPaperLength;                                                               \
    int16_t dmPaperWidth;                                                                \
    int16_t dmScale;                                                                     \
    int16_t dmCopies;                                                                    \
    int16_t dmDefaultSource;                                                             \
    int16_t dmPrintQuality;                                                              \
    int16_t dmColor;                                                                     \
    int16_t dmDuplex;                                                                    \
    int16_t dmYResolution;                                                               \
    int16_t dmTTOption;                                                                  \
    int16_t dmCollate;                                                                   \
    CHAR dmFormName[32];                                                                 \
    uint16_t dmLogPixels;                                                                \
    uint32_t dmBitsPerPel;                                                               \
    uint32_t dmPelsWidth;                                                                \
    uint32_t dmPelsHeight;                                                               \
    uint32_t dmNup;                                                                      \
    uint32_t dmDisplayFrequency;                                                         \
    uint32_t dmICMMethod;                                                                \
    uint32_t dmICMIntent;                                                                \
    uint32_t dmMediaType;                                                                \
    uint32_t dmDitherType;                                                               \
    uint32_t dmReserved1;                                                                \
    uint32_t dmReserved2;                                                                \
    uint32_t dmPanningWidth;                                                             \
    uint32_t dmPanningHeight;

typedef struct VelkitDevModeA { VELKIT_DEVMODE_MEMBERS(char) } DEVMODEA;      /* 156 bytes */
typedef struct VelkitDevModeW { VELKIT_DEVMODE_MEMBERS(VELKIT_WCHAR) } DEVMODEW; /* 220 bytes */
#undef VELKIT_DEVMODE_MEMBERS

/* Printer modes */
#define VELKIT_MODE_DIRECT 1
#define VELKIT_MODE_SPOOLED 2

/* Device contexts. CreateDC: the printer's device context printing with
 * settings (the printer's current settings when null); null when the
 * printer is unknown. DeleteDC: 1 done, 0 when dc was not a device context
 * of this library. */
VELKIT_API HDC Velkit_CreateDCA(const char* printerName, const DEVMODEA* settings);
VELKIT_API HDC Velkit_CreateDCW(const VELKIT_WCHAR* printerName, const DEVMODEW* settings);
VELKIT_API int32_t Velkit_DeleteDC(HDC dc);

/* Handle, modes and status. The first argument of the open calls is
 * reserved and not read. Printer names longer than 255 bytes (after
 * conversion to UTF-8) are refused. */
VELKIT_API VelkitHandle* Velkit_OpenA(int32_t reserved, const char* printerName);
VELKIT_API VelkitHandle* Velkit_OpenW(int32_t reserved, const VELKIT_WCHAR* printerName);
VELKIT_API int32_t Velkit_Close(VelkitHandle* handle);
VELKIT_API int32_t Velkit_DriverVersion(VelkitHandle* handle, uint16_t* version);
VELKIT_API int32_t Velkit_DocAttachA(VelkitHandle* handle, HDC dc, DEVMODEA* settings);
VELKIT_API int32_t Velkit_DocAttachW(VelkitHandle* handle, HDC dc, DEVMODEW* settings);
VELKIT_API int32_t Velkit_DocDetach(VelkitHandle* handle);
VELKIT_API int32_t Velkit_PrinterSetMode(VelkitHandle* handle, int32_t mode);
VELKIT_API int32_t Velkit_PrinterGetMode(VelkitHandle* handle, int32_t* mode);
VELKIT_API int32_t Velkit_PrinterGetHardware(VelkitHandle* handle, uint32_t* flags);
VELKIT_API int32_t Velkit_PrinterStatus(VelkitHandle* handle, uint32_t* status);

/* Encoding station. The short names behave exactly as the IC names.
 * EncodeICComplete's reply buffer must hold the reply length the chip
 * station reports (the contact moves use 512 bytes). */
VELKIT_API int32_t Velkit_EncodeICPosition(VelkitHandle* handle, int32_t selector, int32_t* position);
VELKIT_API int32_t Velkit_EncodeICRequest(VelkitHandle* handle);
VELKIT_API int32_t Velkit_EncodeICTransfer(VelkitHandle* handle);
VELKIT_API int32_t Velkit_EncodeICWait(VelkitHandle* handle);
VELKIT_API int32_t Velkit_EncodeICEject(VelkitHandle* handle, int32_t code);
VELKIT_API int32_t Velkit_EncodeICTransmit(VelkitHandle* handle, int32_t length, const void* data);
VELKIT_API int32_t Velkit_EncodeICStatus(VelkitHandle* handle, int32_t* ready, int32_t* length);
VELKIT_API int32_t Velkit_EncodeICReceive(VelkitHandle* handle, int32_t length, void* buffer);
VELKIT_API int32_t Velkit_EncodeICMoveContacts(VelkitHandle* handle, int32_t position);
VELKIT_API int32_t Velkit_EncodeICComplete(VelkitHandle* handle, void* reply, int32_t seconds);
VELKIT_API int32_t Velkit_EncodePosition(VelkitHandle* handle, int32_t selector, int32_t* position);
VELKIT_API int32_t Velkit_EncodeRequest(VelkitHandle* handle);
VELKIT_API int32_t Velkit_EncodeTransfer(VelkitHandle* handle);
VELKIT_API int32_t Velkit_EncodeWait(VelkitHandle* handle);
VELKIT_API int32_t Velkit_EncodeEject(VelkitHandle* handle, int32_t code);

/* Magnetic stripe. MGWrite takes up to 511 characters, MGWriteArbitrary up
 * to 255 bytes; longer data is refused with VELTO_INVALID_PARAMETER. The
 * three get-track values are pointer-sized so that a buffer address passes
 * through to the port module intact. */
VELKIT_API int32_t Velkit_EncodeMGWrite(VelkitHandle* handle, int32_t track, int32_t length, const char* data);
VELKIT_API int32_t Velkit_EncodeMGWriteArbitrary(VelkitHandle* handle, int32_t p1, int32_t p2, int32_t p3,
                                                 int32_t p4, int32_t length, const char* data);
VELKIT_API int32_t Velkit_EncodeMGRead(VelkitHandle* handle, int32_t mode);
VELKIT_API int32_t Velkit_EncodeMGGetTrack(VelkitHandle* handle, intptr_t a, intptr_t b, intptr_t c);
VELKIT_API int32_t Velkit_EncodeMGRelease(VelkitHandle* handle, int32_t code);

#endif
