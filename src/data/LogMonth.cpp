#include "LogMonth.h"

#include <cstdio>
#include <cstring>
#include <ctime>

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

void CLogMonth::TakeDaysFrom(CLogMonth& other)
{
    for (auto& day : other.m_days) {
        if (CLogDay* same = FindDay(day->GetDayNumber())) {
            for (int i = 0; i < day->GetConnectionCount(); ++i)
                same->AddConnection(day->GetConnection(i));
        } else {
            AddDay(day.release());
        }
    }
    other.m_days.clear();
}

CTimeSpan CLogMonth::GetTotal(const std::string& filter) const
{
    CTimeSpan total;
    for (const auto& day : m_days)
        total += day->GetTotal(filter);
    return total;
}

std::string CLogMonth::GetText(const std::string& filter, bool localMonthName) const
{
    char year[32];
    std::snprintf(year, sizeof year, " %d = ", m_nYear);
    return (localMonthName ? LocalMonthName(m_nMonth) : std::string(MonthName(m_nMonth))) + year +
           FormatDuration(GetTotal(filter));
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

std::string CLogMonth::LocalMonthName(int month)
{
    if (month < 1 || month > 12)
        return "";
    std::tm fields{};
    fields.tm_mon = month - 1;
    fields.tm_mday = 1;
    fields.tm_year = 100;
    char name[128];
    // "%OB" is the name said alone (Slavic languages decline "%B" for use inside a date).
    for (const char* pattern : {"%OB", "%B"}) {
        const std::size_t n = std::strftime(name, sizeof name, pattern, &fields);
        if (n > 0 && std::strcmp(name, pattern) != 0)
            return std::string(name, n);
    }
    return MonthName(month);
}
