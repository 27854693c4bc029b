#include "ConnectionLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileException.h"
#include "LogLineParser.h"
#include "OutputFile.h"

namespace {

// Closes a descriptor on every way out.
struct SFd
{
    int fd;
    ~SFd()
    {
        if (fd >= 0)
            close(fd);
    }
};

} // namespace

// Splits bytes into lines and turns each into a record or an unread line of a content.
class CConnectionLog::CReader
{
public:
    explicit CReader(SContent& content) : m_content(content) {}

    void Feed(const char* data, std::size_t size)
    {
        m_content.hash.Feed(data, size);
        if (size > 0)
            m_content.endsWithNewline = data[size - 1] == '\n';
        const char* end = data + size;
        while (data < end) {
            const char* newline = static_cast<const char*>(std::memchr(data, '\n', std::size_t(end - data)));
            if (!newline) {
                m_partial.append(data, std::size_t(end - data));
                return;
            }
            if (m_partial.empty()) {
                Line(std::string_view(data, std::size_t(newline - data)));
            } else {
                m_partial.append(data, std::size_t(newline - data));
                Line(m_partial);
                m_partial.clear();
            }
            data = newline + 1;
        }
    }

    // A last line without a line end is still a line.
    void Finish()
    {
        if (!m_partial.empty())
            Line(m_partial);
        m_partial.clear();
    }

private:
    void Line(std::string_view line)
    {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        SLogLine parsed;
        if (!m_parser.Parse(line, parsed)) {
            m_content.unread.emplace_back(line);
            return;
        }
        auto record = std::make_unique<CConnection>(CTime(parsed.start), CTime(parsed.end), std::string(parsed.name));
        record->m_bDeleted = parsed.deleted ? 1 : 0;
        CConnection* raw = record.get();
        Insert(m_content, std::move(record));
        if (raw->m_bDeleted)
            return;
        // Consecutive lines nearly always fall on the same day.
        if (m_pLastDay && m_nLastYear == parsed.startYear && m_nLastMonth == parsed.startMonth &&
            m_nLastDay == parsed.startDay) {
            m_pLastDay->AddConnection(raw);
            return;
        }
        m_pLastDay = Index(m_content, raw, parsed.startYear, parsed.startMonth, parsed.startDay);
        m_nLastYear = parsed.startYear;
        m_nLastMonth = parsed.startMonth;
        m_nLastDay = parsed.startDay;
    }

    SContent& m_content;
    CLogLineParser m_parser;
    std::string m_partial;
    CLogDay* m_pLastDay = nullptr;
    int m_nLastYear = 0, m_nLastMonth = 0, m_nLastDay = 0;
};

CConnectionLog::CConnectionLog(const std::string& path) : m_strPath(path)
{
    Load();
}

CConnectionLog::~CConnectionLog()
{
    Clear();
}

void CConnectionLog::Clear()
{
    // Months go first: their days point at records.
    m_content.months.clear();
    m_content.connections.clear();
    m_content.unread.clear();
}

