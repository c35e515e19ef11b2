// The configuration file's reader and writer. Any text comes back byte for
// byte from a parse and a serialise. A few keys derived from the input are
// set or deleted one at a time; after each step the key reads back with its
// value, every other key reads as before, and only the lines of that step
// changed (new ones end as the file's first line does). The result is serialised and parsed again and must read the
// same. Whole numbers are read by the documented rules.
#include "FuzzCheck.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using platform::IniDocument;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// What reading gives for a value that was written: line breaks became
// blanks, then blanks around it and one pair of matching quotes go, then it
// is cut.
std::string ExpectedValue(std::string_view written)
{
    std::string v(written);
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    std::string_view t = platform::TrimView(v);
    if (t.size() >= 2 && (t.front() == '"' || t.front() == '\'') && t.back() == t.front()) t = t.substr(1, t.size() - 2);
    return std::string(t.substr(0, platform::kProfileValueLimit));
}

std::optional<int> ExpectedNumber(std::string_view text)
{
    auto hex = [](std::string_view digits) -> std::optional<int> {
        if (digits.empty()) return std::nullopt;
        for (const char c : digits)
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return std::nullopt;
        const auto first = digits.find_first_not_of('0');
        digits = first == std::string_view::npos ? std::string_view("0") : digits.substr(first);
        if (digits.size() > 8) return std::nullopt;
        std::uint32_t v = 0;
        std::from_chars(digits.data(), digits.data() + digits.size(), v, 16);
        return static_cast<int>(v);
    };
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return hex(text.substr(2));
    if (!text.empty() && text[0] == '$') return hex(text.substr(1));
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;  // beyond 64 bits
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return std::nullopt;
    return static_cast<int>(v);
}

void CheckNumber(std::string_view text)
{
    FUZZ_CHECK_SHOW(platform::ParseWholeNumber(text) == ExpectedNumber(text), text);
}

// One line of a serialised file: its text and its own ending.
struct RawLine {
    std::string text;
    std::string eol;
    bool operator==(const RawLine&) const = default;
};

std::vector<RawLine> SplitLines(std::string_view text)
{
    std::vector<RawLine> lines;
    for (size_t pos = 0; pos < text.size();) {
        const size_t nl = std::min(text.find('\n', pos), text.size());
        RawLine line {std::string(text.substr(pos, nl - pos)), nl < text.size() ? "\n" : ""};
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.eol.insert(0, "\r");
        }
        lines.push_back(std::move(line));
        pos = nl + 1;
    }
    return lines;
}

// The lines a step changed: old[prefix, old.size() - suffix) became
// new[prefix, new.size() - suffix).
struct Change {
    std::vector<RawLine> before, after;
};

Change Diff(const std::string& beforeText, const std::string& afterText)
{
    const bool bom = beforeText.rfind(kBom, 0) == 0;
    FUZZ_CHECK_SHOW(bom == (afterText.rfind(kBom, 0) == 0), afterText);
    const auto a = SplitLines(std::string_view(beforeText).substr(bom ? 3 : 0));
    const auto b = SplitLines(std::string_view(afterText).substr(bom ? 3 : 0));
    size_t p = 0;
    while (p < a.size() && p < b.size() && a[p] == b[p]) ++p;
    size_t q = 0;
    while (q < a.size() - p && q < b.size() - p && a[a.size() - 1 - q] == b[b.size() - 1 - q]) ++q;
    Change c;
    c.before.assign(a.begin() + static_cast<std::ptrdiff_t>(p), a.end() - static_cast<std::ptrdiff_t>(q));
    c.after.assign(b.begin() + static_cast<std::ptrdiff_t>(p), b.end() - static_cast<std::ptrdiff_t>(q));
    return c;
}

bool IsNewLineEnding(const std::string& eol) { return eol == "\n" || eol == "\r\n"; }

// The ending new lines take: that of the file's first line, or a line feed.
std::string NewLineEnding(std::string_view text)
{
    if (text.rfind(kBom, 0) == 0) text.remove_prefix(3);
    const auto lines = SplitLines(text);
    return !lines.empty() && IsNewLineEnding(lines[0].eol) ? lines[0].eol : "\n";
}

