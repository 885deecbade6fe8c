#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utility/AnsiCodePage.h"
#include "utility/TextCodec.h"

namespace {

TEST(AnsiCodePage, HighControlRangeAndRoundTrip) {
    const wchar_t expected[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    for (int b = 0x80; b <= 0x9F; ++b) EXPECT_EQ(AnsiCharToWide((unsigned char)b), expected[b - 0x80]) << b;
    EXPECT_EQ(AnsiCharToWide('A'), L'A');
    EXPECT_EQ(AnsiCharToWide(0xE9), L'\x00E9');
    for (int b = 0; b < 256; ++b) EXPECT_EQ(WideCharToAnsi(AnsiCharToWide((unsigned char)b)), b);
}

TEST(AnsiCodePage, CharactersWithoutAByte) {
    EXPECT_EQ(WideCharToAnsi(L'\x0080'), -1);  // 0x80 is the euro sign
    EXPECT_EQ(WideCharToAnsi(L'\x0416'), -1);
    EXPECT_EQ(WideCharToAnsi(0x1F600), -1);
    bool lossy = false;
    EXPECT_EQ(WideToAnsi(L"\x20AC x \x0416", 5, '?', &lossy), "\x80 x ?");
    EXPECT_TRUE(lossy);
    EXPECT_EQ(WideToAnsi(L"caf\x00E9", 4, '?', &lossy), "caf\xE9");
    EXPECT_FALSE(lossy);
    EXPECT_EQ(AnsiToWide("a\0b", 3), std::wstring(L"a\0b", 3));
}

TEST(TextCodec, Utf8Decoding) {
    EXPECT_EQ(Utf8ToWide(std::string("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")), L"a\x00E9\x20AC\x0001F600");
    EXPECT_EQ(WideToUtf8(L"a\x00E9\x20AC\x0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(TextCodec, InvalidUtf8BytesSurviveARoundTrip) {
    struct Case {
        const char* name;
        std::string bytes;
        std::wstring wide;
    };
    const Case cases[] = {
        {"Latin-1 byte", "caf\xE9", L"caf\xDCE9"},
        {"stray continuation", "\x80x", L"\xDC80x"},
        {"overlong", "\xC0\xAF", L"\xDCC0\xDCAF"},
        {"encoded surrogate", "\xED\xA0\x80", L"\xDCED\xDCA0\xDC80"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80"},
        {"truncated", "\xE2\x82", L"\xDCE2\xDC82"},
        {"broken then valid", "\xE2(\xC3\xA9", L"\xDCE2(\x00E9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToWide(c.bytes), c.wide);
        EXPECT_EQ(WideToUtf8(c.wide), c.bytes);
    }
}

TEST(TextCodec, UnencodableCharactersBecomeReplacement) {
    EXPECT_EQ(WideToUtf8(std::wstring(L"a\xD800" L"b")), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(WideToUtf8(std::wstring(1, (wchar_t)0x110000)), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(std::wstring(L"\xDC41")), "\xEF\xBF\xBD");  // not an escaped byte
}

TEST(TextCodec, Utf16LE) {
    const wchar_t text[] = L"A\x00E9\x0001F600";
    std::vector<uint8_t> bytes = WideToUtf16LE(text, 3);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x41, 0x00, 0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(Utf16UnitCount(text, 3), 4u);
    EXPECT_EQ(Utf16LEToWide(bytes.data(), bytes.size()), text);

    // Lone surrogates are kept as they are; an odd last byte is ignored.
    const uint8_t lone[] = {0x00, 0xDC, 0x41, 0x00, 0x00, 0xD8, 0x7A};
    std::wstring decoded = Utf16LEToWide(lone, sizeof(lone));
    EXPECT_EQ(decoded, std::wstring(L"\xDC00" L"A\xD800"));
    EXPECT_EQ(WideToUtf16LE(decoded.data(), decoded.size()), std::vector<uint8_t>(lone, lone + 6));

    std::vector<uint8_t> appended = {0xFF};
    AppendUtf16LE(appended, L"\x0010FFFF", 1);
    AppendUtf16LE(appended, std::wstring(1, (wchar_t)0x110000).c_str(), 1);
    EXPECT_EQ(appended, (std::vector<uint8_t>{0xFF, 0xFF, 0xDB, 0xFF, 0xDF, 0xFD, 0xFF}));
}

} // namespace
