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

// FNV-1a over the name in lower case: equal for names that compare equal.
std::uint64_t NameHash(std::string_view name)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : name) {
        h ^= static_cast<unsigned char>(LowerChar(c));
        h *= 1099511628211ull;
    }
    return h;
}

// A profile file's text as reads need it: where each section header is,
// found without splitting the text into lines, and a section's lines only
// when it is asked for. Reads give what IniDocument::Parse(text) gives.
class ProfileText {
public:
    explicit ProfileText(std::string text) : text_(std::move(text))
    {
        const std::string_view all = Body();
        // A header is a line whose first character other than a blank or a
        // control character is '['; one line holds at most one.
        size_t pos = 0;
        while ((pos = all.find('[', pos)) != std::string_view::npos) {
            size_t start = pos;
            while (start > 0 && all[start - 1] != '\n' && IsBlankOrControl(all[start - 1])) --start;
            const size_t nl = all.find('\n', pos);
            const size_t end = nl == std::string_view::npos ? all.size() : nl;
            if (start == 0 || all[start - 1] == '\n') {
                const std::string_view name = *SectionName(all.substr(start, end - start));
                headers_.push_back({start, end, static_cast<size_t>(name.data() - all.data()), name.size()});
            }
            if (nl == std::string_view::npos) break;
            pos = nl + 1;
        }
    }

    std::optional<std::string> Value(std::string_view section, std::string_view key) const
    {
        std::optional<std::string> value;
        const std::string_view want = TrimView(key);
        EachKeyLine(section, [&](std::string_view k, std::string_view raw) {
            if (!SameText(k, want)) return true;
            value = CookValue(raw);
            return false;
        });
        return value;
    }

    std::vector<std::string> Keys(std::string_view section) const
    {
        std::vector<std::string> keys;
        EachKeyLine(section, [&](std::string_view k, std::string_view) {
            keys.emplace_back(k);
            return true;
        });
        return keys;
    }

private:
    struct Header {
        size_t start;  // the header line, without its line break
        size_t end;
        size_t nameAt;  // the section's name in it
        size_t nameLength;
    };

    std::string_view Body() const
    {
        const std::string_view all = text_;
        return all.substr(0, 3) == "\xEF\xBB\xBF" ? all.substr(3) : all;
    }

    // The first header of that name, by its number.
    std::optional<size_t> FindSection(std::string_view section) const
    {
        const std::string_view want = TrimView(section);
        const std::string_view all = Body();
        for (size_t i = 0; i < headers_.size(); ++i)
            if (headers_[i].nameLength == want.size() && SameText(all.substr(headers_[i].nameAt, want.size()), want))
                return i;
        return std::nullopt;
    }

    // Calls f(key, raw value) for the section's key lines in order, until
    // it returns false.
    template <typename F>
    void EachKeyLine(std::string_view section, F&& f) const
    {
        const auto n = FindSection(section);
        if (!n) return;
        const std::string_view all = Body();
        const size_t end = *n + 1 < headers_.size() ? headers_[*n + 1].start : all.size();
        size_t pos = headers_[*n].end;
        while (pos < end) {
            if (all[pos] == '\n') ++pos;
            const size_t nl = all.find('\n', pos);
            const size_t lineEnd = std::min(nl == std::string_view::npos ? all.size() : nl, end);
            if (const auto kv = KeyLine(all.substr(pos, lineEnd - pos)))
                if (!f(kv->first, kv->second)) return;
            pos = lineEnd;
        }
    }

    std::string text_;
    std::vector<Header> headers_;
};

// The files this process has read lately, with the stamps they had then.
// A run reads its configuration file a dozen times, one key at a time; a
// file whose stamp is settled and has not changed is not read again (a
// large file made each read cost as much as the run).
struct LoadedFile {
    std::string path;
    FileStamp stamp;
    ProfileText text;
};

// Set once the kept files are let go (the process ends, or the library
// that holds this code is unloaded); reads after that read the file.
bool loadedFilesGone = false;

struct LoadedFiles {
    ~LoadedFiles() { loadedFilesGone = true; }
    std::mutex mutex;
    std::vector<LoadedFile> files;  // the most recently read last
    std::size_t loads = 0;
};

