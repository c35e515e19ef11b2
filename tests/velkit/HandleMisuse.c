/* velkit-handle-misuse QUEUE: an SDK caller's slips with a Velkit handle,
 * made from C as an integrator's program makes them, linked against the
 * library. One line a case, "<case>: <result codes>"; the test compares
 * the whole output. A read of freed or foreign memory ends the program
 * under the sanitizer build (and a read of the inaccessible page below in
 * every build), so the test also sees a slip that is not refused.
 *
 * Exit status 0 when every case ran, 2 when the queue cannot be opened or
 * the page cannot be made. */
#define _DEFAULT_SOURCE
#include "velkit/ResultCodes.h"
#include "velkit/Velkit.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

/* Calls that take nothing but the handle and an out value, each on h; the
 * out values are not printed (they are written only on success). */
static void Sweep(const char* name, VelkitHandle* h)
{
    int32_t mode = -1;
    uint32_t flags = 0;
    uint32_t status = 0;
    uint16_t version = 0;
    printf("%s: GetMode=%d SetMode=%d Hardware=%d Status=%d Version=%d DocDetach=%d Transfer=%d Eject=%d "
           "HidClose=%d Close=%d\n",
           name, (int)Velkit_PrinterGetMode(h, &mode), (int)Velkit_PrinterSetMode(h, VELKIT_MODE_SPOOLED),
           (int)Velkit_PrinterGetHardware(h, &flags), (int)Velkit_PrinterStatus(h, &status),
           (int)Velkit_DriverVersion(h, &version), (int)Velkit_DocDetach(h), (int)Velkit_EncodeTransfer(h),
           (int)Velkit_EncodeEject(h, 2), (int)Velkit_HID24_Close(h), (int)Velkit_Close(h));
}

int main(int argc, char** argv)
{
    VelkitHandle* open;
    VelkitHandle* closed;
    VelkitHandle* reopened;
    void* page;
    void* block;
    volatile uintptr_t freed; /* the address kept, out of the compiler's sight */
    uint32_t forged[64];
    int32_t mode = -1;
    int32_t code;
    size_t i;

    if (argc != 2) {
        fprintf(stderr, "usage: %s QUEUE\n", argv[0]);
        return 2;
    }

    /* A live handle answers; the control case for all the others. */
    open = Velkit_OpenA(3, argv[1]);
    if (!open) {
        fprintf(stderr, "%s cannot be opened\n", argv[1]);
        return 2;
    }
    code = Velkit_PrinterGetMode(open, &mode);
    printf("open: GetMode=%d mode=%d\n", (int)code, (int)mode);

    /* Closed, then closed again, then every call after the close. */
    closed = open;
    printf("close: %d\n", (int)Velkit_Close(closed));
    printf("close again: %d\n", (int)Velkit_Close(closed));
    Sweep("after close", closed);

    /* A handle opened after the close is another one: the closed handle
     * does not reach its printer, and it works on its own. */
    reopened = Velkit_OpenA(3, argv[1]);
    if (!reopened) {
        fprintf(stderr, "%s cannot be opened again\n", argv[1]);
        return 2;
    }
    printf("stale: same=%d closed=%d reopened=%d\n", reopened == closed, (int)Velkit_PrinterGetMode(closed, &mode),
           (int)Velkit_PrinterGetMode(reopened, &mode));
    Sweep("stale", closed);
    printf("reopened close: %d\n", (int)Velkit_Close(reopened));

    /* Pointers that never were handles. */
    Sweep("null", NULL);
    /* An inaccessible page: any read through it faults in every build. */
    page = mmap(NULL, (size_t)sysconf(_SC_PAGESIZE), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) {
        perror("mmap");
        return 2;
    }
    Sweep("inaccessible page", (VelkitHandle*)page);
    /* Memory of the caller's own that happens to start with the record's
     * magic word: still not a handle. */
    for (i = 0; i < sizeof forged / sizeof forged[0]; ++i) forged[i] = 0x12345678u;
    Sweep("forged record", (VelkitHandle*)(void*)forged);
    /* A block the caller freed (the sanitizer build catches a read). */
    block = malloc(4096);
    if (!block) return 2;
    memset(block, 0x78, 4096);
    freed = (uintptr_t)block;
    free(block);
    Sweep("freed block", (VelkitHandle*)freed);
    /* Odd values, like the ones handles are made of, that were never given out. */
    Sweep("made-up value", (VelkitHandle*)(uintptr_t)0x7FFFFFF1u);
    munmap(page, (size_t)sysconf(_SC_PAGESIZE));
    return 0;
}
