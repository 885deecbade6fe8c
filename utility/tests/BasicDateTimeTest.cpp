#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "ReportCapture.h"
#include "utility/BasicDateTime.h"
#include "utility/BasicDateTimeSpan.h"

namespace {

// Central European time as a POSIX rule, so no time-zone database is needed.
void UseCentralEuropeanTime() {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
}

struct Fields {
    int year, month, day, hour, minute, second;
};

Fields FieldsOf(const CBasicDateTime& t) {
    return {t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond()};
}

bool operator==(const Fields& a, const Fields& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second;
}

std::ostream& operator<<(std::ostream& os, const Fields& f) {
    char text[64];
    snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute, f.second);
    return os << text;
}

CBasicDateTime At(const Fields& f) { return CBasicDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second); }

class BasicDateTimeTest : public ReportCapture {};

TEST_F(BasicDateTimeTest, PacksIntoFiveBytesMostSignificantFieldFirst) {
    CBasicDateTime t(2011, 3, 5, 14, 7, 9);
    BYTE buffer[8] = {0xEE, 0, 0, 0, 0, 0, 0, 0xEE};
    int pos = 1;
    EXPECT_EQ(t.Serialize(buffer, pos), 1);
    EXPECT_EQ(pos, 6);
    const BYTE expected[] = {0xEE, 0x1F, 0x6C, 0xCA, 0xE1, 0xC9, 0, 0xEE};
    EXPECT_EQ(std::vector<BYTE>(buffer, buffer + 8), std::vector<BYTE>(expected, expected + 8));

    CBasicDateTime back;
    unsigned readPos = 1;
    EXPECT_EQ(back.Deserialize(buffer, 6, readPos), 1);
    EXPECT_EQ(readPos, 6u);
    EXPECT_EQ(FieldsOf(back), (Fields{2011, 3, 5, 14, 7, 9}));
    EXPECT_EQ(back, t);

    // Fewer than 5 bytes left: nothing read, position kept.
    CBasicDateTime untouched;
    readPos = 2;
    EXPECT_EQ(untouched.Deserialize(buffer, 6, readPos), 0);
    EXPECT_EQ(readPos, 2u);
    EXPECT_FALSE(untouched.IsValid());
    EXPECT_EQ(CBasicDateTime::GetSerializedSize(), 5);

    // The extreme field values survive the packing.
    CBasicDateTime last(9999, 12, 31, 23, 59, 59);
    EXPECT_EQ(FieldsOf(last), (Fields{9999, 12, 31, 23, 59, 59}));
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicDateTimeTest, OutOfRangeInputLeavesTheEmptyValueWithAReport) {
    const Fields bad[] = {{99, 1, 1, 0, 0, 0},   {10000, 1, 1, 0, 0, 0}, {2011, 0, 1, 0, 0, 0},
                          {2011, 13, 1, 0, 0, 0}, {2011, 1, 0, 0, 0, 0},  {2011, 1, 32, 0, 0, 0},
                          {2011, 1, 1, 24, 0, 0}, {2011, 1, 1, 0, 60, 0}, {2011, 1, 1, 0, 0, 60},
                          {2011, 1, 1, -1, 0, 0}};
    for (const Fields& f : bad) {
        m_log.Clear();
        CBasicDateTime t(2011, 3, 5, 14, 7, 9);
        EXPECT_EQ(t.SetDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second), 0) << f;
        EXPECT_EQ(t, CBasicDateTime()) << f;
        EXPECT_EQ(AssertionLines(), std::vector<int>{511}) << f;

        m_log.Clear();
        EXPECT_FALSE(At(f).IsValid()) << f;
        EXPECT_EQ(AssertionLines(), std::vector<int>{455}) << f;
    }

    // The day is not checked against the month's length.
    CBasicDateTime february30;
    m_log.Clear();
    EXPECT_EQ(february30.SetDateTime(2011, 2, 30, 0, 0, 0), 1);
    EXPECT_TRUE(AssertionLines().empty());
    february30.GetDayOfWeek();
    EXPECT_EQ(AssertionLines(), std::vector<int>{1330});

    // SetTime keeps the date; on the empty value it has no date to keep.
    CBasicDateTime t;
    t.SetDate(2012, 2, 29);
    EXPECT_EQ(t.SetTime(13, 14, 15), 1);
    EXPECT_EQ(FieldsOf(t), (Fields{2012, 2, 29, 13, 14, 15}));
    CBasicDateTime empty;
    EXPECT_EQ(empty.SetTime(1, 2, 3), 0);
}

