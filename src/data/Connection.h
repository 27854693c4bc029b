#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "EntryName.h"
#include "Time.h"
#include "TimeSpan.h"

class COutputFile;

// One finished connection: the phone-book entry it used, its start and end, and whether the
// user has deleted it in the History window. No invariant ties the fields: a hand-edited line,
// or one that ends in the hour repeated when daylight saving ends, may end before it starts.
// Such a record keeps its instants but lasts no time: a negative length is never counted
// nor shown.
//
// A log keeps its records in its CConnectionStore, with entry names shared between them
// (see CEntryName); a record made anywhere else owns all it holds. Nothing derives from this
// class, and it has no virtual functions, so that a million records stay small.
class CConnection
{
public:
    // start and end must be valid instants (CTime::IsValid); others raise std::out_of_range.
    CConnection(const CTime& start, const CTime& end, const std::string& name);

    // The record of one log line (without its line end), or nullptr when the line does not
    // follow the format: such a line is never given made-up values.
    static std::unique_ptr<CConnection> FromLine(std::string_view line);

    void SetStart(CTime start);
    void SetEnd(CTime end);
    CTime GetStart() const { return CTime(Unpack(m_startLow, m_startHigh)); }
    CTime GetEnd() const { return CTime(Unpack(m_endLow, m_endHigh)); }
    std::string GetName() const { return m_strName.Get(); }

    CTimeSpan GetDuration() const
    {
        return CTimeSpan(std::max<std::int64_t>(0, GetEnd().GetTime() - GetStart().GetTime()));
    }
    std::string GetDurationText() const;
    std::string GetStartText() const;
    std::string GetEndText() const;

    // The record as one line: start, end, duration and entry name joined by the separator,
    // with "*" in front when deleted, ended by CR LF. The log's dates are always "%d/%m/%Y
    // %H:%M:%S", whatever the date settings. With an export's comma or tab, a name holding
    // the separator, a quote or a line break is quoted (ExportField).
    std::string FormatLine(const std::string& separator) const;
    // The name as a line holds it: a line feed would split the record in two and a carriage
    // return at the end would be taken for part of the line end, so both become blanks.
    static std::string LineSafeName(std::string name);
    // Writes FormatLine; a deleted record is written only when includeDeleted is true.
    void Write(COutputFile& file, const std::string& separator, bool includeDeleted) const;

    CEntryName m_strName;
    unsigned char m_bDeleted = 0;

private:
    friend class CConnectionStore;
    // For the store, whose instants are already checked.
    CConnection(std::int64_t start, std::int64_t end, bool deleted) : m_bDeleted(deleted ? 1 : 0)
    {
        Pack(start, m_startLow, m_startHigh);
        Pack(end, m_endLow, m_endHigh);
    }

    // Valid instants fit in 40 bits (to the year 9999); held as 32 + 8 bits, a record stays as
    // small as one of two 32-bit times, which matters in logs of a million lines.
    static void Pack(std::int64_t time, std::uint32_t& low, std::uint8_t& high)
    {
        low = static_cast<std::uint32_t>(time);
        high = static_cast<std::uint8_t>(static_cast<std::uint64_t>(time) >> 32);
    }
    static std::int64_t Unpack(std::uint32_t low, std::uint8_t high)
    {
        return static_cast<std::int64_t>(std::uint64_t(high) << 32 | low);
    }

    std::uint32_t m_startLow = 0;
    std::uint32_t m_endLow = 0;
    std::uint8_t m_startHigh = 0;
    std::uint8_t m_endHigh = 0;
};
