// Platform pieces whose rules callers depend on.
#include "platform/Clock.h"
#include "platform/DynamicLibrary.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using namespace platform;

TEST(LibraryNames, WindowsNamesMapToOneLinuxFileName)
{
    EXPECT_EQ(LibraryFileName("MagAPI.DLL"), "libmagapi.so");
    EXPECT_EQ(LibraryFileName("VeltoSIO.dll"), "libveltosio.so");
    EXPECT_EQ(LibraryFileName("Scorpa.dll"), "libscorpa.so");
    EXPECT_EQ(LibraryFileName("PCP05CT.Dll"), "libpcp05ct.so");
    EXPECT_EQ(LibraryFileName("/opt/vendor/MyDriver.DLL"), "/opt/vendor/MyDriver.DLL") << "a typed path stays as typed";
    EXPECT_EQ(LibraryFileName("libfoo.so"), "libfoo.so");
}

TEST(LibraryNames, DecoratedEntryPointsFallBackToThePlainName)
{
    std::string error;
    auto libc = DynamicLibrary::Load("libc.so.6", &error);
    ASSERT_TRUE(libc) << error;
    EXPECT_NE(libc->Symbol("strlen"), nullptr);
    EXPECT_EQ(libc->Symbol("_strlen@4"), libc->Symbol("strlen"));
    EXPECT_EQ(libc->Symbol("_no_such_entry@8"), nullptr);
    EXPECT_EQ(libc->Symbol("strlen@4"), nullptr) << "only the _Name@N form is undecorated";
    EXPECT_FALSE(DynamicLibrary::Load("NoSuchVendor.dll", &error));
    EXPECT_NE(error.find("libnosuchvendor.so"), std::string::npos) << error;
}

TEST(Paths, ExtensionAndDirectoryParts)
{
    EXPECT_EQ(ChangeFileExt("/opt/tavrin/tavrin", ".ini"), "/opt/tavrin/tavrin.ini");
    EXPECT_EQ(ChangeFileExt("/opt/t.v1/tavrin.exe", ".ini"), "/opt/t.v1/tavrin.ini");
    EXPECT_EQ(ExtractFilePath("/opt/tavrin/x.ini"), "/opt/tavrin/");
    EXPECT_EQ(ExtractFilePath("x.ini"), "");
    EXPECT_EQ(LibraryFileName("libc.so.6"), "libc.so.6");
}

TEST(ConsoleMessages, CarriageReturnsBreakTheLineAndStayInTheText)
{
    EXPECT_EQ(ConsoleMessageLine("File not found:\r/x.ini", "Error"), "Error: File not found:\r\n/x.ini\n");
    EXPECT_EQ(ConsoleMessageLine("ERROR: \r\nVELTO_X", "Error"), "Error: ERROR: \r\nVELTO_X\n");
    EXPECT_EQ(ConsoleMessageLine("a\r\r", "T"), "T: a\r\n\r\n\n");
}

TEST(Clock, SleepWaitsAndTheTickCountMovesOn)
{
    // Without TAVRIN_SCRIPTED_CLOCK (tests that name one check the waits a
    // program asks for, not the waiting itself).
    ASSERT_EQ(std::getenv("TAVRIN_SCRIPTED_CLOCK"), nullptr);
    const auto start = std::chrono::steady_clock::now();
    const std::uint32_t ticks = platform::GetTickCount();
    platform::Sleep(40);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
    EXPECT_GE(platform::GetTickCount() - ticks, 39u);
}
