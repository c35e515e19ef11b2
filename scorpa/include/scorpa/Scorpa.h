#pragma once
/* libscorpa.so: a Velto card printer on a SCSI bus, driven through flat
 * exports over one printer object that lives as long as the library is
 * loaded. Every export is called from one thread at a time.
 *
 * Results are one byte: 0 false, 1 true. Text arguments are NUL-terminated
 * single-byte strings; the library keeps no pointer to them after a call. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define SCORPA_API __attribute__((visibility("default")))
#else
#define SCORPA_API
#endif

typedef uint8_t ScorpaBool;

/* Output buffers: SCSIReadEncode writes at most SCORPA_ENCODE_TEXT_SIZE
 * bytes (text and NUL) and SCSIGetProductName at most
 * SCORPA_PRODUCT_NAME_SIZE; longer texts are cut to fit. A caller's buffer
 * must hold that many bytes. */
#define SCORPA_ENCODE_TEXT_SIZE 256
#define SCORPA_PRODUCT_NAME_SIZE 17

/* TVeltoMemoryMode */
typedef uint8_t TVeltoMemoryMode;
#define mmRingM_AutoClear   0
#define mmRingM_DataHold    1
#define mmRingM_DualSide    2
#define mmSingle_DataHold   3
#define mmEconomy_DualSide  4

/* TVeltoRibbonType */
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

/* The printer's system information, 40 bytes. */
typedef struct TVeltoSystemInfo {
    uint8_t FlipTurnUnit;      /*  0 */
    uint8_t StackerUnit;       /*  1 */
    uint8_t SecondHeadUnit;    /*  2 */
    uint8_t HeatRollerUnit;    /*  3 */
    uint8_t ICEncoderUnit;     /*  4 */
    uint8_t SetHiCo;           /*  5 */
    uint8_t JIS_2_Support;     /*  6 */
    uint8_t ISO_Support;       /*  7 */
    uint8_t RibbonType;        /*  8, TVeltoRibbonType */
    uint8_t MemoryMode;        /*  9, TVeltoMemoryMode */
    uint8_t Padding[2];        /* 10, zero */
    int32_t MaxImageWidth;     /* 12, dots */
    int32_t MaxImageHeight;    /* 16 */
    int32_t MaxTextWidth;      /* 20 */
    int32_t MaxTextHeight;     /* 24 */
    int32_t MaxOverlayWidth;   /* 28 */
    int32_t MaxOverlayHeight;  /* 32 */
    int32_t PrinterResolution; /* 36, dots per inch */
} TVeltoSystemInfo;

/* A rectangle passed by value: Left, Top, Right, Bottom. */
typedef struct TScorpaRect {
    int32_t Left;
    int32_t Top;
    int32_t Right;
    int32_t Bottom;
} TScorpaRect;

SCORPA_API ScorpaBool SCSIOpen(void);
SCORPA_API void SCSIClose(void);
SCORPA_API ScorpaBool SCSIReset(void);
SCORPA_API ScorpaBool SCSIPrintStart(void);
SCORPA_API ScorpaBool SCSIFlipTurn(void);
SCORPA_API ScorpaBool SCSIRotateDefault(void);
SCORPA_API ScorpaBool SCSIRotate90(void);
SCORPA_API ScorpaBool SCSIRotate270(void);
SCORPA_API ScorpaBool SCSISetOverlayImageArea(void);
SCORPA_API ScorpaBool SCSISetOverlayFullArea(void);
SCORPA_API ScorpaBool SCSISetOverlayClear(void);
SCORPA_API ScorpaBool SCSISetOverlayImageText(void);
SCORPA_API ScorpaBool SCSISetOverlayNotArea(TScorpaRect OffRect);
SCORPA_API void SCSISetParallelMode(ScorpaBool bset);
SCORPA_API ScorpaBool SCSITransEncodeData(int32_t nTrackNo, const char* pData);
SCORPA_API ScorpaBool SCSIReadEncode(int32_t nTrackNo, char* pData);
SCORPA_API ScorpaBool SCSIEject(void);
SCORPA_API ScorpaBool SCSIErrorEject(void);
SCORPA_API ScorpaBool SCSISetMemoryMode(TVeltoMemoryMode mValue);
SCORPA_API ScorpaBool SCSITransMonoImage(int32_t x, int32_t y, const char* tbmp);
SCORPA_API ScorpaBool SCSITransColorImage(int32_t x, int32_t y, const char* tbmp);
SCORPA_API ScorpaBool SCSIPrinterInfo(TVeltoSystemInfo* sr);
SCORPA_API ScorpaBool SCSIGetProductName(char* pName);
SCORPA_API ScorpaBool SCSISetRFProc(void);
SCORPA_API ScorpaBool SCSIRFEject(void);
SCORPA_API ScorpaBool SCSIRFErrEject(void);
SCORPA_API ScorpaBool SCSIRFFeedOut(void);
SCORPA_API ScorpaBool SCSISetHologram(void);
SCORPA_API ScorpaBool SCSIRFText(const char* pText, int32_t nLeft, int32_t nTop, const char* pFontName,
                                 int32_t nFontSize, int32_t nFontColor, int32_t nFontStyle, ScorpaBool bRot,
                                 int32_t nAlign);
SCORPA_API ScorpaBool SCSIICContact(const char* Com);
SCORPA_API void SCSIICRelease(void);
SCORPA_API ScorpaBool SCSIICLocate(void);

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
