#include "platform/Devices.h"

#include "SystemError.h"
#include "platform/WideText.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <windows.h>

namespace platform {
namespace {

HANDLE Native(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }

// One write request: its OVERLAPPED and the event it completes. The system
// writes into both until the request has ended, so a request that a device
// will not give back even when cancelled keeps them for the rest of the
// run.
struct Request {
    OVERLAPPED at {};
    Request() { at.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
    ~Request()
    {
        if (at.hEvent) ::CloseHandle(at.hEvent);
    }
};

// How long a cancelled request is waited for.
constexpr DWORD kCancelWaitMs = 2000;

// One overlapped write, waited for until the deadline at most. The bytes
// the device took, or nothing when the write failed or ran out of time (it
// is then cancelled).
std::optional<DWORD> WriteWithin(HANDLE h, const std::uint8_t* data, DWORD size,
                                 std::chrono::steady_clock::time_point deadline)
{
    auto request = std::make_unique<Request>();
    OVERLAPPED& at = request->at;
    if (!at.hEvent) return std::nullopt;
    // The end of the file: a stand-in file grows like a device's output.
    // Devices ignore the position.
    at.Offset = 0xFFFFFFFF;
    at.OffsetHigh = 0xFFFFFFFF;
    DWORD written = 0;
    if (::WriteFile(h, data, size, &written, &at)) return written;
    if (::GetLastError() != ERROR_IO_PENDING) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const DWORD wait = left.count() <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left.count(), INFINITE - 1));
    if (::WaitForSingleObject(at.hEvent, wait) == WAIT_OBJECT_0) {
        if (!::GetOverlappedResult(h, &at, &written, FALSE)) return std::nullopt;
        return written;
    }
    // A printer that takes nothing: the request is cancelled, and must have
    // ended before its OVERLAPPED is freed. One that ended just now took
    // its bytes after all.
    ::CancelIoEx(h, &at);
    if (::WaitForSingleObject(at.hEvent, kCancelWaitMs) != WAIT_OBJECT_0) {
        request.release();  // a driver that ignores the cancel still owns it
        return std::nullopt;
    }
    if (!::GetOverlappedResult(h, &at, &written, FALSE)) return std::nullopt;
    return written;
}

} // namespace

std::optional<DeviceFile> DeviceFile::Open(std::string_view deviceName, std::string* error)
{
    const std::string path = DevicePath(deviceName);
    // No sharing: a device another process holds is not ours to write.
    // Overlapped, so that a write to a printer that is off-line or out of
    // paper can be given up at the deadline.
    const std::u16string wide = NarrowToWide(path);
    const HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ | GENERIC_WRITE, 0,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = path + ": " + win32::LastErrorMessage();
        return std::nullopt;
    }
    return DeviceFile(reinterpret_cast<NativeHandle>(h));
}

bool DeviceFile::Write(std::span<const std::uint8_t> bytes)
{
    if (handle_ == kNoHandle) return false;
    const HANDLE h = Native(handle_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(DeviceWriteLimitMs());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, std::numeric_limits<DWORD>::max()));
        const auto written = WriteWithin(h, bytes.data() + done, chunk, deadline);
        if (!written || *written < chunk) {
            // The port keeps an error state after a failed or short write;
            // clear it, so the rest (or whoever writes next) gets through.
            DWORD errors = 0;
            ::ClearCommError(h, &errors, nullptr);
            if (!written || *written == 0) return false;
        }
        done += *written;
    }
    return true;
}

void DeviceFile::Close()
{
    if (handle_ != kNoHandle) ::CloseHandle(Native(handle_));
    handle_ = kNoHandle;
}

} // namespace platform
