#pragma once
// Velto printers: mode "SCSI" through the Scorpa library, mode "USB"
// through the Velkit library.
#include "Families.h"

#include <cstdint>
#include <string>

namespace tavrin {

bool VeltoUsbCommand(const std::string& name, const std::string& command);
bool VeltoScsiCommand(const std::string& name, const std::string& command, int trackNo, std::string& encodeData);

// The VELTO_* name of a Velkit result code, or "Unknown Error!".
std::string VeltoResultName(std::int32_t code);

} // namespace tavrin
