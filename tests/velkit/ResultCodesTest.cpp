// The result-code table callers print names from.
#include "velkit/ResultCodes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using velkit::ResultCodeName;

TEST(VelkitResultCodes, NamedCodesCarryTheirNames)
{
    EXPECT_EQ(ResultCodeName(0), "VELTO_SUCCESS");
    EXPECT_EQ(ResultCodeName(1), "VELTO_ERROR_WINDOWSERROR");
    EXPECT_EQ(ResultCodeName(9), "VELTO_ERROR_TIMEOUT");
    EXPECT_EQ(ResultCodeName(11), "VELTO_ERROR_CMDFAILURE");
    EXPECT_EQ(ResultCodeName(16), "VELTO_ERROR_PRINTERNOTREADY");
    EXPECT_EQ(ResultCodeName(18), "VELTO_ERROR_MISSINGENTRYPOINT");
    EXPECT_EQ(ResultCodeName(100), "VELTO_INVALID_CALLLOCATION");
    EXPECT_EQ(ResultCodeName(109), "VELTO_INVALID_HARDWARE");
    EXPECT_EQ(ResultCodeName(400), "VELTO_ERROR_IC_ABORTED");
    EXPECT_EQ(ResultCodeName(505), "VELTO_ERROR_HID24_CMDTIMEOUT");
    EXPECT_EQ(ResultCodeName(550), "VELTO_ERROR_MIFARE24_ALREADYOPEN");
    EXPECT_EQ(ResultCodeName(566), "VELTO_ERROR_MIFARE24_STOPBIT");
    EXPECT_EQ(ResultCodeName(603), "VELTO_ERROR_ICLASS24_COMPORTFAILED");
    EXPECT_EQ(ResultCodeName(616), "VELTO_ERROR_ICLASS24_STOPBIT");
}

TEST(VelkitResultCodes, ExactlyTheTableIsNamed)
{
    std::set<int> named;
    for (int c = 0; c <= 5; ++c) named.insert(c);
    for (int c = 7; c <= 11; ++c) named.insert(c);
    for (int c = 16; c <= 18; ++c) named.insert(c);
    for (int c = 100; c <= 109; ++c) named.insert(c);
    named.insert(400);
    for (int c = 500; c <= 505; ++c) named.insert(c);
    for (int c = 550; c <= 566; ++c) named.insert(c);
    for (int c = 600; c <= 616; ++c) named.insert(c);
    for (int c = -5; c <= 700; ++c)
        EXPECT_EQ(!ResultCodeName(c).empty(), named.count(c) == 1) << "code " << c;
    EXPECT_EQ(std::size(velkit::kResultCodes), named.size());
}

TEST(VelkitResultCodes, EncoderRangesRunInTableOrder)
{
    const char* mifare[] = {"ALREADYOPEN", "LOADFAILED", "UNKNOWN", "COMPORTFAILED", "SENDFAILED", "RECEIVEFAILED",
                            "INVALIDREPLY", "HEADER", "FOOTER", "CRC", "NODATA", "INVALIDPARAMETER", "INVALIDCOM",
                            "BAUDRATE", "PARITY", "DATABIT", "STOPBIT"};
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(ResultCodeName(550 + i), std::string("VELTO_ERROR_MIFARE24_") + mifare[i]);
        EXPECT_EQ(ResultCodeName(600 + i), std::string("VELTO_ERROR_ICLASS24_") + mifare[i]);
    }
    const char* hid[] = {"ALREADYOPEN", "LOADFAILED", "UNKNOWN", "SYNTAXERROR", "CMDFAILURE", "CMDTIMEOUT"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ResultCodeName(500 + i), std::string("VELTO_ERROR_HID24_") + hid[i]);
}

TEST(VelkitResultCodes, NamesAreUnique)
{
    std::set<std::string_view> names;
    for (const auto& e : velkit::kResultCodes) EXPECT_TRUE(names.insert(e.name).second) << e.name;
}
