#include "ConnectionLog.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "FileException.h"
#include "LogLineParser.h"
#include "LogLock.h"
#include "OutputFile.h"

// Splits bytes into lines and turns each into a record or an unread line of a content.
class CConnectionLog::CReader
{
public:
    // hashing: whether the bytes fed are the content's own from its start on, rather than a
    // later part of the file that another reader takes in.
    explicit CReader(SContent& content, bool hashing = true)
        : m_content(content), m_nFirst(content.store.GetCount()), m_bHashing(hashing)
    {
    }

    void Feed(const char* data, std::size_t size)
    {
        if (m_bHashing) {
            m_content.hash.Feed(data, size);
            if (size > 0)
                m_content.lastByte = data[size - 1];
        }
        const char* end = data + size;
        while (data < end) {
            const char* newline = static_cast<const char*>(std::memchr(data, '\n', std::size_t(end - data)));
            const std::size_t length = std::size_t((newline ? newline : end) - data);
            if (m_bTooLong || m_partial.size() + length > kMaxLineBytes) {
                // Never held whole: a line without an end could take all memory.
                m_bTooLong = true;
                std::string().swap(m_partial);
            } else if (!newline) {
                m_partial.append(data, length);
            } else if (m_partial.empty()) {
                Line(std::string_view(data, length));
            } else {
                m_partial.append(data, length);
                Line(m_partial);
                m_partial.clear();
            }
            if (!newline)
                return;
            if (m_bTooLong) {
                ++m_content.skipped;
                m_bTooLong = false;
            }
            data = newline + 1;
        }
    }

    void Finish()
    {
        FinishLine();
        Collect();
    }

    // A last line without a line end is still a line.
    void FinishLine()
    {
        if (m_bTooLong)
            ++m_content.skipped;
        else if (!m_partial.empty())
            Line(m_partial);
        m_partial.clear();
        m_bTooLong = false;
    }

    // The records added to the store since this reader began join the log's list, in start
    // order.
    void Collect()
    {
        auto& list = m_content.connections;
        const std::size_t old = list.size();
        list.reserve(old + (m_content.store.GetCount() - m_nFirst));
        m_content.store.CollectFrom(m_nFirst, list);
        // Lines nearly always come in start order. Any that do not are sorted once (inserting
        // each in its place costs a move of the list per line), stably so that equal starts
        // keep file order and follow the records read before.
        auto earlier = [](const CConnection* a, const CConnection* b) { return a->GetStart() < b->GetStart(); };
        const auto added = list.begin() + std::ptrdiff_t(old);
        if (std::is_sorted(old > 0 ? added - 1 : added, list.end(), earlier))
            return;
        std::stable_sort(added, list.end(), earlier);
        std::inplace_merge(list.begin(), added, list.end(), earlier);
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
        CConnection* raw = m_content.store.Add(parsed.start, parsed.end, parsed.name, parsed.deleted);
        if (parsed.deleted)
            return;
        // Consecutive lines nearly always fall on the same day.
        if (m_pLastDay && m_nLastYear == parsed.startYear && m_nLastMonth == parsed.startMonth &&
            m_nLastDay == parsed.startDay) {
            m_pLastDay->AddConnection(raw);
            return;
        }
        const int previousCount = m_pLastDay ? m_pLastDay->GetConnectionCount() : 0;
        m_pLastDay = Index(m_content, raw, parsed.startYear, parsed.startMonth, parsed.startDay);
        // A new day most likely holds about as many records as the day before: room for them
        // at once spares the copies of a list that doubles, and its unused half.
        if (m_pLastDay->GetConnectionCount() == 1)
            m_pLastDay->Reserve(previousCount);
        m_nLastYear = parsed.startYear;
        m_nLastMonth = parsed.startMonth;
        m_nLastDay = parsed.startDay;
    }

    SContent& m_content;
    const std::size_t m_nFirst; // the store's records before this read
    const bool m_bHashing;
    CLogLineParser m_parser;
    std::string m_partial;
    bool m_bTooLong = false; // skipping the rest of a line longer than kMaxLineBytes
    CLogDay* m_pLastDay = nullptr;
    int m_nLastYear = 0, m_nLastMonth = 0, m_nLastDay = 0;
};

