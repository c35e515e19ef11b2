// Loading the vendors' libraries on Windows: the testbed's stand-ins, built
// as the vendors' DLLs, through the platform layer the program uses.
#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <string>

using platform::DynamicLibrary;

namespace {

std::string StandIn(const std::string& file) { return std::string(TAVRIN_TESTBED_BUILD_DIR) + "/" + file; }

} // namespace

TEST(LibraryNames, WindowsUsesTheVendorsFileNames)
{
    EXPECT_EQ(platform::LibraryFileName("MagAPI.DLL"), "MagAPI.DLL");
    EXPECT_EQ(platform::LibraryFileName("VeltoSIO.dll"), "VeltoSIO.dll");
    EXPECT_EQ(platform::LibraryFileName("PCP05CT.Dll"), "PCP05CT.Dll");
}

TEST(LibraryLoading, TheDiiDriversEntryPointsAreFoundByTheirDecoratedNames)
{
    std::string error;
    const auto encoder = DynamicLibrary::Load(StandIn("CX210P.DLL"), &error);
    ASSERT_TRUE(encoder) << error;
    EXPECT_NE(encoder->Symbol("_ExtEncodeInit@16"), nullptr);
    EXPECT_NE(encoder->Symbol("_ExtEncodeEnd@8"), nullptr);
    const auto smartCard = DynamicLibrary::Load(StandIn("PrnSC.DLL"), &error);
    ASSERT_TRUE(smartCard) << error;
    EXPECT_NE(smartCard->Symbol("_LoadCardSC@24"), nullptr);
    EXPECT_NE(smartCard->Symbol("_UnloadCardSC@28"), nullptr);
    const auto lacking = DynamicLibrary::Load(StandIn("PrnSC-nounload.DLL"), &error);
    ASSERT_TRUE(lacking) << error;
    EXPECT_NE(lacking->Symbol("_LoadCardSC@24"), nullptr);
    EXPECT_EQ(lacking->Symbol("_UnloadCardSC@28"), nullptr) << "the variant lacks it";
}

TEST(LibraryLoading, PlainEntryPointsAreFoundPlain)
{
    std::string error;
    const auto magapi = DynamicLibrary::Load(StandIn("MagAPI.DLL"), &error);
    ASSERT_TRUE(magapi) << error;
    EXPECT_NE(magapi->Symbol("EnableStatusReporting"), nullptr);
    const auto aspi = DynamicLibrary::Load(StandIn("wnaspi32.dll"), &error);
    ASSERT_TRUE(aspi) << error;
    EXPECT_NE(aspi->Symbol("SendASPI32Command"), nullptr);
    EXPECT_NE(aspi->Symbol("GetASPI32SupportInfo"), nullptr);
    EXPECT_EQ(aspi->Symbol("NoSuchEntry"), nullptr);
}

TEST(LibraryLoading, AMissingLibraryIsNamedInTheError)
{
    std::string error;
    EXPECT_FALSE(DynamicLibrary::Load(StandIn("NoSuchVendor.dll"), &error));
    EXPECT_NE(error.find("NoSuchVendor.dll"), std::string::npos) << error;
}
