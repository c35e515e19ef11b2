#pragma once
// How a stand-in offers an entry point: exported by its plain name, as the
// vendor's library does, in the calling convention the program calls it
// with. Write it as
//     TESTBED_EXPORT std::int32_t TAVRIN_STDCALL Name(...)
// On 32-bit Windows stdcall names carry "@<argument bytes>" inside the
// library; the stand-ins are linked with --kill-at, so the export table
// names them plainly (testbed/CMakeLists.txt).
#include "platform/CallingConvention.h"

#if defined(_WIN32)
#define TESTBED_EXPORT extern "C" __declspec(dllexport)
#else
#define TESTBED_EXPORT extern "C" __attribute__((visibility("default")))
#endif
