/* Velkit: a Velto card printer through its printer driver and port modules.
 *
 * libvelkit.so (Velkit.dll on Windows) drives a Velto card printer behind
 * opaque printer handles:
 *  - the handle calls open a printer by its name, switch it between direct
 *    and spooled mode and ask for its hardware and status;
 *  - in direct mode the printer is bound through the vendor's port module
 *    (VeltoSIO.dll for a printer on a SCSI port, VeltoUIO.dll on the USB
 *    port monitor; on Linux libveltosio.so and libveltouio.so, looked for
 *    beside the running program, then by the system's search, then in the
 *    current directory), which carries the card movements of the encoding
 *    station and the status queries;
 *  - with the application's printer device context attached
 *    (Velkit_DocAttachA/W), the document and page settings and magnetic
 *    writing go to the printer driver as escapes;
 *  - three contactless encoder libraries (HID, Mifare, iCLASS) on a serial
 *    line hang on a handle too.
 *
 * A session, as Tavrin moves a card to the encoder:
 *
 *     VelkitHandle* h = Velkit_OpenA(0, "Velto_USB");
 *     if (h) {
 *         int32_t r = Velkit_PrinterSetMode(h, VELKIT_MODE_DIRECT);
 *         if (r == VELTO_SUCCESS) r = Velkit_EncodeTransfer(h);
 *         ... encode the card, then Velkit_EncodeEject(h, 2) ...
 *         Velkit_Close(h);
 *     }
 *
 * Conventions of every function below:
 *  - The handle comes first (except the open and device-context calls) and
 *    the result is a result code (velkit/ResultCodes.h): 0 VELTO_SUCCESS,
 *    otherwise the reason. The checks run in a fixed order and the first
 *    one that fails decides the code; unless a function says otherwise a
 *    handle that is not open gives VELTO_INVALID_DEVICEHANDLE (104) before
 *    anything else: NULL, one closed already (a second Velkit_Close
 *    included), or a pointer that never was a handle. Velkit keeps a table
 *    of the handles it gave out and never reads through a pointer it is
 *    handed, so such a slip is refused, not a crash.
 *  - "Bound" means: the handle is in direct mode and its port module found
 *    the printer (Velkit_PrinterSetMode with VELKIT_MODE_DIRECT did that).
 *    A call that needs a bound printer gives VELTO_ERROR_PRINTERNOTFOUND
 *    (2) without one.
 *  - Out arguments are written only on success unless a function says
 *    otherwise. Buffers and strings are the caller's, borrowed for the
 *    call; Velkit keeps no pointer to them, except a settings record that
 *    Velkit_DocAttachA/W adopts.
 *  - Calls block the calling thread for their waits (given below). A
 *    handle is used by one thread at a time; handles are independent.
 *
 * On Linux (docs/velkit.md has the whole mapping): printers are CUPS
 * queues, and the port name, driver name and direct flag are queue options
 * an administrator sets with lpadmin; wide strings are UTF-16 and are
 * converted to UTF-8; device contexts come from Velkit_CreateDCA/W and go
 * back with Velkit_DeleteDC; the settings records are laid out like
 * Windows' DEVMODEA and DEVMODEW, the driver's private bytes behind them. */
#ifndef VELKIT_VELKIT_H
#define VELKIT_VELKIT_H

#include <stdint.h>

#include "velkit/ResultCodes.h"
#include "velkit/VelkitApi.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A UTF-16 code unit: wchar_t on Windows, char16_t elsewhere (in C the
 * type C11 calls char16_t). */
#if defined(_WIN32)
typedef wchar_t VELKIT_WCHAR;
#elif defined(__cplusplus)
typedef char16_t VELKIT_WCHAR;
#else
typedef uint_least16_t VELKIT_WCHAR;
#endif

/* The printer handle: opaque to applications. */
typedef struct VelkitHandle VelkitHandle;

#if !defined(_WIN32)
/* A printer device context (Windows' HDC), from Velkit_CreateDCA/W. */
typedef void* HDC;

/* The printer settings record, public part, laid out like Windows'
 * DEVMODEA (156 bytes) and DEVMODEW (220 bytes). dmSize is the size of
 * this part; dmDriverExtra bytes of driver-private settings follow it in
 * the same allocation. */
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

typedef struct VelkitDevModeA { VELKIT_DEVMODE_MEMBERS(char) } DEVMODEA;
typedef struct VelkitDevModeW { VELKIT_DEVMODE_MEMBERS(VELKIT_WCHAR) } DEVMODEW;
#undef VELKIT_DEVMODE_MEMBERS
#endif

/* Printer modes (Velkit_PrinterSetMode, Velkit_PrinterGetMode). */
#define VELKIT_MODE_DIRECT 1  /* jobs bypass the spooler; the port module binds the printer */
#define VELKIT_MODE_SPOOLED 2 /* jobs go through the spooler */

/* Bounds this library enforces, in bytes. */
#define VELKIT_NAME_MAX 255          /* printer and port names, after conversion to UTF-8 */
#define VELKIT_MG_WRITE_MAX 511      /* Velkit_EncodeMGWrite data */
#define VELKIT_MG_ARBITRARY_MAX 255  /* Velkit_EncodeMGWriteArbitrary data */
#define VELKIT_IC_CONTACTS_REPLY 512 /* the reply Velkit_EncodeICMoveContacts waits for */

/* ==== Device contexts ====================================================== */

/* A device context for printing on a printer (what CreateDC is on
 * Windows), for Velkit_DocAttachA/W.
 * printerName (in): the printer (CUPS queue) name.
 * settings (in): the settings to print with, copied; NULL takes the
 *   printer's current settings.
 * Result: the device context, or NULL when printerName is NULL, the
 *   printer is unknown or its driver cannot describe its settings. Give it
 *   back with Velkit_DeleteDC. */
VELKIT_API HDC VELKIT_CALL Velkit_CreateDCA(const char* printerName, const DEVMODEA* settings);

/* Velkit_CreateDCA with a UTF-16 printer name and a wide settings record. */
VELKIT_API HDC VELKIT_CALL Velkit_CreateDCW(const VELKIT_WCHAR* printerName, const DEVMODEW* settings);

/* Gives back a device context of Velkit_CreateDCA/W (what DeleteDC is on
 * Windows). Detach it from every handle first.
 * Result: 1 done; 0 when dc is not a live device context of this library
 * (already deleted, NULL, made up). Not a result code. */
VELKIT_API int32_t VELKIT_CALL Velkit_DeleteDC(HDC dc);

/* ==== Handle, modes and status ============================================== */

/* Opens a printer and gives a handle to it.
 * reserved (in): not read (Tavrin passes 3).
 * printerName (in): the printer (CUPS queue) name, at most VELKIT_NAME_MAX
 *   bytes.
 * The handle takes a copy of the printer's current settings record and
 * finds how the printer is attached from its port name: "SCSI..." is a
 * SCSI printer, "VUSB..." a USB one, any other port one whose driver name
 * contains " SCSI" or " USB", otherwise neither (the encoding calls then
 * give VELTO_ERROR_PRINTERNOTFOUND). It remembers the printer's mode
 * (direct or spooled) to restore at Velkit_Close. Nothing is loaded yet.
 * Result: the handle, or NULL when the name is too long, the printer is
 *   unknown to the printing system or its port cannot be read. Close it
 *   with Velkit_Close.
 * The name is in the process's ANSI code page on Windows (UTF-8 where the
 *   program asks for it as that code page, as tavrin.exe does), UTF-8 on
 *   Linux. */
VELKIT_API VelkitHandle* VELKIT_CALL Velkit_OpenA(int32_t reserved, const char* printerName);

/* Velkit_OpenA with a UTF-16 printer name; the handle's settings record is
 * then the wide layout (DEVMODEW). The name is refused when its UTF-8 form
 * is longer than VELKIT_NAME_MAX bytes. */
VELKIT_API VelkitHandle* VELKIT_CALL Velkit_OpenW(int32_t reserved, const VELKIT_WCHAR* printerName);

/* Closes a handle: puts the printer back into the mode it had at open
 * (the result of that is not looked at), releases the bound printer and
 * unloads the port module, frees the settings record Velkit allocated and
 * closes every encoder module still open. The handle is invalid after.
 * Result: 0, or VELTO_INVALID_DEVICEHANDLE when the handle is not open
 *   (closed already, or never a handle). */
VELKIT_API int32_t VELKIT_CALL Velkit_Close(VelkitHandle* handle);

/* The printer driver's version word, from the held settings record.
 * version (out): the dmDriverVersion word.
 * Result: 0; VELTO_INVALID_PARAMETER when version is NULL or the handle
 *   holds no settings record (after Velkit_DocDetach). */
VELKIT_API int32_t VELKIT_CALL Velkit_DriverVersion(VelkitHandle* handle, uint16_t* version);

