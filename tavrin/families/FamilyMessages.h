#pragma once
#include "core/RunLog.h"

#include <string_view>

namespace tavrin {

// A plain modal message with one OK button, captioned with the program's
// title.
inline void ShowFamilyMessage(std::string_view text)
{
    ShowMessage(text, "Tavrin", platform::MessageIcon::None);
}

} // namespace tavrin
