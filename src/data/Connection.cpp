#include "Connection.h"

#include <stdexcept>

#include "ExportFormat.h"
#include "LogLineParser.h"
#include "OutputFile.h"
#include "TimeTexts.h"

namespace {

std::int64_t Checked(CTime time)
{
    if (!time.IsValid())
        throw std::out_of_range("instant outside 1970-01-01 to 9999-12-31: " + std::to_string(time.GetTime()));
    return time.GetTime();
}

// A million records are read into memory: the 40-bit instants keep a record at three words.
static_assert(sizeof(void*) != 8 || sizeof(CConnection) == 24, "a record grew");

} // namespace

CConnection::CConnection(const CTime& start, const CTime& end, const std::string& name) : m_strName(name)
{
    Pack(Checked(start), m_startLow, m_startHigh);
    Pack(Checked(end), m_endLow, m_endHigh);
}

std::unique_ptr<CConnection> CConnection::FromLine(std::string_view line)
{
    CLogLineParser parser;
    SLogLine parsed;
    if (!parser.Parse(line, parsed))
        return nullptr;
    auto record = std::make_unique<CConnection>(CTime(parsed.start), CTime(parsed.end), std::string(parsed.name));
    record->m_bDeleted = parsed.deleted ? 1 : 0;
    return record;
}

void CConnection::SetStart(CTime start)
{
    Pack(Checked(start), m_startLow, m_startHigh);
}
void CConnection::SetEnd(CTime end)
{
    Pack(Checked(end), m_endLow, m_endHigh);
}

std::string CConnection::GetDurationText() const
{
    return FormatDuration(GetDuration());
}
std::string CConnection::GetStartText() const
{
    return FormatDateTime(GetStart());
}
std::string CConnection::GetEndText() const
{
    return FormatDateTime(GetEnd());
}

std::string CConnection::FormatLine(const std::string& separator) const
{
    std::string line;
    if (m_bDeleted)
        line += '*';
    line += GetStart().Format("%d/%m/%Y %H:%M:%S");
    line += separator;
    line += GetEnd().Format("%d/%m/%Y %H:%M:%S");
    line += separator;
    line += GetDurationText();
    line += separator;
    // The log's own form keeps one record on one line; an export quotes a line break instead.
    line += separator == "  " ? LineSafeName(m_strName) : ExportField(m_strName, separator);
    line += "\r\n";
    return line;
}

std::string CConnection::LineSafeName(std::string name)
{
    for (char& c : name)
        if (c == '\n')
            c = ' ';
    if (!name.empty() && name.back() == '\r')
        name.back() = ' ';
    return name;
}

void CConnection::Write(COutputFile& file, const std::string& separator, bool includeDeleted) const
{
    if (m_bDeleted && !includeDeleted)
        return;
    file.Write(FormatLine(separator));
}