/* Attaches the application's printer device context to the handle; the
 * document and page settings, the encoding request and magnetic writing
 * go to the driver through it.
 * dc (in): the device context (Velkit_CreateDCA). Checked before the
 *   handle: NULL gives VELTO_INVALID_DEVICECONTEXT whatever the handle.
 * settings (in, kept): NULL keeps the handle's own settings record;
 *   otherwise the application's record (public part and driver-private
 *   bytes in one allocation) replaces it and the settings calls store into
 *   it in place. It stays the application's: it must live until
 *   Velkit_DocDetach or Velkit_Close, and Velkit never frees it.
 * Result: 0; VELTO_INVALID_DEVICECONTEXT; VELTO_INVALID_DEVICEHANDLE;
 *   VELTO_ERROR_DOCALREADYATTACHED while one is attached;
 *   VELTO_INVALID_DEVMODE when the record's dmDriverExtra differs from the
 *   held record's (the device context stays attached). */
VELKIT_API int32_t VELKIT_CALL Velkit_DocAttachA(VelkitHandle* handle, HDC dc, DEVMODEA* settings);

/* Velkit_DocAttachA with a wide settings record (DEVMODEW). */
VELKIT_API int32_t VELKIT_CALL Velkit_DocAttachW(VelkitHandle* handle, HDC dc, DEVMODEW* settings);

/* Detaches the device context and lets go of the settings record (freed
 * when Velkit allocated it). A later Velkit_DocAttachA/W takes the
 * printer's current settings again.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_ERROR_DOCNOTATTACHED. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocDetach(VelkitHandle* handle);

/* Switches the printer between direct and spooled mode, and in direct
 * mode binds it through its port module.
 * mode (in): VELKIT_MODE_DIRECT (1) or VELKIT_MODE_SPOOLED (2).
 * Changing the mode changes the printer's direct flag in the printing
 * system (on Linux the CUPS queue option "direct", which needs a CUPS
 * administrator: root or a member of the lpadmin group). In direct mode
 * the port module is loaded and asked for the device behind the port
 * ("SCSIn:" the SCSI device n, "VUSBn:" the USB printer ID n, 1-7);
 * binding stays until Velkit_Close, also when the mode goes back to 2.
 * Result: 0; VELTO_INVALID_PARAMETER for another mode;
 *   VELTO_INVALID_PRINTERPORT for direct mode on the port "SCSI:" or a USB
 *   port without a valid number; VELTO_ERROR_WINDOWSERROR when the flag
 *   could not be changed (the mode stays); from binding (the mode is then
 *   direct, a later call tries again) VELTO_ERROR_LIBNOTFOUND when the port
 *   module cannot be loaded, VELTO_ERROR_PRINTERNOTFOUND when it finds no
 *   such device or the port is neither SCSI nor USB. */
VELKIT_API int32_t VELKIT_CALL Velkit_PrinterSetMode(VelkitHandle* handle, int32_t mode);

/* The mode as Velkit last set it (or found it at open).
 * mode (out): VELKIT_MODE_DIRECT or VELKIT_MODE_SPOOLED.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_PARAMETER when mode
 *   is NULL. */
VELKIT_API int32_t VELKIT_CALL Velkit_PrinterGetMode(VelkitHandle* handle, int32_t* mode);

/* The printer's hardware flags, as its port module reports them. Bit 3
 * (0x08) is set when the printer has an encoding station; the other bits
 * are the module's.
 * flags (out): set to 0 first, then to the flags.
 * A bound printer answers at once; otherwise the port module is loaded
 * for the question and unloaded again, without binding.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_PARAMETER when
 *   flags is NULL; VELTO_INVALID_PRINTERPORT for the port "SCSI:" or a USB
 *   port without a valid number; VELTO_ERROR_NOTSUPPORTEDBYDRIVER for a
 *   port that is neither "SCSI..." nor "VUSB..."; VELTO_ERROR_LIBNOTFOUND;
 *   VELTO_ERROR_PRINTERNOTFOUND when the module finds no such device. */
VELKIT_API int32_t VELKIT_CALL Velkit_PrinterGetHardware(VelkitHandle* handle, uint32_t* flags);