// Lines added at one place; when that is the end of the file, its last
// line may have had its ending completed (none, or a lone carriage return,
// becomes a line break).
void CheckAdded(const Change& c, const std::vector<std::string>& added, const std::string& eol, const std::string& before,
                const std::string& afterText)
{
    // Shown on failure: the text before the step, four NULs, the text after.
    const std::string after = before + std::string(4, '\0') + afterText;
    std::vector<RawLine> tail = c.after;
    if (!c.before.empty()) {
        FUZZ_CHECK_SHOW(c.before.size() == 1 && !IsNewLineEnding(c.before[0].eol), after);
        FUZZ_CHECK_SHOW(!tail.empty() && tail[0].text == c.before[0].text && IsNewLineEnding(tail[0].eol), after);
        tail.erase(tail.begin());
    }
    FUZZ_CHECK_SHOW(tail.size() == added.size(), after);
    for (size_t i = 0; i < added.size(); ++i) {
        FUZZ_CHECK_SHOW(tail[i].text == added[i], after);
        FUZZ_CHECK_SHOW(tail[i].eol == eol, after);
    }
}

std::string Lower(std::string_view s) { return platform::LowerCase(platform::TrimView(s)); }

// Every key the reader can reach: the first section of each name, the first
// key of each name in it.
using Snapshot = std::map<std::pair<std::string, std::string>, std::string>;

Snapshot Read(const IniDocument& doc)
{
    Snapshot values;
    for (const auto& section : doc.Sections()) {
        for (const auto& key : doc.Keys(section)) {
            const auto id = std::make_pair(Lower(section), Lower(key));
            if (values.count(id)) continue;
            const auto v = doc.Value(section, key);
            FUZZ_CHECK(v.has_value());
            FUZZ_CHECK_SHOW(v->size() <= platform::kProfileValueLimit, *v);
            values.emplace(id, *v);
        }
    }
    return values;
}

// The keys of each section name's first section.
std::map<std::string, std::vector<std::string>> KeyLists(const IniDocument& doc)
{
    std::map<std::string, std::vector<std::string>> lists;
    for (const auto& section : doc.Sections())
        if (!lists.count(Lower(section))) lists.emplace(Lower(section), doc.Keys(section));
    return lists;
}

// A name for a section or key that is not there yet. Section names hold no
// "]" and keys no "=", neither a line break, and a key does not start as a
// comment or a section does: the program only writes names of that kind.
std::string NewName(FuzzedDataProvider& in, bool key)
{
    std::string name = in.ConsumeRandomLengthString(24);
    std::string out;
    for (const char c : name)
        if (c != '\r' && c != '\n' && c != (key ? '=' : ']')) out += c;
    if (key) {
        const std::string_view t = platform::TrimView(out);
        if (!t.empty() && (t.front() == '[' || t.front() == ';')) out = "k" + out;
    }
    return out;
}

std::string NewValue(FuzzedDataProvider& in)
{
    std::string piece = in.ConsumeRandomLengthString(64);
    // Long values cost few input bytes, so the cut at 2047 is reached.
    const int repeat = in.ConsumeBool() ? in.ConsumeIntegralInRange(1, 120) : 1;
    std::string value;
    for (int i = 0; i < repeat; ++i) value += piece;
    return value;
}

