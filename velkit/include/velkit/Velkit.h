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

/* Document and page settings, on the document DC a DocAttach attached.
 * side is 0 or 1. Every getter refuses a null out pointer (and a resin
 * panel outside 0-3) with VELTO_INVALID_PARAMETER. A held settings record
 * with too few driver-private bytes for a setting gives VELTO_INVALID_DEVMODE
 * and nothing is sent. Overlay areas are four values. */
VELKIT_API int32_t Velkit_DocSetDuplex(VelkitHandle* handle, int32_t duplex);
VELKIT_API int32_t Velkit_DocGetDuplex(VelkitHandle* handle, int32_t* duplex);
VELKIT_API int32_t Velkit_DocSetCopies(VelkitHandle* handle, int32_t copies);
VELKIT_API int32_t Velkit_DocGetCopies(VelkitHandle* handle, int32_t* copies);
VELKIT_API int32_t Velkit_DocSetFlipBeforePrint(VelkitHandle* handle, int32_t flag);
VELKIT_API int32_t Velkit_DocGetFlipBeforePrint(VelkitHandle* handle, int32_t* flag);
VELKIT_API int32_t Velkit_DocSetEjectSideUp(VelkitHandle* handle, int32_t value);
VELKIT_API int32_t Velkit_DocGetEjectSideUp(VelkitHandle* handle, int32_t* value);
VELKIT_API int32_t Velkit_PageSetOrientation(VelkitHandle* handle, int32_t orientation);
VELKIT_API int32_t Velkit_PageGetOrientation(VelkitHandle* handle, int32_t* orientation);
VELKIT_API int32_t Velkit_PageSetColorMode(VelkitHandle* handle, int32_t side, int32_t mode);
VELKIT_API int32_t Velkit_PageGetColorMode(VelkitHandle* handle, int32_t side, int32_t* mode);
VELKIT_API int32_t Velkit_PageSetDitherMethod(VelkitHandle* handle, int32_t side, int32_t method);
VELKIT_API int32_t Velkit_PageGetDitherMethod(VelkitHandle* handle, int32_t side, int32_t* method);
VELKIT_API int32_t Velkit_PageSetDitherIntensity(VelkitHandle* handle, int32_t side, int32_t intensity);
VELKIT_API int32_t Velkit_PageGetDitherIntensity(VelkitHandle* handle, int32_t side, int32_t* intensity);
VELKIT_API int32_t Velkit_PageSetGrayscaleIntensity(VelkitHandle* handle, int32_t side, int32_t intensity);
VELKIT_API int32_t Velkit_PageGetGrayscaleIntensity(VelkitHandle* handle, int32_t side, int32_t* intensity);
VELKIT_API int32_t Velkit_PageSetResinUsage(VelkitHandle* handle, int32_t side, int32_t panels, int32_t value);
VELKIT_API int32_t Velkit_PageGetResinUsage(VelkitHandle* handle, int32_t side, int32_t panel, int32_t* value);
VELKIT_API int32_t Velkit_PageSetOverlayMode(VelkitHandle* handle, int32_t side, int32_t mode);
VELKIT_API int32_t Velkit_PageGetOverlayMode(VelkitHandle* handle, int32_t side, int32_t* mode);
VELKIT_API int32_t Velkit_PageSetOverlayPrintableArea(VelkitHandle* handle, int32_t side, const int32_t* area);
VELKIT_API int32_t Velkit_PageGetOverlayPrintableArea(VelkitHandle* handle, int32_t side, int32_t* area);
VELKIT_API int32_t Velkit_PageSetOverlayNonprintableArea(VelkitHandle* handle, int32_t side, const int32_t* area);
VELKIT_API int32_t Velkit_PageGetOverlayNonprintableArea(VelkitHandle* handle, int32_t side, int32_t* area);
VELKIT_API int32_t Velkit_PageSetLaminateMode(VelkitHandle* handle, int32_t side, int32_t mode);
VELKIT_API int32_t Velkit_PageGetLaminateMode(VelkitHandle* handle, int32_t side, int32_t* mode);
VELKIT_API int32_t Velkit_PageSetLaminateLast(VelkitHandle* handle, int32_t flag);
VELKIT_API int32_t Velkit_PageGetLaminateLast(VelkitHandle* handle, int32_t* flag);
VELKIT_API int32_t Velkit_PageSetUVMode(VelkitHandle* handle, int32_t side, int32_t mode);
VELKIT_API int32_t Velkit_PageGetUVMode(VelkitHandle* handle, int32_t side, int32_t* mode);
VELKIT_API int32_t Velkit_PageSetUVColor(VelkitHandle* handle, int32_t color);
VELKIT_API int32_t Velkit_PageGetUVColor(VelkitHandle* handle, int32_t* color);
VELKIT_API int32_t Velkit_PageSetRotate180(VelkitHandle* handle, int32_t side, int32_t flag);
VELKIT_API int32_t Velkit_PageGetRotate180(VelkitHandle* handle, int32_t side, int32_t* flag);

