#pragma once
// A property a fuzz target holds its code to. A failed one names itself and
// aborts, so libFuzzer keeps the input that broke it as a crash.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

[[noreturn]] inline void Failed(const char* file, int line, const char* what, std::string_view detail)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    if (!detail.empty()) {
        std::fprintf(stderr, "  detail (%zu bytes):", detail.size());
        for (const char c : detail.substr(0, 256)) std::fprintf(stderr, " %02X", static_cast<unsigned char>(c));
        std::fprintf(stderr, "%s\n", detail.size() > 256 ? " ..." : "");
    }
    std::abort();
}

// Reads every byte of a block handed over, so that AddressSanitizer sees a
// block shorter than its stated size.
inline void ReadAll(const unsigned char* p, std::size_t n)
{
    volatile unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum = sum + p[i];
}

} // namespace fuzz

#define FUZZ_CHECK(cond)                                                  \
    do {                                                                  \
        if (!(cond)) ::fuzz::Failed(__FILE__, __LINE__, #cond, {});       \
    } while (0)

// The same, with bytes worth seeing when it fails (shown in hexadecimal).
#define FUZZ_CHECK_SHOW(cond, bytes)                                      \
    do {                                                                  \
        if (!(cond)) ::fuzz::Failed(__FILE__, __LINE__, #cond, (bytes));  \
    } while (0)
