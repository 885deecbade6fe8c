#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/FtpEntryOrder.h"
#include "OnlineServices/Sendrix/FtpListParser.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/RecordingLog.h"
#include "utility/BasicFileFindInfo.h"
#include "utility/LibraryLog.h"

namespace {

// 2026-12-10 12:00:00 UTC and 2026-01-15 12:00:00 UTC.
constexpr int64_t kDecember2026 = 1796904000;
constexpr int64_t kJanuary2026 = 1768478400;

struct Expected {
    const char* line;
    int64_t now;
    int parsed;
    const wchar_t* name = L"";
    DWORD attributes = 0;
    ULONGLONG size = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

TEST(FtpListParserTest, LinesOfEveryStyle) {
    const Expected cases[] = {
        {"-rw-r--r--   1 anna  staff     4812 Mar  7 14:05 notes.txt", kDecember2026, 1, L"notes.txt", 0x80, 4812,
         2026, 3, 7, 14, 5, 0},
        {"-rw-r--r--   1 anna  staff     4812 Mar  7 14:05 notes.txt", kJanuary2026, 1, L"notes.txt", 0x80, 4812,
         2025, 3, 7, 14, 5, 0},
        // Within 350 days ahead of now counts as this year's.
        {"-rw-r--r--   1 anna  staff     1 Dec 20  9:30 soon", kDecember2026, 1, L"soon", 0x80, 1, 2026, 12, 20, 9, 30, 0},
        {"-rw-r--r--   1 anna  staff     1 Dec 20  9:30 soon", kJanuary2026, 1, L"soon", 0x80, 1, 2025, 12, 20, 9, 30, 0},
        {"-rw-r--r--   1 anna     123 Feb 11  2003 no group.txt", kDecember2026, 1, L"no group.txt", 0x80, 123, 2003, 2,
         11, 0, 0, 0},
        {"lrwxrwxrwx   1 root  root  14 Jan  1  2020 latest -> release/beta", kDecember2026, 1, L"latest", 0, 14, 2020,
         1, 1, 0, 0, 0},
        {"drwxr-xr-x   2 anna  staff  4096 Jul 31  2024 docs", kDecember2026, 1, L"docs", 0x10, 4096, 2024, 7, 31, 0,
         0, 0},
        {"-rw-r--r--   1 anna  staff  6000000000 Jan 2  2021 big.iso", kDecember2026, 1, L"big.iso", 0x80,
         6000000000ULL, 2021, 1, 2, 0, 0, 0},
        {"11-02-09  07:15PM       <DIR>          archive", kDecember2026, 1, L"archive", 0x10, 0, 2009, 11, 2, 19, 15,
         0},
        {"11-02-09  12:40AM                 1024 index.htm", kDecember2026, 1, L"index.htm", 0x80, 1024, 2009, 11, 2, 0,
         40, 0},
        {"DATA.DIR;1                2   3-JUN-2001 10:30 [owner] (RWE,RWE,,)", kDecember2026, 1, L"DATA", 0x10, 0,
         2001, 6, 3, 10, 30, 0},
        {"README.TXT;4   5  17-OCT-1999 08:07:12 [SYS] (RWED)", kDecember2026, 1, L"README.TXT", 0x80, 0, 1999, 10,
         17, 8, 7, 0},
        {"+m1000000000,r,s77,\ta.txt", kDecember2026, 1, L"a.txt", 0x80, 77, 2001, 9, 9, 1, 46, 40},
        {"+/,\tsub", kDecember2026, 1, L"sub", 0x10, 0, 0, 0, 0, 0, 0, 0},
        // Lines that give no record.
        {"+m1000000000,r,s77,a.txt", kDecember2026, 0},
        {"+r,\t", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  4812 Mar  7", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  4812 Mar  7 14:05", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  4812 Mar  7 199 x", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  4812 Mar 99 2001 x", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  4812 Mar  7 0042 x", kDecember2026, 0},
        {"+m99999999999999,r,s77,\ta.txt", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  4812 Mar 7\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9\xa9 14:05 x",
         kDecember2026, 0},
        {"DATA.DIR;1 2 3-XYZ-2001 10:30 x", kDecember2026, 0},
        {"DATA.DIR;1 2 3-JUN-2001", kDecember2026, 0},
        {"11-02-09  07:15PM", kDecember2026, 0},
        {"13-40-09  07:15PM  1 x", kDecember2026, 0},
        // Sizes that are no sizes, and names that would leave the folder.
        {"-rw-r--r--   1 anna  staff  99999999999999999999 Jan 2  2021 x", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  -5 Jan 2  2021 x", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  12k Jan 2  2021 x", kDecember2026, 0},
        {"+s99999999999999999999,\tx", kDecember2026, 0},
        {"+s-1,\tx", kDecember2026, 0},
        {"11-02-09  12:40AM  18446744073709551617 x", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  1 Jan 2  2021 ../../etc/passwd", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  1 Jan 2  2021 a/b", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  1 Jan 2  2021 a\\b", kDecember2026, 0},
        {"drwxr-xr-x   2 anna  staff  4096 Jul 31  2024 .", kDecember2026, 0},
        {"drwxr-xr-x   2 anna  staff  4096 Jul 31  2024 ..", kDecember2026, 0},
        {"+/,\t..", kDecember2026, 0},
        {"11-02-09  07:15PM       <DIR>          ../up", kDecember2026, 0},
        {"-rw-r--r--   1 anna  staff  9223372036854775807 Jan 2  2021 ...", kDecember2026, 1, L"...", 0x80,
         9223372036854775807ULL, 2021, 1, 2, 0, 0, 0},
        {"total 12", kDecember2026, 0},
        {"x", kDecember2026, 0},
        {"", kDecember2026, 0},
    };
    // Lines are the server's text: one that gives no record (an impossible
    // date among them) is no broken contract and reports no assertion.
    kvxtest::RecordingLog log;
    SetLibraryLog(&log);
    for (const Expected& c : cases) {
        CBasicFileFindInfo record;
        int parsed = ParseFtpListLine(c.line, strlen(c.line), record, c.now);
        EXPECT_EQ(sendrixtest::AssertionCount(log), 0) << c.line;
        ASSERT_EQ(parsed, c.parsed) << c.line;
        if (!parsed) continue;
        EXPECT_STREQ(record.GetFileName(), c.name) << c.line;
        EXPECT_EQ(record.GetAttributes(), c.attributes) << c.line;
        EXPECT_EQ(record.GetFileSize(), c.size) << c.line;
        CBasicDateTime time = record.GetLastWriteTime();
        if (c.year == 0) {
            EXPECT_FALSE(time.IsValid()) << c.line;
            continue;
        }
        EXPECT_EQ(time, CBasicDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second)) << c.line;
    }
    SetLibraryLog(nullptr);
}

TEST(FtpListParserTest, NamesKeepTheirSpellingAndText) {
    const char line[] = "-rw-r--r-- 1 a b 3 Jan 1 2020 caf\xc3\xa9  two  spaces";
    CBasicFileFindInfo record;
    ASSERT_EQ(ParseFtpListLine(line, strlen(line), record, kDecember2026), 1);
    EXPECT_STREQ(record.GetFileName(), L"caf\u00e9  two  spaces");
}

CBasicFileFindInfo Entry(const wchar_t* name, bool folder) {
    CBasicFileFindInfo record;
    record.SetFileName(name);
    record.SetAttributes(folder ? 0x10 : 0x80);
    return record;
}

TEST(FtpEntryOrderTest, FoldersFirstThenNaturalNames) {
    std::set<CBasicFileFindInfo, FtpEntryOrder> set;
    for (const wchar_t* name : {L"track10", L"track9", L"Track2", L"file1.txt", L"file01.txt", L"x10", L"x1a", L"x2"})
        set.insert(Entry(name, false));
    set.insert(Entry(L"zeta", true));
    set.insert(Entry(L"alpha", true));
    set.insert(Entry(L"track9", false));
    std::vector<std::wstring> order;
    for (const CBasicFileFindInfo& record : set) order.push_back(record.GetFileName());
    EXPECT_EQ(order, (std::vector<std::wstring>{L"alpha", L"zeta", L"file01.txt", L"file1.txt", L"Track2", L"track9",
                                                L"track10", L"x1a", L"x2", L"x10"}));
}

// The order is a strict weak order over names that mix case, digits,
// leading zeros and punctuation: irreflexive, and transitive for "less" and
// for "equal".
TEST(FtpEntryOrderTest, IsAStrictWeakOrder) {
    std::vector<CBasicFileFindInfo> records;
    for (const wchar_t* name : {L"a", L"A", L"a1", L"a01", L"a001", L"a1a", L"a2", L"a10", L"a1b", L"A10", L"a-1",
                                L"a.1", L"a 1", L"1", L"01", L"10", L"9", L"_", L"~", L"a9z", L"a10a", L"b", L""})
        for (bool folder : {false, true}) records.push_back(Entry(name, folder));
    FtpEntryOrder less;
    for (const auto& x : records) {
        EXPECT_FALSE(less(x, x));
        for (const auto& y : records) {
            bool xy = less(x, y), yx = less(y, x);
            EXPECT_FALSE(xy && yx);
            // Only the same name of the same kind is equal.
            bool same = wcscmp(x.GetFileName(), y.GetFileName()) == 0 && x.GetAttributes() == y.GetAttributes();
            EXPECT_EQ(!xy && !yx, same) << std::wstring(x.GetFileName()).size();
            for (const auto& z : records) {
                if (xy && less(y, z)) {
                    EXPECT_TRUE(less(x, z));
                }
            }
        }
    }
}

} // namespace
