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
    CTime GetStart() const { return CTime(m_start); }
    CTime GetEnd() const { return CTime(m_end); }
    std::string GetName() const { return m_strName.Get(); }

    CTimeSpan GetDuration() const { return CTimeSpan(std::max<std::int64_t>(0, std::int64_t(m_end) - m_start)); }
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
    CConnection(std::int32_t start, std::int32_t end, bool deleted)
        : m_bDeleted(deleted ? 1 : 0), m_start(start), m_end(end)
    {
    }

    // Valid instants fit in 32 bits; keeping them so saves memory in logs of a million lines.
    std::int32_t m_start;
    std::int32_t m_end;
};