TEST_F(BasicDateTimeTest, WeekdayDayOfYearAndStepsAgreeWithTheCalendar) {
    EXPECT_EQ(CBasicDateTime(2011, 1, 1, 0, 0, 0).GetDayOfWeek(), 6);
    EXPECT_EQ(CBasicDateTime(2011, 1, 1, 0, 0, 0).GetDayOfWeek1(), 7);

    using namespace std::chrono;
    const int ranges[][2] = {{100, 104}, {1596, 1604}, {1896, 1904}, {1970, 2040}, {2096, 2104}, {9996, 9999}};
    const CBasicDateTimeSpan oneDay(1, 0, 0, 0);
    for (const auto& range : ranges) {
        sys_days day = year_month_day{year{range[0]}, January, std::chrono::day{1}};
        sys_days end = year_month_day{year{range[1]}, December, std::chrono::day{31}};
        for (; day <= end; day += days{1}) {
            year_month_day ymd{day};
            CBasicDateTime t((int)ymd.year(), (int)(unsigned)ymd.month(), (int)(unsigned)ymd.day(), 12, 0, 0);
            ASSERT_EQ(t.GetDayOfWeek(), (int)weekday{day}.c_encoding()) << FieldsOf(t);
            int dayOfYear = (int)(day - sys_days{year_month_day{ymd.year(), January, std::chrono::day{1}}}).count() + 1;
            ASSERT_EQ(t.GetDayOfYear(), dayOfYear) << FieldsOf(t);
            if (day == end && range[1] == 9999) continue;
            year_month_day next{day + days{1}};
            Fields expected{(int)next.year(), (int)(unsigned)next.month(), (int)(unsigned)next.day(), 12, 0, 0};
            ASSERT_EQ(FieldsOf(t.AddSpan(oneDay)), expected) << FieldsOf(t);
            ASSERT_EQ(FieldsOf(At(expected).SubtractSpan(oneDay)), FieldsOf(t));
        }
    }
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicDateTimeTest, AddAndSubtractCarryAcrossMonthsAndYears) {
    struct Case {
        Fields start;
        int days, hours, minutes, seconds;
        Fields expected;
    };
    const Case cases[] = {
        {{2012, 2, 28, 0, 0, 0}, 1, 0, 0, 0, {2012, 2, 29, 0, 0, 0}},
        {{2011, 2, 28, 0, 0, 0}, 1, 0, 0, 0, {2011, 3, 1, 0, 0, 0}},
        {{2011, 12, 31, 23, 59, 45}, 0, 0, 0, 30, {2012, 1, 1, 0, 0, 15}},
        {{2000, 2, 28, 10, 0, 0}, 1, 14, 0, 0, {2000, 3, 1, 0, 0, 0}},
        {{1900, 2, 28, 10, 0, 0}, 1, 0, 0, 0, {1900, 3, 1, 10, 0, 0}},
        {{2011, 3, 5, 14, 7, 9}, 3650, 9, 52, 51, {2021, 3, 3, 0, 0, 0}},
        {{2011, 1, 1, 0, 0, 10}, 0, 0, 0, -20, {2010, 12, 31, 23, 59, 50}},
        {{2012, 3, 1, 0, 0, 0}, -1, 0, 0, 0, {2012, 2, 29, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CBasicDateTimeSpan span(c.days, c.hours, c.minutes, c.seconds);
        EXPECT_EQ(FieldsOf(At(c.start).AddSpan(span)), c.expected) << c.start;
        EXPECT_EQ(FieldsOf(At(c.expected).SubtractSpan(span)), c.start) << c.expected;
        EXPECT_EQ(At(c.expected).Difference(At(c.start)), span) << c.start;
    }

    CBasicDateTime later(2011, 1, 2, 0, 0, 0), earlier(2011, 1, 1, 23, 0, 0);
    EXPECT_EQ(later.Difference(earlier).GetTotalSeconds(), 3600);
    EXPECT_EQ(earlier.Difference(later).GetTotalSeconds(), -3600);
    EXPECT_EQ(CBasicDateTime(9999, 12, 31, 23, 59, 59).Difference(CBasicDateTime(100, 1, 1, 0, 0, 0)).GetTotalDays(),
              3615899);
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicDateTimeTest, ArithmeticOnDatesThatDoNotExistGivesEmptyResults) {
    CBasicDateTime february30(2011, 2, 30, 0, 0, 0), real(2011, 3, 1, 0, 0, 0);
    CBasicDateTimeSpan oneDay(1, 0, 0, 0);

    EXPECT_EQ(february30.AddSpan(oneDay), CBasicDateTime());
    EXPECT_EQ(february30.SubtractSpan(oneDay), CBasicDateTime());
    EXPECT_EQ(CBasicDateTime().AddSpan(oneDay), CBasicDateTime());
    EXPECT_EQ(real.Difference(february30), CBasicDateTimeSpan());
    EXPECT_EQ(CBasicDateTime().Difference(real), CBasicDateTimeSpan());
    EXPECT_EQ(AssertionLines(), (std::vector<int>{1060, 1140, 1060, 1220, 1220}));

    // Results beyond the years 100 to 9999 are empty too.
    m_log.Clear();
    EXPECT_EQ(CBasicDateTime(9999, 12, 31, 23, 59, 59).AddSpan(CBasicDateTimeSpan((int64_t)1)), CBasicDateTime());
    EXPECT_EQ(CBasicDateTime(100, 1, 1, 0, 0, 0).SubtractSpan(CBasicDateTimeSpan((int64_t)1)), CBasicDateTime());
    EXPECT_EQ(real.AddSpan(CBasicDateTimeSpan(INT64_MAX)), CBasicDateTime());
    EXPECT_EQ(real.SubtractSpan(CBasicDateTimeSpan(INT64_MIN)), CBasicDateTime());
    EXPECT_EQ(AssertionLines(), (std::vector<int>{455, 455, 455, 455}));
}

TEST(BasicDateTimeSpan, PartsKeepTheSignAndLongSpansDoNotOverflow) {
    CBasicDateTimeSpan span(-1, -1, -1, -1);
    EXPECT_EQ(span.GetTotalSeconds(), -90061);
    EXPECT_EQ(span.GetDays(), -1);
    EXPECT_EQ(span.GetHours(), -1);
    EXPECT_EQ(span.GetMinutes(), -1);
    EXPECT_EQ(span.GetSeconds(), -1);
    EXPECT_EQ(span.GetTotalMinutes(), -1501);
    EXPECT_EQ(span.GetTotalHours(), -25);

    // 30,000 days are more seconds than 32 bits hold.
    CBasicDateTimeSpan long_(30000, 0, 0, 0);
    EXPECT_EQ(long_.GetTotalSeconds(), 2592000000LL);
    EXPECT_EQ(long_.GetTotalDays(), 30000);

    CBasicDateTimeSpan a((int64_t)100), b((int64_t)40);
    EXPECT_EQ((a + b).GetTotalSeconds(), 140);
    EXPECT_EQ((a - b).GetTotalSeconds(), 60);
    a -= b;
    a += a;
    EXPECT_EQ(a.GetTotalSeconds(), 120);
    EXPECT_TRUE(b < a && a > b && b <= b && a >= a && a != b);
    EXPECT_EQ(CBasicDateTimeSpan().GetTotalSeconds(), 0);
}

TEST_F(BasicDateTimeTest, FormatsDatesAndTwelveHourTimes) {
    struct Case {
        Fields at;
        const wchar_t* date;
        const wchar_t* time;
    };
    const Case cases[] = {
        {{2011, 3, 5, 0, 30, 0}, L"2011/03/05", L"00:30:00 AM"},
        {{2011, 3, 5, 12, 0, 0}, L"2011/03/05", L"00:00:00 PM"},
        {{2011, 3, 5, 11, 59, 59}, L"2011/03/05", L"11:59:59 AM"},
        {{999, 12, 1, 23, 5, 7}, L"0999/12/01", L"11:05:07 PM"},
    };
    for (const Case& c : cases) {
        CBasicDateTime t = At(c.at);
        EXPECT_STREQ(t.FormatDate().GetString(), c.date);
        EXPECT_STREQ(t.FormatTime().GetString(), c.time);
        EXPECT_EQ(std::wstring(t.FormatDateTime().GetString()), std::wstring(c.date) + L" " + c.time);
    }

    CBasicDateTime t(2011, 3, 5, 14, 7, 9);
    EXPECT_STREQ(t.Format(L"%a, %d %b %Y %H:%M:%S").GetString(), L"Sat, 05 Mar 2011 14:07:09");
    EXPECT_STREQ(t.Format(L"%j %A %B").GetString(), L"064 Saturday March");
    EXPECT_TRUE(AssertionLines().empty());

    // Names stay English whatever the process locale says.
    if (setlocale(LC_TIME, "de_DE.UTF-8")) {
        EXPECT_STREQ(t.Format(L"%a %b").GetString(), L"Sat Mar");
        setlocale(LC_TIME, "C");
    }

    EXPECT_STREQ(CBasicDateTime().Format(L"%Y").GetString(), L"");
    EXPECT_STREQ(t.Format(nullptr).GetString(), L"");
    EXPECT_EQ(AssertionLines(), (std::vector<int>{891, 891}));
    EXPECT_STREQ(t.Format(std::wstring(200, L'x').c_str()).GetString(), L"");
}

TEST_F(BasicDateTimeTest, ParsesTheTwoTextFormats) {
    struct Case {
        const wchar_t* text;
        const wchar_t* format;
        int result;
        Fields expected;
        std::vector<int> reports;
    };
    const Case cases[] = {
        {L"2011/03/05 14:07:09", L"%Y/%m/%d %H:%M:%S", 1, {2011, 3, 5, 14, 7, 9}, {}},
        {L"2011-03-05T14.07.09", L"%Y/%m/%d %H:%M:%S", 1, {2011, 3, 5, 14, 7, 9}, {}},
        {L"20110305_140709", L"%Y%m%d_%H%M%S", 1, {2011, 3, 5, 14, 7, 9}, {}},
        {L"2011/03/05 14:07:09", L"%Y-%m-%d %H:%M:%S", 0, {0, 0, 0, 0, 0, 0}, {956}},
        {L"2011/03/05 14:07:09", L"%Y/%m/%d", 0, {0, 0, 0, 0, 0, 0}, {920}},
        {L"2011/03/05 14:07:09", nullptr, 0, {0, 0, 0, 0, 0, 0}, {920}},
        {L"2011/03/05", L"%Y/%m/%d %H:%M:%S", 0, {0, 0, 0, 0, 0, 0}, {940}},
        {L"20110305", L"%Y%m%d_%H%M%S", 0, {0, 0, 0, 0, 0, 0}, {977}},
        {nullptr, L"%Y%m%d_%H%M%S", 0, {0, 0, 0, 0, 0, 0}, {977}},
        {L"2011/13/05 14:07:09", L"%Y/%m/%d %H:%M:%S", 0, {0, 0, 0, 0, 0, 0}, {511}},
    };
    for (const Case& c : cases) {
        m_log.Clear();
        CBasicDateTime t(2000, 1, 1, 0, 0, 0);
        EXPECT_EQ(t.ParseText(c.text, c.format), c.result) << (c.text ? c.text : L"(null)");
        EXPECT_EQ(FieldsOf(t), c.expected);
        EXPECT_EQ(AssertionLines(), c.reports);
    }
}

TEST_F(BasicDateTimeTest, ParsesMonthNames) {
    const wchar_t* same[] = {L"Mar-05-2011", L"mar 05 2011", L"MAR/05/2011"};
    for (const wchar_t* text : same) {
        CBasicDateTime t;
        EXPECT_EQ(t.ParseMonthName(text), 1) << text;
        EXPECT_EQ(FieldsOf(t), (Fields{2011, 3, 5, 0, 0, 0})) << text;
    }
    CBasicDateTime t;
    EXPECT_EQ(t.ParseMonthName(L"Dec-31-9999"), 1);
    EXPECT_EQ(t.GetMonth(), 12);
    EXPECT_TRUE(AssertionLines().empty());

    EXPECT_EQ(t.ParseMonthName(L"Mai-05-2011"), 0);
    EXPECT_EQ(t, CBasicDateTime());
    EXPECT_EQ(t.ParseMonthName(L"Mar-05"), 0);
    EXPECT_EQ(t.ParseMonthName(nullptr), 0);
    EXPECT_EQ(AssertionLines(), (std::vector<int>{511, 319, 304}));
}

TEST_F(BasicDateTimeTest, EmptyValueSortsFirstAndComparesFieldByField) {
    CBasicDateTime empty, first(100, 1, 1, 0, 0, 0), a(2011, 3, 5, 14, 7, 9), b(2011, 3, 5, 14, 7, 10),
        c(2011, 4, 1, 0, 0, 0);
    EXPECT_FALSE(empty.IsValid());
    EXPECT_EQ(CBasicDateTime::Compare(empty, first), -1);
    EXPECT_EQ(CBasicDateTime::Compare(b, a), 1);
    EXPECT_EQ(CBasicDateTime::Compare(a, a), 0);
    EXPECT_TRUE(empty < first && a < b && b < c && c > a && a <= a && a >= a && a != b && a == a);
}

TEST_F(BasicDateTimeTest, ReadsFieldsAndBrokenDownTimes) {
    CBasicDateTime t(2012, 12, 31, 1, 2, 3);
    WORD y, mo, d, h, mi, s;
    EXPECT_EQ(t.GetDateTime(&y, &mo, &d, &h, &mi, &s), 1);
    EXPECT_EQ(std::vector<WORD>({y, mo, d, h, mi, s}), std::vector<WORD>({2012, 12, 31, 1, 2, 3}));
    EXPECT_EQ(t.GetDateTime(&y, &mo, &d, &h, &mi, nullptr), 0);
    EXPECT_EQ(AssertionLines(), std::vector<int>{605});

    EXPECT_EQ(t.GetDayOfYear(), 366);
    EXPECT_EQ(t.GetDaysSince(2012), 366);
    EXPECT_EQ(CBasicDateTime(2013, 1, 1, 0, 0, 0).GetDaysSince(2012), 367);
    EXPECT_EQ(CBasicDateTime(2012, 1, 1, 0, 0, 0).GetDaysSince(2012), 1);
    EXPECT_EQ(CBasicDateTime(2012, 1, 1, 0, 0, 0).GetDaysSince(2013), 0);

    tm full;
    EXPECT_EQ(t.ToTmFull(&full), 1);
    EXPECT_EQ(full.tm_year, 112);
    EXPECT_EQ(full.tm_mon, 11);
    EXPECT_EQ(full.tm_mday, 31);
    EXPECT_EQ(full.tm_wday, 1);
    EXPECT_EQ(full.tm_yday, 365);
    EXPECT_EQ(FieldsOf(CBasicDateTime(full)), FieldsOf(t));
    EXPECT_EQ(CBasicDateTime().ToTmFull(&full), 0);

    SYSTEMTIME st;
    EXPECT_EQ(t.ToSystemTime(&st), 1);
    EXPECT_EQ(st.wYear, 2012);
    EXPECT_EQ(st.wSecond, 3);
    EXPECT_EQ(st.wMilliseconds, 0);
    EXPECT_EQ(FieldsOf(CBasicDateTime(st)), FieldsOf(t));
}

TEST_F(BasicDateTimeTest, ConvertsAutomationDates) {
    struct Case {
        double date;
        Fields expected;
    };
    const Case cases[] = {
        {0.0, {1899, 12, 30, 0, 0, 0}},
        {1.5, {1899, 12, 31, 12, 0, 0}},
        {-1.25, {1899, 12, 29, 6, 0, 0}},
        {40607.0 + 50829.0 / 86400.0, {2011, 3, 5, 14, 7, 9}},
        {40607.0 + 50828.6 / 86400.0, {2011, 3, 5, 14, 7, 9}},
        {2958465.0 + 86399.0 / 86400.0, {9999, 12, 31, 23, 59, 59}},
        {-657434.0, {100, 1, 1, 0, 0, 0}},
        {60.0, {1900, 2, 28, 0, 0, 0}},
        {61.0, {1900, 3, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CBasicDateTime t;
        EXPECT_EQ(t.FromOleDate(c.date), 1) << c.date;
        EXPECT_EQ(FieldsOf(t), c.expected) << c.date;
    }
    EXPECT_TRUE(AssertionLines().empty());

    const double outside[] = {-657435.0, 2958466.0, NAN, INFINITY, -1e300};
    for (double date : outside) {
        CBasicDateTime t(2011, 1, 1, 0, 0, 0);
        EXPECT_EQ(t.FromOleDate(date), 0) << date;
        EXPECT_EQ(t, CBasicDateTime());
    }
}

TEST_F(BasicDateTimeTest, LocalTimeConversionsFollowTheTimeZoneRule) {
    UseCentralEuropeanTime();
    CBasicDateTime winter(2011, 1, 15, 12, 0, 0), summer(2011, 7, 1, 12, 0, 0);
    EXPECT_EQ(winter.GetUtcOffset(), 3600);
    EXPECT_EQ(summer.GetUtcOffset(), 7200);
    EXPECT_EQ(CBasicDateTime().GetUtcOffset(), 0);
    EXPECT_EQ(AssertionLines(), std::vector<int>{785});

    // 2011-07-01 10:00:00 UTC.
    const int64_t summerUtc = 1309514400;
    EXPECT_EQ(summer.ToTime64(), summerUtc);
    CBasicDateTime back;
    EXPECT_EQ(back.FromTime64(summerUtc), 1);
    EXPECT_EQ(back, summer);
    EXPECT_EQ(CBasicDateTime().ToTime64(), 0);

    FILETIME ft;
    EXPECT_EQ(summer.ToFileTime(&ft), 1);
    uint64_t ticks = (uint64_t)ft.dwHighDateTime << 32 | ft.dwLowDateTime;
    EXPECT_EQ(ticks, (uint64_t)summerUtc * 10000000 + KVX_FILETIME_UNIX_EPOCH);
    EXPECT_EQ(CBasicDateTime(ft), summer);

    // Before 1601 there is no file time.
    ft.dwLowDateTime = ft.dwHighDateTime = 7;
    EXPECT_EQ(CBasicDateTime(1500, 1, 1, 0, 0, 0).ToFileTime(&ft), 0);
    EXPECT_EQ(ft.dwLowDateTime | ft.dwHighDateTime, 0u);

    // Only the all-zero file time is the empty value.
    FILETIME zero {0, 0}, oneTick {1, 0}, highOnly {0, 0x01CC37F0};
    EXPECT_EQ(CBasicDateTime(zero), CBasicDateTime());
    EXPECT_EQ(FieldsOf(CBasicDateTime(oneTick)), (Fields{1601, 1, 1, 1, 0, 0}));
    EXPECT_TRUE(CBasicDateTime(highOnly).IsValid());
}

} // namespace
