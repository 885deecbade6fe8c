#pragma once
// CBasicDateTimeSpan: a signed duration in whole seconds (64-bit), the
// result of subtracting two CBasicDateTime values and the amount they are
// moved by. The part getters (days, hours, minutes, seconds) each keep the
// sign of the span.

#include <cstdint>

class CBasicDateTimeSpan {
public:
    CBasicDateTimeSpan() = default;
    CBasicDateTimeSpan(int64_t seconds);
    // ((days x 24 + hours) x 60 + minutes) x 60 + seconds, in 64 bits.
    CBasicDateTimeSpan(int days, int hours, int minutes, int seconds);
    CBasicDateTimeSpan(const CBasicDateTimeSpan& other) = default;
    CBasicDateTimeSpan& operator=(const CBasicDateTimeSpan& other) = default;
    virtual ~CBasicDateTimeSpan() = default;

    // Totals, truncated toward zero.
    int64_t GetTotalSeconds() const { return m_seconds; }
    int64_t GetTotalMinutes() const { return m_seconds / 60; }
    int64_t GetTotalHours() const { return m_seconds / 3600; }
    int64_t GetTotalDays() const { return m_seconds / 86400; }

    // The whole days, and the hours, minutes and seconds beyond them.
    int GetDays() const;
    int GetHours() const;
    int GetMinutes() const;
    int GetSeconds() const;

    bool operator==(const CBasicDateTimeSpan& other) const { return m_seconds == other.m_seconds; }
    bool operator!=(const CBasicDateTimeSpan& other) const { return m_seconds != other.m_seconds; }
    bool operator<(const CBasicDateTimeSpan& other) const { return m_seconds < other.m_seconds; }
    bool operator>(const CBasicDateTimeSpan& other) const { return m_seconds > other.m_seconds; }
    bool operator<=(const CBasicDateTimeSpan& other) const { return m_seconds <= other.m_seconds; }
    bool operator>=(const CBasicDateTimeSpan& other) const { return m_seconds >= other.m_seconds; }

    CBasicDateTimeSpan operator+(const CBasicDateTimeSpan& other) const;
    CBasicDateTimeSpan operator-(const CBasicDateTimeSpan& other) const;
    CBasicDateTimeSpan& operator+=(const CBasicDateTimeSpan& other);
    CBasicDateTimeSpan& operator-=(const CBasicDateTimeSpan& other);

private:
    int64_t m_seconds = 0;
};
