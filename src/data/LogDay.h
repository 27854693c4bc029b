#pragma once

#include <string>
#include <vector>

#include "Time.h"
#include "TimeSpan.h"

class CConnection;

// The non-deleted connections that start on one local calendar day, in start order (equal
// starts in order of arrival). The day only points at records; the log owns them.
class CLogDay
{
public:
    CLogDay(int day, int month, int year);
    virtual ~CLogDay() = default;

    int GetDayNumber() const { return m_nDay; }
    int GetMonth() const { return m_nMonth; }
    int GetYear() const { return m_nYear; }

    void AddConnection(CConnection* record);
    // Room for count records in all, so that adding them moves nothing.
    void Reserve(int count) { m_connections.reserve(static_cast<std::size_t>(count > 0 ? count : 0)); }
    int GetConnectionCount() const { return static_cast<int>(m_connections.size()); }
    CConnection* GetConnection(int index) const { return m_connections[static_cast<std::size_t>(index)]; }

    // The day's local midnight.
    CTime GetDate() const;
    // Sum of the durations of the day's records whose entry name equals the filter (all
    // records for an empty filter).
    CTimeSpan GetTotal(const std::string& filter) const;
    // The History tree's label: the date in DayDateFormat, " = ", the total.
    std::string GetText(const std::string& filter) const;
    // Marks every record of the day deleted, whatever the filter; the caller then saves.
    void MarkDeleted();

private:
    int m_nDay;
    int m_nMonth;
    int m_nYear;
    std::vector<CConnection*> m_connections;
};
