/* Scorpa: a Velto card printer on a SCSI bus.
 *
 * libscorpa.so (Scorpa.dll on Windows) drives one Velto card printer
 * through flat functions over one printer object that lives as long as the
 * library is loaded: there is no handle. The first SCSIOpen loads the ASPI
 * layer it reaches the bus through ("wnaspi32.dll", on Linux
 * libwnaspi32.so: looked for beside the running program, then by the
 * system's search, then in the current directory); loading the library
 * itself loads nothing, and the layer stays loaded until the process
 * ends.
 *
 * A session: SCSIOpen() finds the printer, the command functions move and
 * print the card, SCSIClose() ends it. For example, a card to the chip
 * encoder and out again:
 *
 *     if (SCSIOpen()) {
 *         SCSISetRFProc(); SCSIFlipTurn(); SCSIPrintStart();   card in
 *         ...                                                  encode it
 *         SCSIRFEject(); SCSIEject(); SCSIPrintStart();        card out
 *         SCSIClose();
 *     }
 *
 * Conventions of every function below:
 *  - Results are one byte (ScorpaBool): 1 done, 0 failed. There are no
 *    error codes; SCSIGetLastErrorText gives the reason for the last 0 in
 *    words, for the integrator's log.
 *  - A command function frames one printer command (ESC, a letter, a
 *    parameter text of at most 253 bytes), sends it and then polls the
 *    printer's status until the printer is ready again. It returns 1 when
 *    the printer finished the command and 0 when the printer is not open
 *    (nothing is sent), the bus failed, the printer reported an error, or
 *    the printer stayed busy for 5 minutes. A printer error also shows a
 *    message box with the printer's own text, "[<text>] 처리를 중지합니다",
 *    captioned "[Quorvane Corp] 오류" (a window when a display is
 *    available, otherwise one line "<caption>: <text>" on standard error);
 *    the call returns when it is closed.
 *  - An empty card hopper during SCSIPrintStart, SCSIReadEncode,
 *    SCSIEject and SCSIErrorEject, and an ended ribbon during
 *    SCSIPrintStart, count as success.
 *  - Calls block the calling thread until the printer is done; use the
 *    library from one thread at a time.
 *  - Text arguments are NUL-terminated single-byte strings, borrowed for the
 *    call only. Output buffers are the caller's and must hold the sizes
 *    given below. File names, the text and font name of SCSIRFText and the
 *    text of SCSIGetLastErrorText are in the process's ANSI code page on
 *    Windows (a program that asks for UTF-8 as that code page, as
 *    tavrin.exe does, gets UTF-8) and in UTF-8 on Linux; the data of the
 *    magnetic tracks are bytes, passed as they are.
 *  - Positions and sizes on the card are printer dots (300 per inch)
 *    unless a function says screen pixels. */
#ifndef SCORPA_SCORPA_H
#define SCORPA_SCORPA_H

#include <stdint.h>

#include "scorpa/ScorpaApi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A one-byte Boolean: 0 false, 1 true. */
typedef uint8_t ScorpaBool;

/* Sizes of the output buffers, in bytes with the terminating NUL:
 * SCSIReadEncode writes at most SCORPA_ENCODE_TEXT_SIZE bytes and
 * SCSIGetProductName at most SCORPA_PRODUCT_NAME_SIZE; a longer text is
 * cut to fit. */
#define SCORPA_ENCODE_TEXT_SIZE 256
#define SCORPA_PRODUCT_NAME_SIZE 17

/* TVeltoMemoryMode: how the printer's image memory is used
 * (SCSISetMemoryMode, TVeltoSystemInfo.MemoryMode). */
typedef uint8_t TVeltoMemoryMode;
#define mmRingM_AutoClear   0
#define mmRingM_DataHold    1
#define mmRingM_DualSide    2
#define mmSingle_DataHold   3
#define mmEconomy_DualSide  4

/* TVeltoRibbonType: the ribbon loaded (TVeltoSystemInfo.RibbonType). */
#define rtNone      0
#define rtYMCKO1    1
#define rtYMCK1     2
#define rtYMCKO2    3
#define rtYMCK2     4
#define rtYMC1      5
#define rtBKOP1     6
#define rtHologram  7
#define rtOP        8
#define rtBlack     9
#define rtDyBP1     10
#define rtSG3       11

/* The printer's system information, 40 bytes, as the printer reports it
 * when SCSIOpen finds it (SCSIPrinterInfo). The unit fields are 0 (absent)
 * or 1 (present); sizes are dots. */
