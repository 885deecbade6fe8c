#pragma once
// CBasicDateTime: a calendar date and time of day to the second, without a
// time zone, packed into 5 bytes so that records and files hold it as it
// stands. Values made from file times or the clock are local time unless a
// function says otherwise.
//
// The 40 bits hold, from the most significant bit of byte 0 down: year (14
// bits), month (4), day (5), hour (5), minute (6), second (6). All five bytes
// 0 is the empty value; it is invalid (year 0) and sorts before every valid
// value, because the bytes compare in the order of the fields.
//
// A valid value has year 100 to 9999, month 1 to 12, day 1 to 31, hour,
// minute and second in range; the day is not checked against the month's
// length. Every setter clears the value first; input out of range leaves the
// empty value with an assertion report. Calendar arithmetic (AddSpan,
// SubtractSpan, Difference) needs a date that exists (not 30 February): any
// other input gives an empty result with an assertion report.

#include <cstdint>
#include <ctime>

#include "compat/WinTypes.h"
#include "utility/BasicDateTimeSpan.h"
#include "utility/BasicString.h"

class CBasicDateTime {
public:
    CBasicDateTime();
    CBasicDateTime(int year, int month, int day, int hour, int minute, int second);
    // A C runtime broken-down time (years since 1900, months from 0).
    explicit CBasicDateTime(const tm& time);
    explicit CBasicDateTime(const SYSTEMTIME& time);
    // A UTC file time, converted to local time. All zero gives the empty value.
    explicit CBasicDateTime(const FILETIME& time);

    // Each returns 1 when the result is valid, else 0.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day);  // time 00:00:00
    int SetTime(int hour, int minute, int second);  // keeps the date
    // Seconds since 1970-01-01 UTC, converted to local time.
    int FromTime64(int64_t seconds);
    // An automation date: days since 30 December 1899, the fraction being
    // the time of day; rounded to the nearest second.
    int FromOleDate(double date);
    // "Mar-05-2011" or "mar 05 2011": three letters of the month, any one
    // character, a two-digit day, any one character, a four-digit year.
    int ParseMonthName(const wchar_t* text);
    // format must be L"%Y/%m/%d %H:%M:%S" (any single characters may stand
    // between the numbers) or L"%Y%m%d_%H%M%S".
    int ParseText(const wchar_t* text, const wchar_t* format);

    int IsValid() const;
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    // The six fields; 0 with an assertion report when a pointer is null,
    // else the validity.
    int GetDateTime(WORD* year, WORD* month, WORD* day, WORD* hour, WORD* minute, WORD* second) const;

    // 0 = Sunday to 6 = Saturday; a date that does not exist is reported.
    int GetDayOfWeek() const;
    int GetDayOfWeek1() const { return GetDayOfWeek() + 1; }
    // 1 to 366.
    int GetDayOfYear() const;
    // The day of the year plus the lengths of the years from baseYear up to
    // the year before this value's (1 January of baseYear gives 1); 0 when
    // this value's year is below baseYear.
    int GetDaysSince(int baseYear) const;

    // Year - 1900, month - 1, day, hour, minute, second -> 1.
    int ToTm(tm* out) const;
    // ToTm plus day of week and 0-based day of year; 0 for an invalid value.
    int ToTmFull(tm* out) const;
    // Seconds since 1970 of this local time; 0 for an invalid value.
    int64_t ToTime64() const;
    // The six fields, day of week and milliseconds 0 -> 1.
    int ToSystemTime(SYSTEMTIME* out) const;
    // This local time as a UTC file time -> 1; 0 (and out all zero) when it
    // cannot be converted.
    int ToFileTime(FILETIME* out) const;
    // Local time minus UTC in seconds at this local time; 0 with a report
    // for an invalid value.
    int GetUtcOffset() const;

    // -1, 0 or 1, field by field from the year down.
    static int Compare(const CBasicDateTime& a, const CBasicDateTime& b);
    bool operator==(const CBasicDateTime& other) const { return Compare(*this, other) == 0; }
    bool operator!=(const CBasicDateTime& other) const { return Compare(*this, other) != 0; }
    bool operator<(const CBasicDateTime& other) const { return Compare(*this, other) < 0; }
    bool operator>(const CBasicDateTime& other) const { return Compare(*this, other) > 0; }
    bool operator<=(const CBasicDateTime& other) const { return Compare(*this, other) <= 0; }
    bool operator>=(const CBasicDateTime& other) const { return Compare(*this, other) >= 0; }

    static int GetSerializedSize() { return kSerializedSize; }
    // Writes the 5 bytes at pos and advances it -> 1.
    int Serialize(BYTE* buffer, int& pos) const;
    // Reads 5 bytes at pos and advances it -> 1; 0 (nothing read) when fewer
    // than 5 bytes remain before size.
    int Deserialize(const BYTE* buffer, unsigned size, unsigned& pos);

    // "2011/03/05"
    CBasicString FormatDate() const;
    // "02:07:09 PM": the hour modulo 12, so noon and midnight print as 00.
    CBasicString FormatTime() const;
    // FormatDate + " " + FormatTime.
    CBasicString FormatDateTime() const;
    // The C library's wcsftime in the C locale (English names, whatever the
    // process locale), at most 128 characters; the empty text with a report
    // for an invalid value or a null format.
    CBasicString Format(const wchar_t* format) const;

    CBasicDateTime AddSpan(const CBasicDateTimeSpan& span) const;
    CBasicDateTime SubtractSpan(const CBasicDateTimeSpan& span) const;
    // This value minus other.
    CBasicDateTimeSpan Difference(const CBasicDateTime& other) const;

private:
    static constexpr int kSerializedSize = 5;

    void Clear();
    void Store(int year, int month, int day, int hour, int minute, int second);
    // A valid value whose day exists in its month.
    bool IsCalendarDate() const;
    // Seconds since 0001-01-01 00:00:00 of a calendar date.
    int64_t ToSerialSeconds() const;
    // The value of a count of ToSerialSeconds; the empty value with a report
    // when it lies outside the years 100 to 9999.
    static CBasicDateTime FromSerialSeconds(int64_t seconds);
    CBasicDateTime MovedBy(int64_t seconds, int reportLine) const;

    BYTE m_bytes[kSerializedSize];
};

static_assert(sizeof(CBasicDateTime) == 5, "a CBasicDateTime is stored as its 5 bytes");

// Now, from the system clock.
CBasicDateTime GetCurrentUtcTime();
CBasicDateTime GetCurrentLocalTime();
