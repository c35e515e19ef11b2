#pragma once
// The family operations the dispatch calls. Each performs one whole card
// movement, shows its own failure messages and returns true when done.
#include <string>

namespace tavrin {

// ESC command printers (ESCPRINTERS, EVOLIS; ZEBRA and FARGO variants).
bool EscPrinterCommand(const std::string& mode, const std::string& name, const std::string& command, bool direct);
bool ZebraCommand(const std::string& mode, const std::string& name, const std::string& command);
bool FargoCommand(const std::string& mode, const std::string& name, const std::string& command);

// Velto printers: SCSI through Scorpa, USB through Velkit.
bool VeltoCommand(const std::string& mode, const std::string& name, const std::string& command, int trackNo,
                  std::string& encodeData);

// DII printers through their vendor driver libraries.
bool DiiCommand(int model, const std::string& name, const std::string& command, bool direct);

// Magicard printers.
bool MagicardCommand(const std::string& mode, const std::string& name, const std::string& command, bool direct);

// CIAAT printers.
bool CiaatCommand(const std::string& mode, const std::string& name, const std::string& command);

} // namespace tavrin
