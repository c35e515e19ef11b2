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

TEST(LibraryLoading, AMissingLibraryIsNamedInTheError)
{
    std::string error;
    EXPECT_FALSE(DynamicLibrary::Load(std::string(TAVRIN_TESTBED_BUILD_DIR) + "/NoSuchVendor.dll", &error));
    EXPECT_NE(error.find("NoSuchVendor.dll"), std::string::npos) << error;
}
