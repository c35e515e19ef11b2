#pragma once
// The graphics module (libscorpa-graphics.so beside libscorpa.so), loaded
// the first time an image or a text is printed and kept until the process
// ends.
#include "Bitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace scorpa {

// Both raise platform::Error when the module cannot be loaded or the call
// fails. DecodeBitmap refuses what CheckBitmapHeader refuses before the
// module is even loaded.
TBitmap DecodeBitmap(std::span<const std::uint8_t> bytes);
TBitmap DrawText(std::string_view text, const std::string& family, int pixelHeight, std::uint32_t color, int style);

} // namespace scorpa
