#pragma once
// INI profile files, read and written with the semantics the system's
// configuration files were written for:
//  - section and key names compare without regard to case; the first
//    section and the first key of a name count;
//  - a value is read without the blanks around it and without one pair of
//    matching quote characters (' or ") around it, cut to 2047 characters;
//  - lines starting with ';' are comments; everything the program does not
//    touch (unknown sections, keys, comments, each line's own ending) stays
//    as it was; new lines take the ending of the file's first line;
//  - every write is one read-modify-write of the file (see UpdateFile in
//    Files.h): concurrent writers lose nothing, a file that cannot be read
//    is never replaced, and a write that cannot be done raises Error with
//    the text "Unable to write to <path>";
//  - reads see the file as it is: a file whose stamp (GetFileStamp) is
//    settled and unchanged since this process last read it is not read
//    again, and every write made through these functions makes the next
//    read read the file.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

constexpr std::size_t kProfileValueLimit = 2047;

// One profile file's text, held as its lines.
class IniDocument {
public:
    static IniDocument Parse(std::string_view text);
    std::string Serialize() const;

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    std::vector<std::string> Keys(std::string_view section) const;
    std::vector<std::string> Sections() const;

    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key's line; false when there was none.
    bool DeleteKey(std::string_view section, std::string_view key);

private:
    enum class Eol : unsigned char { None, Lf, CrLf, Cr };
    // A line's text is a piece of text_ (the document as read) until the
    // line is made or changed; then it is a text of its own in owned_.
    struct Line {
        std::size_t at = 0;
        std::size_t length = 0;
        std::size_t own = kNotOwned;
        Eol eol = Eol::None;
    };
    static constexpr std::size_t kNotOwned = ~std::size_t(0);
    static std::string_view EolText(Eol eol);

    std::string_view Text(const Line& line) const;
    Line Own(std::string text, Eol eol);
    // Every section header by the hash of its name in lower case, and for
    // one hash the first header first.
    void IndexSections();
    std::optional<std::size_t> FindSection(std::string_view section) const;
    std::size_t SectionEnd(std::size_t headerIndex) const;
    std::optional<std::size_t> FindKey(std::size_t headerIndex, std::string_view key) const;
    void EndLastLine();

    std::string text_;
    std::vector<std::string> owned_;
    std::vector<Line> lines_;
    std::string bom_;
    Eol eol_ = Eol::Lf;
    std::vector<std::pair<std::uint64_t, std::size_t>> sections_;
};

// Reads of a missing file, section or key give nullopt (or no keys).
std::optional<std::string> ReadProfileValue(const std::string& file, std::string_view section, std::string_view key);
std::vector<std::string> ReadProfileKeys(const std::string& file, std::string_view section);

// How many times this process has read a profile file to answer a read
// (for tests and diagnosis).
std::size_t ProfileFileLoads();

// Creates file, section and key as needed.
void WriteProfileValue(const std::string& file, std::string_view section, std::string_view key, std::string_view value);
// Nothing is written when the key is absent.
void DeleteProfileKey(const std::string& file, std::string_view section, std::string_view key);

// Whole numbers as configuration files hold them: "0x"/"0X" followed by
// hexadecimal digits (only when longer than two characters), "$" followed
// by hexadecimal digits, or decimal with an optional sign. Hexadecimal takes
// up to 32 bits (so $FFFFFFFF is -1); decimal must fit 32 bits.
std::optional<int> ParseWholeNumber(std::string_view text);

} // namespace platform
