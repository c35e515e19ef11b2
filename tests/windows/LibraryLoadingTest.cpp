// Loading the vendors' libraries on Windows: the testbed's stand-ins, built
// as the vendors' DLLs, through the platform layer the program uses.
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::DynamicLibrary;

// The vendors' file names are used as they are (the Windows black-box tests
// under Wine load every stand-in by them); here, each library's entry points
// as the program looks them up.
TEST(LibraryLoading, EntryPointsAreFoundByTheNamesTheProgramUses)
{
    const struct {
        const char* file;
        std::vector<const char*> found, missing;
    } rows[] = {
        // The DII drivers' entry points carry their decorated names.
        {"CX210P.DLL", {"_ExtEncodeInit@16", "_ExtEncodeEnd@8"}, {}},
        {"PrnSC.DLL", {"_LoadCardSC@24", "_UnloadCardSC@28"}, {}},
        {"PrnSC-nounload.DLL", {"_LoadCardSC@24"}, {"_UnloadCardSC@28"}},
        {"MagAPI.DLL", {"EnableStatusReporting"}, {}},
        {"wnaspi32.dll", {"SendASPI32Command", "GetASPI32SupportInfo"}, {"NoSuchEntry"}},
    };
    for (const auto& row : rows) {
        std::string error;
        const auto library = DynamicLibrary::Load(std::string(TAVRIN_TESTBED_BUILD_DIR) + "/" + row.file, &error);
        ASSERT_TRUE(library) << row.file << ": " << error;
        for (const char* name : row.found) EXPECT_NE(library->Symbol(name), nullptr) << row.file << " " << name;
        for (const char* name : row.missing) EXPECT_EQ(library->Symbol(name), nullptr) << row.file << " " << name;
    }
}

// A vendor's 32-bit module may export its stdcall entry points decorated
// only; the program asks for the plain names with the pointer types it
// calls them through, whose arguments give the N.
TEST(LibraryLoading, PlainNamesOfStdcallEntryPointsAreFoundDecorated)
{
    std::string error;
    const auto library = DynamicLibrary::Load(TAVRIN_DECORATED_EXPORTS, &error);
    ASSERT_TRUE(library) << error;
    void* const reference = library->Symbol("Reference");
    ASSERT_NE(reference, nullptr);
    using TwoInts = int(TAVRIN_STDCALL*)(int, int);              // 8
    using DoubleAndShort = int(TAVRIN_STDCALL*)(double, short);  // 8 + 4
    using OnePointer = int(TAVRIN_STDCALL*)(const char*);        // 4
    using Cdecl = int(TAVRIN_CDECL*)(int, int);
#if defined(_WIN32) && defined(__i386__)
    EXPECT_EQ(reinterpret_cast<void*>(library->Function<TwoInts>("Underscored")), reference);
    EXPECT_EQ(reinterpret_cast<void*>(library->Function<DoubleAndShort>("AtOnly")), reference);
    EXPECT_EQ(reinterpret_cast<void*>(library->Function<OnePointer>("Both")), reference);
    // The N must be the pointer type's: another one is another function.
    EXPECT_EQ(library->Function<OnePointer>("Underscored"), nullptr);
    // A cdecl entry point is never decorated so.
    EXPECT_EQ(library->Function<Cdecl>("Underscored"), nullptr);
#else
    // A 64-bit library carries no decoration: plain names only.
    EXPECT_EQ(library->Function<TwoInts>("Underscored"), nullptr);
    EXPECT_EQ(library->Function<DoubleAndShort>("AtOnly"), nullptr);
    EXPECT_EQ(library->Function<OnePointer>("Both"), nullptr);
    EXPECT_EQ(library->Function<Cdecl>("Underscored"), nullptr);
    EXPECT_NE(library->Symbol("_Underscored@8"), nullptr);
#endif
    EXPECT_EQ(library->Function<TwoInts>("Missing"), nullptr);
}

TEST(LibraryLoading, AMissingLibraryIsNamedInTheError)
{
    std::string error;
    EXPECT_FALSE(DynamicLibrary::Load(std::string(TAVRIN_TESTBED_BUILD_DIR) + "/NoSuchVendor.dll", &error));
    EXPECT_NE(error.find("NoSuchVendor.dll"), std::string::npos) << error;
}