/* The bound printer's status, packed into one word.
 * status (out): set to 0 first, then:
 *   bits 0-2    the mechanism: 0x01 ready, 0x02 busy, 0x04 error
 *   bits 4-6    the interface: 0x10 ready, 0x20 busy, 0x40 error
 *   bits 8-11   where the card is, 1-8 (0 none), as the printer numbers it
 *   bits 12-15  the panel being printed, 1-6 (0 none)
 *   bits 16-31  on an error, the printer's sense data: bits 24-31 the
 *               sense code, bits 16-23 its qualifier; all set when the
 *               sense data could not be read.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_ERROR_PRINTERNOTFOUND when
 *   not bound; VELTO_INVALID_PARAMETER when status is NULL;
 *   VELTO_ERROR_CMDFAILURE when the port module failed the status read;
 *   VELTO_ERROR_MISSINGENTRYPOINT. */
VELKIT_API int32_t VELKIT_CALL Velkit_PrinterStatus(VelkitHandle* handle, uint32_t* status);

/* ==== Encoding station ======================================================= */

/* The encoding-station calls work on the bound printer through its port
 * module, except the encoding request and magnetic writing, which are
 * driver escapes on the attached device context. "Needs the station": the
 * call also gives VELTO_INVALID_HARDWARE when the printer's hardware flags
 * lack bit 3. Each Velkit_Encode<Name> call without "IC" in its name is
 * Velkit_EncodeIC<Name> under its older name and behaves exactly the
 * same. */

/* Where the chip contacts are.
 * selector (in): 1 or 2, as the printer numbers its stations.
 * position (out): checked first (NULL gives VELTO_INVALID_PARAMETER
 *   whatever the handle); -1 when the printer has no encoding station,
 *   otherwise the station's position for the selector (0 or 1; -1 for a
 *   station without contacts).
 * Result: 0; VELTO_INVALID_PARAMETER; VELTO_INVALID_DEVICEHANDLE;
 *   VELTO_ERROR_PRINTERNOTFOUND when not bound. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICPosition(VelkitHandle* handle, int32_t selector, int32_t* position);

/* Asks the driver to stop the next printed card at the encoding station
 * (a driver escape on the attached device context; no binding needed).
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_ERROR_DOCNOTATTACHED;
 *   VELTO_ERROR_WINDOWSERROR when the driver refused. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICRequest(VelkitHandle* handle);

/* Takes a card to the encoding station. Needs the station. Waits 1 s
 * before it asks the printer.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_ERROR_PRINTERNOTFOUND;
 *   VELTO_INVALID_HARDWARE; VELTO_ERROR_CMDFAILURE when the module failed
 *   the movement; VELTO_ERROR_MISSINGENTRYPOINT. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICTransfer(VelkitHandle* handle);

/* Waits until the card is at the encoding station (the port module waits,
 * with its limit 45).
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_ERROR_PRINTERNOTFOUND;
 *   VELTO_ERROR_TIMEOUT when the card did not come; VELTO_ERROR_PRINTER
 *   when the module reported a failure or lacks the entry point. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICWait(VelkitHandle* handle);

/* Sends the card on from the encoding station. Needs the station.
 * code (in): where to, passed to the port module: 2 out of the printer
 *   (then the call waits 5 s for the card to leave), 1 back into the
 *   printer (Tavrin's RETURN); other codes are the module's.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_ERROR_PRINTERNOTFOUND;
 *   VELTO_INVALID_HARDWARE; VELTO_ERROR_CMDFAILURE;
 *   VELTO_ERROR_MISSINGENTRYPOINT. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICEject(VelkitHandle* handle, int32_t code);

/* Sends bytes to the chip through the printer. Needs the station.
 * length (in): number of bytes, not 0. data (in): the bytes, not NULL.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE (a NULL handle before the
 *   arguments are looked at); VELTO_INVALID_PARAMETER;
 *   VELTO_ERROR_PRINTERNOTFOUND; VELTO_INVALID_HARDWARE;
 *   VELTO_ERROR_CMDFAILURE; VELTO_ERROR_MISSINGENTRYPOINT. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICTransmit(VelkitHandle* handle, int32_t length, const void* data);

/* Asks whether the chip's reply is there. Needs the station; SCSI printers
 * only.
 * ready (out): non-zero when the reply is complete. length (out): its
 *   length in bytes. Neither may be NULL.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_PARAMETER;
 *   VELTO_ERROR_PRINTERNOTFOUND; VELTO_INVALID_HARDWARE;
 *   VELTO_ERROR_NOTSUPPORTEDBYDRIVER on a USB printer;
 *   VELTO_ERROR_CMDFAILURE; VELTO_ERROR_MISSINGENTRYPOINT. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICStatus(VelkitHandle* handle, int32_t* ready, int32_t* length);

/* Fetches the chip's reply. Needs the station; SCSI printers only.
 * length (in): bytes to fetch, not 0 (the length Velkit_EncodeICStatus
 *   gave). buffer (out): at least length bytes, not NULL.
 * Result: as Velkit_EncodeICStatus. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICReceive(VelkitHandle* handle, int32_t length, void* buffer);

/* Moves the chip contacts onto the card or off it: sends the station
 * command "CC0" (position 0) or "CC1" (1), waits 2 s, then waits up to
 * 5 s for the reply as Velkit_EncodeICComplete does (into a buffer of
 * VELKIT_IC_CONTACTS_REPLY bytes of its own). Needs the station.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_PARAMETER for
 *   another position; VELTO_ERROR_PRINTERNOTFOUND; VELTO_INVALID_HARDWARE;
 *   VELTO_ERROR_CMDFAILURE when the command was not taken or the reply was
 *   not "P"; VELTO_ERROR_TIMEOUT; VELTO_ERROR_NOTSUPPORTEDBYDRIVER on a
 *   USB printer. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICMoveContacts(VelkitHandle* handle, int32_t position);

/* Waits for the chip station's reply and judges it: asks every 250 ms
 * until the reply is complete, fetching it into reply each time.
 * reply (out): not NULL; must hold the longest reply the station gives
 *   (its reported length; the contact commands' replies fit 512 bytes).
 * seconds (in): the time limit, at least 1.
 * Result: 0 when the reply begins with "P" (0x50) (or is empty on a type
 *   5100 SCSI printer); VELTO_ERROR_CMDFAILURE for any other reply;
 *   VELTO_ERROR_TIMEOUT; VELTO_INVALID_DEVICEHANDLE;
 *   VELTO_ERROR_PRINTERNOTFOUND; VELTO_INVALID_HARDWARE;
 *   VELTO_INVALID_PARAMETER; VELTO_ERROR_NOTSUPPORTEDBYDRIVER on a USB
 *   printer. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeICComplete(VelkitHandle* handle, void* reply, int32_t seconds);

/* Velkit_EncodeICPosition under its older name. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodePosition(VelkitHandle* handle, int32_t selector, int32_t* position);
/* Velkit_EncodeICRequest under its older name. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeRequest(VelkitHandle* handle);
/* Velkit_EncodeICTransfer under its older name (Tavrin's FEED). */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeTransfer(VelkitHandle* handle);
/* Velkit_EncodeICWait under its older name. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeWait(VelkitHandle* handle);
/* Velkit_EncodeICEject under its older name (Tavrin's EJECT with code 2,
 * RETURN with code 1). */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeEject(VelkitHandle* handle, int32_t code);