CConnectionLog::CConnectionLog(const std::string& path, Access access)
    : m_strPath(path), m_bReadOnly(access == Access::ReadOnly)
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
    std::vector<CConnection*>().swap(m_content.connections);
    m_content.adopted.clear();
    m_content.store.Clear();
    m_content.unread.clear();
}

bool CConnectionLog::Load()
{
    if (m_strPath.empty())
        return false;
    // Shared: a read never sees half of a line that a writer is appending.
    std::unique_ptr<CLogLock> lock;
    try {
        lock = std::make_unique<CLogLock>(m_strPath, CLogLock::Kind::Shared);
    } catch (const CFileException& error) {
        m_nLoadError = error.GetErrno() ? error.GetErrno() : EIO;
        return false;
    }
    const int fd = lock->GetFd();
    // Read into a new content and swap only at the end, so that a read error part-way never
    // leaves a half log in memory that a later Save would write back.
    SContent fresh;
    fresh.read = true;
    int error = 0;
    try {
        error = ReadAll(fd, fresh, !m_bReadOnly);
    } catch (const std::bad_alloc&) {
        error = ENOMEM; // a log larger than memory: refused, and what was read before stays
    }
    if (error != 0) {
        m_nLoadError = error;
        return false;
    }
    Clear();
    m_content = std::move(fresh);
    m_nLoadError = 0;
    return true;
}

namespace {

// Gives the bytes from offset from to offset to (or to the end of the file when to is -1) to
// feed, in blocks; returns 0 or the errno of a failed read. Stops early at the end of the file.
template <typename Feed> int ReadRange(int fd, off_t from, off_t to, Feed feed)
{
    std::vector<char> buf(1 << 20);
    off_t at = from;
    while (to < 0 || at < to) {
        const std::size_t want = to < 0 ? buf.size() : std::min(buf.size(), std::size_t(to - at));
        const ssize_t n = pread(fd, buf.data(), want, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        feed(buf.data(), std::size_t(n));
        at += n;
    }
    return 0;
}

// The offset just after the first line feed at or after from, or -1 when none follows.
off_t NextLineStart(int fd, off_t from)
{
    char buf[4096];
    for (;;) {
        const ssize_t n = pread(fd, buf, sizeof buf, from);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        if (const void* newline = std::memchr(buf, '\n', std::size_t(n)))
            return from + (static_cast<const char*>(newline) - buf) + 1;
        from += n;
    }
}

} // namespace

int CConnectionLog::ReadAll(int fd, SContent& content, bool hashing)
{
    CReader reader(content, hashing);
    struct stat st
    {
    };
    // A large file is read by two threads, each from its own line start on. When hashing, the
    // first takes a little less than half, since it also hashes the second part.
    const off_t split = hashing ? 9 : 10;
    const off_t boundary =
        fstat(fd, &st) == 0 && st.st_size >= off_t(kTwoReadersBytes) ? NextLineStart(fd, st.st_size * split / 20) : -1;
    if (boundary <= 0 || boundary >= st.st_size) {
        const int error = ReadRange(fd, 0, -1, [&](const char* data, std::size_t n) { reader.Feed(data, n); });
        if (error == 0)
            reader.Finish();
        return error;
    }

    SContent later;
    std::atomic<off_t> laterBytes{0};
    auto second = std::async(std::launch::async, [&] {
        CReader laterReader(later, false);
        const int error = ReadRange(fd, boundary, -1, [&](const char* data, std::size_t n) {
            laterReader.Feed(data, n);
            laterBytes += off_t(n);
        });
        laterReader.FinishLine();
        return error;
    });
    int error = ReadRange(fd, 0, boundary, [&](const char* data, std::size_t n) { reader.Feed(data, n); });
    reader.FinishLine();
    // The hash covers exactly the bytes read, in file order: the second part is hashed while
    // the other thread still reads it, and whatever it read beyond the size seen at the start
    // once it is done.
    off_t hashed = 0;
    auto hash = [&](off_t to) {
        return ReadRange(fd, boundary + hashed, to, [&](const char* data, std::size_t n) {
            content.hash.Feed(data, n);
            content.lastByte = data[n - 1];
            hashed += off_t(n);
        });
    };
    if (error == 0 && hashing)
        error = hash(st.st_size);
    const int laterError = second.get();
    if (error == 0)
        error = laterError;
    if (error == 0 && hashing && hashed < laterBytes)
        error = hash(boundary + laterBytes);
    if (error == 0 && hashing && hashed != laterBytes)
        error = EIO; // shortened while read, by a writer that ignores the lock
    if (error != 0)
        return error;

    content.store.Absorb(std::move(later.store));
    content.unread.insert(content.unread.end(), std::make_move_iterator(later.unread.begin()),
                          std::make_move_iterator(later.unread.end()));
    content.skipped += later.skipped;
    for (auto& month : later.months) {
        if (CLogMonth* same = Find(content, month->GetYear(), month->GetMonth()))
            same->TakeDaysFrom(*month);
        else
            InsertMonth(content, std::move(month));
    }
    reader.Collect();
    return 0;
}

void CConnectionLog::Append(const CTime& start, const CTime& end, const std::string& name)
{
    if (m_strPath.empty())
        return;
    RefuseIfReadOnly();
    CConnection record(start, end, name);
    CLogLock lock(m_strPath);
    AppendLine(lock, record.FormatLine("  "));
    Load();
}

std::string CConnectionLog::AppendLine(const CLogLock& lock, const std::string& line)
{
    const int fd = lock.GetFd();
    const bool created = lock.Created();
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0)
        throw CFileException::FromErrno(m_strPath, "cannot open for writing");
    const off_t oldSize = st.st_size;

