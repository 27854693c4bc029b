#include "LogDay.h"

#include "Connection.h"
#include "TimeTexts.h"

CLogDay::CLogDay(int day, int month, int year) : m_nDay(day), m_nMonth(month), m_nYear(year) {}

void CLogDay::AddConnection(CConnection* record)
{
    // Logs are mostly in start order, so the usual place is the end.
    auto pos = m_connections.end();
    while (pos != m_connections.begin() && (*(pos - 1))->GetStart() > record->GetStart())
        --pos;
    m_connections.insert(pos, record);
}

CTime CLogDay::GetDate() const
{
    return CTime(m_nYear, m_nMonth, m_nDay, 0, 0, 0);
}

CTimeSpan CLogDay::GetTotal(const std::string& filter) const
{
    CTimeSpan total;
    for (const CConnection* record : m_connections)
        if (filter.empty() || record->m_strName == filter)
            total += record->GetDuration();
    return total;
}

std::string CLogDay::GetText(const std::string& filter) const
{
    return GetDate().Format(DayDateFormat) + " = " + FormatDuration(GetTotal(filter));
}

void CLogDay::MarkDeleted()
{
    for (CConnection* record : m_connections)
        record->m_bDeleted = 1;
}