/* ==== Magnetic stripe ============================================================ */

/* Writes one magnetic track (a driver escape on the attached device
 * context; no binding needed).
 * track (in): 0-5, as the driver numbers the tracks.
 * length (in): the data length to announce, or -1 for the string's
 *   length; at most VELKIT_MG_WRITE_MAX (511).
 * data (in): a NUL-terminated string of at most 511 characters.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_DEVICECONTEXT
 *   without an attached device context; VELTO_INVALID_PARAMETER for a track
 *   out of range, a length below -1, NULL or too long data (nothing is
 *   sent); VELTO_ERROR_WINDOWSERROR when the driver refused. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGWrite(VelkitHandle* handle, int32_t track, int32_t length,
                                                    const char* data);

/* Writes free-form magnetic data (a driver escape on the attached device
 * context).
 * p1-p4 (in): four encoding parameters, passed to the driver (their low
 *   16 bits).
 * length (in): bytes of data to write, or -1 for the string's length; at
 *   most VELKIT_MG_ARBITRARY_MAX (255).
 * data (in): the bytes (a NUL-terminated string when length is -1).
 * Result: as Velkit_EncodeMGWrite (without the track check). */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGWriteArbitrary(VelkitHandle* handle, int32_t p1, int32_t p2,
                                                             int32_t p3, int32_t p4, int32_t length,
                                                             const char* data);

/* Reads the magnetic stripe of the card in the printer: the port module
 * prepares the read (mode is passed to it), then after 2 s waits for it
 * (limit 20). Fetch the tracks with Velkit_EncodeMGGetTrack.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_ERROR_PRINTERNOTFOUND;
 *   VELTO_ERROR_PRINTER when the module refused the preparation;
 *   VELTO_ERROR_CMDFAILURE when the read failed;
 *   VELTO_ERROR_MISSINGENTRYPOINT. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGRead(VelkitHandle* handle, int32_t mode);

/* Fetches what Velkit_EncodeMGRead read: a, b and c go to the port
 * module's magnetic read unchanged. They are pointer-sized so that buffer
 * addresses pass through intact; what they mean is the module's.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_ERROR_PRINTERNOTFOUND;
 *   VELTO_ERROR_PRINTER when the module failed (or lacks the entry
 *   point). */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGGetTrack(VelkitHandle* handle, intptr_t a, intptr_t b, intptr_t c);

