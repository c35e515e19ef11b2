// What a card movement loads: the window toolkit only when a window is to
// be shown, the image and text toolkits never.
#include "harness/Harness.h"

#include <gtest/gtest.h>

using harness::Sandbox;

namespace {

class CommandPathWeight : public ::testing::Test {
protected:
    void SetUp() override
    {
        queue = box.AddQueue("Zebra_P330i");
        box.WriteConfig("[PrinterConfiguration]\nPrinterName=" + queue + "\nPrinterType=ZEBRA\nPrinterMode=USB\n");
    }
    // The loader's record of every library the run opened.
    std::string LoadedBy(const std::vector<std::string>& args)
    {
        const auto r = box.Run(args, {{"DISPLAY", ":97"}, {"LD_DEBUG", "files"}});
        EXPECT_EQ(r.exitCode, 0);
        return r.err;
    }
    Sandbox box;
    std::string queue;
};

} // namespace

TEST_F(CommandPathWeight, ASuccessfulCardMovementLoadsNoToolkit)
{
    const std::string loaded = LoadedBy({"/e:FEED"});
    ASSERT_NE(loaded.find("libscorpa.so"), std::string::npos) << "the loader's record is there";
    EXPECT_EQ(loaded.find("libtavrin-qt.so"), std::string::npos);
    EXPECT_EQ(loaded.find("libQt6"), std::string::npos);
    EXPECT_EQ(loaded.find("libscorpa-graphics.so"), std::string::npos);
    EXPECT_EQ(loaded.find("libpango"), std::string::npos);
    ASSERT_EQ(box.Jobs().size(), 1u);
}

TEST_F(CommandPathWeight, AMessageWithADisplayTriesTheWindowModule)
{
    box.WriteConfig("[PrinterConfiguration]\nPrinterName=Absent\nPrinterType=ZEBRA\n");
    EXPECT_NE(LoadedBy({"/e:FEED"}).find("libtavrin-qt.so"), std::string::npos);
}
