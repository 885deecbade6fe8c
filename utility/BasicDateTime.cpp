#include "utility/BasicDateTime.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <time.h>

#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\BasicDateTime";
constexpr int kLineFileTimeToLocal = 414;
constexpr int kLineFileTimeToSystem = 422;
constexpr int kLineConstructorRange = 455;
constexpr int kLineSetDateTimeRange = 511;
constexpr int kLineGetDateTimeNull = 605;
constexpr int kLineOutNull = 640;
constexpr int kLineParseMonthNull = 304;
constexpr int kLineParseMonthItems = 319;
constexpr int kLineUtcOffset = 785;
constexpr int kLineFormat = 891;
constexpr int kLineParseFormatSlash = 920;
constexpr int kLineParseItemsSlash = 940;
constexpr int kLineParseFormatCompact = 956;
constexpr int kLineParseItemsCompact = 977;
constexpr int kLineAddSpan = 1060;
constexpr int kLineSubtractSpan = 1140;
constexpr int kLineDifference = 1220;
constexpr int kLineWeekdayMonth = 1329;
constexpr int kLineWeekdayDay = 1330;
constexpr int kLineWeekdayLeapDay = 1332;

const wchar_t kSlashFormat[] = L"%Y/%m/%d %H:%M:%S";
const wchar_t kCompactFormat[] = L"%Y%m%d_%H%M%S";

const int kDaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
const int kDaysOfMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const wchar_t* const kMonthNames[12] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                        L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kDaysPer400Years = 146097;
constexpr int64_t kDaysPer100Years = 36524;
constexpr int64_t kDaysPer4Years = 1461;
// Day number (days since 0001-01-01) of 1899-12-30, day 0 of automation dates.
constexpr int64_t kOleDateDayZero = 693593;
// 100-nanosecond units per second.
constexpr uint64_t kFileTimeTicksPerSecond = 10000000;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    return month == 2 && IsLeapYear(year) ? 29 : kDaysOfMonth[month - 1];
}

int DaysBeforeMonth(int year, int month) {
    return kDaysBeforeMonth[month - 1] + (month > 2 && IsLeapYear(year) ? 1 : 0);
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

// Days from 0001-01-01 to 1 January of a year of the proleptic Gregorian
// calendar (negative before it).
int64_t DaysBeforeYear(int64_t year) {
    int64_t y = year - 1;
    return y * 365 + FloorDiv(y, 4) - FloorDiv(y, 100) + FloorDiv(y, 400);
}

// Days since 0001-01-01.
int64_t DayNumber(int year, int month, int day) {
    return DaysBeforeYear(year) + DaysBeforeMonth(year, month) + day - 1;
}

// The date of a day number >= 0: whole 400-year cycles, then centuries,
// four-year groups and years (the last of each group being one day longer).
void DateOfDayNumber(int64_t dayNumber, int& year, int& month, int& day) {
    int64_t rest = dayNumber;
    int64_t cycles = rest / kDaysPer400Years;
    rest %= kDaysPer400Years;
    int64_t centuries = rest / kDaysPer100Years;
    if (centuries > 3) centuries = 3;
    rest -= centuries * kDaysPer100Years;
    int64_t groups = rest / kDaysPer4Years;
    rest -= groups * kDaysPer4Years;
    int64_t years = rest / 365;
    if (years > 3) years = 3;
    rest -= years * 365;
    year = (int)(cycles * 400 + centuries * 100 + groups * 4 + years + 1);
    month = 1;
    while (month < 12 && rest >= DaysBeforeMonth(year, month + 1)) ++month;
    day = (int)(rest - DaysBeforeMonth(year, month)) + 1;
}

bool InRange(int year, int month, int day, int hour, int minute, int second) {
    return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 &&
           hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

// Reads text the way swscanf reads it with a format made only of "%<n>d"
// (white space skipped, an optional sign, at most n characters of number)
// and "%<n>c" (exactly n characters, white space included) items. Numbers
// go to numbers[], characters to chars[]. Returns the count of items read;
// reading stops at the first item that does not match.
int ScanItems(const wchar_t* text, const char* format, int* numbers, wchar_t* chars) {
    int items = 0;
    const wchar_t* p = text;
    for (const char* f = format; *f == '%';) {
        int width = 0;
        for (++f; *f >= '0' && *f <= '9'; ++f) width = width * 10 + (*f - '0');
        char kind = *f++;
        if (kind == 'c') {
            for (int i = 0; i < width; ++i)
                if (!p[i]) return items;
            for (int i = 0; i < width; ++i) *chars++ = *p++;
        } else {
            while (*p && iswspace((wint_t)*p)) ++p;
            int used = 0;
            bool negative = false;
            if (*p == L'+' || *p == L'-') {
                negative = *p == L'-';
                ++p;
                ++used;
            }
            int value = 0, digits = 0;
            for (; used < width && *p >= L'0' && *p <= L'9'; ++p, ++used, ++digits) value = value * 10 + (*p - L'0');
            if (digits == 0) return items;
            *numbers++ = negative ? -value : value;
        }
        ++items;
    }
    return items;
}

// Seconds since 1970 of a local broken-down time (tm_isdst -1 lets the C
// library choose); false when the C library cannot convert it.
bool LocalTimeToSeconds(tm local, int64_t& seconds) {
    local.tm_isdst = -1;
    tm asked = local;
    time_t t = mktime(&local);
    if (t == (time_t)-1) {
        // -1 is also one second before 1970 in some zone: accept it when it
        // converts back to the time asked for.
        tm back {};
        if (!localtime_r(&t, &back) || back.tm_year != asked.tm_year || back.tm_mon != asked.tm_mon ||
            back.tm_mday != asked.tm_mday || back.tm_hour != asked.tm_hour || back.tm_min != asked.tm_min ||
            back.tm_sec != asked.tm_sec)
            return false;
    }
    seconds = (int64_t)t;
    return true;
}

} // namespace

CBasicDateTime::CBasicDateTime() { Clear(); }

CBasicDateTime::CBasicDateTime(int year, int month, int day, int hour, int minute, int second) {
    Clear();
    bool inRange = InRange(year, month, day, hour, minute, second);
    ReportAssertion(inRange, kSourceFile, kLineConstructorRange);
    if (inRange) Store(year, month, day, hour, minute, second);
}

CBasicDateTime::CBasicDateTime(const tm& time)
    : CBasicDateTime(time.tm_year + 1900, time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec) {}

CBasicDateTime::CBasicDateTime(const SYSTEMTIME& time)
    : CBasicDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond) {}