/* Sends the card on after a magnetic read.
 * code (in): 2 or 3, passed to the port module.
 * Needs an attached device context as well as a bound printer.
 * Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_DEVICECONTEXT;
 *   VELTO_INVALID_PARAMETER; VELTO_ERROR_PRINTERNOTFOUND;
 *   VELTO_ERROR_PRINTER when the module failed. */
VELKIT_API int32_t VELKIT_CALL Velkit_EncodeMGRelease(VelkitHandle* handle, int32_t code);

/* ==== Document and page settings ======================================================= */

/* Every setting goes to the driver on the attached device context, then is
 * stored in the held settings record, so that its getter answers what the
 * driver was told. Checks, in this order: the handle
 * (VELTO_INVALID_DEVICEHANDLE), an attached device context
 * (VELTO_ERROR_DOCNOTATTACHED), the arguments (VELTO_INVALID_PARAMETER:
 * out of range, side not 0 or 1, a NULL out pointer), then room for the
 * setting in the record's driver-private bytes (VELTO_INVALID_DEVMODE;
 * nothing is sent). A driver that refuses the setting gives
 * VELTO_ERROR_WINDOWSERROR and nothing is stored. Private settings are
 * sent with the driver's current escape number first, then with its older
 * one. "side" is 0 or 1, the card's two sides as the driver numbers them.
 * A getter answers from the record and sends nothing; its out argument
 * must not be NULL. What the values mean is the printer driver's. */

/* Duplex printing. duplex (in): 0 one side, 1 both sides. Sets the
 * record's dmDuplex and resets the device context with the record. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocSetDuplex(VelkitHandle* handle, int32_t duplex);
/* duplex (out): 0 or 1. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocGetDuplex(VelkitHandle* handle, int32_t* duplex);

/* The number of copies. copies (in): 0-99, sent with the standard copy
 * count escape and stored in dmCopies. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocSetCopies(VelkitHandle* handle, int32_t copies);
/* copies (out): dmCopies. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocGetCopies(VelkitHandle* handle, int32_t* copies);

/* Whether the card is turned over before printing. flag (in): 0 or 1. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocSetFlipBeforePrint(VelkitHandle* handle, int32_t flag);
/* flag (out): 0 or 1. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocGetFlipBeforePrint(VelkitHandle* handle, int32_t* flag);

/* Which side is up when the card leaves the printer. value (in): 0-2. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocSetEjectSideUp(VelkitHandle* handle, int32_t value);
/* value (out): 0-2. */
VELKIT_API int32_t VELKIT_CALL Velkit_DocGetEjectSideUp(VelkitHandle* handle, int32_t* value);

/* Page orientation. orientation (in): 1 portrait, 2 landscape. Sets the
 * record's dmOrientation and resets the device context with the record. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetOrientation(VelkitHandle* handle, int32_t orientation);
/* orientation (out): 1 or 2. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetOrientation(VelkitHandle* handle, int32_t* orientation);

/* Colour mode of a side. mode (in): 0-2. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetColorMode(VelkitHandle* handle, int32_t side, int32_t mode);
/* mode (out): the stored colour mode of the side. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetColorMode(VelkitHandle* handle, int32_t side, int32_t* mode);

/* Dithering method of a side. method (in): 0-2. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetDitherMethod(VelkitHandle* handle, int32_t side, int32_t method);
/* method (out): the stored dithering method of the side. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetDitherMethod(VelkitHandle* handle, int32_t side, int32_t* method);

/* Dithering intensity of a side. intensity (in): 1 or more. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetDitherIntensity(VelkitHandle* handle, int32_t side, int32_t intensity);
/* intensity (out): the stored dithering intensity of the side. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetDitherIntensity(VelkitHandle* handle, int32_t side, int32_t* intensity);

/* Greyscale intensity of a side. intensity (in): 1 or more. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetGrayscaleIntensity(VelkitHandle* handle, int32_t side,
                                                                int32_t intensity);
/* intensity (out): the stored greyscale intensity of the side. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetGrayscaleIntensity(VelkitHandle* handle, int32_t side,
                                                                int32_t* intensity);

/* Resin use of a side's panels.
 * panels (in): -1 all four panels, otherwise a mask 0-8 where bit p
 *   includes panel p (0-3); 0 sends nothing.
 * value (in): 0 or 1.
 * Sent panel by panel from panel 0; a refusal stops there, the panels
 * before it stay sent and stored. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetResinUsage(VelkitHandle* handle, int32_t side, int32_t panels,
                                                        int32_t value);
/* panel (in): 0-3. value (out): the stored resin use of that panel. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetResinUsage(VelkitHandle* handle, int32_t side, int32_t panel,
                                                        int32_t* value);

/* Overlay mode of a side. mode (in): 0-4. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetOverlayMode(VelkitHandle* handle, int32_t side, int32_t mode);
/* mode (out): the stored overlay mode of the side. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetOverlayMode(VelkitHandle* handle, int32_t side, int32_t* mode);

/* The area of a side that gets overlay.
 * area (in): four 32-bit values in thousandths of an inch, in the driver's
 *   order; each goes to the driver as v * 300 / 1000 dots (truncated). */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetOverlayPrintableArea(VelkitHandle* handle, int32_t side,
                                                                  const int32_t* area);
