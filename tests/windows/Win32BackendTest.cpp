// Where the Windows backend meets what Windows refuses and Wine lets pass
// as well: files another program holds without sharing, a first write
// after a killed one, file times, the
// spooler's driver folder, and the program in a folder whose name is not
// ASCII (its text is UTF-8; the system's A functions would read the ANSI
// code page).
#include "platform/DriverDirectory.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <windows.h>

namespace {

std::wstring Wide(const std::string& utf8)
{
    const std::u16string w = platform::NarrowToWide(utf8);
    return std::wstring(w.begin(), w.end());
}

// A folder of the test's own under the temporary folder, as UTF-8.
std::string ScratchDir(const std::string& leaf)
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(temp) + Wide(leaf) + L"-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return platform::WideToNarrow(std::u16string(dir.begin(), dir.end())) + "\\";
}

void WriteText(const std::string& path, const std::string& text)
{
    const HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD put = 0;
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
    ::CloseHandle(h);
}

// Another program holding the file without sharing it, for holdMs.
class Holder {
public:
    Holder(const std::string& path, unsigned holdMs)
        : h_(::CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)),
          release_([this, holdMs] {
              std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
              ::CloseHandle(h_);
          })
    {
    }
    ~Holder() { release_.join(); }
    bool Holding() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
    std::thread release_;
};

} // namespace

// A file held for a moment is read and written once it is free; one held
// past the wait is refused as before, not waited for without end.
TEST(Win32Files, AFileHeldWithoutSharingIsWaitedForAWhile)
{
    const std::string dir = ScratchDir("sharing");
    const std::string file = dir + "held.ini";
    WriteText(file, "[Printer]\r\nPrinterName=one\r\n");
    {
        const Holder other(file, 400);
        ASSERT_TRUE(other.Holding());
        EXPECT_EQ(platform::ReadFileText(file).value_or("<nothing>"), "[Printer]\r\nPrinterName=one\r\n");
    }
    {
        const Holder other(file, 400);
        ASSERT_TRUE(other.Holding());
        platform::UpdateFile(file, [](std::string_view) { return std::optional<std::string>("changed\r\n"); });
    }
    EXPECT_EQ(platform::ReadFileText(file).value_or("<nothing>"), "changed\r\n");
    {
        // Held past both waits, one after the other (3 s each).
        const Holder other(file, 7500);
        ASSERT_TRUE(other.Holding());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(platform::ReadFileText(file));
        EXPECT_THROW(platform::UpdateFile(file, [](std::string_view) { return std::optional<std::string>("x"); }),
                     platform::Error);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(7500));
    }
}

