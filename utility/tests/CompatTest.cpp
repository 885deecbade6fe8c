#include <gtest/gtest.h>

#include "compat/WinTypes.h"

// The records' layouts are pinned at compile time; this checks the values
// that the stored formats rely on.
TEST(Compat, ColourMacrosPackRedLowBlueHigh) {
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(GetRValue(0x563412u), 0x12);
    EXPECT_EQ(GetGValue(0x563412u), 0x34);
    EXPECT_EQ(GetBValue(0x563412u), 0x56);
}

TEST(Compat, TestMainIsolatesHomeAndRegistry) {
    const char* home = getenv("HOME");
    const char* reg = getenv("KVX_REGISTRY_DIR");
    ASSERT_NE(home, nullptr);
    ASSERT_NE(reg, nullptr);
    EXPECT_NE(std::string(home).find("kvx-test-"), std::string::npos);
    EXPECT_NE(std::string(reg).find("kvx-test-"), std::string::npos);
}
