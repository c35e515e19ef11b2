#pragma once
// What each backend gives the common code: calls into the system that the
// OS-free parts of the platform layer route to. Not for callers outside
// platform/.
#include "platform/MessageBox.h"

#include <string_view>

namespace platform::backend {

// The system's own modal box for a message with no backend installed:
// a window where the system can show one, otherwise the console form on
// standard error.
void ShowSystemMessageBox(std::string_view text, std::string_view caption, MessageIcon icon);

} // namespace platform::backend
