#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "Connection.h"
#include "ConnectionStore.h"
#include "ContentHash.h"
#include "LogMonth.h"
#include "Time.h"
#include "TimeSpan.h"

// The connection log file and, in memory, every record read from it (deleted ones included,
// in start order) with the calendar index of the non-deleted ones.
//
// The file is plain text, one connection per line, CR LF line ends. Lines that do not follow
// the format are kept as text and written back after the records, so a rewrite never loses a
// line of the user's file. Every failure to write raises CFileException.
class CConnectionLog
{
public:
    // ReadOnly: for readers that never change the file (the reporter). The load then skips the
    // hash of the file's bytes, and Append, AppendUnlessLogged and Save raise std::logic_error.
    enum class Access
    {
        ReadWrite,
        ReadOnly
    };
    explicit CConnectionLog(const std::string& path, Access access = Access::ReadWrite); // then Load()
    virtual ~CConnectionLog();
    CConnectionLog(const CConnectionLog&) = delete;
    CConnectionLog& operator=(const CConnectionLog&) = delete;

    const std::string& GetPath() const { return m_strPath; }

    // A file of at least this size is read by two threads, each from a line start on; below
    // it a second thread costs more than it gains.
    static constexpr std::size_t kTwoReadersBytes = 4 << 20;
    // A longer line is no record and is not kept as text either (a line without an end could
    // take all memory): it is skipped, counted, and the file is then never rewritten. Room for
    // the longest name a checkpoint holds, so that every recovered connection reads back.
    static constexpr std::size_t kMaxLineBytes = 2 << 20;

    // Reads the whole file. False if the path is empty or the file cannot be read (ENOMEM when
    // it does not fit in memory); memory then stays as it was and GetLoadError() tells the cause.
    bool Load();
    // Adds one line at the end of the file (creating it), then Load(). A failure raises
    // CFileException and leaves the file as it was, so the caller may simply try again.
    void Append(const CTime& start, const CTime& end, const std::string& name);
    // The same, unless the file, read again now, already holds a record (deleted or not) with
    // this start (or a start written as the same local time, as in the hour that repeats when
    // daylight saving ends) and entry name: for a connection that an interrupted earlier
    // attempt may have logged already. True when it appended. When the file has only grown since this object
    // read it, only the lines added are read (changes to records in memory are then kept),
    // and afterwards the appended line is taken in without reading the file again.
    //
    // With Match::AnyZone (for what a run that was killed left behind) a record also matches
    // when it was written under another time zone: its start is whole quarter hours from this
    // one, at most kZoneShiftLimit either side, and it lasts as long as this one or at most
    // kZoneShiftLonger longer (a checkpoint's end trails the real one by up to its interval).
    enum class Match
    {
        Exact,
        AnyZone
    };
    static constexpr long long kZoneShiftLimit = 26 * 3600;
    static constexpr long long kZoneShiftLonger = 60;
    bool AppendUnlessLogged(const CTime& start, const CTime& end, const std::string& name, Match match = Match::Exact);
    // Replaces the named file with every record in array order, each joined by the separator;
    // deleted records, and the lines that could not be read, only when includeDeleted is
    // true. The file is replaced atomically (see COutputFile). False if the path is empty; the
    // log's own file is refused with CFileException (Save rewrites it).
    bool WriteAll(const std::string& path, const std::string& separator, bool includeDeleted);
    // Rewrites the log file from memory, then Load(); returns the result of Load(). Lines that
    // another log object appended since this one read the file are taken in first; any other
    // change to the file raises CLogChangedException and nothing is written; so does a file
    // with skipped lines (CFileException, EFBIG).
    bool Save();
    void Clear();

    // Inserts a record before the first one that starts later. The log takes ownership of it
    // (the record must come from new) and keeps it at its address until Clear or Load.
    void AddConnection(CConnection* record);
    int GetConnectionCount() const { return static_cast<int>(m_content.connections.size()); }
    CConnection* GetConnection(int index) const { return m_content.connections[static_cast<std::size_t>(index)]; }

    CLogMonth* FindMonth(int year, int month) const;
    void AddMonth(CLogMonth* month); // takes ownership
    int GetMonthCount() const { return static_cast<int>(m_content.months.size()); }
    CLogMonth* GetMonth(int index) const { return m_content.months[static_cast<std::size_t>(index)].get(); }

    CTimeSpan GetTotal(const std::string& filter) const;
    // The title total at the current time: 0 since installation, 1 today, 2 this week (from
    // weekday weekStart, 0 = Sunday), 3 this month (from day monthStart). Any other type gives
    // 0; a weekStart outside 0-6 counts as Sunday.
    CTimeSpan GetPeriodTotal(int totalType, const std::string& filter, int weekStart, int monthStart) const;

    // The lines of the last read that are not records, in file order.
    int GetUnreadLineCount() const { return static_cast<int>(m_content.unread.size()); }
    const std::vector<std::string>& GetUnreadLines() const { return m_content.unread; }
    // The lines of the last read longer than kMaxLineBytes, skipped.
    std::size_t GetSkippedLineCount() const { return m_content.skipped; }
    // errno of the last Load() that failed, 0 when the last one succeeded.
    int GetLoadError() const { return m_nLoadError; }

private:
    struct SContent
    {
        // The records read from the file, and those given to AddConnection.
        CConnectionStore store;
        std::vector<std::unique_ptr<CConnection>> adopted;
        // Every record, in start order.
        std::vector<CConnection*> connections;
        std::vector<std::unique_ptr<CLogMonth>> months;
        std::vector<std::string> unread;
        std::size_t skipped = 0; // lines longer than kMaxLineBytes
        // What was read of the file, to recognise a later plain append.
        CContentHash hash;
        char lastByte = '\n'; // of what was read; a line feed for an empty file
        bool read = false;
    };
    class CReader;

    static void Insert(SContent& content, CConnection* record);
    static CLogMonth* InsertMonth(SContent& content, std::unique_ptr<CLogMonth> month);
    static CLogDay* Index(SContent& content, CConnection* record, int year, int month, int day);
    static CLogMonth* Find(const SContent& content, int year, int month);
    // Reads the whole open file into content; 0 or the errno of a failed read.
    static int ReadAll(int fd, SContent& content, bool hashing);
    void RefuseIfReadOnly() const;
    // Reads what was appended to the open file since it was read (everything when it was never
    // read); any other change raises CLogChangedException and leaves memory as it was.
    void TakeInAppendedLines(int fd);
    // Reads bytes that follow, in the file, those read so far.
    void TakeIn(const char* data, std::size_t size);
    // Returns the bytes written: the line, after a line end that the file lacked.
    std::string AppendLine(const class CLogLock& lock, const std::string& line);
    void Rewrite(const std::string& path, const std::string& separator, bool includeDeleted);
    // Whether a record in memory is this connection as written under another time zone (see
    // Match::AnyZone); stored is the name as a line holds it.
    bool LoggedInAnotherZone(const CTime& start, const CTime& end, const std::string& stored) const;
    [[noreturn]] void Undo(int fd, off_t oldSize, bool created, const class CFileException& error);
    CTimeSpan WeekTotal(const CTime& now, const std::string& filter, int weekStart) const;
    CTimeSpan MonthTotal(const CTime& now, const std::string& filter, int monthStart) const;

    std::string m_strPath;
    SContent m_content;
    int m_nLoadError = 0;
    bool m_bReadOnly = false;
};
