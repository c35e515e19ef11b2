/* DlPortIO: direct access to a parallel port's registers.
 *
 * libdlportio.so is the Linux library behind the two calls of the
 * dlportio.dll driver that Windows programs use: a register address is
 * served by the parallel port whose base address is that address or lies
 * one or two below it (data at the base, status at base + 1, control at
 * base + 2), through the kernel's ppdev driver (/dev/parportN, claimed on
 * first use and kept for the life of the process).
 *
 * Neither call reports an error: a port that does not exist or cannot be
 * claimed is said once on standard error, reads give 0xFF (what an absent
 * port reads) and writes go nowhere. The calls may be made from several
 * threads. C99 and C++. */
#ifndef DLPORTIO_DLPORTIO_H
#define DLPORTIO_DLPORTIO_H

#include <stdint.h>

/* DLPORTIO_API marks the two exports (default visibility on ELF systems);
 * DLPORTIO_CALL is their calling convention, __stdcall as dlportio.dll
 * has them on Windows. */
#if defined(_WIN32)
#define DLPORTIO_API
#define DLPORTIO_CALL __stdcall
#elif defined(__GNUC__)
#define DLPORTIO_API __attribute__((visibility("default")))
#define DLPORTIO_CALL
#else
#define DLPORTIO_API
#define DLPORTIO_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Reads one register.
 * port (in): the register's I/O address, for example 0x379 for the status
 *   register of the port at 0x378.
 * Result: the register's byte; 0xFF when no port serves the address. */
DLPORTIO_API uint8_t DLPORTIO_CALL DlPortReadPortUchar(uint32_t port);

/* Writes one register.
 * port (in): the register's I/O address, for example 0x378 for the data
 *   register, 0x37A for the control register.
 * value (in): the byte to write. Nothing happens when no port serves the
 *   address, or for a status register (read only). */
DLPORTIO_API void DLPORTIO_CALL DlPortWritePortUchar(uint32_t port, uint8_t value);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif
