#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "OnlineServices/Sendrix/TextConversion.h"

namespace {

TEST(TextConversion, WideToNarrowIsUtf8IntoANewArrayOrTheDestination) {
    char* all = ConvertWideToMultiByte(CP_ACP, L"Gr\u00fc\u00dfe", nullptr, -1);
    ASSERT_NE(all, nullptr);
    EXPECT_STREQ(all, "Gr\xc3\xbc\xc3\x9f" "e");
    delete[] all;

    char destination[16];
    EXPECT_EQ(ConvertWideToMultiByte(CP_ACP, L"Gr\u00fc\u00dfe", destination, 3), destination);
    EXPECT_STREQ(destination, "Gr\xc3\xbc");

    EXPECT_EQ(ConvertWideToMultiByte(CP_ACP, nullptr, destination, -1), nullptr);
    EXPECT_EQ(ConvertWideToMultiByte(CP_ACP, L"abc", destination, 0), nullptr);
    char* empty = ConvertWideToMultiByte(CP_UTF8, L"", nullptr, -1);
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    delete[] empty;
}

TEST(TextConversion, CopyWideStringCopiesAtMostCountCharacters) {
    EXPECT_EQ(CopyWideString(nullptr, nullptr, -1), nullptr);
    wchar_t* copy = CopyWideString(L"abcdef", nullptr, 2);
    EXPECT_STREQ(copy, L"ab");
    delete[] copy;
    wchar_t destination[8];
    EXPECT_EQ(CopyWideString(L"abc", destination, 10), destination);
    EXPECT_STREQ(destination, L"abc");
    EXPECT_STREQ(CopyWideString(L"abc", destination, -1), L"abc");
}

} // namespace
