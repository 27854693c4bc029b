#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "ConnectionLog.h"
#include "ConnectionStore.h"
#include "FileException.h"
#include "TestSupport.h"

namespace {

std::string Line(int day, int hour, int minute, const std::string& name, bool deleted = false)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s%02d/03/1999 %02d:%02d:00  %02d/03/1999 %02d:%02d:30  00:00:30  ",
                  deleted ? "*" : "", day, hour, minute, day, hour, minute);
    return text + name + "\r\n";
}

// What each line of a file reads as on its own, in start order (equal starts in file order),
// and the lines that are not records: what a log of the file must hold.
struct SExpected
{
    std::vector<std::unique_ptr<CConnection>> records;
    std::vector<std::string> unread;
};

SExpected ReadLineByLine(const std::string& bytes)
{
    SExpected expected;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t newline = bytes.find('\n', at);
        std::string line = bytes.substr(at, newline == std::string::npos ? std::string::npos : newline - at);
        at = newline == std::string::npos ? bytes.size() : newline + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (auto record = CConnection::FromLine(line))
            expected.records.push_back(std::move(record));
        else
            expected.unread.push_back(line);
    }
    std::stable_sort(expected.records.begin(), expected.records.end(),
                     [](const auto& a, const auto& b) { return a->GetStart() < b->GetStart(); });
    return expected;
}

void ExpectHolds(const CConnectionLog& log, const SExpected& expected)
{
    ASSERT_EQ(log.GetConnectionCount(), int(expected.records.size()));
    for (int i = 0; i < log.GetConnectionCount(); ++i) {
        const CConnection& got = *log.GetConnection(i);
        const CConnection& want = *expected.records[std::size_t(i)];
        ASSERT_EQ(got.GetStart(), want.GetStart()) << "record " << i;
        ASSERT_EQ(got.GetEnd(), want.GetEnd()) << "record " << i;
        ASSERT_EQ(got.m_strName, want.m_strName) << "record " << i;
        ASSERT_EQ(got.m_bDeleted, want.m_bDeleted) << "record " << i;
    }
    EXPECT_EQ(log.GetUnreadLines(), expected.unread);
    // Every live record is in the day of its start, once, and the days keep start order.
    std::size_t indexed = 0;
    for (int m = 0; m < log.GetMonthCount(); ++m)
        for (int d = 0; d < log.GetMonth(m)->GetDayCount(); ++d) {
            const CLogDay* day = log.GetMonth(m)->GetDay(d);
            for (int i = 0; i < day->GetConnectionCount(); ++i) {
                const CConnection* record = day->GetConnection(i);
                EXPECT_EQ(record->GetStart().GetDay(), day->GetDayNumber());
                EXPECT_EQ(record->GetStart().GetMonth(), day->GetMonth());
                EXPECT_EQ(record->m_bDeleted, 0);
                if (i > 0) {
                    EXPECT_LE(day->GetConnection(i - 1)->GetStart(), record->GetStart());
                }
                ++indexed;
            }
        }
    const auto live = std::count_if(expected.records.begin(), expected.records.end(),
                                    [](const auto& r) { return r->m_bDeleted == 0; });
    EXPECT_EQ(indexed, std::size_t(live));
}

class ConnectionStore : public ::testing::Test
{
protected:
    std::string Log() const { return m_dir.File("Zelmorin.Log"); }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
};

TEST_F(ConnectionStore, RecordsOfOneEntryShareTheNameUntilOneIsRenamed)
{
    WriteFile(Log(), Line(5, 10, 0, "Office") + Line(5, 11, 0, "Home") + Line(5, 12, 0, "Office"));
    CConnectionLog log(Log());
    ASSERT_EQ(log.GetConnectionCount(), 3);
    CConnection* first = log.GetConnection(0);
    CConnection* third = log.GetConnection(2);
    EXPECT_TRUE(first->m_strName.IsShared());
    EXPECT_EQ(&first->m_strName.Get(), &third->m_strName.Get());

    // Renaming one record gives it a name of its own; the others keep theirs.
    first->m_strName = "Mobile";
    EXPECT_FALSE(first->m_strName.IsShared());
    EXPECT_EQ(first->m_strName, "Mobile");
    EXPECT_EQ(third->m_strName, "Office");
    EXPECT_EQ(log.GetConnection(1)->m_strName, "Home");
    // The table still answers the old name with the old text.
    third->m_strName = "Office";
    EXPECT_EQ(log.GetTotal("Office"), CTimeSpan(30));
    EXPECT_EQ(log.GetTotal("Mobile"), CTimeSpan(30));

    ASSERT_TRUE(log.Save());
    EXPECT_EQ(ReadFile(Log()), Line(5, 10, 0, "Mobile") + Line(5, 11, 0, "Home") + Line(5, 12, 0, "Office"));
}

