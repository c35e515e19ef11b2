#pragma once
// The spooler's calls that fill a caller's buffer and, when it is too small,
// say how large it must be (GetPrinterA, GetJobA, EnumJobsA, EnumPrintersA,
// GetPrinterDriverA): asked again with a buffer of that size, a few times,
// since the record can grow between the two calls.
#include <vector>
#include <windows.h>

namespace platform::win32 {

// fetch(buffer, size, &needed) is one such call; true when one of them
// succeeded, with buffer holding what it wrote.
template <typename Fetch>
bool FetchSized(std::vector<BYTE>& buffer, Fetch fetch)
{
    buffer.clear();
    for (int attempt = 0; attempt < 5; ++attempt) {
        DWORD needed = 0;
        if (fetch(buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) return true;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) return false;
        buffer.assign(needed, 0);
    }
    return false;
}

} // namespace platform::win32
