#include "utility/BasicDateTimeSpan.h"

CBasicDateTimeSpan::CBasicDateTimeSpan(int64_t seconds) : m_seconds(seconds) {}

CBasicDateTimeSpan::CBasicDateTimeSpan(int days, int hours, int minutes, int seconds)
    : m_seconds((((int64_t)days * 24 + hours) * 60 + minutes) * 60 + seconds) {}

int CBasicDateTimeSpan::GetDays() const { return (int)GetTotalDays(); }

int CBasicDateTimeSpan::GetHours() const { return (int)(GetTotalHours() - GetTotalDays() * 24); }

int CBasicDateTimeSpan::GetMinutes() const { return (int)(GetTotalMinutes() - GetTotalHours() * 60); }

int CBasicDateTimeSpan::GetSeconds() const { return (int)(m_seconds - GetTotalMinutes() * 60); }

// Sums and differences wrap around at the ends of the 64-bit range instead
// of overflowing.
CBasicDateTimeSpan CBasicDateTimeSpan::operator+(const CBasicDateTimeSpan& other) const {
    return CBasicDateTimeSpan((int64_t)((uint64_t)m_seconds + (uint64_t)other.m_seconds));
}

CBasicDateTimeSpan CBasicDateTimeSpan::operator-(const CBasicDateTimeSpan& other) const {
    return CBasicDateTimeSpan((int64_t)((uint64_t)m_seconds - (uint64_t)other.m_seconds));
}

CBasicDateTimeSpan& CBasicDateTimeSpan::operator+=(const CBasicDateTimeSpan& other) { return *this = *this + other; }

CBasicDateTimeSpan& CBasicDateTimeSpan::operator-=(const CBasicDateTimeSpan& other) { return *this = *this - other; }
