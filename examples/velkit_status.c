/* Velkit from C: open a printer, put it into direct mode (which binds it
 * through its port module), read its status, close it. Every result is
 * printed with its name.
 *
 *   cc velkit_status.c $(pkg-config --cflags --libs velkit) -o velkit_status
 *   ./velkit_status Velto_USB
 *
 * Exit status: 0 when every call succeeded, 1 otherwise, 2 for a usage
 * error. */
#include <stdio.h>

#include <velkit/Velkit.h>

/* Prints one call's result as "<call>: <name> (<code>)" and gives it back. */
static int32_t Report(const char* call, int32_t code)
{
    const char* name = Velkit_ResultName(code);
    printf("%s: %s (%ld)\n", call, name ? name : "Unknown Error!", (long)code);
    return code;
}

/* The fields of the packed status word. */
static void PrintStatus(uint32_t status)
{
    static const char* const kStates[] = {"none", "ready", "busy", "none", "error"};
    const unsigned mechanism = status & 0x07u;
    /* Not "interface": <windows.h>, which Velkit.h includes on Windows,
     * makes that word a macro. */
    const unsigned iface = (status >> 4) & 0x07u;
    printf("status word: 0x%08lX\n", (unsigned long)status);
    printf("  mechanism: %s\n", mechanism <= 4 ? kStates[mechanism] : "?");
    printf("  interface: %s\n", iface <= 4 ? kStates[iface] : "?");
    printf("  card position: %lu\n", (unsigned long)((status >> 8) & 0x0Fu));
    printf("  printing panel: %lu\n", (unsigned long)((status >> 12) & 0x0Fu));
    if (status & 0xFFFF0000u)
        printf("  sense code: 0x%02lX%02lX\n", (unsigned long)(status >> 24), (unsigned long)((status >> 16) & 0xFFu));
}

int main(int argc, char** argv)
{
    VelkitHandle* handle;
    uint32_t status = 0;
    int failed = 0;

    if (argc != 2) {
        fprintf(stderr, "usage: %s PRINTER\n", argv[0]);
        return 2;
    }
    handle = Velkit_OpenA(0, argv[1]);
    if (!handle) {
        printf("Velkit_OpenA: no printer \"%s\"\n", argv[1]);
        return 1;
    }
    if (Report("Velkit_PrinterSetMode", Velkit_PrinterSetMode(handle, VELKIT_MODE_DIRECT)) != VELTO_SUCCESS) {
        failed = 1;
    } else if (Report("Velkit_PrinterStatus", Velkit_PrinterStatus(handle, &status)) == VELTO_SUCCESS) {
        PrintStatus(status);
    } else {
        failed = 1;
    }
    /* Close puts the printer back into the mode it had. */
    if (Report("Velkit_Close", Velkit_Close(handle)) != VELTO_SUCCESS) failed = 1;
    return failed;
}
