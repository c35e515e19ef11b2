/* Every public header as a C99 program sees it (compiled with -std=c99
 * -pedantic -Werror): the layouts C callers share with the libraries, and
 * the result-code names the C function gives. Runs as a test; the same file
 * is checked with the Windows cross compilers where they are installed. */
#include "dlportio/DlPortIO.h"
#include "scorpa/Scorpa.h"
#include "scorpa/ScorpaApi.h"
#include "velkit/ResultCodes.h"
#include "velkit/Velkit.h"
#include "velkit/VelkitApi.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

/* C99 has no static_assert: a negative array size stops the compiler. */
#define LAYOUT(name, condition) typedef char layout_##name[(condition) ? 1 : -1]

LAYOUT(system_info_size, sizeof(TVeltoSystemInfo) == 40);
LAYOUT(system_info_ribbon, offsetof(TVeltoSystemInfo, RibbonType) == 8);
LAYOUT(system_info_memory, offsetof(TVeltoSystemInfo, MemoryMode) == 9);
LAYOUT(system_info_width, offsetof(TVeltoSystemInfo, MaxImageWidth) == 12);
LAYOUT(system_info_resolution, offsetof(TVeltoSystemInfo, PrinterResolution) == 36);
LAYOUT(rect_size, sizeof(TScorpaRect) == 16);
LAYOUT(scorpa_bool, sizeof(ScorpaBool) == 1 && sizeof(TVeltoMemoryMode) == 1);
LAYOUT(devmode_a, sizeof(DEVMODEA) == 156 && offsetof(DEVMODEA, dmDriverExtra) == 38);
LAYOUT(devmode_w, sizeof(DEVMODEW) == 220 && offsetof(DEVMODEW, dmDriverExtra) == 70);
LAYOUT(wide_char, sizeof(VELKIT_WCHAR) == 2);
LAYOUT(result_code, sizeof(VeltoResultCode) == sizeof(int32_t));

/* Every export keeps its C type: a pointer of the type a C caller writes
 * takes each one (a few of each kind; the compiler checks the rest through
 * the declarations above). */
static ScorpaBool(SCORPA_CALL* const scorpaOpen)(void) = SCSIOpen;
static ScorpaBool(SCORPA_CALL* const scorpaText)(const char*, int32_t, int32_t, const char*, int32_t, int32_t,
                                                  int32_t, ScorpaBool, int32_t) = SCSIRFText;
static VelkitHandle*(VELKIT_CALL* const velkitOpen)(int32_t, const char*) = Velkit_OpenA;
static int32_t(VELKIT_CALL* const velkitStatus)(VelkitHandle*, uint32_t*) = Velkit_PrinterStatus;
static int32_t(VELKIT_CALL* const velkitTrack)(VelkitHandle*, intptr_t, intptr_t, intptr_t) = Velkit_EncodeMGGetTrack;
static uint8_t(DLPORTIO_CALL* const portRead)(uint32_t) = DlPortReadPortUchar;

struct NamedCode {
    int32_t code;
    const char* name;
};

#define NAMED_CODE(name) {name, #name},
static const struct NamedCode kNamed[] = {VELKIT_RESULT_CODE_LIST(NAMED_CODE)};
#undef NAMED_CODE

static int IsNamed(int32_t code)
{
    size_t i;
    for (i = 0; i < sizeof kNamed / sizeof kNamed[0]; ++i)
        if (kNamed[i].code == code) return 1;
    return 0;
}

int main(void)
{
    int failures = 0;
    size_t i;
    int32_t code;

    if (!scorpaOpen || !scorpaText || !velkitOpen || !velkitStatus || !velkitTrack || !portRead) ++failures;
    if (sizeof kNamed / sizeof kNamed[0] != 65) {
        printf("%lu named codes, expected 65\n", (unsigned long)(sizeof kNamed / sizeof kNamed[0]));
        ++failures;
    }
    for (i = 0; i < sizeof kNamed / sizeof kNamed[0]; ++i) {
        const char* name = Velkit_ResultName(kNamed[i].code);
        if (!name || strcmp(name, kNamed[i].name) != 0) {
            printf("%ld is named %s, expected %s\n", (long)kNamed[i].code, name ? name : "(none)", kNamed[i].name);
            ++failures;
        }
    }
    for (code = -10; code <= 700; ++code) {
        if (!IsNamed(code) && Velkit_ResultName(code)) {
            printf("%ld has the name %s\n", (long)code, Velkit_ResultName(code));
            ++failures;
        }
    }
    if (VELTO_SUCCESS != 0 || VELTO_ERROR_PRINTERNOTFOUND != 2 || VELTO_INVALID_DEVICEHANDLE != 104 ||
        VELTO_ERROR_ICLASS24_STOPBIT != 616 || VELKIT_MODE_DIRECT != 1 || VELKIT_MODE_SPOOLED != 2)
        ++failures;
    if (SCORPA_ENCODE_TEXT_SIZE != 256 || SCORPA_PRODUCT_NAME_SIZE != 17 || VELKIT_MG_WRITE_MAX != 511 ||
        VELKIT_MG_ARBITRARY_MAX != 255 || VELKIT_NAME_MAX != 255)
        ++failures;
    printf("%s\n", failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