CBasicDateTime::CBasicDateTime(const FILETIME& time) {
    Clear();
    uint64_t ticks = ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
    if (ticks == 0) return;
    const int64_t epochSeconds = (int64_t)(KVX_FILETIME_UNIX_EPOCH / kFileTimeTicksPerSecond);
    int64_t seconds = (int64_t)(ticks / kFileTimeTicksPerSecond) - epochSeconds;
    time_t t = (time_t)seconds;
    tm local {};
    if (!localtime_r(&t, &local)) {
        ReportAssertion(0, kSourceFile, kLineFileTimeToLocal);
        return;
    }
    int year = local.tm_year + 1900;
    bool inRange = InRange(year, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    ReportAssertion(inRange, kSourceFile, kLineFileTimeToSystem);
    if (inRange) Store(year, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

void CBasicDateTime::Clear() { memset(m_bytes, 0, sizeof(m_bytes)); }

void CBasicDateTime::Store(int year, int month, int day, int hour, int minute, int second) {
    m_bytes[0] = (BYTE)(year >> 6);
    m_bytes[1] = (BYTE)(((year & 0x3F) << 2) | (month >> 2));
    m_bytes[2] = (BYTE)(((month & 0x3) << 6) | (day << 1) | (hour >> 4));
    m_bytes[3] = (BYTE)(((hour & 0xF) << 4) | (minute >> 2));
    m_bytes[4] = (BYTE)(((minute & 0x3) << 6) | second);
}

int CBasicDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    Clear();
    bool inRange = InRange(year, month, day, hour, minute, second);
    ReportAssertion(inRange, kSourceFile, kLineSetDateTimeRange);
    if (!inRange) return 0;
    Store(year, month, day, hour, minute, second);
    return 1;
}

int CBasicDateTime::SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

int CBasicDateTime::SetTime(int hour, int minute, int second) {
    return SetDateTime(GetYear(), GetMonth(), GetDay(), hour, minute, second);
}

int CBasicDateTime::FromTime64(int64_t seconds) {
    Clear();
    time_t t = (time_t)seconds;
    tm local {};
    if (!localtime_r(&t, &local)) return 0;
    return SetDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                       local.tm_sec);
}

int CBasicDateTime::FromOleDate(double date) {
    Clear();
    // Half a second, in days: moving the date by it away from zero rounds
    // the time of day to the nearest second.
    const double halfSecond = 5.787037037037037e-6;
    // Days of the years 100 to 9999 around day 0, with room to spare; beyond
    // them (and for NaN) the date cannot be valid.
    if (!(date > -1.0e6 && date < 1.0e7)) return SetDateTime(0, 0, 0, 0, 0, 0);
    date += date >= 0 ? halfSecond : -halfSecond;
    int64_t days = (int64_t)date;  // toward zero
    int64_t dayNumber = days + kOleDateDayZero;
    // The fraction is the time of day also for dates before day 0.
    int64_t secondOfDay = (int64_t)(std::fabs(date - (double)days) * (double)kSecondsPerDay);
    if (secondOfDay >= kSecondsPerDay) secondOfDay = kSecondsPerDay - 1;
    if (dayNumber < 0) return SetDateTime(0, 0, 0, 0, 0, 0);
    int year, month, day;
    DateOfDayNumber(dayNumber, year, month, day);
    return SetDateTime(year, month, day, (int)(secondOfDay / 3600), (int)(secondOfDay / 60 % 60),
                       (int)(secondOfDay % 60));
}

int CBasicDateTime::ParseMonthName(const wchar_t* text) {
    Clear();
    ReportAssertion(text != nullptr, kSourceFile, kLineParseMonthNull);
    if (!text) return 0;
    int numbers[2];
    wchar_t chars[5];
    int items = ScanItems(text, "%3c%1c%2d%1c%4d", numbers, chars);
    ReportAssertion(items == 5, kSourceFile, kLineParseMonthItems);
    if (items != 5) return 0;
    int month = 0;
    for (int i = 0; i < 12 && month == 0; ++i)
        if (CompareTextNoCaseN(chars, kMonthNames[i], 3) == 0) month = i + 1;
    return SetDateTime(numbers[1], month, numbers[0], 0, 0, 0);
}

int CBasicDateTime::ParseText(const wchar_t* text, const wchar_t* format) {
    Clear();
    bool slashFamily = format && wcschr(format, L'/') != nullptr;
    int formatLine = slashFamily || !format ? kLineParseFormatSlash : kLineParseFormatCompact;
    int itemsLine = slashFamily ? kLineParseItemsSlash : kLineParseItemsCompact;
    const wchar_t* accepted = slashFamily ? kSlashFormat : kCompactFormat;
    bool known = format && wcscmp(format, accepted) == 0;
    ReportAssertion(known, kSourceFile, formatLine);
    if (!known) return 0;

    const char* scan = slashFamily ? "%4d%1c%2d%1c%2d%1c%2d%1c%2d%1c%2d" : "%4d%2d%2d%1c%2d%2d%2d";
    int expected = slashFamily ? 11 : 7;
    int n[6];
    wchar_t separators[5];
    int items = text ? ScanItems(text, scan, n, separators) : 0;
    ReportAssertion(items == expected, kSourceFile, itemsLine);
    if (items != expected) return 0;
    return SetDateTime(n[0], n[1], n[2], n[3], n[4], n[5]);
}

int CBasicDateTime::IsValid() const {
    return InRange(GetYear(), GetMonth(), GetDay(), GetHour(), GetMinute(), GetSecond()) ? 1 : 0;
}

int CBasicDateTime::GetYear() const { return (m_bytes[0] << 6) | (m_bytes[1] >> 2); }
int CBasicDateTime::GetMonth() const { return ((m_bytes[1] & 0x3) << 2) | (m_bytes[2] >> 6); }
int CBasicDateTime::GetDay() const { return (m_bytes[2] >> 1) & 0x1F; }
int CBasicDateTime::GetHour() const { return ((m_bytes[2] & 0x1) << 4) | (m_bytes[3] >> 4); }
int CBasicDateTime::GetMinute() const { return ((m_bytes[3] & 0xF) << 2) | (m_bytes[4] >> 6); }
int CBasicDateTime::GetSecond() const { return m_bytes[4] & 0x3F; }

int CBasicDateTime::GetDateTime(WORD* year, WORD* month, WORD* day, WORD* hour, WORD* minute, WORD* second) const {
    bool given = year && month && day && hour && minute && second;
    ReportAssertion(given, kSourceFile, kLineGetDateTimeNull);
    if (!given) return 0;
    *year = (WORD)GetYear();
    *month = (WORD)GetMonth();
    *day = (WORD)GetDay();
    *hour = (WORD)GetHour();
    *minute = (WORD)GetMinute();
    *second = (WORD)GetSecond();
    return IsValid();
}

int CBasicDateTime::GetDayOfWeek() const {
    int y = GetYear(), month = GetMonth(), day = GetDay();
    bool monthOk = month >= 1 && month <= 12;
    ReportAssertion(monthOk, kSourceFile, kLineWeekdayMonth);
    if (!monthOk) return 0;
    bool leap = IsLeapYear(y);
    ReportAssertion(day != 0 && day <= (month == 2 ? 29 : kDaysOfMonth[month - 1]), kSourceFile, kLineWeekdayDay);
    ReportAssertion(!(month == 2 && day == 29) || leap, kSourceFile, kLineWeekdayLeapDay);
    int c = y == 0 ? y : y - 1;
    int k = c / 400 - c / 100 + c / 4 + (y != 0 ? 1 : 0);
    int afterLeapDay = month > 2 && leap ? 1 : 0;
    return ((k % 7) + (y % 7) + kDaysBeforeMonth[month - 1] + 20 + afterLeapDay + day - 1) % 7;
}

int CBasicDateTime::GetDayOfYear() const {
    int month = GetMonth();
    if (month < 1 || month > 12) return 0;
    return DaysBeforeMonth(GetYear(), month) + GetDay();
}

int CBasicDateTime::GetDaysSince(int baseYear) const {
    int year = GetYear();
    if (year < baseYear) return 0;
    int64_t days = DaysBeforeYear(year) - DaysBeforeYear(baseYear) + GetDayOfYear();
    return days > INT32_MAX ? INT32_MAX : (int)days;
}

int CBasicDateTime::ToTm(tm* out) const {
    ReportAssertion(out != nullptr, kSourceFile, kLineOutNull);
    if (!out) return 0;
    *out = tm {};
    out->tm_year = GetYear() - 1900;
    out->tm_mon = GetMonth() - 1;
    out->tm_mday = GetDay();
    out->tm_hour = GetHour();
    out->tm_min = GetMinute();
    out->tm_sec = GetSecond();
    out->tm_isdst = -1;
    return 1;
}

int CBasicDateTime::ToTmFull(tm* out) const {
    if (!IsValid() || !ToTm(out)) return 0;
    out->tm_wday = GetDayOfWeek();
    out->tm_yday = GetDayOfYear() - 1;
    return 1;
}

int64_t CBasicDateTime::ToTime64() const {
    tm local;
    int64_t seconds = 0;
    if (!IsValid() || !ToTm(&local) || !LocalTimeToSeconds(local, seconds)) return 0;
    return seconds;
}

int CBasicDateTime::ToSystemTime(SYSTEMTIME* out) const {
    ReportAssertion(out != nullptr, kSourceFile, kLineOutNull);
    if (!out) return 0;
    *out = SYSTEMTIME {};
    out->wYear = (WORD)GetYear();
    out->wMonth = (WORD)GetMonth();
    out->wDay = (WORD)GetDay();
    out->wHour = (WORD)GetHour();
    out->wMinute = (WORD)GetMinute();
    out->wSecond = (WORD)GetSecond();
    return 1;
}

int CBasicDateTime::ToFileTime(FILETIME* out) const {
    ReportAssertion(out != nullptr, kSourceFile, kLineOutNull);
    if (!out) return 0;
    *out = FILETIME {};
    tm local;
    int64_t seconds = 0;
    if (!IsValid() || !ToTm(&local) || !LocalTimeToSeconds(local, seconds)) return 0;
    // File times begin in 1601.
    int64_t sinceFileTimeStart = seconds + (int64_t)(KVX_FILETIME_UNIX_EPOCH / kFileTimeTicksPerSecond);
    if (sinceFileTimeStart < 0) return 0;
    uint64_t ticks = (uint64_t)sinceFileTimeStart * kFileTimeTicksPerSecond;
    out->dwLowDateTime = (DWORD)ticks;
    out->dwHighDateTime = (DWORD)(ticks >> 32);
    return 1;
}

int CBasicDateTime::GetUtcOffset() const {
    bool valid = IsValid();
    ReportAssertion(valid, kSourceFile, kLineUtcOffset);
    tm local;
    int64_t seconds = 0;
    if (!valid || !ToTm(&local) || !LocalTimeToSeconds(local, seconds)) return 0;
    time_t t = (time_t)seconds;
    tm utc {};
    if (!gmtime_r(&t, &utc)) return 0;
    // Both broken-down times read as UTC: their distance is the offset.
    return (int)(timegm(&local) - timegm(&utc));
}

int CBasicDateTime::Compare(const CBasicDateTime& a, const CBasicDateTime& b) {
    int c = memcmp(a.m_bytes, b.m_bytes, kSerializedSize);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CBasicDateTime::Serialize(BYTE* buffer, int& pos) const {
    memcpy(buffer + pos, m_bytes, kSerializedSize);
    pos += kSerializedSize;
    return 1;
}

int CBasicDateTime::Deserialize(const BYTE* buffer, unsigned size, unsigned& pos) {
    if (!buffer || (uint64_t)pos + kSerializedSize > size) return 0;
    memcpy(m_bytes, buffer + pos, kSerializedSize);
    pos += kSerializedSize;
    return 1;
}

CBasicString CBasicDateTime::FormatDate() const {
    CBasicString text;
    text.Format(L"%04d/%02d/%02d", GetYear(), GetMonth(), GetDay());
    return text;
}

CBasicString CBasicDateTime::FormatTime() const {
    CBasicString text;
    int hour = GetHour();
    text.Format(L"%02d:%02d:%02d %s", hour % 12, GetMinute(), GetSecond(), hour < 12 ? L"AM" : L"PM");
    return text;
}

CBasicString CBasicDateTime::FormatDateTime() const { return FormatDate() + L" " + FormatTime(); }

CBasicString CBasicDateTime::Format(const wchar_t* format) const {
    tm full;
    bool usable = format && ToTmFull(&full);
    ReportAssertion(usable, kSourceFile, kLineFormat);
    if (!usable) return CBasicString();
    // The zone fields (%z, %Z) come from the C library's conversion of this
    // local time; the date and time fields stay as they are.
    tm zone = full;
    if (mktime(&zone) != (time_t)-1) {
        full.tm_isdst = zone.tm_isdst;
        full.tm_gmtoff = zone.tm_gmtoff;
        full.tm_zone = zone.tm_zone;
    }
    wchar_t buffer[129];
    size_t n = wcsftime_l(buffer, 129, format, &full, GetUnicodeLocale());
    return CBasicString(buffer, (int)n);
}

int64_t CBasicDateTime::ToSerialSeconds() const {
    return DayNumber(GetYear(), GetMonth(), GetDay()) * kSecondsPerDay + GetHour() * 3600 + GetMinute() * 60 +
           GetSecond();
}

bool CBasicDateTime::IsCalendarDate() const { return IsValid() && GetDay() <= DaysInMonth(GetYear(), GetMonth()); }

CBasicDateTime CBasicDateTime::FromSerialSeconds(int64_t seconds) {
    const int64_t first = DayNumber(100, 1, 1) * kSecondsPerDay;
    const int64_t last = (DayNumber(9999, 12, 31) + 1) * kSecondsPerDay - 1;
    if (seconds < first || seconds > last) return CBasicDateTime(0, 0, 0, 0, 0, 0);
    int year, month, day;
    DateOfDayNumber(seconds / kSecondsPerDay, year, month, day);
    int64_t secondOfDay = seconds % kSecondsPerDay;
    return CBasicDateTime(year, month, day, (int)(secondOfDay / 3600), (int)(secondOfDay / 60 % 60),
                          (int)(secondOfDay % 60));
}

CBasicDateTime CBasicDateTime::MovedBy(int64_t seconds, int reportLine) const {
    bool usable = IsCalendarDate();
    ReportAssertion(usable, kSourceFile, reportLine);
    if (!usable) return CBasicDateTime();
    int64_t moved = 0;
    // A move beyond the 64-bit range lies beyond every valid date anyway.
    if (__builtin_add_overflow(ToSerialSeconds(), seconds, &moved)) moved = seconds < 0 ? INT64_MIN : INT64_MAX;
    return FromSerialSeconds(moved);
}

CBasicDateTime CBasicDateTime::AddSpan(const CBasicDateTimeSpan& span) const {
    return MovedBy(span.GetTotalSeconds(), kLineAddSpan);
}

CBasicDateTime CBasicDateTime::SubtractSpan(const CBasicDateTimeSpan& span) const {
    int64_t back = span.GetTotalSeconds();
    // Moving back by the most negative span would overflow: no date is that far.
    if (back == INT64_MIN) back = INT64_MIN + 1;
    return MovedBy(-back, kLineSubtractSpan);
}

CBasicDateTimeSpan CBasicDateTime::Difference(const CBasicDateTime& other) const {
    bool usable = IsCalendarDate() && other.IsCalendarDate();
    ReportAssertion(usable, kSourceFile, kLineDifference);
    if (!usable) return CBasicDateTimeSpan();
    return CBasicDateTimeSpan(ToSerialSeconds() - other.ToSerialSeconds());
}

CBasicDateTime GetCurrentUtcTime() {
    time_t now = time(nullptr);
    tm utc {};
    if (!gmtime_r(&now, &utc)) return CBasicDateTime();
    return CBasicDateTime(utc);
}

CBasicDateTime GetCurrentLocalTime() {
    CBasicDateTime now;
    now.FromTime64((int64_t)time(nullptr));
    return now;
}