typedef struct TVeltoSystemInfo {
    uint8_t FlipTurnUnit;      /*  0  card flipper */
    uint8_t StackerUnit;       /*  1  output stacker */
    uint8_t SecondHeadUnit;    /*  2  second print head */
    uint8_t HeatRollerUnit;    /*  3  laminating heat roller */
    uint8_t ICEncoderUnit;     /*  4  chip (IC) encoder */
    uint8_t SetHiCo;           /*  5  magnetic stripe set to high coercivity */
    uint8_t JIS_2_Support;     /*  6  JIS II magnetic encoding */
    uint8_t ISO_Support;       /*  7  ISO magnetic encoding */
    uint8_t RibbonType;        /*  8  TVeltoRibbonType */
    uint8_t MemoryMode;        /*  9  TVeltoMemoryMode */
    uint8_t Padding[2];        /* 10  zero */
    int32_t MaxImageWidth;     /* 12  image area, dots */
    int32_t MaxImageHeight;    /* 16 */
    int32_t MaxTextWidth;      /* 20  text (mono) area, dots */
    int32_t MaxTextHeight;     /* 24 */
    int32_t MaxOverlayWidth;   /* 28  overlay area, dots */
    int32_t MaxOverlayHeight;  /* 32 */
    int32_t PrinterResolution; /* 36  dots per inch */
} TVeltoSystemInfo;

/* A rectangle in printer dots, passed by value: Left, Top, Right, Bottom. */
typedef struct TScorpaRect {
    int32_t Left;
    int32_t Top;
    int32_t Right;
    int32_t Bottom;
} TScorpaRect;

/* ---- Session ---------------------------------------------------------- */

/* Finds the Velto printer on the SCSI bus and opens it.
 * Searches every host adapter the ASPI layer reports, targets 0 to 7, for
 * the first device whose inquiry data gives the vendor "VELTO", keeps its
 * product name (SCSIGetProductName) and reads its system information
 * (SCSIPrinterInfo). Calling it again repeats the whole search.
 * The first call loads the ASPI layer; while it cannot be loaded, every
 * call tries again.
 * Result: 1 when the printer was found and its system information read;
 * 0 otherwise (no such device, the ASPI layer could not be loaded); the
 * printer is then closed. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIOpen(void);

/* Closes the printer: later commands fail until the next SCSIOpen. Sends
 * nothing; the card stays where it is. */
SCORPA_API void SCORPA_CALL SCSIClose(void);

/* Resets the printer (ESC "@"). Result: see the command conventions above. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIReset(void);

/* Starts the job the earlier commands set up (ESC ">"): prints the images
 * sent, or carries out the card movement asked for (SCSISetRFProc,
 * SCSIFlipTurn, SCSIEject ...). Resets the rotation to 0 degrees and ends a
 * pending encode read. Result: see the command conventions. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIPrintStart(void);

/* Asks for the card to be turned over (ESC "T"); carried out by the next
 * SCSIPrintStart. Result: see the command conventions. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIFlipTurn(void);

/* ---- Image placement ---------------------------------------------------- */

/* The three rotations (ESC "R") turn the images sent after them. Where
 * later images are placed on the card follows the rotation until
 * SCSIPrintStart sets it back to 0 degrees; it changes only when the
 * printer took the command. Result: see the command conventions. */

/* Images unrotated, 0 degrees (ESC "R" "0."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIRotateDefault(void);
/* Images turned by 90 degrees (ESC "R" "1."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIRotate90(void);
/* Images turned by 270 degrees (ESC "R" "3."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIRotate270(void);

/* Where the overlay (the clear protective panel) goes on the card, one
 * ESC "O" command each. Result: see the command conventions. */

/* Overlay over the image area only (ESC "O" "0."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayImageArea(void);
/* Overlay over the whole card (ESC "O" "1."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayFullArea(void);
/* No overlay (ESC "O" "2."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayClear(void);
/* Overlay over the image and the text areas (ESC "O" "3."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayImageText(void);

/* Leaves a rectangle of the card without overlay, for example over a chip
 * or a signature panel.
 * OffRect (in): the rectangle in printer dots; sent as its left and top
 * edges, width and height (ESC "O" "A,left,top,width,height.").
 * Result: see the command conventions. */
SCORPA_API ScorpaBool SCORPA_CALL SCSISetOverlayNotArea(TScorpaRect OffRect);

/* Parallel mode: with bset non-zero a later command counts as finished as
 * soon as the printer's interface is ready again, without waiting for the
 * mechanism. Sends nothing; works with the printer closed. The library
 * starts with it off. */
