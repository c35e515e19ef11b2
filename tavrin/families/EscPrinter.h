#pragma once
// ESC command printers: command words become the configured (or, for
// ZEBRA, fixed) command texts, framed and sent through the spooler (mode
// "USB") or the parallel port (mode "PARALLEL").
#include "Families.h"

#include <string>
#include <string_view>

namespace tavrin {

// FEED, EJECT, RETURN, REJECT or FLIP, compared upper-cased.
bool IsCommandWord(std::string_view text);

// One raw job named "Printer command" to printer ("" = the default
// printer). Unless alreadyFramed, data is framed as 1B data 0D 0A. True
// only once the printer took the job (TAVRIN_SPOOL_WAIT_MS bounds the
// wait; platform/Spooler.h); otherwise false, after a message that names
// the printer and the cause. The run log gets the job's id, state and time.
bool SpoolRawCommand(const std::string& printerName, const std::string& data, bool alreadyFramed);

// One command over the parallel port as [Port] configures it.
bool SendParallelCommand(const std::string& text);

// Writes one LPT device frame (1B text 0D) to "LPT" + portNo; a frame whose
// text begins with "$" carries a hexadecimal payload and only those bytes
// are written. False when the device cannot be opened or fully written.
bool SendLptDeviceCommand(int portNo, const std::string& framed);

// Pairs of the digits 0-9 and A-F (everything else dropped; a last single
// digit ignored) as bytes.
std::string HexToBytes(std::string_view text);

} // namespace tavrin
