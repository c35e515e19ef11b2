// The names callers print for Velkit's result codes: the C lookup and the
// C++ table agree, and exactly the vendor's named values have a name, each
// its own. (Which value each call returns is checked through the probe.)
#include "velkit/ResultCodes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(VelkitResultCodes, ExactlyTheNamedValuesHaveOneNameEach)
{
    const auto named = [](int c) {
        return (c >= 0 && c <= 5) || (c >= 7 && c <= 11) || (c >= 16 && c <= 18) || (c >= 100 && c <= 109) ||
               c == 400 || (c >= 500 && c <= 505) || (c >= 550 && c <= 566) || (c >= 600 && c <= 616);
    };
    std::set<std::string> names;
    for (int c = -5; c <= 700; ++c) {
        const char* name = Velkit_ResultName(c);
        EXPECT_EQ(name != nullptr, named(c)) << "code " << c;
        EXPECT_EQ(std::string(name ? name : ""), velkit::ResultCodeName(c)) << "code " << c;
        if (name) {
            EXPECT_TRUE(names.insert(name).second) << name;
        }
    }
    EXPECT_EQ(names.size(), std::size(velkit::kResultCodes));
    EXPECT_EQ(velkit::ResultCodeName(566), "VELTO_ERROR_MIFARE24_STOPBIT");
    EXPECT_EQ(velkit::ResultCodeName(600), "VELTO_ERROR_ICLASS24_ALREADYOPEN");
}
