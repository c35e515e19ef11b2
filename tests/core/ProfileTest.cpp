// The configuration file's reading and writing rules.
#include "core/ConfigFile.h"
#include "platform/Error.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using platform::IniDocument;
using platform::ParseWholeNumber;

namespace {

class TempDir {
public:
    TempDir()
    {
#ifdef _WIN32
        // No mkdtemp in the Windows C library: a fresh name of our own.
        std::random_device random;
        do path = (fs::temp_directory_path() / ("tavrin-ini-" + std::to_string(random()))).string();
        while (!fs::create_directory(path));
#else
        std::string t = (fs::temp_directory_path() / "tavrin-ini-XXXXXX").string();
        path = ::mkdtemp(t.data());
#endif
    }
    ~TempDir() { fs::remove_all(path); }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

void Write(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
std::string Read(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

TEST(IniDocument, NamesCompareWithoutCaseAndValuesAreTrimmedAndUnquoted)
{
    const auto doc = IniDocument::Parse("[PrinterConfiguration]\r\n"
                                        "PrinterMode =   USB   \r\n"
                                        "PrinterName=\"Zebra P330i\"\r\n"
                                        "Quoted=' padded '\r\n"
                                        "Mismatched=\"abc'\r\n"
                                        "; PrinterType=DII\r\n");
    EXPECT_EQ(doc.Value("printerconfiguration", "PRINTERMODE"), "USB");
    EXPECT_EQ(doc.Value("PrinterConfiguration", "PrinterName"), "Zebra P330i");
    EXPECT_EQ(doc.Value("PrinterConfiguration", "Quoted"), " padded ");
    EXPECT_EQ(doc.Value("PrinterConfiguration", "Mismatched"), "\"abc'");
    EXPECT_EQ(doc.Value("PrinterConfiguration", "PrinterType"), std::nullopt) << "comment lines are not keys";
    EXPECT_EQ(doc.Value("Other", "PrinterMode"), std::nullopt);
}

TEST(IniDocument, FirstSectionAndFirstKeyWin)
{
    const auto doc = IniDocument::Parse("[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
    EXPECT_EQ(doc.Value("A", "k"), "1");
    EXPECT_EQ(doc.Value("A", "j"), std::nullopt);
}

TEST(IniDocument, LongValuesAreCutTo2047Characters)
{
    const std::string longValue(3000, 'x');
    const auto doc = IniDocument::Parse("[S]\nK=" + longValue + "\n");
    EXPECT_EQ(doc.Value("S", "K")->size(), 2047u);
}

TEST(IniDocument, WritesKeepEverythingElseAsItWas)
{
    const std::string original = "; station 4\r\n[Unknown]\r\nfoo = bar \r\n\r\n[PrinterConfiguration]\r\nPrinterName=A\r\n\r\n[Port]\r\nPortNo=1\r\n";
    auto doc = IniDocument::Parse(original);
    doc.SetValue("printerconfiguration", "printername", "B");
    doc.SetValue("PrinterConfiguration", "PrinterType", "ZEBRA");
    doc.SetValue("ControlCommands", "Insert", "MS");
    EXPECT_EQ(doc.Serialize(), "; station 4\r\n[Unknown]\r\nfoo = bar \r\n\r\n[PrinterConfiguration]\r\nPrinterName=B\r\n"
                               "PrinterType=ZEBRA\r\n\r\n[Port]\r\nPortNo=1\r\n\r\n[ControlCommands]\r\nInsert=MS\r\n");
    EXPECT_TRUE(doc.DeleteKey("PORT", "portno"));
    EXPECT_FALSE(doc.DeleteKey("Port", "PortNo"));
    EXPECT_EQ(doc.Keys("Port").size(), 0u);
}

TEST(IniDocument, EveryLineKeepsItsOwnEnding)
{
    // Mixed endings, a last line ended by a lone carriage return: a file
    // read and written back unchanged is the same file, byte for byte.
    for (const std::string text : {"[A]\r\nk=1\nj=2\r\n", "[A]\nk=1\r", "[A]\r\nk=1", "\xEF\xBB\xBF[A]\nk=1\r\n\r\n", "\r", "\n\n", ""})
        EXPECT_EQ(IniDocument::Parse(text).Serialize(), text);

    auto doc = IniDocument::Parse("[A]\r\nk=1\nj=2\r");
    doc.SetValue("A", "k", "3");
    doc.SetValue("A", "j", "4");
    EXPECT_EQ(doc.Serialize(), "[A]\r\nk=3\nj=4\r") << "a changed line keeps its ending";
    doc.SetValue("A", "n", "5");
    EXPECT_EQ(doc.Serialize(), "[A]\r\nk=3\nj=4\r\nn=5\r\n")
        << "a new line takes the first line's ending; the CR that ended the file now ends a line";
    EXPECT_EQ(doc.Value("A", "j"), "4");
    // Written again and again, nothing drifts.
    for (int i = 0; i < 3; ++i) doc = IniDocument::Parse(doc.Serialize());
    EXPECT_EQ(doc.Serialize(), "[A]\r\nk=3\nj=4\r\nn=5\r\n");

    auto open = IniDocument::Parse("[A]\nk=1");
    open.SetValue("B", "x", "2");
    EXPECT_EQ(open.Serialize(), "[A]\nk=1\n\n[B]\nx=2\n") << "an unended last line is ended before a new one";
}

TEST(IniDocument, ALineBreakInAValueCannotSplitTheLine)
{
    auto doc = IniDocument::Parse("");
    doc.SetValue("S", "K", "a\r\nInjected=1");
    EXPECT_EQ(doc.Value("S", "K"), "a  Injected=1");
    EXPECT_EQ(doc.Value("S", "Injected"), std::nullopt);
}

TEST(WholeNumbers, DecimalDollarAndZeroXForms)
{
    EXPECT_EQ(ParseWholeNumber("0x10"), 16);
    EXPECT_EQ(ParseWholeNumber("0X1f"), 31);
    EXPECT_EQ(ParseWholeNumber("$10"), 16);
    EXPECT_EQ(ParseWholeNumber("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseWholeNumber("-42"), -42);
    EXPECT_EQ(ParseWholeNumber("+7"), 7);
    EXPECT_EQ(ParseWholeNumber("2147483647"), 2147483647);
    EXPECT_EQ(ParseWholeNumber("-2147483648"), -2147483648LL);
    for (const char* bad : {"", "abc", "0x", "$", "12a", "2147483648", "$123456789", "1 2", "-", "0xG"})
        EXPECT_EQ(ParseWholeNumber(bad), std::nullopt) << bad;
}

TEST(ConfigFile, ReadsGiveDefaultsForMissingFileSectionOrKey)
{
    TempDir dir;
    tavrin::TConfigFile missing(dir.File("none.ini"));
    EXPECT_EQ(missing.ReadString("PrinterConfiguration", "PrinterType", "ESCPRINTERS"), "ESCPRINTERS");
    EXPECT_EQ(missing.ReadInteger("Port", "PortNo", 1), 1);
    EXPECT_FALSE(missing.ValueExists("Port", "PortNo"));

    Write(dir.File("t.ini"), "[Port]\nPortNo=0x10\nPortAddress=$10\nReceiveData=abc\n[PrinterConfiguration]\nFlipCard=2\n");
    tavrin::TConfigFile f(dir.File("t.ini"));
    EXPECT_EQ(f.ReadInteger("Port", "PortNo", 1), 16);
    EXPECT_EQ(f.ReadInteger("Port", "PortAddress", 0), 16);
    EXPECT_EQ(f.ReadInteger("Port", "ReceiveData", 1), 1);
    EXPECT_TRUE(f.ReadBool("PrinterConfiguration", "FlipCard", false));
    EXPECT_TRUE(f.ValueExists("port", "PORTNO"));
    EXPECT_EQ(f.FileName(), dir.File("t.ini"));
}

TEST(ConfigFile, WritesCreateTheFileAndReplaceItWhole)
{
    TempDir dir;
    const std::string path = dir.File("new.ini");
    tavrin::TConfigFile f(path);
    f.WriteString("PrinterConfiguration", "PrinterName", "Card Printer");
    f.WriteInteger("Port", "PortNo", 2);
    f.WriteBool("PrinterConfiguration", "FlipCard", true);
    f.DeleteKey("Port", "Absent");
    EXPECT_EQ(Read(path), "[PrinterConfiguration]\nPrinterName=Card Printer\nFlipCard=1\n\n[Port]\nPortNo=2\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

TEST(ConfigFile, AFailedWriteRaisesUnableToWriteAndLeavesTheFileAlone)
{
    TempDir dir;
    const std::string path = dir.File("sub/absent/x.ini");
    tavrin::TConfigFile f(path);
    try {
        f.WriteString("S", "K", "V");
        FAIL() << "no error raised";
    } catch (const platform::Error& e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + path).c_str());
    }

    // A directory standing where the file should be.
    fs::create_directory(dir.File("taken.ini"));
    EXPECT_THROW(tavrin::TConfigFile(dir.File("taken.ini")).WriteString("S", "K", "V"), platform::Error);
}

TEST(ConfigFile, WritingThroughALinkKeepsTheLinkAndTheFileMode)
{
    TempDir dir;
    Write(dir.File("real.ini"), "[S]\nK=1\n");
    ::chmod(dir.File("real.ini").c_str(), 0600);
    fs::create_symlink(dir.File("real.ini"), dir.File("link.ini"));
    tavrin::TConfigFile(dir.File("link.ini")).WriteString("S", "K", "2");
    EXPECT_TRUE(fs::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(Read(dir.File("real.ini")), "[S]\nK=2\n");
    EXPECT_EQ(fs::status(dir.File("real.ini")).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ControlCommands, LoadReplacesTheRecordAndWaitsParse)
{
    TempDir dir;
    Write(dir.File("c.ini"), "[ControlCommands]\nInsert=MS\nPre=MS 2\nPause=$10\n");
    tavrin::ReplaceConfigFile(dir.File("c.ini"));
    tavrin::MyIniCmd().Eject = "stale";
    EXPECT_TRUE(tavrin::LoadControlCommands());
    const auto& r = tavrin::MyIniCmd();
    EXPECT_EQ(r.Insert, "MS");
    EXPECT_EQ(r.Pre, "MS 2");
    EXPECT_EQ(r.Eject, "");
    EXPECT_EQ(r.Pause, "$10");
    EXPECT_EQ(r.PauseAfterPrint, "0");
    EXPECT_EQ(tavrin::WaitMilliseconds(r.Pause), 16u);
    EXPECT_EQ(tavrin::WaitMilliseconds("5000"), 5000u);
    EXPECT_EQ(tavrin::WaitMilliseconds("soon"), 0u);
    EXPECT_EQ(tavrin::WaitMilliseconds("-100"), 0u);
    EXPECT_EQ(tavrin::WaitMilliseconds(""), 0u);
}
