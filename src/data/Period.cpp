#include "Period.h"

namespace {

// The first day of the period holding the given day, in days since 1970-01-01.
long long FirstDay(int kind, long long day, int weekStart, int monthStart)
{
    int y = 0, m = 0, d = 0;
    CPeriod::CivilFromDays(day, y, m, d);
    switch (kind) {
    case CPeriod::kDay:
        return day;
    case CPeriod::kWeek: {
        if (weekStart < 0 || weekStart > 6)
            weekStart = 0;
        // 1970-01-01 was a Thursday.
        const int weekday = static_cast<int>(((day % 7) + 7 + 4) % 7);
        return day - (weekday - weekStart + 7) % 7;
    }
    default: {
        if (d >= monthStart)
            return CPeriod::DaysFromCivil(y, m, monthStart < 1 ? 1 : monthStart);
        const int py = m == 1 ? y - 1 : y, pm = m == 1 ? 12 : m - 1;
        // The previous month has no such day: nothing of it belongs to this period.
        if (monthStart > CPeriod::DaysInMonth(py, pm))
            return CPeriod::DaysFromCivil(y, m, 1);
        return CPeriod::DaysFromCivil(py, pm, monthStart);
    }
    }
}

CTime Midnight(long long day)
{
    int y = 0, m = 0, d = 0;
    CPeriod::CivilFromDays(day, y, m, d);
    return CTime(y, m, d, 0, 0, 0);
}

} // namespace

long long CPeriod::DaysFromCivil(int year, int month, int day)
{
    // Howard Hinnant's days_from_civil.
    const long long y = month <= 2 ? year - 1 : year;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153LL * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CPeriod::CivilFromDays(long long days, int& year, int& month, int& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int CPeriod::DaysInMonth(int year, int month)
{
    const int ny = month == 12 ? year + 1 : year, nm = month == 12 ? 1 : month + 1;
    return static_cast<int>(DaysFromCivil(ny, nm, 1) - DaysFromCivil(year, month, 1));
}

CPeriod CPeriod::At(int kind, CTime now, int weekStart, int monthStart)
{
    CPeriod period;
    std::tm local{};
    if (kind < kDay || kind > kMonth || !now.Split(local))
        return period;
    const long long today = DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const long long first = FirstDay(kind, today, weekStart, monthStart);
    // The end is the first later day that begins another period; the month rule has uneven
    // steps (31 after a 30-day month), so look rather than add. No period exceeds 62 days.
    long long next = today + 1;
    while (next - first < 62 && FirstDay(kind, next, weekStart, monthStart) == first)
        ++next;
    period.m_start = Midnight(first);
    period.m_end = Midnight(next);
    CivilFromDays(first, period.m_nYear, period.m_nMonth, period.m_nDay);
    period.m_nDays = static_cast<int>(next - first);
    period.m_bValid = period.m_start.IsValid() && period.m_end.IsValid();
    return period;
}
