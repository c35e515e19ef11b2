#pragma once
// The graphics module (libscorpa-graphics.so beside libscorpa.so), loaded
// the first time a bitmap the library does not read itself, or a text, is
// printed, and kept until the process ends.
#include "Bitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace scorpa {

// Both raise platform::Error when the module cannot be loaded or the call
// fails. DecodeBitmap refuses what CheckBitmapHeader refuses before the
// module is even loaded, reads what TBitmap::DecodesDirectly takes without
// the module, and always gives a 24-bit bitmap.
TBitmap DecodeBitmap(std::span<const std::uint8_t> bytes);
TBitmap DrawText(std::string_view text, const std::string& family, int pixelHeight, std::uint32_t color, int style);

} // namespace scorpa
