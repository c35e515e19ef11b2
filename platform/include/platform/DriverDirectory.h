#pragma once
// Where the system keeps its printer drivers' files: the directory the DII
// family looks in for a model's driver library, and where the dialog's file
// chooser starts.
#include <string>

namespace platform {

// With its trailing separator. TAVRIN_PRINTER_DRIVER_DIR names another one.
std::string PrinterDriverDir();

// The folder the dialog's chooser of a driver library opens at: on Windows
// the system's folder of 32-bit printer drivers
// (<SystemRoot>\system32\spool\drivers\w32x86), elsewhere
// PrinterDriverDir().
std::string DriverChooserDir();

} // namespace platform