    // A file edited by hand may lack its last line end; without one the new line would be
    // glued to the old last line. A bare CR only needs its LF, else the reader would keep the
    // CR as part of that line's entry name.
    std::string bytes;
    if (oldSize > 0) {
        char last = '\n';
        if (pread(fd, &last, 1, oldSize - 1) != 1)
            throw CFileException::FromErrno(m_strPath, "cannot read");
        if (last == '\r')
            bytes = "\n";
        else if (last != '\n')
            bytes = "\r\n";
    }
    bytes += line;

    // Written through a second descriptor so that its close, where some file systems report
    // write errors, can still be answered by truncating through the first.
    int out = dup(fd);
    if (out < 0)
        throw CFileException::FromErrno(m_strPath, "cannot open for writing");
    const char* failed = nullptr;
    if (!COutputFile::WriteFully(out, bytes.data(), bytes.size(), oldSize))
        failed = "cannot write";
    else if (fsync(out) != 0 && errno != EINVAL)
        failed = "cannot write to disk";
    if (failed) {
        CFileException error = CFileException::FromErrno(m_strPath, failed);
        close(out);
        Undo(fd, oldSize, created, error);
    }
    if (close(out) != 0) {
        CFileException error = CFileException::FromErrno(m_strPath, "cannot close");
        Undo(fd, oldSize, created, error);
    }
    return bytes;
}

void CConnectionLog::Undo(int fd, off_t oldSize, bool created, const CFileException& error)
{
    // A part of the line left in the file would be read as a record, or counted again when
    // the caller retries; the failure is only true if nothing of the line stays.
    if (created) {
        if (unlink(m_strPath.c_str()) == 0)
            throw error;
    } else if (ftruncate(fd, oldSize) == 0 && (fsync(fd) == 0 || errno == EINVAL)) {
        throw error;
    }
    throw CFileException(m_strPath, error.GetCause() + "; the part written could not be taken back either",
                         error.GetErrno());
}