LoadedFiles* Loaded()
{
    if (loadedFilesGone) return nullptr;
    static LoadedFiles loaded;
    return &loaded;
}

constexpr std::size_t kLoadedFilesKept = 4;

// Calls read with the text of file as it is now.
template <typename Read>
auto WithText(const std::string& file, Read&& read)
{
    LoadedFiles* kept = Loaded();
    if (!kept) {
        auto content = ReadFileText(file);
        return read(ProfileText(content ? std::move(*content) : std::string()));
    }
    LoadedFiles& loaded = *kept;
    std::lock_guard<std::mutex> lock(loaded.mutex);
    const auto before = GetFileStamp(file);
    auto same = std::find_if(loaded.files.begin(), loaded.files.end(), [&](const LoadedFile& f) { return f.path == file; });
    if (same != loaded.files.end() && before && before->settled && same->stamp == *before) return read(same->text);
    if (same != loaded.files.end()) loaded.files.erase(same);

    ++loaded.loads;
    auto content = ReadFileText(file);
    const bool read_ = content.has_value();
    ProfileText text(content ? std::move(*content) : std::string());
    // Kept only when nothing can have changed the file during the read.
    const auto after = before && before->settled ? GetFileStamp(file) : std::nullopt;
    if (!read_ || !after || !(*after == *before)) return read(text);
    if (loaded.files.size() == kLoadedFilesKept) loaded.files.erase(loaded.files.begin());
    loaded.files.push_back({file, *before, std::move(text)});
    return read(loaded.files.back().text);
}

// One read-modify-write of the file; nothing is written when change leaves
// the document as it was. Whatever was kept of any file is let go: the
// next read reads the file (this one, or the same file under another name).
void Update(const std::string& file, const std::function<bool(IniDocument&)>& change)
{
    struct Forget {
        ~Forget()
        {
            if (LoadedFiles* loaded = Loaded()) {
                std::lock_guard<std::mutex> lock(loaded->mutex);
                loaded->files.clear();
            }
        }
    } forget;
    UpdateFile(file, [&](std::string_view current) -> std::optional<std::string> {
        IniDocument doc = IniDocument::Parse(current);
        if (!change(doc)) return std::nullopt;
        return doc.Serialize();
    });
}

} // namespace

std::string_view IniDocument::EolText(Eol eol)
{
    switch (eol) {
    case Eol::Lf: return "\n";
    case Eol::CrLf: return "\r\n";
    case Eol::Cr: return "\r";
    case Eol::None: break;
    }
    return {};
}

std::string_view IniDocument::Text(const Line& line) const
{
    if (line.own != kNotOwned) return owned_[line.own];
    return std::string_view(text_).substr(line.at, line.length);
}

IniDocument::Line IniDocument::Own(std::string text, Eol eol)
{
    Line line;
    line.own = owned_.size();
    line.eol = eol;
    owned_.push_back(std::move(text));
    return line;
}

IniDocument IniDocument::Parse(std::string_view text)
{
    IniDocument doc;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        doc.bom_ = "\xEF\xBB\xBF";
        text.remove_prefix(3);
    }
    // The lines point into one copy of the text: no line costs an
    // allocation of its own until it is changed.
    doc.text_.assign(text.data(), text.size());
    const std::string_view all = doc.text_;
    size_t pos = 0;
    while (pos < all.size()) {
        const auto nl = all.find('\n', pos);
        Line line;
        line.at = pos;
        if (nl == std::string_view::npos) {
            line.length = all.size() - pos;
            // A carriage return that ends the file ends its last line.
            if (line.length > 0 && all.back() == '\r') {
                --line.length;
                line.eol = Eol::Cr;
            }
            pos = all.size();
        } else {
            const bool crlf = nl > pos && all[nl - 1] == '\r';
            line.length = nl - pos - (crlf ? 1 : 0);
            line.eol = crlf ? Eol::CrLf : Eol::Lf;
            pos = nl + 1;
        }
        doc.lines_.push_back(line);
    }
    if (!doc.lines_.empty() && doc.lines_.front().eol != Eol::None && doc.lines_.front().eol != Eol::Cr)
        doc.eol_ = doc.lines_.front().eol;
    doc.IndexSections();
    return doc;
}

