#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ReportCapture.h"
#include "testing/Installed.h"
#include "testing/TempFolder.h"
#include "utility/BasicString.h"
#include "utility/FormatArguments.h"
#include "utility/WideFormat.h"

namespace {

using Lines = std::vector<int>;

std::wstring F(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWide(format, args);
    va_end(args);
    return text;
}

struct FormatCase {
    const char* name;
    std::function<std::wstring()> format;
    const wchar_t* expected;
    Lines reports;
};

class WideFormatTest : public ReportCapture {};

TEST_F(WideFormatTest, Conversions) {
    const wchar_t* nullWide = nullptr;
    const char* nullNarrow = nullptr;
    const FormatCase cases[] = {
        {"null wide text", [=] { return F(L"[%s]", nullWide); }, L"[(null)]", {}},
        {"null narrow text", [=] { return F(L"[%S|%hs]", nullNarrow, nullNarrow); }, L"[(null)|(null)]", {}},
        {"null text with precision", [=] { return F(L"[%.3s]", nullWide); }, L"[(nu]", {}},
        {"wide text forms", [] { return F(L"%s %ls %lS %ws", L"a\x00E9", L"b", L"c", L"d"); }, L"a\x00E9 b c d", {}},
        {"narrow text 0x80-0x9F", [] { return F(L"%S", "\x80\x82\x8A\x8C\x99\x9C\x9F"); },
         L"\x20AC\x201A\x0160\x0152\x2122\x0153\x0178", {}},
        {"narrow text forms", [] { return F(L"%hs|%hS|%S", "\xE9", "b", "c"); }, L"\x00E9|b|c", {}},
        {"wide characters", [] { return F(L"%c%lc%wc", L'\x00E9', L'\x4E2D', L'x'); }, L"\x00E9\x4E2Dx", {}},
        {"narrow characters", [] { return F(L"%C%hc%hC", '\x80', '\xE9', 'a'); }, L"\x20AC\x00E9" L"a", {}},
        {"wide character with %lC", [] { return F(L"%lC", L'\x0416'); }, L"\x0416", {}},
        {"I64", [] { return F(L"%I64d %I64u %I64x %I64X", INT64_MIN, UINT64_MAX, (uint64_t)0xABCDEF0123ULL, (int64_t)255); },
         L"-9223372036854775808 18446744073709551615 abcdef0123 FF", {}},
        {"long long and size_t", [] { return F(L"%lld %llu %zu %Iu", -5LL, 7ULL, (size_t)123, (size_t)9); }, L"-5 7 123 9", {}},
        {"l integers are 32-bit", [] { return F(L"%ld %lu %lx", (LONG)-5, (DWORD)0xFFFFFFFFu, (DWORD)0xBEEF); },
         L"-5 4294967295 beef", {}},
        {"short and char sizes", [] { return F(L"%hd %hu %hhu", 70000, 70000, 300); }, L"4464 4464 44", {}},
        {"int conversions", [] { return F(L"%d %i %u %o %x %X", -1, 2, 3u, 8, 255, 255); }, L"-1 2 3 10 ff FF", {}},
        {"flags", [] { return F(L"[%5d|%-5d|%05d|%+d|% d|%#x|%#o]", 42, 42, 42, 42, 42, 255, 8); },
         L"[   42|42   |00042|+42| 42|0xff|010]", {}},
        {"precision on integers", [] { return F(L"%.3d|%8.3x", 7, 10); }, L"007|     00a", {}},
        {"star width and precision", [] { return F(L"[%*d|%-*d|%.*f]", 5, 42, 4, 1, 2, 3.14159); }, L"[   42|1   |3.14]", {}},
        {"negative star width left-justifies", [] { return F(L"[%*d]", -5, 42); }, L"[42   ]", {1526}},
        {"negative star precision is ignored", [] { return F(L"[%.*f]", -1, 1.5); }, L"[1.500000]", {1546}},
        {"text width and precision", [] { return F(L"[%10.4s|%-6s|%.2S|%3c]", L"abcdefg", L"ab", "xyz", L'q'); },
         L"[      abcd|ab    |xy|  q]", {}},
        {"floats", [] { return F(L"%e|%E|%f|%g|%G|%.3g", 12345.678, 0.5, 1.5, 0.0001, 1e-10, 2.0 / 3); },
         L"1.234568e+04|5.000000E-01|1.500000|0.0001|1E-10|0.667", {}},
        {"float flags", [] { return F(L"[%08.2f|%-8.1f|%+.0f|%#.0f]", -3.14159, 2.25, 2.5, 3.0); },
         L"[-0003.14|2.2     |+2|3.]", {}},
        {"percent", [] { return F(L"100%% %5%"); }, L"100% %", {}},
        {"pointer", [] { return F(L"%p", (void*)0x1234); }, L"0000000000001234", {}},
        {"unknown letter is copied and takes no argument", [] { return F(L"%y %d %s", 5, L"x"); }, L"%y 5 x", {1745}},
        {"unknown letter after flags", [] { return F(L"%-5k|%d", 7); }, L"%-5k|7", {1745}},
        {"format ending inside a conversion", [] { return F(L"abc%", 1); }, L"abc%", {1745}},
        {"format ending in a size prefix", [] { return F(L"x%I64", 1); }, L"x%I64", {1745}},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_log.Clear();
        EXPECT_EQ(c.format(), c.expected);
        EXPECT_EQ(AssertionLines(), c.reports);
    }
}

TEST_F(WideFormatTest, PercentNTakesItsPointerAndWritesNothing) {
    int count = 7;
    EXPECT_EQ(F(L"ab%ncd%d", &count, 5), L"abcd5");
    EXPECT_EQ(count, 7);
}

TEST_F(WideFormatTest, LongResultsGrowExactly) {
    std::wstring piece(3000, L'x');
    std::wstring expected = piece + L"|" + std::wstring(5000, L' ') + L"42|" + piece;
    EXPECT_EQ(F(L"%s|%5002d|%s", piece.c_str(), 42, piece.c_str()), expected);
    std::wstring fixed = F(L"%.400f", 1.0);
    EXPECT_EQ(fixed.size(), 402u);
    EXPECT_EQ(F(L"%.2000g", 0.5), L"0.5");
}

// Fixed arguments, as the fuzz target passes them.
class CFixedArguments : public CFormatArguments {
public:
    int32_t NextInt32() override { return 7; }
    int64_t NextInt64() override { return -1; }
    double NextDouble() override { return 0.25; }
    const wchar_t* NextWideText() override { return L"w"; }
    const char* NextNarrowText() override { return "n"; }
    const void* NextPointer() override { return nullptr; }
};

TEST_F(WideFormatTest, LengthLimitFailsInsteadOfGrowing) {
    CFixedArguments args;
    std::wstring out = L"previous";
    EXPECT_TRUE(FormatWideFrom(out, L"%s%S%d%I64d%.1f", args, 100));
    EXPECT_EQ(out, L"wn7-10.2");
    EXPECT_FALSE(FormatWideFrom(out, L"%20d", args, 10));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(FormatWideFrom(out, L"%.999999999d", args, 1000));
    EXPECT_FALSE(FormatWideFrom(out, L"%2147483647s", args, 1000));
    EXPECT_FALSE(FormatWideFrom(out, nullptr, args, 1000));
}

TEST_F(WideFormatTest, DecimalPointDoesNotFollowTheProcessLocale) {
    // A German locale (decimal comma) built into the test's own folder.
    kvxtest::TempFolder folder;
    std::string command = "localedef -i de_DE -f UTF-8 '" + folder.Sub("de_DE.UTF-8") + "' >/dev/null 2>&1";
    KVX_SKIP_OR_FAIL_UNLESS(std::system(command.c_str()) == 0, "localedef or the de_DE locale source is missing");
    setenv("LOCPATH", folder.Path().c_str(), 1);
    ASSERT_NE(setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
    char narrow[16];
    std::snprintf(narrow, sizeof(narrow), "%.2f", 1.5);
    std::wstring text = F(L"%.2f|%g", 1.5, 0.25);
    setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    EXPECT_STREQ(narrow, "1,50");  // the locale took effect
    EXPECT_EQ(text, L"1.50|0.25");
}

} // namespace
