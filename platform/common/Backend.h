#pragma once
// What each backend gives the common code: the calls into the system that
// the OS-free parts of the platform layer route to. Not for callers outside
// platform/.
#include "platform/MessageBox.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform::backend {

// ---- messages and windows ----

// The system's own modal box for a message with no backend installed:
// a window where the system can show one, otherwise the console form on
// standard error.
void ShowSystemMessageBox(std::string_view text, std::string_view caption, MessageIcon icon);

// The GUI module's file name, looked for in the program directory.
const char* GuiModuleFile();

// Why no window can be shown, or nullptr when there is a desktop.
const char* NoDisplayReason();

// ---- devices ----

// The device of serial port n (from 1).
std::string SerialPortDevice(int n);

// ---- libraries ----

void UnloadLibrary(void* handle);

// The entry point of exactly that name, or nullptr.
void* LibrarySymbol(void* handle, const char* name);

// ---- clock ----

void Wait(std::uint32_t ms);

// Milliseconds on a monotonic clock from a fixed point in the past.
std::uint64_t MonotonicMs();

// ---- printing system ----

// One raw job to a named printer (SpoolRawJob has resolved the default).
bool SpoolRawJobTo(const std::string& printer, const std::string& documentName,
                   std::span<const std::uint8_t> bytes, std::string* error);

} // namespace platform::backend
