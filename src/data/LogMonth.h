#pragma once

#include <memory>
#include <string>
#include <vector>

#include "LogDay.h"
#include "TimeSpan.h"

// The days of one calendar month that have non-deleted connections, ascending by day
// number, each at most once. The month owns its days.
class CLogMonth
{
public:
    CLogMonth(int month, int year);
    virtual ~CLogMonth() = default;

    int GetMonth() const { return m_nMonth; }
    int GetYear() const { return m_nYear; }

    CLogDay* FindDay(int day) const;
    void AddDay(CLogDay* day); // takes ownership
    int GetDayCount() const { return static_cast<int>(m_days.size()); }
    CLogDay* GetDay(int index) const { return m_days[static_cast<std::size_t>(index)].get(); }

    // Moves other's days into this month (other is left without days). A day both months
    // have gets other's records after its own, as if they had been read after them.
    void TakeDaysFrom(CLogMonth& other);

    CTimeSpan GetTotal(const std::string& filter) const;
    // The History tree's label: "March 1999 = 26:05:09". With localMonthName the month is named
    // in the C library's LC_TIME language, as strftime names the days ("marzo 1999 = ...").
    std::string GetText(const std::string& filter, bool localMonthName = false) const;
    void MarkDeleted();

    static const char* MonthName(int month);
    // The standalone month name of LC_TIME (strftime "%OB", "%B" where that is not known).
    static std::string LocalMonthName(int month);

private:
    int m_nMonth;
    int m_nYear;
    std::vector<std::unique_ptr<CLogDay>> m_days;
};