TEST_F(ConnectionStore, ACopyOfARecordOwnsItsNameAndOutlivesTheLog)
{
    WriteFile(Log(), Line(5, 10, 0, "Office"));
    auto log = std::make_unique<CConnectionLog>(Log());
    ASSERT_EQ(log->GetConnectionCount(), 1);
    CConnection copy = *log->GetConnection(0);
    CConnection assigned(CTime(0), CTime(0), "Other");
    assigned = *log->GetConnection(0);
    EXPECT_FALSE(copy.m_strName.IsShared());
    log.reset(); // frees the shared text: a copy that pointed at it would read freed memory
    EXPECT_EQ(copy.m_strName, "Office");
    EXPECT_EQ(assigned.GetName(), "Office");
    copy.m_strName = copy.m_strName.Get(); // its own text assigned to itself
    EXPECT_EQ(copy.m_strName, "Office");
}

TEST_F(ConnectionStore, RecordsKeepTheirAddressesAsTheStoreGrows)
{
    CConnectionStore store;
    std::vector<CConnection*> added;
    for (int i = 0; i < 20000; ++i)
        added.push_back(store.Add(1000 + i, 2000 + i, i % 3 ? "Office" : "Home ISP", i % 7 == 0));
    ASSERT_EQ(store.GetCount(), 20000u);
    EXPECT_EQ(store.GetNameCount(), 2u);
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(added[std::size_t(i)]->GetStart().GetTime(), 1000 + i);
        ASSERT_EQ(added[std::size_t(i)]->GetEnd().GetTime(), 2000 + i);
        ASSERT_EQ(added[std::size_t(i)]->m_strName, i % 3 ? "Office" : "Home ISP");
        ASSERT_EQ(added[std::size_t(i)]->m_bDeleted, i % 7 == 0 ? 1 : 0);
    }
    std::vector<CConnection*> collected;
    store.CollectFrom(19990, collected);
    EXPECT_EQ(collected, std::vector<CConnection*>(added.begin() + 19990, added.end()));

    // Another store taken over keeps its records where they are, after this one's.
    CConnectionStore other;
    CConnection* later = other.Add(5000, 6000, "Office", false);
    CConnection* newName = other.Add(5001, 6001, "Backup ISDN", false);
    store.Absorb(std::move(other));
    EXPECT_EQ(other.GetCount(), 0u);
    ASSERT_EQ(store.GetCount(), 20002u);
    collected.clear();
    store.CollectFrom(19999, collected);
    EXPECT_EQ(collected, (std::vector<CConnection*>{added.back(), later, newName}));
    EXPECT_EQ(newName->m_strName, "Backup ISDN");
    EXPECT_EQ(store.Add(7000, 8000, "Backup ISDN", false)->m_strName, "Backup ISDN");

    EXPECT_THROW(store.Add(-1, 0, "Office", false), std::out_of_range);
    EXPECT_EQ(store.GetCount(), 20003u);
    store.Clear();
    EXPECT_EQ(store.GetCount(), 0u);
    EXPECT_EQ(store.GetNameCount(), 0u);
}

TEST_F(ConnectionStore, AddConnectionKeepsTheGivenRecordWhereItIs)
{
    WriteFile(Log(), Line(5, 10, 0, "Office") + Line(5, 12, 0, "Office"));
    CConnectionLog log(Log());
    auto* record = new CConnection(CTime(1999, 3, 5, 11, 0, 0), CTime(1999, 3, 5, 11, 30, 0), "Home");
    log.AddConnection(record);
    ASSERT_EQ(log.GetConnectionCount(), 3);
    EXPECT_EQ(log.GetConnection(1), record);
    record->m_strName = "Mobile"; // still the caller's pointer into the log
    EXPECT_EQ(log.GetConnection(1)->m_strName, "Mobile");
    ASSERT_TRUE(log.Save()); // frees it (the sanitizer build would report a leak or a double free)
    ASSERT_EQ(log.GetConnectionCount(), 3);
    EXPECT_EQ(log.GetConnection(1)->m_strName, "Mobile");
    EXPECT_TRUE(log.GetConnection(1)->m_strName.IsShared());
    log.AddConnection(new CConnection(CTime(1999, 3, 4, 9, 0, 0), CTime(1999, 3, 4, 9, 5, 0), "Early"));
    EXPECT_EQ(log.GetConnection(0)->m_strName, "Early");
    log.Clear(); // the adopted record goes with the rest
    EXPECT_EQ(log.GetConnectionCount(), 0);
}

