#include "platform/Profile.h"

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool IsComment(std::string_view trimmed) { return !trimmed.empty() && trimmed.front() == ';'; }

std::optional<std::string_view> SectionName(std::string_view line)
{
    const std::string_view t = TrimView(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    std::string_view inner = t.substr(1);
    const auto close = inner.find(']');
    if (close != std::string_view::npos) inner = inner.substr(0, close);
    return TrimView(inner);
}

// Key and raw value of a "key=value" line.
std::optional<std::pair<std::string_view, std::string_view>> KeyLine(std::string_view line)
{
    const std::string_view t = TrimView(line);
    if (t.empty() || IsComment(t) || t.front() == '[') return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return std::make_pair(TrimView(t.substr(0, eq)), t.substr(eq + 1));
}

std::string CookValue(std::string_view raw)
{
    std::string_view v = TrimView(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    if (v.size() > kProfileValueLimit) v = v.substr(0, kProfileValueLimit);
    return std::string(v);
}

std::optional<std::string> ReadWholeFile(const std::string& file)
{
    if (!FileExists(file)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

[[noreturn]] void WriteFailed(const std::string& file) { throw Error("Unable to write to " + file); }

// Replaces file's content in one step: a reader sees the old file or the new
// one, never a part of either.
void WriteFileAtomically(const std::string& file, const std::string& content)
{
    // Write through a symbolic link to the file it names.
    std::string target = file;
    if (char* real = ::realpath(file.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) WriteFailed(file);
        mode = st.st_mode & 07777;
    }
    std::string tmp = target + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) WriteFailed(file);
    bool ok = ::fchmod(fd, mode) == 0;
    size_t done = 0;
    while (ok && done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        WriteFailed(file);
    }
}

IniDocument Load(const std::string& file)
{
    const auto text = ReadWholeFile(file);
    return IniDocument::Parse(text ? *text : std::string());
}

} // namespace

IniDocument IniDocument::Parse(std::string_view text)
{
    IniDocument doc;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        doc.bom_ = "\xEF\xBB\xBF";
        text.remove_prefix(3);
    }
    if (text.empty()) return doc;
    const auto firstNl = text.find('\n');
    if (firstNl != std::string_view::npos && firstNl > 0 && text[firstNl - 1] == '\r') doc.eol_ = "\r\n";
    doc.finalEol_ = text.back() == '\n';
    size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        doc.lines_.emplace_back(line);
        pos = nl + 1;
    }
    return doc;
}

std::string IniDocument::Serialize() const
{
    std::string out = bom_;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || finalEol_) out += eol_;
    }
    return out;
}

std::optional<size_t> IniDocument::FindSection(std::string_view section) const
{
    const std::string_view want = TrimView(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i]);
        if (name && SameText(*name, want)) return i;
    }
    return std::nullopt;
}

size_t IniDocument::SectionEnd(size_t headerIndex) const
{
    size_t i = headerIndex + 1;
    while (i < lines_.size() && !SectionName(lines_[i])) ++i;
    return i;
}

std::optional<size_t> IniDocument::FindKey(size_t headerIndex, std::string_view key) const
{
    const std::string_view want = TrimView(key);
    const size_t end = SectionEnd(headerIndex);
    for (size_t i = headerIndex + 1; i < end; ++i) {
        const auto kv = KeyLine(lines_[i]);
        if (kv && SameText(kv->first, want)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const
{
    const auto header = FindSection(section);
    if (!header) return std::nullopt;
    const auto line = FindKey(*header, key);
    if (!line) return std::nullopt;
    return CookValue(KeyLine(lines_[*line])->second);
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    const auto header = FindSection(section);
    if (!header) return keys;
    const size_t end = SectionEnd(*header);
    for (size_t i = *header + 1; i < end; ++i)
        if (const auto kv = KeyLine(lines_[i])) keys.emplace_back(kv->first);
    return keys;
}

std::vector<std::string> IniDocument::Sections() const
{
    std::vector<std::string> names;
    for (const auto& line : lines_)
        if (const auto name = SectionName(line)) names.emplace_back(*name);
    return names;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    // A line break inside a value would split the line and corrupt the file.
    std::string v(value);
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    const std::string_view k = TrimView(key);

    const auto header = FindSection(section);
    if (!header) {
        if (!lines_.empty() && !TrimView(lines_.back()).empty()) lines_.emplace_back();
        lines_.push_back("[" + Trim(section) + "]");
        lines_.push_back(std::string(k) + "=" + v);
        finalEol_ = true;
        return;
    }
    if (const auto line = FindKey(*header, k)) {
        // Keep the key as it was spelled in the file.
        lines_[*line] = std::string(KeyLine(lines_[*line])->first) + "=" + v;
        return;
    }
    // New keys go after the section's last non-blank line.
    size_t at = SectionEnd(*header);
    while (at > *header + 1 && TrimView(lines_[at - 1]).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(k) + "=" + v);
    if (at + 1 == lines_.size()) finalEol_ = true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key)
{
    const auto header = FindSection(section);
    if (!header) return false;
    const auto line = FindKey(*header, key);
    if (!line) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
    return true;
}

std::optional<std::string> ReadProfileValue(const std::string& file, std::string_view section, std::string_view key)
{
    return Load(file).Value(section, key);
}

std::vector<std::string> ReadProfileKeys(const std::string& file, std::string_view section)
{
    return Load(file).Keys(section);
}

void WriteProfileValue(const std::string& file, std::string_view section, std::string_view key, std::string_view value)
{
    IniDocument doc = Load(file);
    doc.SetValue(section, key, value);
    WriteFileAtomically(file, doc.Serialize());
}

void DeleteProfileKey(const std::string& file, std::string_view section, std::string_view key)
{
    IniDocument doc = Load(file);
    if (doc.DeleteKey(section, key)) WriteFileAtomically(file, doc.Serialize());
}

std::optional<int> ParseWholeNumber(std::string_view text)
{
    auto hex = [](std::string_view digits) -> std::optional<int> {
        if (digits.empty() || digits.size() > 8) {
            // More than 8 digits only when the extra ones are leading zeros.
            while (digits.size() > 8 && digits.front() == '0') digits.remove_prefix(1);
            if (digits.empty() || digits.size() > 8) return std::nullopt;
        }
        std::uint32_t v = 0;
        for (char c : digits) {
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else return std::nullopt;
            v = (v << 4) | static_cast<std::uint32_t>(d);
        }
        return static_cast<int>(v);
    };
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return hex(text.substr(2));
    if (!text.empty() && text[0] == '$') return hex(text.substr(1));

    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return std::nullopt;
    return static_cast<int>(v);
}

} // namespace platform
