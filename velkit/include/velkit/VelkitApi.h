/* How Velkit's functions are exported and called.
 *
 *   VELKIT_API   on every export: default visibility on ELF systems (the
 *                library is built with hidden visibility, so only what
 *                carries this leaves it); on Windows dllexport while
 *                Velkit.dll itself is built (VELKIT_BUILD), dllimport for
 *                its callers. The DLL is linked so that its exports have
 *                plain names on 32-bit x86 too (no @N).
 *   VELKIT_CALL  the calling convention: __stdcall on Windows, as the
 *                printer's own Win32 SDK used (it matters on 32-bit x86
 *                only); the platform's one convention elsewhere.
 *
 * Written between the result type and the name:
 *   VELKIT_API int32_t VELKIT_CALL Velkit_Close(VelkitHandle* handle); */
#ifndef VELKIT_VELKITAPI_H
#define VELKIT_VELKITAPI_H

#if defined(_WIN32)
#if defined(VELKIT_BUILD)
#define VELKIT_API __declspec(dllexport)
#else
#define VELKIT_API __declspec(dllimport)
#endif
#define VELKIT_CALL __stdcall
#elif defined(__GNUC__)
#define VELKIT_API __attribute__((visibility("default")))
#define VELKIT_CALL
#else
#define VELKIT_API
#define VELKIT_CALL
#endif

#endif