SCORPA_API void SCORPA_CALL SCSISetParallelMode(ScorpaBool bset);

/* ---- Magnetic stripe ------------------------------------------------------- */

/* Writes one magnetic track of the card (ESC "M").
 * nTrackNo (in): 1, 2 or 3; any other number sends the command with no
 *   parameters.
 * pData (in): the track data, a NUL-terminated string; NULL writes an
 *   empty track. The command's parameter text is the track selector, the
 *   data length and the data ("2,5.12345"), at most 253 bytes: up to 247
 *   bytes of data. Longer data is refused (0) and nothing is sent.
 * Result: see the command conventions. */
SCORPA_API ScorpaBool SCORPA_CALL SCSITransEncodeData(int32_t nTrackNo, const char* pData);

/* Reads one magnetic track of the card (ESC "A"): the track is read, then
 * its data fetched from the printer. The card stays at the encoder: a
 * later SCSIEject or SCSIErrorEject sends it on.
 * nTrackNo (in): the track, 1 to 6 (1, 2, 3 the ISO tracks; 4 to 6 as the
 *   printer numbers its other tracks); another number sends the read with
 *   no track selected.
 * pData (out): a buffer of at least SCORPA_ENCODE_TEXT_SIZE (256) bytes;
 *   on success it receives the track's text, NUL-terminated (the printer's
 *   255-byte data page always fits). On failure it is not touched.
 * Result: 1 when the track was read; 0 as for any command, or when the
 *   data could not be fetched. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIReadEncode(int32_t nTrackNo, char* pData);

/* The two ends of an encode read. Without a SCSIReadEncode since the last
 * SCSIPrintStart, SCSIEject or SCSIErrorEject they send nothing and return
 * 1, even with the printer closed; either ends the pending read. Result
 * otherwise: see the command conventions. */

/* Sends the card that was read on, as a good card (ESC "A" "2," 0x01 "."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIEject(void);
/* Sends the card that was read to the reject tray (ESC "A" "3," 0x01 "."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIErrorEject(void);

/* ---- Printer settings and information -------------------------------------- */

/* Sets how the printer uses its image memory (ESC "F").
 * mValue (in): a TVeltoMemoryMode, 0 to 4 (mmRingM_AutoClear ...
 *   mmEconomy_DualSide), sent as its number.
 * Result: see the command conventions. */
SCORPA_API ScorpaBool SCORPA_CALL SCSISetMemoryMode(TVeltoMemoryMode mValue);

/* Copies the printer's system information, as the last successful
 * SCSIOpen read it (all zero before one), and closes the printer: call
 * SCSIOpen again before the next command.
 * sr (out): a 40-byte TVeltoSystemInfo; NULL copies nothing.
 * Result: always 1. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIPrinterInfo(TVeltoSystemInfo* sr);

/* Copies the printer's product name (the inquiry's product field, blanks
 * trimmed), as the last successful SCSIOpen found it; empty before one.
 * pName (out): a buffer of at least SCORPA_PRODUCT_NAME_SIZE (17) bytes,
 *   or NULL.
 * Result, note the order: 1 when the name is EMPTY (no printer found yet),
 *   0 when a name was copied. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIGetProductName(char* pName);

/* Why the last function that returned 0 failed, in English for a log:
 * "No Velto printer answered on the SCSI bus", "The printer reported an
 * error after ESC ">": sense code 0x3A00 [...]", "Bitmap image is not
 * valid (pixel data does not fit the file): card.bmp", ... A result of 1
 * leaves the text as it was, so read it right after the 0. Not part of
 * the original 32 exports: the 33rd, added for integrators.
 * pText (out): the caller's buffer; the text is cut to fit nSize bytes
 *   with the terminating NUL.
 * nSize (in): the buffer's size in bytes.
 * Result: 1 when a reason was copied; 0 when nothing has failed yet (an
 *   empty text is copied), or pText is NULL or nSize not positive
 *   (nothing is written). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIGetLastErrorText(char* pText, int32_t nSize);

/* ---- Chip (IC) encoding station ---------------------------------------------- */

/* Card movements at the chip encoder, one ESC "E" command each, carried
 * out with the next SCSIPrintStart (Tavrin's FEED is SCSISetRFProc,
 * SCSIFlipTurn, SCSIPrintStart; its EJECT SCSIRFEject, SCSIEject,
 * SCSIPrintStart). Result: see the command conventions. */

/* Takes the card to the encoder and holds it there (ESC "E" "0."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSISetRFProc(void);
/* Ends the encoding: the card goes on from the encoder (ESC "E" "1."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIRFEject(void);
/* Ends a failed encoding: the card goes to the reject tray (ESC "E" "2."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIRFErrEject(void);
/* Feeds the card out of the encoder (ESC "E" "3."). */
SCORPA_API ScorpaBool SCORPA_CALL SCSIRFFeedOut(void);

/* Takes the card to the chip contacts and back in one go: SCSISetRFProc,
 * SCSIFlipTurn, SCSIPrintStart, SCSIRFEject, SCSISetRFProc, SCSIFlipTurn,
 * SCSIPrintStart. Result: 0 at the first step that fails (the rest are not
 * sent), otherwise the last step's result. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIICLocate(void);

/* Holds the chip reader's serial port open with its DTR line asserted, as
 * the contact pair of some stations needs; nothing is written or read.
 * Com (in): "COM1", "COM2", ... (on Linux /dev/ttyS0, /dev/ttyS1, ...) or
 *   a device path. The line is set to 9600 baud, 8 data bits, no parity,
 *   one stop bit.
 * Result: 1 when the port is open (also when it already was); 0 when it
 *   cannot be opened. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIICContact(const char* Com);

/* Closes the port SCSIICContact opened; nothing happens when it is closed. */
SCORPA_API void SCORPA_CALL SCSIICRelease(void);

/* ---- Printing ---------------------------------------------------------------- */

/* Sets the hologram panel for the card (ESC "H"). Result: see the command
 * conventions. */
SCORPA_API ScorpaBool SCORPA_CALL SCSISetHologram(void);

/* The two image functions send a Windows bitmap file (.bmp) to print,
 * followed by its rows in blocks (ESC "D"); it is printed by the next
 * SCSIPrintStart.
 * x, y (in): the image's top-left corner in screen pixels, converted to
 *   printer dots with the printer's resolution and the screen's (96 per
 *   inch unless the environment variable TAVRIN_SCREEN_DPI says
 *   otherwise); negative values count as 0. The image is cut at the edge
 *   of the printer's image area.
 * tbmp (in): the bitmap file's path; at most 4096 x 4096 pixels.
 * Result: 0 when the file cannot be read or is not such a bitmap, when the
 *   placement leaves nothing on the card (nothing is sent), and as for any
 *   command; 1 when the printer took the image. */

/* The bitmap in one-bit black (ESC "C", the printer's text transfer). */
SCORPA_API ScorpaBool SCORPA_CALL SCSITransMonoImage(int32_t x, int32_t y, const char* tbmp);
/* The bitmap in 24-bit colour (ESC "I"). */
SCORPA_API ScorpaBool SCORPA_CALL SCSITransColorImage(int32_t x, int32_t y, const char* tbmp);

/* Renders one line of text and sends it as an image: black text through
 * the mono path, any other colour through the colour path (as
 * SCSITransMonoImage and SCSITransColorImage, printed by the next
 * SCSIPrintStart).
 * pText (in): the text; NULL is the empty text.
 * nLeft, nTop (in): position in printer dots (no conversion), nLeft as
 *   nAlign says.
 * pFontName (in): the font family, looked up among the installed fonts.
 * nFontSize (in): points, at the screen's pixels per inch.
 * nFontColor (in): a Windows RGB value 0x00BBGGRR; 0 is black.
 * nFontStyle (in): bits 8 bold, 4 italic, 2 underline, 1 strike-out.
 * bRot (in): non-zero turns the text by 180 degrees.
 * nAlign (in): 0 nLeft is the left edge, 1 the right edge, 2 the centre.
 * Result: as SCSITransMonoImage. */
SCORPA_API ScorpaBool SCORPA_CALL SCSIRFText(const char* pText, int32_t nLeft, int32_t nTop, const char* pFontName,
                                             int32_t nFontSize, int32_t nFontColor, int32_t nFontStyle,
                                             ScorpaBool bRot, int32_t nAlign);

#ifdef __cplusplus
} /* extern "C" */

#include <cstddef>
static_assert(sizeof(TVeltoSystemInfo) == 40, "TVeltoSystemInfo is 40 bytes");
static_assert(offsetof(TVeltoSystemInfo, RibbonType) == 8);
static_assert(offsetof(TVeltoSystemInfo, MemoryMode) == 9);
static_assert(offsetof(TVeltoSystemInfo, MaxImageWidth) == 12);
static_assert(offsetof(TVeltoSystemInfo, MaxOverlayHeight) == 32);
static_assert(offsetof(TVeltoSystemInfo, PrinterResolution) == 36);
static_assert(sizeof(TScorpaRect) == 16);
#endif

#endif
