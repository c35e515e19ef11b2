/* Every public header as a C99 program sees it (compiled with -std=c99
 * -pedantic -Werror): the layouts C callers share with the libraries, the
 * exports' types, and the values callers build on (modes, bounds), each
 * written out once here as a number. Runs as a
 * test; the same file is checked with the Windows cross compilers where
 * they are installed. */
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
 * the declarations above). A changed type stops the compiler here. */
static ScorpaBool(SCORPA_CALL* const scorpaOpen)(void) = SCSIOpen;
static ScorpaBool(SCORPA_CALL* const scorpaText)(const char*, int32_t, int32_t, const char*, int32_t, int32_t,
                                                  int32_t, ScorpaBool, int32_t) = SCSIRFText;
static ScorpaBool(SCORPA_CALL* const scorpaLastError)(char*, int32_t) = SCSIGetLastErrorText;
static VelkitHandle*(VELKIT_CALL* const velkitOpen)(int32_t, const char*) = Velkit_OpenA;
static int32_t(VELKIT_CALL* const velkitStatus)(VelkitHandle*, uint32_t*) = Velkit_PrinterStatus;
static int32_t(VELKIT_CALL* const velkitTrack)(VelkitHandle*, intptr_t, intptr_t, intptr_t) = Velkit_EncodeMGGetTrack;
static uint8_t(DLPORTIO_CALL* const portRead)(uint32_t) = DlPortReadPortUchar;

/* The values callers keep in their own code, written out once here as
 * numbers: the modes, the buffer bounds and a memory mode. (The result
 * codes and their names are pinned in tests/velkit/ResultCodesTest.cpp.) */
struct Value {
    const char* what;
    long actual;
    long pinned;
};

int main(void)
{
    int failures = 0;
    size_t i;
    const struct Value values[] = {
        {"VELKIT_MODE_DIRECT", VELKIT_MODE_DIRECT, 1},
        {"VELKIT_MODE_SPOOLED", VELKIT_MODE_SPOOLED, 2},
        {"VELKIT_NAME_MAX", VELKIT_NAME_MAX, 255},
        {"VELKIT_MG_WRITE_MAX", VELKIT_MG_WRITE_MAX, 511},
        {"VELKIT_MG_ARBITRARY_MAX", VELKIT_MG_ARBITRARY_MAX, 255},
        {"VELKIT_IC_CONTACTS_REPLY", VELKIT_IC_CONTACTS_REPLY, 512},
        {"SCORPA_ENCODE_TEXT_SIZE", SCORPA_ENCODE_TEXT_SIZE, 256},
        {"SCORPA_PRODUCT_NAME_SIZE", SCORPA_PRODUCT_NAME_SIZE, 17},
        {"mmEconomy_DualSide", mmEconomy_DualSide, 4},
    };

    /* Only for the type checks above: nothing is called through them. */
    (void)scorpaOpen, (void)scorpaText, (void)scorpaLastError, (void)velkitOpen, (void)velkitStatus,
        (void)velkitTrack, (void)portRead;

    for (i = 0; i < sizeof values / sizeof values[0]; ++i) {
        if (values[i].actual != values[i].pinned) {
            printf("%s is %ld, expected %ld\n", values[i].what, values[i].actual, values[i].pinned);
            ++failures;
        }
    }
    printf("%s\n", failures ? "FAILED" : "ok");
    return failures ? 1 : 0;
}