// The first write of a file puts it there whole: a temporary file that a
// killed first write left beside it is taken over and gone afterwards.
TEST(Win32Files, AFirstWriteTakesOverWhatAKilledOneLeft)
{
    const std::string dir = ScratchDir("first");
    const std::string file = dir + "new.ini";
    // Wine gives process ids again, so the folder may hold an earlier run's.
    for (const char* name : {"new.ini", "none.ini", "none.ini.tavrin-tmp", "empty.ini"})
        ::DeleteFileW(Wide(dir + name).c_str());
    WriteText(file + ".tavrin-tmp", "[Half\r\nwri");
    platform::UpdateFile(file, [](std::string_view current) {
        EXPECT_EQ(current, "");
        return std::optional<std::string>("[S]\r\nK=1\r\n");
    });
    EXPECT_EQ(platform::ReadFileText(file).value_or("<nothing>"), "[S]\r\nK=1\r\n");
    EXPECT_EQ(::GetFileAttributesW(Wide(file + ".tavrin-tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    // Nothing to write: no file is made.
    const std::string none = dir + "none.ini";
    platform::UpdateFile(none, [](std::string_view) { return std::optional<std::string>(); });
    EXPECT_FALSE(platform::FileExists(none));
    EXPECT_EQ(::GetFileAttributesW(Wide(none + ".tavrin-tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    // An empty file is a file, but one without content.
    WriteText(dir + "empty.ini", "");
    EXPECT_TRUE(platform::FileExists(dir + "empty.ini"));
    EXPECT_FALSE(platform::FileHasContent(dir + "empty.ini"));
    EXPECT_TRUE(platform::FileHasContent(file));
}

// Nanoseconds since 1970, near the clock's now for a file just written (the
// count from 1601 in nanoseconds does not fit 64 bits).
TEST(Win32Files, AStampsTimesAreNanosecondsSince1970)
{
    const std::string file = ScratchDir("stamp") + "now.ini";
    WriteText(file, "x");
    const auto stamp = platform::GetFileStamp(file);
    ASSERT_TRUE(stamp);
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    const std::int64_t hour = 3600LL * 1000000000LL;
    EXPECT_LT(std::llabs(stamp->modifiedNs - now), hour) << stamp->modifiedNs << " against " << now;
    EXPECT_LT(std::llabs(stamp->changedNs - now), hour) << stamp->changedNs << " against " << now;
    EXPECT_FALSE(stamp->settled);
}

// Without the classic w32x86\2 folder the spooler's version-3 folder of this
// process's kind is taken, and it is there.
TEST(Win32Drivers, TheDriverFolderIsOneThatExists)
{
    ::SetEnvironmentVariableA("TAVRIN_PRINTER_DRIVER_DIR", nullptr);
    _putenv("TAVRIN_PRINTER_DRIVER_DIR=");
    const std::string dir = platform::PrinterDriverDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    const DWORD attributes = ::GetFileAttributesW(Wide(dir).c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << dir;
}

// The program copied into a folder named with a letter outside ASCII, run
// as a station would start it: the configuration file given with /f: is
// looked for in the program's folder, and the message names that folder
// and the argument as they are, in UTF-8 like all the program's text (the
// console form of the box: "\r" becomes "\r\n").
TEST(Win32Program, AFolderNamedOutsideAsciiIsTheProgramsOwn)
{
    const std::string dir = ScratchDir("Station\xC3\xA4");
    for (const char* file : {"tavrin.exe", "Scorpa.dll", "Velkit.dll"})
        ASSERT_TRUE(::CopyFileW(Wide(std::string(TAVRIN_PROGRAM_DIR_NATIVE "/") + file).c_str(),
                                Wide(dir + file).c_str(), FALSE))
            << file;
    ASSERT_TRUE(::CopyFileW(Wide(TAVRIN_TESTBED_DIR_NATIVE "/dlportio.dll").c_str(), Wide(dir + "dlportio.dll").c_str(),
                            FALSE));
    const std::string log = ScratchDir("messages") + "log.txt";
    ::DeleteFileW(Wide(log).c_str());
    ::SetEnvironmentVariableW(L"TAVRIN_MESSAGE_LOG", Wide(log).c_str());

    std::wstring command = L"\"" + Wide(dir + "tavrin.exe") + L"\" /f:K\x00E4rtchen.ini";
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process {};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 Wide(ScratchDir("elsewhere")).c_str(), &startup, &process));
    ASSERT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::SetEnvironmentVariableW(L"TAVRIN_MESSAGE_LOG", nullptr);

    std::ifstream in(Wide(log).c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("File not found:\r\n" + dir + "K\xC3\xA4rtchen.ini"), std::string::npos) << text.str();
}

// The A entry points of Scorpa and Velkit take a host program's text in its
// ANSI code page; this test program asks for none, so Wine gives it the
// locale's (cp1252 for the C and English locales).
TEST(Win32Text, AnsiTextIsConvertedAtTheEntryPoints)
{
    if (::GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << ::GetACP() << ", not 1252";
    EXPECT_EQ(platform::AnsiToNarrow("K\xE4rtchen \x80"), "K\xC3\xA4rtchen \xE2\x82\xAC");
    EXPECT_EQ(platform::NarrowToAnsi("K\xC3\xA4rtchen \xE2\x82\xAC"), "K\xE4rtchen \x80");
    // What cp1252 cannot hold becomes '?', never a byte of UTF-8.
    EXPECT_EQ(platform::NarrowToAnsi("\xEC\x98\xA4\xEB\xA5\x98 x"), "?? x");
    EXPECT_EQ(platform::AnsiToNarrow(""), "");
    EXPECT_EQ(platform::AnsiToNarrow("plain"), "plain");
}