bool CConnectionLog::AppendUnlessLogged(const CTime& start, const CTime& end, const std::string& name, Match match)
{
    if (m_strPath.empty())
        return false;
    RefuseIfReadOnly();
    // Held from the check to the append, so that no other writer can log the same connection
    // in between; the reads inside share it.
    CLogLock lock(m_strPath);
    // What the file holds now. When it has only grown since it was read, the lines added are
    // enough: reading a large log again would hold up the caller (the main window) for long.
    bool current = false;
    if (m_content.read) {
        try {
            TakeInAppendedLines(lock.GetFd());
            current = true;
        } catch (const CLogChangedException&) {
            // rewritten by another program since it was read: read it all again below
        }
    }
    if (!current && !Load())
        throw CFileException(m_strPath, "cannot read", m_nLoadError);
    const std::string stored = CConnection::LineSafeName(name);
    auto earlier = [](const CConnection* record, const CTime& at) { return record->GetStart() < at; };
    // A start in the hour that repeats when daylight saving ends is written as a wall-clock time
    // that reads back as the first of its two instants: the line's text is compared too, for
    // the records an hour either side.
    static constexpr const char* kLineTime = "%d/%m/%Y %H:%M:%S";
    const std::string startText = start.Format(kLineTime);
    const CTimeSpan hour(0, 1, 0, 0);
    for (auto it = std::lower_bound(m_content.connections.begin(), m_content.connections.end(), start - hour, earlier);
         it != m_content.connections.end() && (*it)->GetStart() <= start + hour; ++it) {
        if ((*it)->m_strName == stored &&
            ((*it)->GetStart() == start || (*it)->GetStart().Format(kLineTime) == startText))
            return false;
    }
    if (match == Match::AnyZone && LoggedInAnotherZone(start, end, stored))
        return false;
    // The lock is still held, so the file is what was read followed by exactly these bytes.
    const std::string written = AppendLine(lock, CConnection(start, end, name).FormatLine("  "));
    TakeIn(written.data(), written.size());
    return true;
}

bool CConnectionLog::LoggedInAnotherZone(const CTime& start, const CTime& end, const std::string& stored) const
{
    // The line holds the wall-clock text of the zone it was written in; read under another, it
    // is the real start moved by the difference of the two offsets, which are whole quarter
    // hours. The seconds and the length must agree too, so that two connections of one entry
    // are never taken for one: a duplicate is the lesser harm.
    const long long length = (end - start).GetTotalSeconds();
    const CTimeSpan limit(kZoneShiftLimit);
    auto earlier = [](const CConnection* record, const CTime& at) { return record->GetStart() < at; };
    for (auto it = std::lower_bound(m_content.connections.begin(), m_content.connections.end(), start - limit, earlier);
         it != m_content.connections.end() && (*it)->GetStart() <= start + limit; ++it) {
        const CConnection& record = **it;
        const long long shift = (record.GetStart() - start).GetTotalSeconds();
        const long long longer = (record.GetEnd() - record.GetStart()).GetTotalSeconds() - length;
        if (record.m_strName == stored && shift % 900 == 0 && longer >= 0 && longer <= kZoneShiftLonger)
            return true;
    }
    return false;
}

bool CConnectionLog::WriteAll(const std::string& path, const std::string& separator, bool includeDeleted)
{
    if (path.empty())
        return false;
    // Replacing the log by an export would lose every deleted and unreadable line, and every
    // total would read zero.
    struct stat target
    {
    }, log{};
    bool same = false;
    if (stat(path.c_str(), &target) == 0 && stat(m_strPath.c_str(), &log) == 0) {
        same = target.st_dev == log.st_dev && target.st_ino == log.st_ino;
    } else {
        // Not there yet: an export there would become the log the next append writes to.
        std::error_code e1, e2;
        auto a = std::filesystem::weakly_canonical(path, e1), b = std::filesystem::weakly_canonical(m_strPath, e2);
        same = !e1 && !e2 && a == b;
    }
    if (same)
        throw CFileException(path, "is the connection log itself; choose another file to export to", EINVAL);
    Rewrite(path, separator, includeDeleted);
    return true;
}