TEST_F(ConnectionStore, ClearAndLoadAgainGiveTheSameLogEachTime)
{
    const std::string bytes = Line(5, 10, 0, "Office") + "not a record\r\n" + Line(6, 10, 0, "Home", true);
    WriteFile(Log(), bytes);
    CConnectionLog log(Log());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(log.Load());
        ExpectHolds(log, ReadLineByLine(bytes));
        EXPECT_EQ(log.GetMonthCount(), 1);
    }
    log.Clear();
    EXPECT_EQ(log.GetConnectionCount(), 0);
    EXPECT_EQ(log.GetMonthCount(), 0);
    EXPECT_EQ(log.GetUnreadLineCount(), 0);
    EXPECT_EQ(log.GetTotal(""), CTimeSpan());
    ASSERT_TRUE(log.Load());
    ExpectHolds(log, ReadLineByLine(bytes));
}

// A log far out of start order used to take a move of the whole list per line.
TEST_F(ConnectionStore, ALogOutOfOrderIsSortedWithEqualStartsInFileOrder)
{
    std::string bytes;
    for (int i = 0; i < 30000; ++i) {
        // Descending days and minutes, with pairs of equal starts under different names (days
        // before the 28th, when an hour was skipped).
        const int n = 29999 - i / 2;
        bytes += Line(1 + n % 27, n / 27 % 24, n / 648 % 60, i % 2 ? "Second" : "First", i % 97 == 0);
    }
    WriteFile(Log(), bytes);
    CConnectionLog log(Log());
    const SExpected expected = ReadLineByLine(bytes);
    ExpectHolds(log, expected);
    for (int i = 1; i < log.GetConnectionCount(); ++i)
        if (log.GetConnection(i - 1)->GetStart() == log.GetConnection(i)->GetStart()) {
            EXPECT_EQ(log.GetConnection(i - 1)->m_strName, "First");
            EXPECT_EQ(log.GetConnection(i)->m_strName, "Second");
        }

    // A line appended out of order by another program is merged in, after its equal starts.
    const CTime start = log.GetConnection(100)->GetStart();
    int equal = 0;
    for (int i = 0; i < log.GetConnectionCount(); ++i)
        equal += log.GetConnection(i)->GetStart() == start ? 1 : 0;
    ASSERT_EQ(equal, 2);
    CConnectionLog other(Log());
    other.Append(start, start + CTimeSpan(30), "Appended");
    log.GetConnection(0)->m_bDeleted ^= 1;
    ASSERT_TRUE(log.Save());
    ASSERT_EQ(log.GetConnectionCount(), 30001);
    int appended = -1;
    for (int i = 0; i < log.GetConnectionCount(); ++i)
        if (log.GetConnection(i)->m_strName == "Appended")
            appended = i;
    ASSERT_GE(appended, 2);
    EXPECT_EQ(log.GetConnection(appended - 2)->GetStart(), start);
    EXPECT_EQ(log.GetConnection(appended - 1)->GetStart(), start);
    EXPECT_GT(log.GetConnection(appended + 1)->GetStart(), start);
}

// A file this large is read by two threads from a line start in its middle: the result must be
// the one-line-at-a-time reading, and the hash of every byte (a later Save takes in another
// program's append only if the hash matches).
TEST_F(ConnectionStore, ALargeLogReadInTwoPartsEqualsReadingItLineByLine)
{
    std::string bytes;
    int line = 0;
    while (bytes.size() < CConnectionLog::kTwoReadersBytes + 100000) {
        const int n = line++;
        if (n % 5000 == 17)
            bytes += "hand-written note " + std::to_string(n) + "\r\n";
        const int day = 1 + n / 4000 % 28;
        const int late = n % 3000 == 5 ? 7 : 0; // now and then a line from the week before
        bytes += Line(day > late ? day - late : day, n / 160 % 24, n % 60, n % 4 ? "Office" : "My  ISP", n % 250 == 0);
    }
    bytes += Line(28, 23, 59, "Last, no line end");
    bytes.resize(bytes.size() - 2);
    WriteFile(Log(), bytes);

    CConnectionLog log(Log());
    const SExpected expected = ReadLineByLine(bytes);
    ExpectHolds(log, expected);

    // A reader that never writes skips the hash, and may not write.
    CConnectionLog readOnly(Log(), CConnectionLog::Access::ReadOnly);
    ExpectHolds(readOnly, expected);
    EXPECT_THROW(readOnly.Save(), std::logic_error);
    EXPECT_THROW(readOnly.Append(CTime(1999, 3, 1, 0, 0, 0), CTime(1999, 3, 1, 0, 0, 1), "A"), std::logic_error);
    EXPECT_THROW(readOnly.AppendUnlessLogged(CTime(1999, 3, 1, 0, 0, 0), CTime(1999, 3, 1, 0, 0, 1), "A"),
                 std::logic_error);
    EXPECT_EQ(ReadFile(Log()), bytes);

    CConnectionLog other(Log());
    other.Append(CTime(1999, 3, 28, 23, 59, 30), CTime(1999, 3, 28, 23, 59, 40), "Appended");
    log.GetConnection(3)->m_bDeleted ^= 1;
    EXPECT_NO_THROW(log.Save());
    EXPECT_EQ(log.GetConnection(log.GetConnectionCount() - 1)->m_strName, "Appended");
    EXPECT_EQ(log.GetConnection(3)->m_bDeleted, 1);
}

