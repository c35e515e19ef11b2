#include "platform/SerialPort.h"

#include "../common/Backend.h"
#include "SystemError.h"

#include <windows.h>

namespace platform {
namespace {

HANDLE Native(NativeHandle h) { return reinterpret_cast<HANDLE>(h); }

// What a port without modem lines (a stand-in, a redirected port) answers
// when asked to set them.
bool NoModemLines(DWORD error)
{
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_PARAMETER;
}

} // namespace

std::string backend::SerialPortDevice(int n)
{
    // The device namespace reaches COM10 and above too.
    return "\\\\.\\COM" + std::to_string(n);
}

void SerialPort::Close()
{
    if (handle_ != kNoHandle) ::CloseHandle(Native(handle_));
    handle_ = kNoHandle;
}

std::string backend::OpenSerialDevice(const std::string& path, const SerialSettings& s, NativeHandle& handle)
{
    auto failed = [&](const char* step) { return path + ": " + step + ": " + win32::LastErrorMessage(); };
    // No sharing: the port is ours alone while it is open.
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return path + ": " + win32::LastErrorMessage();
    handle = reinterpret_cast<NativeHandle>(h);

    if (!::SetupComm(h, 1024, 1024) && !NoModemLines(::GetLastError())) return failed("queues");
    DCB dcb {};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb)) return failed("line settings");
    dcb.BaudRate = static_cast<DWORD>(s.BaudRate);
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.Parity = NOPARITY;
    dcb.ByteSize = static_cast<BYTE>(s.DataBits >= 5 && s.DataBits <= 8 ? s.DataBits : 8);
    dcb.StopBits = s.StopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    // No flow control of any kind; the lines are ours to set.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = s.Dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = s.Rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    if (!::SetCommState(h, &dcb)) return failed("line settings");

    // Reads return at once with what has arrived; a write may take 100 ms
    // a byte plus a second.
    COMMTIMEOUTS timeouts {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 100;
    timeouts.WriteTotalTimeoutConstant = 1000;
    if (!::SetCommTimeouts(h, &timeouts)) return failed("time-outs");

    // The line settings asked for the lines already; say it once more
    // directly, as some drivers take only this.
    if (!::EscapeCommFunction(h, s.Dtr ? SETDTR : CLRDTR) && !NoModemLines(::GetLastError())) return failed("DTR");
    if (!::EscapeCommFunction(h, s.Rts ? SETRTS : CLRRTS) && !NoModemLines(::GetLastError())) return failed("RTS");
    return {};
}

} // namespace platform