bool CConnectionLog::Load()
{
    if (m_strPath.empty())
        return false;
    SFd file{open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        m_nLoadError = errno;
        return false;
    }
    // A folder, a device or a pipe is no log: reading one could block or never end.
    struct stat st
    {
    };
    if (fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_nLoadError = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    // Read into a new content and swap only at the end, so that a read error part-way never
    // leaves a half log in memory that a later Save would write back.
    SContent fresh;
    fresh.read = true;
    CReader reader(fresh);
    std::vector<char> buf(1 << 20);
    for (;;) {
        ssize_t n = read(file.fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_nLoadError = errno;
            return false;
        }
        if (n == 0)
            break;
        reader.Feed(buf.data(), std::size_t(n));
    }
    reader.Finish();
    Clear();
    m_content = std::move(fresh);
    m_nLoadError = 0;
    return true;
}

void CConnectionLog::Append(const CTime& start, const CTime& end, const std::string& name)
{
    if (m_strPath.empty())
        return;
    CConnection record(start, end, name);
    {
        COutputFile file(m_strPath, COutputFile::Mode::Append);
        // A file edited by hand may lack its last line end; without one the new line would be
        // glued to the old last line and both would be lost.
        if (!file.EndsWithNewline())
            file.Write("\r\n");
        record.Write(file, "  ", true);
        file.Commit();
    }
    Load();
}

bool CConnectionLog::AppendUnlessLogged(const CTime& start, const CTime& end, const std::string& name)
{
    if (m_strPath.empty())
        return false;
    // Another log object may have written since this one read; a file that cannot be read now
    // leaves the check to what was read last, and the append reports its own failure.
    Load();
    for (const auto& record : m_content.connections) {
        if (record->GetStart() == start && record->m_strName == name)
            return false;
    }
    Append(start, end, name);
    return true;
}

bool CConnectionLog::WriteAll(const std::string& path, const std::string& separator, bool includeDeleted)
{
    if (path.empty())
        return false;
    COutputFile file(path, COutputFile::Mode::Replace);
    for (const auto& record : m_content.connections)
        record->Write(file, separator, includeDeleted);
    if (includeDeleted) {
        for (const std::string& line : m_content.unread) {
            file.Write(line);
            file.Write("\r\n");
        }
    }
    file.Commit();
    return true;
}

bool CConnectionLog::Save()
{
    if (m_strPath.empty())
        return false;
    TakeInAppendedLines();
    WriteAll(m_strPath, "  ", true);
    return Load();
}

void CConnectionLog::TakeInAppendedLines()
{
    SFd file{open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        if (errno != ENOENT)
            throw CFileException::FromErrno(m_strPath, "cannot read");
        // Gone since it was read with content: the user or another program removed it.
        if (m_content.read && m_content.hash.Size() > 0)
            throw CLogChangedException(m_strPath);
        return;
    }
    std::string bytes;
    std::vector<char> buf(1 << 20);
    for (;;) {
        ssize_t n = read(file.fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw CFileException::FromErrno(m_strPath, "cannot read");
        if (n == 0)
            break;
        bytes.append(buf.data(), std::size_t(n));
    }
    std::uint64_t known = m_content.read ? m_content.hash.Size() : 0;
    if (bytes.size() < known)
        throw CLogChangedException(m_strPath);
    CContentHash prefix;
    prefix.Feed(bytes.data(), known);
    if (prefix.Digest() != m_content.hash.Digest())
        throw CLogChangedException(m_strPath);
    if (bytes.size() == known)
        return;
    // A last line read without its line end that has since grown is not a plain append.
    if (!m_content.endsWithNewline && bytes[known] != '\r' && bytes[known] != '\n')
        throw CLogChangedException(m_strPath);
    m_content.read = true;
    CReader reader(m_content);
    reader.Feed(bytes.data() + known, bytes.size() - known);
    reader.Finish();
}

void CConnectionLog::Insert(SContent& content, std::unique_ptr<CConnection> record)
{
    auto& list = content.connections;
    if (list.empty() || !(list.back()->GetStart() > record->GetStart())) {
        list.push_back(std::move(record));
        return;
    }
    auto pos = std::upper_bound(list.begin(), list.end(), record->GetStart(),
                                [](const CTime& start, const auto& other) { return start < other->GetStart(); });
    list.insert(pos, std::move(record));
}

void CConnectionLog::AddConnection(CConnection* record)
{
    Insert(m_content, std::unique_ptr<CConnection>(record));
}

CLogMonth* CConnectionLog::Find(const SContent& content, int year, int month)
{
    auto pos = std::lower_bound(content.months.begin(), content.months.end(), std::make_pair(year, month),
                                [](const auto& m, const std::pair<int, int>& key) {
                                    return std::make_pair(m->GetYear(), m->GetMonth()) < key;
                                });
    if (pos != content.months.end() && (*pos)->GetYear() == year && (*pos)->GetMonth() == month)
        return pos->get();
    return nullptr;
}

CLogMonth* CConnectionLog::FindMonth(int year, int month) const
{
    return Find(m_content, year, month);
}

CLogMonth* CConnectionLog::InsertMonth(SContent& content, std::unique_ptr<CLogMonth> month)
{
    auto key = std::make_pair(month->GetYear(), month->GetMonth());
    auto pos = std::upper_bound(
        content.months.begin(), content.months.end(), key,
        [](const std::pair<int, int>& k, const auto& m) { return k < std::make_pair(m->GetYear(), m->GetMonth()); });
    return content.months.insert(pos, std::move(month))->get();
}

void CConnectionLog::AddMonth(CLogMonth* month)
{
    InsertMonth(m_content, std::unique_ptr<CLogMonth>(month));
}

CLogDay* CConnectionLog::Index(SContent& content, CConnection* record, int year, int month, int day)
{
    CLogMonth* target = Find(content, year, month);
    if (!target)
        target = InsertMonth(content, std::make_unique<CLogMonth>(month, year));
    CLogDay* target_day = target->FindDay(day);
    if (!target_day) {
        target_day = new CLogDay(day, month, year);
        target->AddDay(target_day);
    }
    target_day->AddConnection(record);
    return target_day;
}

CTimeSpan CConnectionLog::GetTotal(const std::string& filter) const
{
    CTimeSpan total;
    for (const auto& month : m_content.months)
        total += month->GetTotal(filter);
    return total;
}

CTimeSpan CConnectionLog::GetPeriodTotal(int totalType, const std::string& filter, int weekStart, int monthStart) const
{
    if (totalType == 0)
        return GetTotal(filter);
    CTime now = CTime::GetCurrentTime();
    switch (totalType) {
    case 1: {
        const CLogMonth* cur = FindMonth(now.GetYear(), now.GetMonth());
        const CLogDay* today = cur ? cur->FindDay(now.GetDay()) : nullptr;
        return today ? today->GetTotal(filter) : CTimeSpan();
    }
    case 2:
        return WeekTotal(now, filter, weekStart);
    case 3:
        return MonthTotal(now, filter, monthStart);
    default:
        return CTimeSpan();
    }
}

CTimeSpan CConnectionLog::WeekTotal(const CTime& now, const std::string& filter, int weekStart) const
{
    if (weekStart < 0 || weekStart > 6)
        weekStart = 0;
    std::tm today{};
    if (!now.Split(today))
        return CTimeSpan();
    // The week's first day, counted back in calendar days. Stepping back 86400 seconds at a
    // time, as a clock would, skips a whole day after a short daylight-saving night and
    // makes an eight-day week; noon of the day is safe from any shift.
    int back = (today.tm_wday - weekStart + 7) % 7;
    CTime first(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday - back, 12, 0, 0);
    std::tm ws{};
    if (!first.Split(ws))
        return CTimeSpan();
    int year = today.tm_year + 1900, month = today.tm_mon + 1, day = today.tm_mday;
    int wy = ws.tm_year + 1900, wm = ws.tm_mon + 1, wd = ws.tm_mday;

    CTimeSpan total;
    const CLogMonth* cur = FindMonth(year, month);
    if (wm == month) {
        if (cur)
            for (int i = 0; i < cur->GetDayCount(); ++i) {
                const CLogDay* d = cur->GetDay(i);
                if (d->GetDayNumber() >= wd && d->GetDayNumber() <= day)
                    total += d->GetTotal(filter);
            }
        return total;
    }
    if (cur)
        total += cur->GetTotal(filter);
    if (const CLogMonth* previous = FindMonth(wy, wm))
        for (int i = 0; i < previous->GetDayCount(); ++i)
            if (previous->GetDay(i)->GetDayNumber() >= wd)
                total += previous->GetDay(i)->GetTotal(filter);
    return total;
}

CTimeSpan CConnectionLog::MonthTotal(const CTime& now, const std::string& filter, int monthStart) const
{
    int year = now.GetYear(), month = now.GetMonth(), day = now.GetDay();
    CTimeSpan total;
    const CLogMonth* m = FindMonth(year, month);
    if (day < monthStart) {
        if (m)
            total += m->GetTotal(filter);
        m = month == 1 ? FindMonth(year - 1, 12) : FindMonth(year, month - 1);
    }
    if (m)
        for (int i = m->GetDayCount() - 1; i >= 0 && m->GetDay(i)->GetDayNumber() >= monthStart; --i)
            total += m->GetDay(i)->GetTotal(filter);
    return total;
}
