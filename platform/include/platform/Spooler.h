#pragma once
// The printing system: which printers are installed, which one is the
// default, and raw jobs whose bytes reach the printer unchanged.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Names of the local and connected printers the printing system knows.
// Empty when the printing system cannot be asked.
std::vector<std::string> InstalledPrinters();

// True when the printing system knows a printer of that name (compared
// without regard to case). One question to the server, not a listing.
bool PrinterInstalled(const std::string& name);

// The default printer's name, or "" when there is none.
std::string DefaultPrinter();

// Sends one raw job named documentName to printer ("" = the default
// printer). True when the printing system took the whole job; otherwise
// false with a reason in *error.
bool SpoolRawJob(const std::string& printer, const std::string& documentName,
                 std::span<const std::uint8_t> bytes, std::string* error = nullptr);

} // namespace platform
