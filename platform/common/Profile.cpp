#include "platform/Profile.h"

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <mutex>

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

// The files this process has read lately, parsed, with the stamps they had
// then. A run reads its configuration file a dozen times, one key at a
// time; a file whose stamp is settled and has not changed is not read and
// parsed again (a large file made each read cost as much as the run).
struct LoadedFile {
    std::string path;
    FileStamp stamp;
    IniDocument doc;
};

struct LoadedFiles {
    std::mutex mutex;
    std::vector<LoadedFile> files;  // the most recently read last
    std::size_t loads = 0;
};

LoadedFiles& Loaded()
{
    // Never destroyed: reads may come from other libraries' exit code.
    static LoadedFiles* loaded = new LoadedFiles;
    return *loaded;
}

constexpr std::size_t kLoadedFilesKept = 4;

// Calls read with the document of file as it is now.
template <typename Read>
auto WithDocument(const std::string& file, Read&& read)
{
    LoadedFiles& loaded = Loaded();
    std::lock_guard<std::mutex> lock(loaded.mutex);
    const auto before = GetFileStamp(file);
    auto kept = std::find_if(loaded.files.begin(), loaded.files.end(), [&](const LoadedFile& f) { return f.path == file; });
    if (kept != loaded.files.end() && before && before->settled && kept->stamp == *before) return read(kept->doc);
    if (kept != loaded.files.end()) loaded.files.erase(kept);

    ++loaded.loads;
    const auto text = ReadFileText(file);
    IniDocument doc = IniDocument::Parse(text ? *text : std::string());
    // Kept only when nothing can have changed the file during the read.
    const auto after = before && before->settled ? GetFileStamp(file) : std::nullopt;
    if (!text || !after || !(*after == *before)) return read(doc);
    if (loaded.files.size() == kLoadedFilesKept) loaded.files.erase(loaded.files.begin());
    loaded.files.push_back({file, *before, std::move(doc)});
    return read(loaded.files.back().doc);
}

// One read-modify-write of the file; nothing is written when change leaves
// the document as it was. Whatever was kept of any file is let go: the
// next read reads the file (this one, or the same file under another name).
void Update(const std::string& file, const std::function<bool(IniDocument&)>& change)
{
    struct Forget {
        ~Forget()
        {
            LoadedFiles& loaded = Loaded();
            std::lock_guard<std::mutex> lock(loaded.mutex);
            loaded.files.clear();
        }
    } forget;
    UpdateFile(file, [&](std::string_view current) -> std::optional<std::string> {
        IniDocument doc = IniDocument::Parse(current);
        if (!change(doc)) return std::nullopt;
        return doc.Serialize();
    });
}

} // namespace

IniDocument IniDocument::Parse(std::string_view text)
{
    IniDocument doc;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        doc.bom_ = "\xEF\xBB\xBF";
        text.remove_prefix(3);
    }
    size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        Line line;
        if (nl == std::string_view::npos) {
            line.text = text.substr(pos);
            // A carriage return that ends the file ends its last line.
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.eol = "\r";
            }
            pos = text.size();
        } else {
            const bool crlf = nl > pos && text[nl - 1] == '\r';
            line.text = text.substr(pos, nl - pos - (crlf ? 1 : 0));
            line.eol = crlf ? "\r\n" : "\n";
            pos = nl + 1;
        }
        doc.lines_.push_back(std::move(line));
    }
    if (!doc.lines_.empty() && !doc.lines_.front().eol.empty() && doc.lines_.front().eol != "\r")
        doc.eol_ = doc.lines_.front().eol;
    doc.IndexSections();
    return doc;
}

