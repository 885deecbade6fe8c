#include "DataBaseClock.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "utility/BasicDateTime.h"

namespace {

std::atomic<int> g_fixedDay{0};  // year * 10000 + month * 100 + day, 0 for the clock

std::wstring DateText(int year, unsigned month, unsigned day)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"%04d-%02u-%02u", year, month, day);
    return text;
}

bool ParseDate(const std::wstring& date, std::chrono::year_month_day& out)
{
    int year = 0;
    unsigned month = 0, day = 0;
    if (date.size() != 10 || std::swscanf(date.c_str(), L"%4d-%2u-%2u", &year, &month, &day) != 3)
        return false;
    out = std::chrono::year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    return out.ok();
}

std::wstring DateText(const std::chrono::year_month_day& date)
{
    return DateText(static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                    static_cast<unsigned>(date.day()));
}

}  // namespace

std::wstring TodayText()
{
    int fixed = g_fixedDay.load();
    if (fixed)
        return DateText(fixed / 10000, static_cast<unsigned>(fixed / 100 % 100), static_cast<unsigned>(fixed % 100));
    CBasicDateTime now = GetCurrentLocalTime();
    return DateText(now.GetYear(), static_cast<unsigned>(now.GetMonth()), static_cast<unsigned>(now.GetDay()));
}

void SetTodayForTests(int year, int month, int day)
{
    g_fixedDay = year ? year * 10000 + month * 100 + day : 0;
}

std::wstring DateDaysBefore(const std::wstring& date, int days)
{
    std::chrono::year_month_day parsed;
    if (!ParseDate(date, parsed))
        return std::wstring();
    return DateText(std::chrono::year_month_day{std::chrono::sys_days{parsed} - std::chrono::days{days}});
}

std::wstring DateMonthsBefore(const std::wstring& date, int months)
{
    std::chrono::year_month_day parsed;
    if (!ParseDate(date, parsed))
        return std::wstring();
    std::chrono::year_month_day moved = parsed - std::chrono::months{months};
    if (!moved.ok())
        moved = std::chrono::year_month_day{std::chrono::year_month_day_last{moved.year(),
                                                                             std::chrono::month_day_last{moved.month()}}};
    return DateText(moved);
}
