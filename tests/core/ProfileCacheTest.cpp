// A run reads its configuration file once: the parsed file is kept while
// the file stays as it was, and every change is still seen. Section lookup
// by name in a file of thousands of sections.
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using platform::IniDocument;

namespace {

std::string TempFile(const std::string& name)
{
    const fs::path dir = fs::temp_directory_path() / ("tavrin-profile-cache-" + std::to_string(std::random_device()()));
    fs::create_directories(dir);
    return (dir / name).string();
}

void Write(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// Waits (at most a little longer than the settling time) until the file's
// last change lies far enough back for its stamp to be trusted.
bool WaitUntilSettled(const std::string& file)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(platform::kFileStampSettleMs + 2000);
    while (std::chrono::steady_clock::now() < end) {
        const auto stamp = platform::GetFileStamp(file);
        if (stamp && stamp->settled) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace

TEST(ProfileCache, ASettledFileIsReadOnceAndEveryChangeIsSeen)
{
    const std::string file = TempFile("run.ini");
    Write(file, "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\n\n[ControlCommands]\nEject=ME\nPause=5000\n");
    ASSERT_TRUE(WaitUntilSettled(file));

    // A dozen reads of an unchanged file: one read of the file.
    const std::size_t loads = platform::ProfileFileLoads();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(platform::ReadProfileValue(file, "printerconfiguration", "PRINTERNAME"), "Zebra P330i");
        EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Pause"), "5000");
    }
    EXPECT_EQ(platform::ReadProfileKeys(file, "ControlCommands"), (std::vector<std::string> {"Eject", "Pause"}));
    EXPECT_EQ(platform::ProfileFileLoads(), loads + 1);

    // A write of this process, same length or not, is seen at once.
    platform::WriteProfileValue(file, "ControlCommands", "Eject", "MR");
    EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Eject"), "MR");
    platform::WriteProfileValue(file, "ControlCommands", "Pause", "250");
    EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Pause"), "250");

    // A file changed a moment ago is read every time: another change within
    // the same step of the file system's clock could leave the same stamp.
    const std::size_t recent = platform::ProfileFileLoads();
    EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Eject"), "MR");
    Write(file, "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\n\n[ControlCommands]\nEject=MX\nPause=250\n");
    EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Eject"), "MX") << "same size, written by someone else";
    EXPECT_EQ(platform::ProfileFileLoads(), recent + 2);

    // Once settled again, a change made in place by someone else (same
    // size) is seen too: it moves the file's times.
    ASSERT_TRUE(WaitUntilSettled(file));
    EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Eject"), "MX");
    EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Eject"), "MX");
    Write(file, "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\n\n[ControlCommands]\nEject=MY\nPause=250\n");
    EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Eject"), "MY");

    // A file that goes away reads as missing.
    fs::remove(file);
    EXPECT_EQ(platform::ReadProfileValue(file, "ControlCommands", "Eject"), std::nullopt);
    fs::remove_all(fs::path(file).parent_path());
}

TEST(IniDocument, AmongThousandsOfSectionsTheFirstOfANameIsFoundAfterEveryChange)
{
    // Sections named in mixed case, some twice; each lookup is checked
    // against a plain scan of the lines, before and after lines come and go.
    std::mt19937 rng(42);
    std::string text;
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) {
        std::string name = "Section" + std::to_string(rng() % 2500);
        for (char& c : name)
            if (rng() % 2) c = platform::UpperChar(c);
        names.push_back(name);
        text += "[ " + name + " ]\r\nKey=" + std::to_string(i) + "\r\n; note\r\n";
    }
    IniDocument doc = IniDocument::Parse(text);

    auto expected = [&](const std::string& section) -> std::optional<std::string> {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (platform::SameText(names[i], section)) return std::to_string(i);
        return std::nullopt;
    };
    auto check = [&](const char* when) {
        for (int probe = 0; probe < 2600; probe += 7) {
            const std::string section = "SECTION" + std::to_string(probe);
            EXPECT_EQ(doc.Value(section, "key"), expected(section)) << section << " " << when;
        }
    };
    check("as read");
    // A key added to the first section moves every later line.
    doc.SetValue(names[0], "Added", "1");
    check("after a key was added");
    EXPECT_EQ(doc.Value(names[0], "added"), "1");
    // A section added at the end; one removed key.
    doc.SetValue("Section9999", "Key", "new");
    EXPECT_EQ(doc.Value("section9999", "KEY"), "new");
    ASSERT_TRUE(doc.DeleteKey(names[0], "Added"));
    check("after a key was removed");
    EXPECT_EQ(IniDocument::Parse(doc.Serialize()).Value("Section9999", "Key"), "new");
}

TEST(ProfileCache, ReadingAFileGivesWhatItsParsedDocumentGives)
{
    // Texts made of the pieces that matter to the reading rules: headers
    // with blanks, control characters and missing brackets, keys twice,
    // comments, quotes, line ends of every kind, a byte order mark.
    const std::vector<std::string> pieces = {
        "[A]", " [ a ] ", "\t[B", "[b]x", "[]", "x[A]", "\r[C]", "[c] ; note", "[a b]",
        "k=1", " K = 2 ", "k2='q'", "k3=\"q\"", "k4=\"q'", "=v", "noequals", ";k=3", " ;x=1", "k5= a=b ",
        "[k]=v", "\x01k6\x02=\x03v\x04", "k7=\r", "", "  ", "\r", "K2=other",
    };
    const std::vector<std::string> ends = {"\n", "\r\n", "\r", ""};
    std::mt19937 rng(7);
    const std::string file = TempFile("diff.ini");
    for (int round = 0; round < 300; ++round) {
        std::string text = rng() % 5 == 0 ? "\xEF\xBB\xBF" : "";
        const int lines = static_cast<int>(rng() % 20);
        for (int i = 0; i < lines; ++i) {
            text += pieces[rng() % pieces.size()];
            text += i + 1 == lines ? ends[rng() % ends.size()] : (rng() % 4 ? "\n" : "\r\n");
        }
        Write(file, text);
        const IniDocument doc = IniDocument::Parse(text);
        for (const std::string section : {"A", "a", "B", "b", "C", "", "a b", "k", "x"}) {
            EXPECT_EQ(platform::ReadProfileKeys(file, section), doc.Keys(section)) << round << " [" << section << "]";
            for (const std::string key : {"k", "K", "k2", "k3", "k4", "", "k5", "k6", "\x01k6\x02", "k7", "noequals", ";k"})
                EXPECT_EQ(platform::ReadProfileValue(file, section, key), doc.Value(section, key))
                    << round << " [" << section << "] " << key;
        }
    }
    fs::remove_all(fs::path(file).parent_path());
}
