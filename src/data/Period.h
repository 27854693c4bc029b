#pragma once

#include "Time.h"

// The current period of a running total: today, this week or this month, counted in whole
// local calendar days as the title total counts them. Its start is the local midnight of its
// first day and its end the start of the next period, so a day across a daylight-saving change
// lasts 23 or 25 hours.
class CPeriod
{
public:
    // The kinds, numbered as the title total and the allowance settings number them.
    static constexpr int kDay = 1;
    static constexpr int kWeek = 2;
    static constexpr int kMonth = 3;

    // The period of the given kind that holds `now`. weekStart 0-6 (0 = Sunday; any other value
    // counts as Sunday); monthStart 1-31. A month start that the previous month does not have
    // (31 after April) begins the period on the 1st of the month instead, as the totals do. The
    // result is invalid for an unknown kind or an instant the C library cannot split.
    static CPeriod At(int kind, CTime now, int weekStart, int monthStart);

    bool IsValid() const { return m_bValid; }
    CTime GetStart() const { return m_start; }
    CTime GetEnd() const { return m_end; }
    // The first day, month 1-12, and how many calendar days the period has.
    int GetFirstYear() const { return m_nYear; }
    int GetFirstMonth() const { return m_nMonth; }
    int GetFirstDay() const { return m_nDay; }
    int GetDayCount() const { return m_nDays; }

    // Plain calendar arithmetic, free of time zones: days since 1970-01-01 and back.
    static long long DaysFromCivil(int year, int month, int day);
    static void CivilFromDays(long long days, int& year, int& month, int& day);
    static int DaysInMonth(int year, int month);

private:
    bool m_bValid = false;
    CTime m_start;
    CTime m_end;
    int m_nYear = 0;
    int m_nMonth = 0;
    int m_nDay = 0;
    int m_nDays = 0;
};