void CConnectionLog::Rewrite(const std::string& path, const std::string& separator, bool includeDeleted)
{
    COutputFile file(path);
    for (const auto& record : m_content.connections)
        record->Write(file, separator, includeDeleted);
    if (includeDeleted) {
        for (const std::string& line : m_content.unread) {
            file.Write(line);
            file.Write("\r\n");
        }
    }
    file.Commit();
}

bool CConnectionLog::Save()
{
    if (m_strPath.empty())
        return false;
    RefuseIfReadOnly();
    // Held from the read that takes in what others appended to the rename of the rewrite, so
    // that no append can fall between the two and be lost with the replaced file.
    std::unique_ptr<CLogLock> lock;
    try {
        lock = std::make_unique<CLogLock>(m_strPath, CLogLock::Kind::Exclusive, false);
    } catch (const CFileException& error) {
        if (error.GetErrno() != ENOENT)
            throw;
        // Gone since it was read with content: the user or another program removed it.
        if (m_content.read && m_content.hash.Size() > 0)
            throw CLogChangedException(m_strPath);
        lock = std::make_unique<CLogLock>(m_strPath);
    }
    TakeInAppendedLines(lock->GetFd());
    if (m_content.skipped > 0)
        throw CFileException(m_strPath, "holds lines too long to read, which a rewrite would lose; it is left as it is",
                             EFBIG);
    Rewrite(m_strPath, "  ", true);
    return Load();
}

void CConnectionLog::RefuseIfReadOnly() const
{
    // Without the hash of what was read, a change by another program could not be told from
    // a plain append.
    if (m_bReadOnly)
        throw std::logic_error("the log " + m_strPath + " was opened for reading only");
}

void CConnectionLog::TakeInAppendedLines(int fd)
{
    // The part already read must be unchanged: hashed as it streams by, without holding it.
    const std::uint64_t known = m_content.read ? m_content.hash.Size() : 0;
    CContentHash prefix;
    std::string added;
    std::vector<char> buf(1 << 20);
    std::uint64_t at = 0;
    for (;;) {
        ssize_t n = pread(fd, buf.data(), buf.size(), off_t(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw CFileException::FromErrno(m_strPath, "cannot read");
        if (n == 0)
            break;
        const std::uint64_t inPrefix = at < known ? std::min<std::uint64_t>(known - at, std::uint64_t(n)) : 0;
        prefix.Feed(buf.data(), std::size_t(inPrefix));
        added.append(buf.data() + inPrefix, std::size_t(std::uint64_t(n) - inPrefix));
        at += std::uint64_t(n);
    }
    if (at < known || prefix.Digest() != m_content.hash.Digest())
        throw CLogChangedException(m_strPath);
    TakeIn(added.data(), added.size());
}

void CConnectionLog::TakeIn(const char* data, std::size_t size)
{
    if (size == 0)
        return;
    // A last line read without its line end was already taken as a line: an append has only
    // completed its line end, which must not read as one more (empty) line. A line that has
    // grown is not a plain append.
    if (m_content.read && m_content.lastByte != '\n') {
        std::size_t lineEnd = 0;
        if (m_content.lastByte != '\r' && size >= 2 && data[0] == '\r' && data[1] == '\n')
            lineEnd = 2;
        else if (data[0] == '\n')
            lineEnd = 1;
        else
            throw CLogChangedException(m_strPath);
        m_content.hash.Feed(data, lineEnd);
        m_content.lastByte = '\n';
        data += lineEnd;
        size -= lineEnd;
    }
    m_content.read = true;
    CReader reader(m_content);
    reader.Feed(data, size);
    reader.Finish();
}

void CConnectionLog::Insert(SContent& content, CConnection* record)
{
    auto& list = content.connections;
    auto pos = std::upper_bound(list.begin(), list.end(), record->GetStart(),
                                [](const CTime& start, const CConnection* other) { return start < other->GetStart(); });
    list.insert(pos, record);
}

void CConnectionLog::AddConnection(CConnection* record)
{
    m_content.adopted.emplace_back(record);
    Insert(m_content, record);
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
