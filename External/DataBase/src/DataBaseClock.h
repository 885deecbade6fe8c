#pragma once
// The component's calendar: today's date for the dates it stores and the
// periods of word queries. Tests put a fixed day in place of the clock.

#include <string>

// Today as "YYYY-MM-DD" (local time), or the day set for tests.
std::wstring TodayText();
// year 0: back to the clock.
void SetTodayForTests(int year, int month, int day);
// date ("YYYY-MM-DD") moved back by days or months (the day kept, or the
// month's last day when it has fewer); the empty text for a bad date.
std::wstring DateDaysBefore(const std::wstring& date, int days);
std::wstring DateMonthsBefore(const std::wstring& date, int months);
