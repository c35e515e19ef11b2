// Linked into every black-box test program of the Wine flavour: where the
// fixture "wine" found that this machine runs no 32-bit programs (wine.sh
// leaves the reason in the prefix), every case is skipped with that reason
// instead of failing on a loader that cannot start. CTest reports them as
// skipped through the marker below (SKIP_REGULAR_EXPRESSION).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

class No32BitSkip : public testing::Environment {
public:
    void SetUp() override
    {
        std::ifstream reason(TAVRIN_WINE_PREFIX "/no-32-bit.txt");
        if (!reason) return;
        std::ostringstream text;
        text << reason.rdbuf();
        GTEST_SKIP() << "tavrin-wine-skip: " << text.str();
    }
};

[[maybe_unused]] const testing::Environment* const registered = testing::AddGlobalTestEnvironment(new No32BitSkip);

} // namespace
