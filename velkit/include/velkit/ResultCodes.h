/* Velkit's result codes.
 *
 * Every Velkit call except the two open calls and the device-context calls
 * returns one of these 32-bit values; 0 (VELTO_SUCCESS) is success. The
 * names are the ones callers show to users; Velkit_ResultName gives them.
 * Values without a name (6, 12 to 15, 19 to 99, ...) are shown as
 * "Unknown Error!" by programs that print names.
 *
 * Header only, C99 and C++: a program that only prints names needs nothing
 * else of the library. */
#ifndef VELKIT_RESULTCODES_H
#define VELKIT_RESULTCODES_H

#include <stdint.h>

typedef enum VeltoResultCode {
    /* The call did what it was asked. */
    VELTO_SUCCESS = 0,
    /* The printing system refused: the printer's direct flag could not be changed (Velkit_PrinterSetMode;
     * on Linux it needs a CUPS administrator), or the printer driver refused an escape (settings, encoding
     * request, magnetic writing). */
    VELTO_ERROR_WINDOWSERROR = 1,
    /* No bound printer: the handle is not in direct mode, its port is neither SCSI nor USB, or the port
     * module found no device for the port. */
    VELTO_ERROR_PRINTERNOTFOUND = 2,
    /* Not available on this printer: the hardware query on a port that is neither SCSI nor USB,
     * chip-station status or receive on a USB printer. */
    VELTO_ERROR_NOTSUPPORTEDBYDRIVER = 3,
    /* Velkit_DocAttachA/W while a document device context is attached. */
    VELTO_ERROR_DOCALREADYATTACHED = 4,
    /* A call that needs the document device context (Velkit_DocDetach, the Doc and Page settings,
     * Velkit_EncodeICRequest) without one attached. */
    VELTO_ERROR_DOCNOTATTACHED = 5,
    /* Not returned by this library. */
    VELTO_ERROR_NOTIMPLEMENTED = 7,
    /* Not returned by this library. */
    VELTO_ERROR_FILENOTFOUND = 8,
    /* The card or the chip station's reply did not come in time. */
    VELTO_ERROR_TIMEOUT = 9,
    /* The port module reported a failed card wait, magnetic read, track fetch or release. */
    VELTO_ERROR_PRINTER = 10,
    /* The port module reported a failed command, or the chip station's reply was not "P". */
    VELTO_ERROR_CMDFAILURE = 11,
    /* Not returned by this library. */
    VELTO_ERROR_PRINTERNOTREADY = 16,
    /* A port module (VeltoSIO.dll, VeltoUIO.dll) could not be loaded or initialised. */
    VELTO_ERROR_LIBNOTFOUND = 17,
    /* A port module or encoder library lacks the entry point the call needs. */
    VELTO_ERROR_MISSINGENTRYPOINT = 18,
    /* Not returned by this library. */
    VELTO_INVALID_CALLLOCATION = 100,
    /* Not returned by this library. */
    VELTO_INVALID_PRINTERMODE = 101,
    /* An argument out of range, a required pointer NULL, data too long, or an encoder module not open. */
    VELTO_INVALID_PARAMETER = 102,
    /* A NULL device context to Velkit_DocAttachA/W; magnetic writing or release without an attached one. */
    VELTO_INVALID_DEVICECONTEXT = 103,
    /* The handle is NULL or not an open Velkit handle. */
    VELTO_INVALID_DEVICEHANDLE = 104,
    /* Not returned by this library. */
    VELTO_INVALID_PRINTERHANDLE = 105,
    /* Not returned by this library. */
    VELTO_INVALID_UVGRAPHIC = 106,
    /* The port names no device: "SCSI:" without a number, a USB port without a valid "VUSB" number (1-7). */
    VELTO_INVALID_PRINTERPORT = 107,
    /* The settings record does not fit: another driver-private size than the held record (DocAttach), or
     * too few driver-private bytes for a setting. */
    VELTO_INVALID_DEVMODE = 108,
    /* The printer has no encoding station (hardware flag bit 3 clear). */
    VELTO_INVALID_HARDWARE = 109,
    /* Not returned by this library. */
    VELTO_ERROR_IC_ABORTED = 400,

    /* ---- The HID encoder (digion.dll), Velkit_HID24_... ---- */
    /* Not returned by this library (a second Open replaces the first). */
    VELTO_ERROR_HID24_ALREADYOPEN = 500,
    /* The encoder library could not be loaded. */
    VELTO_ERROR_HID24_LOADFAILED = 501,
    /* The encoder library reported a status without a name here. */
    VELTO_ERROR_HID24_UNKNOWN = 502,
    /* The encoder library reported a syntax error (status -1). */
    VELTO_ERROR_HID24_SYNTAXERROR = 503,
    /* The encoder library reported a failed command (status -2). */
    VELTO_ERROR_HID24_CMDFAILURE = 504,
    /* The encoder library reported a time-out (status -3). */
    VELTO_ERROR_HID24_CMDTIMEOUT = 505,

    /* ---- The Mifare encoder (mifaredrv.dll), Velkit_Mifare24_... ---- */
    /* Not returned by this library (a second Open replaces the first). */
    VELTO_ERROR_MIFARE24_ALREADYOPEN = 550,
    /* The encoder library could not be loaded. */
    VELTO_ERROR_MIFARE24_LOADFAILED = 551,
    /* The encoder library reported a status without a name here. */
    VELTO_ERROR_MIFARE24_UNKNOWN = 552,
    /* The serial port failed (library status 192-194). */
    VELTO_ERROR_MIFARE24_COMPORTFAILED = 553,
    /* Sending to the encoder failed (195). */
    VELTO_ERROR_MIFARE24_SENDFAILED = 554,
    /* Receiving from the encoder failed (196). */
    VELTO_ERROR_MIFARE24_RECEIVEFAILED = 555,
    /* The encoder's reply was invalid (197). */
    VELTO_ERROR_MIFARE24_INVALIDREPLY = 556,
    /* The reply's header was wrong (198). */
    VELTO_ERROR_MIFARE24_HEADER = 557,
    /* The reply's footer was wrong (199). */
    VELTO_ERROR_MIFARE24_FOOTER = 558,
    /* The reply's checksum was wrong (202). */
    VELTO_ERROR_MIFARE24_CRC = 559,
    /* No data (203). */
    VELTO_ERROR_MIFARE24_NODATA = 560,
    /* The encoder refused a parameter (211). */
    VELTO_ERROR_MIFARE24_INVALIDPARAMETER = 561,
    /* Invalid serial port (212). */
    VELTO_ERROR_MIFARE24_INVALIDCOM = 562,
    /* Invalid line speed (213). */
    VELTO_ERROR_MIFARE24_BAUDRATE = 563,
    /* Invalid parity (214). */
    VELTO_ERROR_MIFARE24_PARITY = 564,
    /* Invalid data bits (215). */
    VELTO_ERROR_MIFARE24_DATABIT = 565,
    /* Invalid stop bits (216). */
    VELTO_ERROR_MIFARE24_STOPBIT = 566,

    /* ---- The iCLASS encoder (encoderdrv.dll), Velkit_ICLASS24_... ---- */
    /* Not returned by this library (a second Open replaces the first). */
    VELTO_ERROR_ICLASS24_ALREADYOPEN = 600,
    /* The encoder library could not be loaded. */
    VELTO_ERROR_ICLASS24_LOADFAILED = 601,
    /* The encoder library reported a status without a name here. */
    VELTO_ERROR_ICLASS24_UNKNOWN = 602,
    /* The serial port failed (library status 192-194). */
    VELTO_ERROR_ICLASS24_COMPORTFAILED = 603,
    /* Sending to the encoder failed (195). */
    VELTO_ERROR_ICLASS24_SENDFAILED = 604,
    /* Receiving from the encoder failed (196). */
    VELTO_ERROR_ICLASS24_RECEIVEFAILED = 605,
    /* The encoder's reply was invalid (197). */
    VELTO_ERROR_ICLASS24_INVALIDREPLY = 606,
    /* The reply's header was wrong (198). */
    VELTO_ERROR_ICLASS24_HEADER = 607,
    /* The reply's footer was wrong (199). */
    VELTO_ERROR_ICLASS24_FOOTER = 608,
    /* The reply's checksum was wrong (202). */
    VELTO_ERROR_ICLASS24_CRC = 609,
    /* No data (203). */
    VELTO_ERROR_ICLASS24_NODATA = 610,
    /* The encoder refused a parameter (211). */
    VELTO_ERROR_ICLASS24_INVALIDPARAMETER = 611,
    /* Invalid serial port (212). */
    VELTO_ERROR_ICLASS24_INVALIDCOM = 612,
    /* Invalid line speed (213). */
    VELTO_ERROR_ICLASS24_BAUDRATE = 613,
    /* Invalid parity (214). */
    VELTO_ERROR_ICLASS24_PARITY = 614,
    /* Invalid data bits (215). */
    VELTO_ERROR_ICLASS24_DATABIT = 615,
    /* Invalid stop bits (216). */
    VELTO_ERROR_ICLASS24_STOPBIT = 616,
} VeltoResultCode;