/* area (out): four 32-bit values, the stored ones as s * 1000 / 300
 *   (truncated), so a value can come back slightly smaller than set. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetOverlayPrintableArea(VelkitHandle* handle, int32_t side, int32_t* area);

/* The area of a side kept free of overlay; area as for the printable area. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetOverlayNonprintableArea(VelkitHandle* handle, int32_t side,
                                                                     const int32_t* area);
/* area (out): four 32-bit values, as for the printable area. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetOverlayNonprintableArea(VelkitHandle* handle, int32_t side,
                                                                     int32_t* area);

/* Lamination of a side. mode (in): 0 or 1. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetLaminateMode(VelkitHandle* handle, int32_t side, int32_t mode);
/* mode (out): the stored lamination of the side. The driver is asked
 * first: a driver that does not know the setting gives
 * VELTO_ERROR_WINDOWSERROR. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetLaminateMode(VelkitHandle* handle, int32_t side, int32_t* mode);

/* Whether lamination comes last. flag (in): 0 or 1. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetLaminateLast(VelkitHandle* handle, int32_t flag);
/* flag (out): 0 or 1. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetLaminateLast(VelkitHandle* handle, int32_t* flag);

/* UV printing of a side. mode (in): 0-2. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetUVMode(VelkitHandle* handle, int32_t side, int32_t mode);
/* mode (out): the stored UV mode of the side. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetUVMode(VelkitHandle* handle, int32_t side, int32_t* mode);

/* The UV colour. color (in): any value, passed to the driver. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetUVColor(VelkitHandle* handle, int32_t color);
/* color (out): the stored UV colour. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetUVColor(VelkitHandle* handle, int32_t* color);

/* Whether a side is printed turned by 180 degrees. flag (in): 0 or 1. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageSetRotate180(VelkitHandle* handle, int32_t side, int32_t flag);
/* flag (out): 0 or 1. */
VELKIT_API int32_t VELKIT_CALL Velkit_PageGetRotate180(VelkitHandle* handle, int32_t side, int32_t* flag);

/* ==== Contactless encoder modules =============================================== */

/* Three encoder families on a serial line, each an outside library that
 * its Open loads and its Close (or Velkit_Close) unloads: HID
 * (digion.dll), Mifare (mifaredrv.dll), iCLASS (encoderdrv.dll); on Linux
 * libdigion.so, libmifaredrv.so, libencoderdrv.so, looked for beside the
 * running program, then by the system's search, then in the current
 * directory. They need neither the printer binding nor a device context.
 *
 * Open: port (in) 1-4, the serial port COM1-COM4; speed (in) the line
 * speed, passed to every command. Opening an open family again releases
 * its library first. Result: 0; VELTO_INVALID_DEVICEHANDLE;
 * VELTO_INVALID_PARAMETER for another port; the family's LOADFAILED code
 * when the library cannot be loaded.
 *
 * Commands: the library's entry point is called with the port and speed
 * first, then the arguments in the order each function gives; the
 * pointer arguments are the library's buffers and keys, passed through
 * unchanged (their sizes are the library's). Result, checks in this order:
 * VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_PARAMETER when the family is
 * not open or a required pointer is NULL; VELTO_ERROR_MISSINGENTRYPOINT
 * when the library lacks the entry point; then the library's status mapped
 * to the family's codes (0 success; HID -1 SYNTAXERROR, -2 CMDFAILURE,
 * -3 CMDTIMEOUT, others UNKNOWN; Mifare and iCLASS 192-216 as listed in
 * velkit/ResultCodes.h, others UNKNOWN). */

/* Loads the HID encoder library for a port and speed (see above). */
VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Open(VelkitHandle* handle, int32_t port, int32_t speed);
/* Unloads it. Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_PARAMETER
 * when not open. */
VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Close(VelkitHandle* handle);
/* Resets the encoder (Reset). */
VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Reset(VelkitHandle* handle);
/* buffer (out, required): the firmware version (GetFirmwareVer). */
VELKIT_API int32_t VELKIT_CALL Velkit_HID24_GetFirmwareVersion(VelkitHandle* handle, void* buffer);
/* buffer (out, required): the card's data (ReadDataHID). */
VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Read(VelkitHandle* handle, void* buffer);
/* buffer (out, required): the card's 26-bit data (Read26BitsDataHID). */
VELKIT_API int32_t VELKIT_CALL Velkit_HID24_Read26Bits(VelkitHandle* handle, void* buffer);

/* Loads the Mifare encoder library for a port and speed (see above). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Open(VelkitHandle* handle, int32_t port, int32_t speed);
/* Unloads it. Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_PARAMETER
 * when not open. */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Close(VelkitHandle* handle);
/* Resets the encoder (ResetMifare). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Reset(VelkitHandle* handle);
/* a, b (required): GetMifareCardID(port, speed, b, a). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_GetCardID(VelkitHandle* handle, void* a, void* b);
/* a, d (required): LogonMifare(port, speed, d, a, b, c). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Logon(VelkitHandle* handle, void* a, int32_t b, int32_t c, void* d);
/* a, c (required): ReadMifare(port, speed, c, a, b). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Read(VelkitHandle* handle, void* a, int32_t b, void* c);
/* a, c (required): WriteMifare(port, speed, c, a, b). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Write(VelkitHandle* handle, void* a, int32_t b, void* c);
/* a, c (required): ReadValueMifare(port, speed, c, a, b). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_ReadValue(VelkitHandle* handle, void* a, int32_t b, void* c);
/* c, d (required): WriteValueMifare(port, speed, d, a, b, c). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_WriteValue(VelkitHandle* handle, int32_t a, int32_t b, void* c,
                                                          void* d);
/* c, d (required): IncrementMifare(port, speed, d, a, b, c). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Increment(VelkitHandle* handle, int32_t a, int32_t b, void* c,
                                                         void* d);
/* c, d (required): DecrementMifare(port, speed, d, a, b, c). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Decrement(VelkitHandle* handle, int32_t a, int32_t b, void* c,
                                                         void* d);
/* c, d (required): CopyMifare(port, speed, d, a, b, c). */
VELKIT_API int32_t VELKIT_CALL Velkit_Mifare24_Copy(VelkitHandle* handle, int32_t a, int32_t b, void* c, void* d);

/* Loads the iCLASS encoder library for a port and speed (see above). */
VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_Open(VelkitHandle* handle, int32_t port, int32_t speed);
/* Unloads it. Result: 0; VELTO_INVALID_DEVICEHANDLE; VELTO_INVALID_PARAMETER
 * when not open. */
VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_Close(VelkitHandle* handle);
/* a, b, c, d (required): SendIClassCommand(port, speed, a, b, c, d). */
VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_SendCommand(VelkitHandle* handle, void* a, void* b, void* c, void* d);
/* GenerateLoadKeyAndCheckSum(a, b, c, d, e, f), without port and speed.
 * a (in): the key; its low 8 bits must not be 0 (VELTO_INVALID_PARAMETER).
 * b-f (required). Result: 0 whatever the library returns, or a check's
 * code. */
VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_GenerateLoadKeyAndCheckSum(VelkitHandle* handle, int32_t a, void* b,
                                                                          void* c, void* d, void* e, void* f);
/* a, b, c (required): EncryptDes(a, b, c), without port and speed.
 * Result: 0 whatever the library returns, or a check's code. */
VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_EncryptDes(VelkitHandle* handle, void* a, void* b, void* c);
/* a, b, c (required): DecryptDes(a, b, c), without port and speed.
 * Result: 0 whatever the library returns, or a check's code. */
VELKIT_API int32_t VELKIT_CALL Velkit_ICLASS24_DecryptDes(VelkitHandle* handle, void* a, void* b, void* c);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif
