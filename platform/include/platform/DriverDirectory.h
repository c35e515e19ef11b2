#pragma once
// Where the system keeps its printer drivers' files: the directory the DII
// family looks in for a model's driver library, and where the dialog's file
// chooser starts.
#include <string>

namespace platform {

// With its trailing separator. TAVRIN_PRINTER_DRIVER_DIR names another one.
std::string PrinterDriverDir();

} // namespace platform
