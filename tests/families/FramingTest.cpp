// What the ESC frames are made from, against literals: the hexadecimal
// payload of an LPT frame and the command words. The frames themselves are
// built in families/EscPrinter.cpp (SpoolRawCommand, SendParallelCommand,
// SendLptDeviceCommand, FargoCommand) and families/LPTPort.cpp (the direct
// port); the black-box tests compare them byte for byte as the printer gets
// them (EscFamilyTest.cpp, ParallelPortTest.cpp; Magicard's frame in
// MagicardTest.cpp).
#include "families/EscPrinter.h"

#include <gtest/gtest.h>

using namespace tavrin;

TEST(HexToBytes, KeepsUpperCaseDigitPairs)
{
    EXPECT_EQ(HexToBytes("1B 4D53"), "\x1B\x4D\x53");
    EXPECT_EQ(HexToBytes("0D0a"), "\x0D");
    EXPECT_EQ(HexToBytes("ABC"), "\xAB");
    EXPECT_EQ(HexToBytes("G1-2Z3"), "\x12");
    EXPECT_EQ(HexToBytes(""), "");
    EXPECT_EQ(HexToBytes("00FF"), std::string("\x00\xFF", 2));
}

TEST(IsCommandWord, TheFiveWordsInAnyCase)
{
    for (const char* w : {"FEED", "eject", "Return", "REJECT", "flip"}) EXPECT_TRUE(IsCommandWord(w)) << w;
    for (const char* w : {"FEED ", "MS", "", "FEEDER", "WRITEM"}) EXPECT_FALSE(IsCommandWord(w)) << w;
}
