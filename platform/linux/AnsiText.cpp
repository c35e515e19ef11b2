#include "platform/WideText.h"

namespace platform {

// The A entry points take UTF-8 here, the system's own text.
std::string AnsiToNarrow(std::string_view ansi) { return std::string(ansi); }
std::string NarrowToAnsi(std::string_view narrow) { return std::string(narrow); }

} // namespace platform