/* Every named code, for VELKIT_RESULT_CODE_LIST(X): X(name) once each, in
 * the order of their values. */
#define VELKIT_RESULT_CODE_LIST(X) \
    X(VELTO_SUCCESS) \
    X(VELTO_ERROR_WINDOWSERROR) \
    X(VELTO_ERROR_PRINTERNOTFOUND) \
    X(VELTO_ERROR_NOTSUPPORTEDBYDRIVER) \
    X(VELTO_ERROR_DOCALREADYATTACHED) \
    X(VELTO_ERROR_DOCNOTATTACHED) \
    X(VELTO_ERROR_NOTIMPLEMENTED) \
    X(VELTO_ERROR_FILENOTFOUND) \
    X(VELTO_ERROR_TIMEOUT) \
    X(VELTO_ERROR_PRINTER) \
    X(VELTO_ERROR_CMDFAILURE) \
    X(VELTO_ERROR_PRINTERNOTREADY) \
    X(VELTO_ERROR_LIBNOTFOUND) \
    X(VELTO_ERROR_MISSINGENTRYPOINT) \
    X(VELTO_INVALID_CALLLOCATION) \
    X(VELTO_INVALID_PRINTERMODE) \
    X(VELTO_INVALID_PARAMETER) \
    X(VELTO_INVALID_DEVICECONTEXT) \
    X(VELTO_INVALID_DEVICEHANDLE) \
    X(VELTO_INVALID_PRINTERHANDLE) \
    X(VELTO_INVALID_UVGRAPHIC) \
    X(VELTO_INVALID_PRINTERPORT) \
    X(VELTO_INVALID_DEVMODE) \
    X(VELTO_INVALID_HARDWARE) \
    X(VELTO_ERROR_IC_ABORTED) \
    X(VELTO_ERROR_HID24_ALREADYOPEN) \
    X(VELTO_ERROR_HID24_LOADFAILED) \
    X(VELTO_ERROR_HID24_UNKNOWN) \
    X(VELTO_ERROR_HID24_SYNTAXERROR) \
    X(VELTO_ERROR_HID24_CMDFAILURE) \
    X(VELTO_ERROR_HID24_CMDTIMEOUT) \
    X(VELTO_ERROR_MIFARE24_ALREADYOPEN) \
    X(VELTO_ERROR_MIFARE24_LOADFAILED) \
    X(VELTO_ERROR_MIFARE24_UNKNOWN) \
    X(VELTO_ERROR_MIFARE24_COMPORTFAILED) \
    X(VELTO_ERROR_MIFARE24_SENDFAILED) \
    X(VELTO_ERROR_MIFARE24_RECEIVEFAILED) \
    X(VELTO_ERROR_MIFARE24_INVALIDREPLY) \
    X(VELTO_ERROR_MIFARE24_HEADER) \
    X(VELTO_ERROR_MIFARE24_FOOTER) \
    X(VELTO_ERROR_MIFARE24_CRC) \
    X(VELTO_ERROR_MIFARE24_NODATA) \
    X(VELTO_ERROR_MIFARE24_INVALIDPARAMETER) \
    X(VELTO_ERROR_MIFARE24_INVALIDCOM) \
    X(VELTO_ERROR_MIFARE24_BAUDRATE) \
    X(VELTO_ERROR_MIFARE24_PARITY) \
    X(VELTO_ERROR_MIFARE24_DATABIT) \
    X(VELTO_ERROR_MIFARE24_STOPBIT) \
    X(VELTO_ERROR_ICLASS24_ALREADYOPEN) \
    X(VELTO_ERROR_ICLASS24_LOADFAILED) \
    X(VELTO_ERROR_ICLASS24_UNKNOWN) \
    X(VELTO_ERROR_ICLASS24_COMPORTFAILED) \
    X(VELTO_ERROR_ICLASS24_SENDFAILED) \
    X(VELTO_ERROR_ICLASS24_RECEIVEFAILED) \
    X(VELTO_ERROR_ICLASS24_INVALIDREPLY) \
    X(VELTO_ERROR_ICLASS24_HEADER) \
    X(VELTO_ERROR_ICLASS24_FOOTER) \
    X(VELTO_ERROR_ICLASS24_CRC) \
    X(VELTO_ERROR_ICLASS24_NODATA) \
    X(VELTO_ERROR_ICLASS24_INVALIDPARAMETER) \
    X(VELTO_ERROR_ICLASS24_INVALIDCOM) \
    X(VELTO_ERROR_ICLASS24_BAUDRATE) \
    X(VELTO_ERROR_ICLASS24_PARITY) \
    X(VELTO_ERROR_ICLASS24_DATABIT) \
    X(VELTO_ERROR_ICLASS24_STOPBIT)