void IniDocument::IndexSections()
{
    sections_.clear();
    for (size_t i = 0; i < lines_.size(); ++i)
        if (const auto name = SectionName(lines_[i].text)) sections_.emplace_back(LowerCase(*name), i);
    // By name, and for one name the first header first.
    std::stable_sort(sections_.begin(), sections_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::string IniDocument::Serialize() const
{
    std::string out = bom_;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

// Before a line is added at the end: a last line without an ending gets
// one, and a carriage return that only ended the file becomes a full one.
void IniDocument::EndLastLine()
{
    if (lines_.empty()) return;
    std::string& eol = lines_.back().eol;
    if (eol.empty()) eol = eol_;
    else if (eol == "\r") eol = "\r\n";
}

std::optional<size_t> IniDocument::FindSection(std::string_view section) const
{
    // Names compare without regard to case: the index holds them in lower case.
    const std::string want = LowerCase(TrimView(section));
    const auto it = std::lower_bound(sections_.begin(), sections_.end(), want,
                                     [](const auto& entry, const std::string& name) { return entry.first < name; });
    if (it == sections_.end() || it->first != want) return std::nullopt;
    return it->second;
}

size_t IniDocument::SectionEnd(size_t headerIndex) const
{
    size_t i = headerIndex + 1;
    while (i < lines_.size() && !SectionName(lines_[i].text)) ++i;
    return i;
}

std::optional<size_t> IniDocument::FindKey(size_t headerIndex, std::string_view key) const
{
    const std::string_view want = TrimView(key);
    const size_t end = SectionEnd(headerIndex);
    for (size_t i = headerIndex + 1; i < end; ++i) {
        const auto kv = KeyLine(lines_[i].text);
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
    return CookValue(KeyLine(lines_[*line].text)->second);
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    const auto header = FindSection(section);
    if (!header) return keys;
    const size_t end = SectionEnd(*header);
    for (size_t i = *header + 1; i < end; ++i)
        if (const auto kv = KeyLine(lines_[i].text)) keys.emplace_back(kv->first);
    return keys;
}

std::vector<std::string> IniDocument::Sections() const
{
    std::vector<std::string> names;
    for (const auto& line : lines_)
        if (const auto name = SectionName(line.text)) names.emplace_back(*name);
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
        EndLastLine();
        if (!lines_.empty() && !TrimView(lines_.back().text).empty()) lines_.push_back({"", eol_});
        lines_.push_back({"[" + Trim(section) + "]", eol_});
        lines_.push_back({std::string(k) + "=" + v, eol_});
        IndexSections();
        return;
    }
    if (const auto line = FindKey(*header, k)) {
        // Keep the key as it was spelled in the file, and the line's ending.
        lines_[*line].text = std::string(KeyLine(lines_[*line].text)->first) + "=" + v;
        return;
    }
    // New keys go after the section's last non-blank line.
    size_t at = SectionEnd(*header);
    while (at > *header + 1 && TrimView(lines_[at - 1].text).empty()) --at;
    if (at == lines_.size()) EndLastLine();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line {std::string(k) + "=" + v, eol_});
    IndexSections();
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key)
{
    const auto header = FindSection(section);
    if (!header) return false;
    const auto line = FindKey(*header, key);
    if (!line) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
    IndexSections();
    return true;
}

std::optional<std::string> ReadProfileValue(const std::string& file, std::string_view section, std::string_view key)
{
    return WithDocument(file, [&](const IniDocument& doc) { return doc.Value(section, key); });
}

std::vector<std::string> ReadProfileKeys(const std::string& file, std::string_view section)
{
    return WithDocument(file, [&](const IniDocument& doc) { return doc.Keys(section); });
}

std::size_t ProfileFileLoads()
{
    LoadedFiles& loaded = Loaded();
    std::lock_guard<std::mutex> lock(loaded.mutex);
    return loaded.loads;
}

void WriteProfileValue(const std::string& file, std::string_view section, std::string_view key, std::string_view value)
{
    Update(file, [&](IniDocument& doc) {
        doc.SetValue(section, key, value);
        return true;
    });
}

void DeleteProfileKey(const std::string& file, std::string_view section, std::string_view key)
{
    Update(file, [&](IniDocument& doc) { return doc.DeleteKey(section, key); });
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