// The main window logs each connection's end this way: only the lines appended since the last
// read are read, and the line written is taken in without reading the file again.
TEST_F(ConnectionStore, AppendUnlessLoggedReadsOnlyWhatWasAppended)
{
    std::string bytes = Line(5, 10, 0, "Office") + "a note\r\n" + Line(6, 10, 0, "Home");
    bytes.resize(bytes.size() - 2); // the last line lacks its line end
    WriteFile(Log(), bytes);
    CConnectionLog log(Log());
    ASSERT_EQ(log.GetConnectionCount(), 2);

    // Another program appends a connection: it is seen, and not logged twice.
    CConnectionLog other(Log());
    const CTime start(1999, 3, 7, 10, 0, 0);
    other.Append(start, start + CTimeSpan(30), "Office");
    EXPECT_FALSE(log.AppendUnlessLogged(start, start + CTimeSpan(20), "Office"));
    ExpectHolds(log, ReadLineByLine(ReadFile(Log())));

    // One that starts before the others is written at the end and sorted in memory.
    const CTime early(1999, 3, 4, 8, 0, 0);
    EXPECT_TRUE(log.AppendUnlessLogged(early, early + CTimeSpan(600), "Mobile"));
    const std::string file = ReadFile(Log());
    EXPECT_EQ(file, bytes + "\r\n" + Line(7, 10, 0, "Office") +
                        "04/03/1999 08:00:00  04/03/1999 08:10:00  00:10:00  Mobile\r\n");
    ExpectHolds(log, ReadLineByLine(file));
    EXPECT_EQ(log.GetTotal("Mobile"), CTimeSpan(600));
    EXPECT_FALSE(log.AppendUnlessLogged(early, early + CTimeSpan(600), "Mobile"));

    // Only the appended lines are read: a change in memory stays for the next save, and what
    // memory holds matches the file byte for byte, so that save takes in the next append.
    other.Append(start + CTimeSpan(3600), start + CTimeSpan(3630), "Home");
    log.GetConnection(0)->m_bDeleted = 1;
    EXPECT_TRUE(log.AppendUnlessLogged(start + CTimeSpan(7200), start + CTimeSpan(7230), "Home"));
    EXPECT_EQ(log.GetConnection(0)->m_bDeleted, 1);
    other.Append(start + CTimeSpan(9000), start + CTimeSpan(9030), "Office");
    ASSERT_TRUE(log.Save());
    ASSERT_EQ(log.GetConnectionCount(), 7);
    EXPECT_EQ(log.GetConnection(0)->m_bDeleted, 1);
    EXPECT_EQ(log.GetConnection(6)->GetStart(), start + CTimeSpan(9000));
}

TEST(EntryName, ComparesAndPrintsAsItsText)
{
    CEntryName empty;
    EXPECT_EQ(empty, "");
    EXPECT_TRUE(empty.empty());
    CEntryName name("My  ISP");
    EXPECT_EQ(name, std::string("My  ISP"));
    EXPECT_EQ(std::string("My  ISP"), name);
    EXPECT_NE(name, "My ISP");
    EXPECT_EQ(name.size(), 7u);
    std::ostringstream out;
    out << name;
    EXPECT_EQ(out.str(), "My  ISP");
    const std::string shared = "Office";
    CEntryName pointing;
    pointing.Share(shared);
    EXPECT_EQ(&pointing.Get(), &shared);
    pointing = std::string(); // back to the empty name, which needs no text
    EXPECT_EQ(pointing, "");
    EXPECT_FALSE(pointing.IsShared());
}

} // namespace