void CheckSameReading(const IniDocument& a, const IniDocument& b, const std::string& text)
{
    FUZZ_CHECK_SHOW(a.Sections() == b.Sections(), text);
    FUZZ_CHECK_SHOW(KeyLists(a) == KeyLists(b), text);
    FUZZ_CHECK_SHOW(Read(a) == Read(b), text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string whole(reinterpret_cast<const char*>(data), size);
    // Whatever the text, a file nobody changed is written back as it was.
    FUZZ_CHECK_SHOW(IniDocument::Parse(whole).Serialize() == whole, whole);
    CheckNumber(whole.substr(0, 40));

    FuzzedDataProvider in(data, size);
    struct Step {
        bool remove;
        bool existingSection, existingKey;
        std::size_t sectionPick, keyPick;
    };
    std::vector<Step> steps(in.ConsumeIntegralInRange<std::size_t>(0, 5));
    for (auto& s : steps) {
        s.remove = in.ConsumeIntegralInRange(0, 4) == 0;
        s.existingSection = in.ConsumeIntegralInRange(0, 5) != 0;
        s.existingKey = in.ConsumeIntegralInRange(0, 3) != 0;
        s.sectionPick = in.ConsumeIntegral<std::uint8_t>();
        s.keyPick = in.ConsumeIntegral<std::uint8_t>();
    }
    std::vector<std::pair<std::string, std::string>> names;  // new section and key names
    std::vector<std::string> values;
    for (size_t i = 0; i < steps.size(); ++i) {
        names.emplace_back(NewName(in, false), NewName(in, true));
        values.push_back(NewValue(in));
    }
    const std::string text = in.ConsumeRemainingBytesAsString();

    IniDocument doc = IniDocument::Parse(text);
    const std::string eol = NewLineEnding(text);
    FUZZ_CHECK_SHOW(doc.Serialize() == text, text);
    for (const auto& [id, value] : Read(doc)) CheckNumber(value);

    // What each key set last was given; a deleted key is unknown afterwards
    // (a second key of its name may come to light).
    std::map<std::pair<std::string, std::string>, std::optional<std::string>> written;
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        const auto sections = doc.Sections();
        std::string section = names[i].first;
        if (s.existingSection && !sections.empty()) section = sections[s.sectionPick % sections.size()];
        const auto keys = doc.Keys(section);
        std::string key = names[i].second;
        if (s.existingKey && !keys.empty()) key = keys[s.keyPick % keys.size()];
        const auto id = std::make_pair(Lower(section), Lower(key));

        bool sectionThere = false;
        for (const auto& name : sections) sectionThere = sectionThere || platform::SameText(name, platform::TrimView(section));
        std::optional<std::string> spelledKey;  // as the file spells it; may be empty
        for (const auto& k : keys)
            if (platform::SameText(k, platform::TrimView(key))) {
                spelledKey = k;
                break;
            }
        const bool keyThere = doc.Value(section, key).has_value();
        FUZZ_CHECK(keyThere == spelledKey.has_value());

        const Snapshot before = Read(doc);
        const auto listsBefore = KeyLists(doc);
        const std::string textBefore = doc.Serialize();

        if (s.remove) {
            FUZZ_CHECK(doc.DeleteKey(section, key) == keyThere);
            const Change c = Diff(textBefore, doc.Serialize());
            if (!keyThere) {
                FUZZ_CHECK(c.before.empty() && c.after.empty());
            } else {
                FUZZ_CHECK_SHOW(c.before.size() == 1 && c.after.empty(), textBefore);
                auto list = listsBefore.at(id.first);
                for (auto it = list.begin(); it != list.end(); ++it)
                    if (Lower(*it) == id.second) {
                        list.erase(it);
                        break;
                    }
                FUZZ_CHECK(doc.Keys(section) == list);
            }
            written[id] = std::nullopt;
        } else {
            const std::string& value = values[i];
            doc.SetValue(section, key, value);
            std::string lineValue = value;
            for (char& c : lineValue)
                if (c == '\r' || c == '\n') c = ' ';
            const Change c = Diff(textBefore, doc.Serialize());
            const std::string trimmedKey = platform::Trim(key);
            if (keyThere) {
                // Rewritten in place, the key spelled as the file had it.
                if (!c.before.empty() || !c.after.empty()) {
                    FUZZ_CHECK_SHOW(c.before.size() == 1 && c.after.size() == 1, doc.Serialize());
                    FUZZ_CHECK_SHOW(c.after[0].text == *spelledKey + "=" + lineValue, c.after[0].text);
                    FUZZ_CHECK(c.after[0].eol == c.before[0].eol);
                }
                FUZZ_CHECK(doc.Keys(section) == keys);
                FUZZ_CHECK(doc.Sections() == sections);
            } else if (sectionThere) {
                CheckAdded(c, {trimmedKey + "=" + lineValue}, eol, textBefore, doc.Serialize());
                auto list = keys;
                list.push_back(trimmedKey);
                FUZZ_CHECK(doc.Keys(section) == list);
                FUZZ_CHECK(doc.Sections() == sections);
            } else {
                std::vector<std::string> added {"[" + platform::Trim(section) + "]", trimmedKey + "=" + lineValue};
                const bool blankFirst = c.after.size() > c.before.size() + 2;
                if (blankFirst) added.insert(added.begin(), "");
                CheckAdded(c, added, eol, textBefore, doc.Serialize());
                auto list = sections;
                list.push_back(platform::Trim(section));
                FUZZ_CHECK(doc.Sections() == list);
            }
            written[id] = ExpectedValue(value);
            FUZZ_CHECK_SHOW(doc.Value(section, key) == ExpectedValue(value), doc.Serialize());
        }

        // Everything else reads as it did.
        const Snapshot after = Read(doc);
        for (const auto& [other, v] : before) {
            if (other == id) continue;
            const auto it = after.find(other);
            FUZZ_CHECK_SHOW(it != after.end() && it->second == v, doc.Serialize());
        }
        for (const auto& [name, list] : listsBefore)
            if (name != id.first) FUZZ_CHECK_SHOW(KeyLists(doc).at(name) == list, doc.Serialize());
    }

    // Written and read again: the same file, the same values.
    const std::string out = doc.Serialize();
    const IniDocument again = IniDocument::Parse(out);
    FUZZ_CHECK_SHOW(again.Serialize() == out, out);
    CheckSameReading(doc, again, out);
    for (const auto& [id, value] : written) {
        if (!value) continue;
        FUZZ_CHECK_SHOW(again.Value(id.first, id.second) == value, out);
    }
    return 0;
}
