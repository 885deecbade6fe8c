#include <gtest/gtest.h>

#include <cwchar>

#include <string>

#include "utility/UrlCoding.h"

namespace {

TEST(UrlCoding, EncodesUtf8BytesKeepingItsOwnSet) {
    struct Case {
        const wchar_t* text;
        const wchar_t* coded;
    };
    const Case cases[] = {
        {L"a b/x", L"a+b/%78"},
        {L"\u00e9", L"%C3%A9"},
        {L"", L""},
        {L"A-Z_0.9\\q~", L"A%2DZ%5F0%2E9\\q%7E"},
        {L"\U0001F600", L"%F0%9F%98%80"},
    };
    for (const Case& c : cases) EXPECT_STREQ(UrlEncode(c.text).GetString(), c.coded) << c.text;
    EXPECT_STREQ(UrlEncode(nullptr).GetString(), L"");
}

TEST(UrlCoding, DecodesUtf8AndFallsBackToTheCodePage) {
    struct Case {
        std::string coded;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"a+b%41", L"a bA"},
        {"%C3%A9", L"\u00e9"},
        {"%c3%a9t%C3%A9", L"\u00e9t\u00e9"},
        // Bytes that are not UTF-8 are read as Windows-1252, raw or coded.
        {"%E9t%80", L"\u00e9t\u20ac"},
        {"caf\xE9", L"caf\u00e9"},
        {"%F0%9F%98%80", L"\U0001F600"},
        // A '%' without two hexadecimal digits stays.
        {"100%", L"100%"},
        {"%4", L"%4"},
        {"%zz%41", L"%zzA"},
        // A NUL would end the text: "%00" stays as it is.
        {"a%00b", L"a%00b"},
        {"", L""},
    };
    for (const Case& c : cases) {
        CBasicString decoded = UrlDecode(c.coded);
        EXPECT_STREQ(decoded.GetString(), c.text) << c.coded;
        EXPECT_EQ((size_t)decoded.GetLength(), wcslen(c.text)) << c.coded;
    }

    // Every text survives the round trip.
    const wchar_t* texts[] = {L"x y+z%", L"K\u00f6ln / \u5317\u4eac", L"\\\\srv\\a b"};
    for (const wchar_t* text : texts) {
        std::wstring coded = UrlEncode(text).GetString();
        EXPECT_STREQ(UrlDecode(std::string(coded.begin(), coded.end())).GetString(), text);
    }
}

TEST(UrlCoding, HexTextToInt) {
    struct Case {
        const wchar_t* text;
        int value;
    };
    const Case cases[] = {
        {L"", 0},        {L"0", 0},          {L"41", 0x41},        {L"ff", 255},
        {L"FF", 255},    {L"7FFFFFFF", 0x7FFFFFFF}, {L"FFFFFFFF", -1}, {L"1G", 16},
        {L"100000000", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(HexTextToInt(c.text), c.value) << c.text;
    EXPECT_EQ(HexTextToInt(nullptr), 0);
}

} // namespace
