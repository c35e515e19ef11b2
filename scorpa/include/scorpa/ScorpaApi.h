/* How Scorpa's functions are exported and called.
 *
 *   SCORPA_API   on every export: default visibility on ELF systems (the
 *                library is built with hidden visibility, so only what
 *                carries this leaves it); on Windows dllexport while
 *                Scorpa.dll itself is built (SCORPA_BUILD), dllimport for
 *                its callers. The DLL is linked so that its exports have
 *                plain names on 32-bit x86 too (no @N).
 *   SCORPA_CALL  the calling convention: __stdcall on Windows, as the
 *                printer's own Win32 library used (it matters on 32-bit
 *                x86 only); the platform's one convention elsewhere.
 *
 * Written between the result type and the name:
 *   SCORPA_API ScorpaBool SCORPA_CALL SCSIOpen(void); */
#ifndef SCORPA_SCORPAAPI_H
#define SCORPA_SCORPAAPI_H

#if defined(_WIN32)
#if defined(SCORPA_BUILD)
#define SCORPA_API __declspec(dllexport)
#else
#define SCORPA_API __declspec(dllimport)
#endif
#define SCORPA_CALL __stdcall
#elif defined(__GNUC__)
#define SCORPA_API __attribute__((visibility("default")))
#define SCORPA_CALL
#else
#define SCORPA_API
#define SCORPA_CALL
#endif

#endif