/* The name of a result code ("VELTO_ERROR_TIMEOUT" for 9), or NULL for a
 * value without a name. Header only: not an export of the library. */
static inline const char* Velkit_ResultName(int32_t code)
{
    switch (code) {
#define VELKIT_RESULT_NAME_CASE(name) \
    case name: return #name;
        VELKIT_RESULT_CODE_LIST(VELKIT_RESULT_NAME_CASE)
#undef VELKIT_RESULT_NAME_CASE
    default: break;
    }
    return 0;
}

#ifdef __cplusplus
#include <cstdint>
#include <string_view>

namespace velkit {

using ResultCode = VeltoResultCode;

struct ResultCodeEntry {
    std::int32_t code;
    std::string_view name;
};

// The table of named codes, in the order of their values.
#define VELKIT_RESULT_ENTRY(n) ResultCodeEntry {n, #n},
inline constexpr ResultCodeEntry kResultCodes[] = {VELKIT_RESULT_CODE_LIST(VELKIT_RESULT_ENTRY)};
#undef VELKIT_RESULT_ENTRY

// The name of a code, or an empty view for a value without a name.
constexpr std::string_view ResultCodeName(std::int32_t code)
{
    for (const auto& entry : kResultCodes)
        if (entry.code == code) return entry.name;
    return {};
}

} // namespace velkit
#endif

#endif
