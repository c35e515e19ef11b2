#include "platform/MessageBox.h"

#include "Backend.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

MessageBackend* gBackend = nullptr;

const char* IconName(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return "information";
    case MessageIcon::Warning: return "warning";
    case MessageIcon::Error: return "error";
    case MessageIcon::None: break;
    }
    return "none";
}

// TAVRIN_MESSAGE_LOG names a file that gets a copy of every box: a line
// "#icon <name>", then the box's console form. A box that waits for a
// person on the desktop can so be read by a script or a test as well.
void CopyToMessageLog(std::string_view text, std::string_view caption, MessageIcon icon)
{
    const char* path = std::getenv("TAVRIN_MESSAGE_LOG");
    if (!path || !*path) return;
    std::FILE* log = std::fopen(path, "ab");
    if (!log) return;
    const std::string entry = std::string("#icon ") + IconName(icon) + "\n" + ConsoleMessageLine(text, caption);
    std::fwrite(entry.data(), 1, entry.size(), log);
    std::fclose(log);
}

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
    CopyToMessageLog(text, caption, icon);
    if (gBackend) {
        gBackend->Show(text, caption, icon);
        return;
    }
    backend::ShowSystemMessageBox(text, caption, icon);
}

void ShowErrorBox(std::string_view text) { ShowMessageBox(text, "Error", MessageIcon::Error); }

void ReportUnhandledError(std::string_view text) { ShowMessageBox(text, "Tavrin", MessageIcon::Error); }

} // namespace platform