void IniDocument::IndexSections()
{
    sections_.clear();
    for (size_t i = 0; i < lines_.size(); ++i)
        if (const auto name = SectionName(Text(lines_[i]))) sections_.emplace_back(NameHash(*name), i);
    std::sort(sections_.begin(), sections_.end());
}

std::string IniDocument::Serialize() const
{
    std::string out = bom_;
    out.reserve(bom_.size() + text_.size() + 64);
    for (const Line& line : lines_) {
        out += Text(line);
        out += EolText(line.eol);
    }
    return out;
}

// Before a line is added at the end: a last line without an ending gets
// one, and a carriage return that only ended the file becomes a full one.
void IniDocument::EndLastLine()
{
    if (lines_.empty()) return;
    Eol& eol = lines_.back().eol;
    if (eol == Eol::None) eol = eol_;
    else if (eol == Eol::Cr) eol = Eol::CrLf;
}

std::optional<size_t> IniDocument::FindSection(std::string_view section) const
{
    const std::string_view want = TrimView(section);
    const std::uint64_t hash = NameHash(want);
    // Headers with this hash, the first one first; names compare without
    // regard to case.
    for (auto it = std::lower_bound(sections_.begin(), sections_.end(), std::make_pair(hash, size_t(0)));
         it != sections_.end() && it->first == hash; ++it) {
        const auto name = SectionName(Text(lines_[it->second]));
        if (name && SameText(*name, want)) return it->second;
    }
    return std::nullopt;
}

size_t IniDocument::SectionEnd(size_t headerIndex) const
{
    size_t i = headerIndex + 1;
    while (i < lines_.size() && !SectionName(Text(lines_[i]))) ++i;
    return i;
}

std::optional<size_t> IniDocument::FindKey(size_t headerIndex, std::string_view key) const
{
    const std::string_view want = TrimView(key);
    const size_t end = SectionEnd(headerIndex);
    for (size_t i = headerIndex + 1; i < end; ++i) {
        const auto kv = KeyLine(Text(lines_[i]));
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
    return CookValue(KeyLine(Text(lines_[*line]))->second);
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    const auto header = FindSection(section);
    if (!header) return keys;
    const size_t end = SectionEnd(*header);
    for (size_t i = *header + 1; i < end; ++i)
        if (const auto kv = KeyLine(Text(lines_[i]))) keys.emplace_back(kv->first);
    return keys;
}

std::vector<std::string> IniDocument::Sections() const
{
    std::vector<std::string> names;
    for (const auto& line : lines_)
        if (const auto name = SectionName(Text(line))) names.emplace_back(*name);
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
        if (!lines_.empty() && !TrimView(Text(lines_.back())).empty()) lines_.push_back(Own("", eol_));
        lines_.push_back(Own("[" + Trim(section) + "]", eol_));
        lines_.push_back(Own(std::string(k) + "=" + v, eol_));
        IndexSections();
        return;
    }
    if (const auto line = FindKey(*header, k)) {
        // Keep the key as it was spelled in the file, and the line's ending.
        lines_[*line] = Own(std::string(KeyLine(Text(lines_[*line]))->first) + "=" + v, lines_[*line].eol);
        return;
    }
    // New keys go after the section's last non-blank line.
    size_t at = SectionEnd(*header);
    while (at > *header + 1 && TrimView(Text(lines_[at - 1])).empty()) --at;
    if (at == lines_.size()) EndLastLine();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Own(std::string(k) + "=" + v, eol_));
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
    return WithText(file, [&](const ProfileText& text) { return text.Value(section, key); });
}

std::vector<std::string> ReadProfileKeys(const std::string& file, std::string_view section)
{
    return WithText(file, [&](const ProfileText& text) { return text.Keys(section); });
}

std::size_t ProfileFileLoads()
{
    LoadedFiles* loaded = Loaded();
    if (!loaded) return 0;
    std::lock_guard<std::mutex> lock(loaded->mutex);
    return loaded->loads;
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
