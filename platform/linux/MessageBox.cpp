#include "platform/MessageBox.h"

#include <cstdio>

namespace platform {
namespace {

MessageBackend* gBackend = nullptr;

} // namespace

void SetMessageBackend(MessageBackend* backend) { gBackend = backend; }

std::string ConsoleMessageLine(std::string_view text, std::string_view caption)
{
    std::string line;
    line.reserve(caption.size() + text.size() + 8);
    line.append(caption).append(": ");
    for (size_t i = 0; i < text.size(); ++i) {
        line += text[i];
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) line += '\n';
    }
    line += '\n';
    return line;
}

void ShowMessageBox(std::string_view text, std::string_view caption, MessageIcon icon)
{
    if (gBackend) {
        gBackend->Show(text, caption, icon);
        return;
    }
    const std::string line = ConsoleMessageLine(text, caption);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void ShowErrorBox(std::string_view text) { ShowMessageBox(text, "Error", MessageIcon::Error); }

void ReportUnhandledError(std::string_view text) { ShowMessageBox(text, "Tavrin", MessageIcon::Error); }

} // namespace platform