/* Contactless encoder modules on a serial line: HID (digion.dll), Mifare
 * (mifaredrv.dll) and iCLASS (encoderdrv.dll), loaded by Open and released
 * by Close or Velkit_Close. port is 1-4; speed is the line speed. A second
 * Open of an open family releases the first library before loading again.
 * A command whose entry point the library lacks gives
 * VELTO_ERROR_MISSINGENTRYPOINT. Pointer arguments are the library's
 * buffers, passed through unchanged. */
VELKIT_API int32_t Velkit_HID24_Open(VelkitHandle* handle, int32_t port, int32_t speed);
VELKIT_API int32_t Velkit_HID24_Close(VelkitHandle* handle);
VELKIT_API int32_t Velkit_HID24_Reset(VelkitHandle* handle);
VELKIT_API int32_t Velkit_HID24_GetFirmwareVersion(VelkitHandle* handle, void* buffer);
VELKIT_API int32_t Velkit_HID24_Read(VelkitHandle* handle, void* buffer);
VELKIT_API int32_t Velkit_HID24_Read26Bits(VelkitHandle* handle, void* buffer);

VELKIT_API int32_t Velkit_Mifare24_Open(VelkitHandle* handle, int32_t port, int32_t speed);
VELKIT_API int32_t Velkit_Mifare24_Close(VelkitHandle* handle);
VELKIT_API int32_t Velkit_Mifare24_Reset(VelkitHandle* handle);
VELKIT_API int32_t Velkit_Mifare24_GetCardID(VelkitHandle* handle, void* a, void* b);
VELKIT_API int32_t Velkit_Mifare24_Logon(VelkitHandle* handle, void* a, int32_t b, int32_t c, void* d);
VELKIT_API int32_t Velkit_Mifare24_Read(VelkitHandle* handle, void* a, int32_t b, void* c);
VELKIT_API int32_t Velkit_Mifare24_Write(VelkitHandle* handle, void* a, int32_t b, void* c);
VELKIT_API int32_t Velkit_Mifare24_ReadValue(VelkitHandle* handle, void* a, int32_t b, void* c);
VELKIT_API int32_t Velkit_Mifare24_WriteValue(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d);
VELKIT_API int32_t Velkit_Mifare24_Increment(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d);
VELKIT_API int32_t Velkit_Mifare24_Decrement(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d);
VELKIT_API int32_t Velkit_Mifare24_Copy(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d);

VELKIT_API int32_t Velkit_ICLASS24_Open(VelkitHandle* handle, int32_t port, int32_t speed);
VELKIT_API int32_t Velkit_ICLASS24_Close(VelkitHandle* handle);
VELKIT_API int32_t Velkit_ICLASS24_SendCommand(VelkitHandle* handle, void* a, void* b, void* c, void* d);
VELKIT_API int32_t Velkit_ICLASS24_GenerateLoadKeyAndCheckSum(VelkitHandle* handle, int32_t a, void* b, void* c,
                                                              void* d, void* e, void* f);
VELKIT_API int32_t Velkit_ICLASS24_EncryptDes(VelkitHandle* handle, void* a, void* b, void* c);
VELKIT_API int32_t Velkit_ICLASS24_DecryptDes(VelkitHandle* handle, void* a, void* b, void* c);

#endif
