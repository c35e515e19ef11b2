#pragma once
// Magicard printers: commands wrapped in the Magicard raw frame, or, for
// FEED and EJECT when UseDriverAPI is set, the vendor library MagAPI.
#include "Families.h"

#include <string>

namespace tavrin {

// 01 ",NOC0,BBB1,MAG1,%" text 1C 03
std::string MagicardFrame(const std::string& text);

bool MagicardApiCommand(const std::string& name, const std::string& command);

} // namespace tavrin
