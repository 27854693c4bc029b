#include "LogMonth.h"

#include <cstdio>

#include "TimeTexts.h"

CLogMonth::CLogMonth(int month, int year) : m_nMonth(month), m_nYear(year) {}

CLogDay* CLogMonth::FindDay(int day) const
{
    for (const auto& entry : m_days)
        if (entry->GetDayNumber() == day)
            return entry.get();
    return nullptr;
}

void CLogMonth::AddDay(CLogDay* day)
{
    auto pos = m_days.end();
    while (pos != m_days.begin() && (*(pos - 1))->GetDayNumber() > day->GetDayNumber())
        --pos;
    m_days.insert(pos, std::unique_ptr<CLogDay>(day));
}

CTimeSpan CLogMonth::GetTotal(const std::string& filter) const
{
    CTimeSpan total;
    for (const auto& day : m_days)
        total += day->GetTotal(filter);
    return total;
}

std::string CLogMonth::GetText(const std::string& filter) const
{
    char head[64];
    std::snprintf(head, sizeof head, "%s %d = ", MonthName(m_nMonth), m_nYear);
    return head + FormatDuration(GetTotal(filter));
}

void CLogMonth::MarkDeleted()
{
    for (const auto& day : m_days)
        day->MarkDeleted();
}

const char* CLogMonth::MonthName(int month)
{
    static const char* const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
    return month >= 1 && month <= 12 ? names[month - 1] : "";
}
