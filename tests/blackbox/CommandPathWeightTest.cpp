// What a card movement loads: the window toolkit only when a window is to
// be shown, the image and text toolkits never.
#include "families/FamilyFixture.h"

using namespace families;

namespace {

class CommandPathWeight : public Family {
protected:
    std::string QueueBase() const override { return "Zebra_P330i"; }
    void SetUp() override
    {
        Family::SetUp();
        Configure("ZEBRA", "USB");
    }
    // The loader's record of every library the run opened.
    std::string LoadedBy(const std::vector<std::string>& args)
    {
        return Run(args, {{"DISPLAY", ":97"}, {"LD_DEBUG", "files"}}).err;
    }
};

} // namespace

TEST_F(CommandPathWeight, ASuccessfulCardMovementLoadsNoToolkit)
{
    const std::string loaded = LoadedBy({"/e:FEED"});
    ASSERT_NE(loaded.find("libscorpa.so"), std::string::npos) << "the loader's record is there";
    for (const char* toolkit : {"libtavrin-qt.so", "libQt6", "libscorpa-graphics.so", "libpango"})
        EXPECT_EQ(loaded.find(toolkit), std::string::npos) << toolkit;
    ASSERT_EQ(box.Jobs().size(), 1u);
}

TEST_F(CommandPathWeight, AMessageWithADisplayTriesTheWindowModule)
{
    box.WriteConfig("[PrinterConfiguration]\nPrinterName=Absent\nPrinterType=ZEBRA\n");
    EXPECT_NE(LoadedBy({"/e:FEED"}).find("libtavrin-qt.so"), std::string::npos);
}
