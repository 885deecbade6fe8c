#include <gtest/gtest.h>

#include <string>

#include "ReportCapture.h"
#include "utility/TextCheck.h"

namespace {

class TextCheckTest : public ReportCapture {};

TEST_F(TextCheckTest, GuidWithNumber) {
    const std::wstring guid = L"0F8FAD5B-D9CB-469F-A165-70867728950E";
    struct Case {
        std::wstring text;
        int result;
    };
    const Case cases[] = {
        {guid + L"-12", 1},
        {L"  " + guid + L"-7\t", 1},
        {guid + L"-0", 0},
        {guid + L"-x", 0},
        {guid + L"-", 0},
        {guid, 0},
        {guid.substr(1) + L"-12", 0},
        {L"0F8FAD5B-D9CB-469F-A165-70867728950E5-12", 0},
        {L"0F8FAD5B-D9CB-469F-A165-7086-7728950-12", 0},
        {L"0F8FAD5BxD9CBx469FxA165x70867728950E-12", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(IsGuidWithNumber(c.text.c_str()), c.result) << c.text;
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(IsGuidWithNumber(L""), 0);
    EXPECT_EQ(IsGuidWithNumber(nullptr), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

TEST_F(TextCheckTest, NeedsUnicodeWhenTheCodePageCannotHoldIt) {
    EXPECT_EQ(NeedsUnicode(L"Caf\u00e9 \u20ac"), 0);
    EXPECT_EQ(NeedsUnicode(L"\u0141\u00f3d\u017a"), 1);
    EXPECT_EQ(NeedsUnicode(L"\U0001F600"), 1);
    EXPECT_EQ(NeedsUnicode(L""), 0);
    EXPECT_EQ(NeedsUnicode(nullptr), 0);
}

TEST_F(TextCheckTest, CollapseWhiteSpaceKeepsTheFirstOfEachRun) {
    struct Case {
        const wchar_t* text;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"a  b\t\t c", L"a b\tc"},
        {L"  lead and trail \n ", L" lead and trail "},
        {L"none", L"none"},
        {L"", L""},
        {L"\u3000\u3000x", L"\u3000x"},
    };
    for (const Case& c : cases) {
        CBasicString text(c.text);
        CollapseWhiteSpace(text);
        EXPECT_STREQ(text.GetString(), c.result) << c.text;
    }
}

} // namespace
