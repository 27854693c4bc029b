#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ConnectionLog.h"
#include "ContentHash.h"
#include "FileException.h"
#include "OutputFile.h"
#include "TestSupport.h"

namespace {

const std::string kOffice = "05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  Office\r\n";

class ConnectionLog : public ::testing::Test
{
protected:
    std::string Log() const { return m_dir.File("Zelmorin.Log"); }
    static std::string Line(const char* start, const char* end, const char* duration, const char* name)
    {
        return std::string(start) + "  " + end + "  " + duration + "  " + name + "\r\n";
    }

    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
};

TEST_F(ConnectionLog, ReadsRecordsInStartOrderAndIndexesOnlyLiveOnes)
{
    WriteFile(Log(), Line("06/03/1999 10:00:00", "06/03/1999 11:00:00", "01:00:00", "B") + kOffice + "*" +
                         Line("05/03/1999 08:00:00", "05/03/1999 09:00:00", "01:00:00", "Office") +
                         Line("06/03/1999 10:00:00", "06/03/1999 10:30:00", "00:30:00", "C"));
    CConnectionLog log(Log());
    ASSERT_EQ(log.GetConnectionCount(), 4);
    EXPECT_EQ(log.GetConnection(0)->m_bDeleted, 1);
    EXPECT_EQ(log.GetConnection(1)->m_strName, "Office");
    // Equal starts keep their file order.
    EXPECT_EQ(log.GetConnection(2)->m_strName, "B");
    EXPECT_EQ(log.GetConnection(3)->m_strName, "C");

    ASSERT_EQ(log.GetMonthCount(), 1);
    CLogMonth* march = log.FindMonth(1999, 3);
    ASSERT_NE(march, nullptr);
    ASSERT_EQ(march->GetDayCount(), 2);
    EXPECT_EQ(march->GetDay(0)->GetConnectionCount(), 1); // the deleted record is in no day
    EXPECT_EQ(march->GetDay(1)->GetConnection(0)->m_strName, "B");
    EXPECT_EQ(log.GetUnreadLineCount(), 0);
}

TEST_F(ConnectionLog, LineEndsOfEitherKindAndAMissingLastOne)
{
    WriteFile(Log(), "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  A\n"
                     "05/03/1999 12:00:00  05/03/1999 13:00:00  01:00:00  B\r\n"
                     "05/03/1999 14:00:00  05/03/1999 15:00:00  01:00:00  C");
    CConnectionLog log(Log());
    ASSERT_EQ(log.GetConnectionCount(), 3);
    EXPECT_EQ(log.GetConnection(0)->m_strName, "A");
    EXPECT_EQ(log.GetConnection(1)->m_strName, "B");
    EXPECT_EQ(log.GetConnection(2)->m_strName, "C");
}

TEST_F(ConnectionLog, AppendCreatesTheFileAndSortsInMemoryOnly)
{
    CConnectionLog log(Log());
    EXPECT_EQ(log.GetConnectionCount(), 0);
    EXPECT_NE(log.GetLoadError(), 0);
    log.Append(CTime(1999, 3, 5, 23, 50, 0), CTime(1999, 3, 6, 2, 15, 30), "Office");
    EXPECT_EQ(ReadFile(Log()), kOffice);

    log.Append(CTime(1999, 3, 1, 8, 0, 0), CTime(1999, 3, 1, 9, 0, 0), "Early");
    EXPECT_EQ(ReadFile(Log()), kOffice + Line("01/03/1999 08:00:00", "01/03/1999 09:00:00", "01:00:00", "Early"));
    ASSERT_EQ(log.GetConnectionCount(), 2);
    EXPECT_EQ(log.GetConnection(0)->m_strName, "Early");
    EXPECT_EQ(log.GetMonth(0)->GetDay(0)->GetDayNumber(), 1);
}

TEST_F(ConnectionLog, AppendNeverGluesOntoALastLineWithoutItsEnd)
{
    WriteFile(Log(), "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  A");
    CConnectionLog log(Log());
    log.Append(CTime(1999, 3, 6, 10, 0, 0), CTime(1999, 3, 6, 11, 0, 0), "B");
    ASSERT_EQ(log.GetConnectionCount(), 2);
    EXPECT_EQ(log.GetConnection(0)->m_strName, "A");
    EXPECT_EQ(log.GetConnection(1)->m_strName, "B");
}

// Runs f with writes limited to limit bytes per file, as a full disk would limit them.
template <typename F> void WithFileSizeLimit(rlim_t limit, F f)
{
    struct rlimit saved
    {
    };
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = limit;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    f();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
}

TEST_F(ConnectionLog, FailedAppendLeavesTheFileAsItWasAndARetryLogsOnce)
{
    // The line would cross the limit part-way, as on a disk that fills up during the write.
    std::string old;
    while (old.size() + kOffice.size() < 4096 - 20)
        old += kOffice;
    old += "05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  Office wi"; // no line end
    WriteFile(Log(), old);
    CConnectionLog log(Log());
    const int before = log.GetConnectionCount();
    WithFileSizeLimit(4096, [&] {
        EXPECT_THROW(log.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "Office wifi"),
                     CFileException);
    });
    EXPECT_EQ(ReadFile(Log()), old);
    EXPECT_EQ(log.GetConnectionCount(), before);

    log.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "Office wifi");
    EXPECT_EQ(ReadFile(Log()),
              old + "\r\n" + Line("07/03/1999 10:00:00", "07/03/1999 11:00:00", "01:00:00", "Office wifi"));
    EXPECT_EQ(log.GetConnectionCount(), before + 1);

    // A log the failed append would have created is not left behind, not even empty.
    CConnectionLog fresh(m_dir.File("new.log"));
    WithFileSizeLimit(10, [&] {
        EXPECT_THROW(fresh.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "x"), CFileException);
    });
    EXPECT_FALSE(FileExists(m_dir.File("new.log")));
}

TEST_F(ConnectionLog, AppendCompletesALastLineThatEndsWithABareCarriageReturn)
{
    const std::string office = "05/03/1999 23:50:00  06/03/1999 02:15:30  02:25:30  Office\r";
    WriteFile(Log(), office);
    CConnectionLog log(Log());
    log.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "B");
    EXPECT_EQ(ReadFile(Log()), office + "\n" + Line("07/03/1999 10:00:00", "07/03/1999 11:00:00", "01:00:00", "B"));
    ASSERT_EQ(log.GetConnectionCount(), 2);
    EXPECT_EQ(log.GetConnection(0)->m_strName, "Office");
    EXPECT_EQ(log.GetTotal("Office").GetTotalSeconds(), 8730);
}

TEST_F(ConnectionLog, ANameWithLineEndsStaysOneRecord)
{
    CConnectionLog log(Log());
    log.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "nm-profile\nid\r");
    log.Append(CTime(1999, 3, 7, 12, 0, 0), CTime(1999, 3, 7, 13, 0, 0), "B");
    EXPECT_EQ(ReadFile(Log()), Line("07/03/1999 10:00:00", "07/03/1999 11:00:00", "01:00:00", "nm-profile id ") +
                                   Line("07/03/1999 12:00:00", "07/03/1999 13:00:00", "01:00:00", "B"));
    ASSERT_EQ(log.GetConnectionCount(), 2);
    EXPECT_EQ(log.GetUnreadLineCount(), 0);
    EXPECT_EQ(log.GetConnection(0)->m_strName, "nm-profile id ");
}

TEST_F(ConnectionLog, SaveAfterAnAppendCompletedTheLastLineAddsNoEmptyLine)
{
    const std::string a = "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  A";
    WriteFile(Log(), a);
    CConnectionLog history(Log());
    CConnectionLog monitor(Log());
    monitor.Append(CTime(1999, 3, 6, 10, 0, 0), CTime(1999, 3, 6, 11, 0, 0), "B");
    history.GetConnection(0)->m_bDeleted = 1;
    ASSERT_TRUE(history.Save());
    EXPECT_EQ(ReadFile(Log()), "*" + a + "\r\n" + Line("06/03/1999 10:00:00", "06/03/1999 11:00:00", "01:00:00", "B"));
    EXPECT_EQ(history.GetUnreadLineCount(), 0);
    EXPECT_EQ(history.GetConnectionCount(), 2);
}

TEST_F(ConnectionLog, ExportOntoTheLogItselfIsRefused)
{
    WriteFile(Log(), kOffice + "*" + kOffice + "not a record\r\n");
    const std::string before = ReadFile(Log());
    CConnectionLog log(Log());
    std::filesystem::create_symlink(Log(), m_dir.File("link.csv"));
    for (const std::string& target : {Log(), m_dir.File("link.csv"), m_dir.Path() + "/./Zelmorin.Log"}) {
        try {
            log.WriteAll(target, ",", false);
            ADD_FAILURE() << target << " was written";
        } catch (const CFileException& error) {
            EXPECT_NE(error.GetCause().find("connection log"), std::string::npos) << error.GetCause();
        }
    }
    EXPECT_EQ(ReadFile(Log()), before);
    EXPECT_TRUE(log.Save()); // the log's own rewrite still goes on

    // A log not written yet is not created as comma-separated text either.
    CConnectionLog fresh(m_dir.File("new.log"));
    EXPECT_THROW(fresh.WriteAll(m_dir.Path() + "/./new.log", ",", false), CFileException);
    EXPECT_FALSE(FileExists(m_dir.File("new.log")));
}

TEST_F(ConnectionLog, ReadOnlyLogOrTargetIsRefusedNotReplaced)
{
    // Also as root, who could replace either: a file without any write permission is read-only.
    WriteFile(Log(), kOffice);
    chmod(Log().c_str(), 0444);
    CConnectionLog log(Log());
    log.GetConnection(0)->m_bDeleted = 1;
    EXPECT_THROW(log.Save(), CFileException);
    EXPECT_THROW(log.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "x"), CFileException);
    EXPECT_EQ(ReadFile(Log()), kOffice);

    const std::string out = m_dir.File("out.csv");
    WriteFile(out, "keep");
    chmod(out.c_str(), 0444);
    try {
        log.WriteAll(out, ",", false);
        ADD_FAILURE() << "a read-only target was replaced";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.GetErrno(), EACCES);
    }
    EXPECT_EQ(ReadFile(out), "keep");
}

TEST_F(ConnectionLog, RewriteKeepsOwnerGroupAndMode)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to any group";
    // The owner stays the user's own (another user's log is not written at all).
    WriteFile(Log(), kOffice);
    ASSERT_EQ(chown(Log().c_str(), geteuid(), 8765), 0);
    ASSERT_EQ(chmod(Log().c_str(), 0640), 0);
    CConnectionLog log(Log());
    log.GetConnection(0)->m_bDeleted = 1;
    ASSERT_TRUE(log.Save());
    struct stat st
    {
    };
    ASSERT_EQ(stat(Log().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, geteuid());
    EXPECT_EQ(st.st_gid, 8765u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(Log()), "*" + kOffice);
}

TEST_F(ConnectionLog, APipeAtTheLogsPathIsRefusedWithoutWaiting)
{
    ASSERT_EQ(mkfifo(Log().c_str(), 0666), 0);
    CConnectionLog log(Log()); // would hang in open() if it waited for a writer
    EXPECT_EQ(log.GetLoadError(), EINVAL);
    EXPECT_THROW(log.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "x"), CFileException);
}

TEST_F(ConnectionLog, SaveKeepsDeletedRecordsAndExportLeavesThemOut)
{
    WriteFile(Log(), Line("01/03/1999 08:00:00", "01/03/1999 09:00:00", "01:00:00", "A") + kOffice +
                         Line("07/03/1999 08:00:00", "07/03/1999 08:00:10", "00:00:10", "My  ISP"));
    CConnectionLog log(Log());
    log.GetConnection(1)->m_bDeleted = 1;
    ASSERT_TRUE(log.Save());
    EXPECT_EQ(ReadFile(Log()), Line("01/03/1999 08:00:00", "01/03/1999 09:00:00", "01:00:00", "A") + "*" + kOffice +
                                   Line("07/03/1999 08:00:00", "07/03/1999 08:00:10", "00:00:10", "My  ISP"));
    EXPECT_EQ(log.GetMonth(0)->GetDayCount(), 2);

    ASSERT_TRUE(log.WriteAll(m_dir.File("out.csv"), ",", false));
    EXPECT_EQ(ReadFile(m_dir.File("out.csv")), "01/03/1999 08:00:00,01/03/1999 09:00:00,01:00:00,A\r\n"
                                               "07/03/1999 08:00:00,07/03/1999 08:00:10,00:00:10,My  ISP\r\n");
}

TEST_F(ConnectionLog, SaveWritesAnEditedRecordAtItsOldPlaceThenSorts)
{
    WriteFile(Log(), Line("01/03/1999 08:00:00", "01/03/1999 09:00:00", "01:00:00", "A") +
                         Line("02/03/1999 08:00:00", "02/03/1999 09:00:00", "01:00:00", "B"));
    CConnectionLog log(Log());
    log.GetConnection(0)->SetStart(CTime(1999, 3, 3, 8, 0, 0));
    log.GetConnection(0)->SetEnd(CTime(1999, 3, 3, 8, 30, 0));
    log.Save();
    EXPECT_EQ(ReadFile(Log()), Line("03/03/1999 08:00:00", "03/03/1999 08:30:00", "00:30:00", "A") +
                                   Line("02/03/1999 08:00:00", "02/03/1999 09:00:00", "01:00:00", "B"));
    EXPECT_EQ(log.GetConnection(0)->m_strName, "B");
}

TEST_F(ConnectionLog, LinesOffTheFormatSurviveARewrite)
{
    const std::string junk1 = "this is not a connection";
    const std::string junk2 = "05/03/1999 23:50  06/03/1999 02:15:30  02:25:30  Short";
    WriteFile(Log(), junk1 + "\r\n" + kOffice + "\r\n" + junk2 + "\n");
    CConnectionLog log(Log());
    EXPECT_EQ(log.GetConnectionCount(), 1);
    EXPECT_EQ(log.GetUnreadLineCount(), 3); // the blank line too
    EXPECT_EQ(log.GetTotal("").GetTotalSeconds(), 8730);

    log.Save();
    EXPECT_EQ(ReadFile(Log()), kOffice + junk1 + "\r\n\r\n" + junk2 + "\r\n");
    EXPECT_EQ(log.GetUnreadLineCount(), 3);
    // An export holds connections only.
    log.WriteAll(m_dir.File("x.txt"), "\t", false);
    EXPECT_EQ(ReadFile(m_dir.File("x.txt")), "05/03/1999 23:50:00\t06/03/1999 02:15:30\t02:25:30\tOffice\r\n");
}

TEST_F(ConnectionLog, SaveTakesInWhatAnotherLogAppendedMeanwhile)
{
    WriteFile(Log(), kOffice);
    CConnectionLog history(Log());
    CConnectionLog monitor(Log());
    monitor.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "Late");
    history.GetConnection(0)->m_bDeleted = 1;
    ASSERT_TRUE(history.Save());
    EXPECT_EQ(ReadFile(Log()), "*" + kOffice + Line("07/03/1999 10:00:00", "07/03/1999 11:00:00", "01:00:00", "Late"));
    ASSERT_EQ(history.GetConnectionCount(), 2);
    EXPECT_EQ(history.GetConnection(1)->m_strName, "Late");

    // A second save must not take the same lines in again.
    monitor.Append(CTime(1999, 3, 8, 10, 0, 0), CTime(1999, 3, 8, 11, 0, 0), "Later");
    history.Save();
    history.Save();
    EXPECT_EQ(history.GetConnectionCount(), 3);
}

TEST_F(ConnectionLog, SaveRefusesToOverwriteOtherChanges)
{
    WriteFile(Log(), kOffice);
    CConnectionLog log(Log());
    log.GetConnection(0)->m_bDeleted = 1;
    const std::string edited = Line("01/01/2000 10:00:00", "01/01/2000 11:00:00", "01:00:00", "Edited");
    WriteFile(Log(), edited);
    EXPECT_THROW(log.Save(), CLogChangedException);
    EXPECT_EQ(ReadFile(Log()), edited);
    EXPECT_EQ(log.GetConnection(0)->m_bDeleted, 1); // the user's change is still in memory

    // Removed from under the log: not recreated from a stale copy either.
    std::remove(Log().c_str());
    EXPECT_THROW(log.Save(), CLogChangedException);
    EXPECT_FALSE(FileExists(Log()));
}

TEST_F(ConnectionLog, FailedRewriteLeavesTheOldFileWhole)
{
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += kOffice;
    WriteFile(Log(), lines);
    CConnectionLog log(Log());
    log.GetConnection(0)->m_bDeleted = 1;

    // A file-size limit makes writes fail part-way, as a full disk does, even for root.
    WithFileSizeLimit(4096, [&] { EXPECT_THROW(log.Save(), CFileException); });

    EXPECT_EQ(ReadFile(Log()), lines);
    EXPECT_EQ(log.GetConnection(0)->m_bDeleted, 1);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1) << "a temporary file was left behind";
}

TEST_F(ConnectionLog, WriteErrorsNameTheFileAndLeaveNoTemporaryBehind)
{
    WriteFile(Log(), kOffice);
    CConnectionLog log(Log());
    const std::string missing = m_dir.File("no/such/folder/out.csv");
    try {
        log.WriteAll(missing, ",", false);
        FAIL() << "no error raised";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.GetPath(), missing);
        EXPECT_NE(error.GetCause().find("No such file"), std::string::npos) << error.GetCause();
    }
    CConnectionLog unwritable(m_dir.File("no/such/Zelmorin.Log"));
    EXPECT_THROW(unwritable.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "x"), CFileException);

    // Nothing but the target is left in the folder after the failures above.
    WriteFile(m_dir.File("a.csv"), "old");
    log.WriteAll(m_dir.File("a.csv"), ",", false);
    EXPECT_EQ(ReadFile(m_dir.File("a.csv")), "05/03/1999 23:50:00,06/03/1999 02:15:30,02:25:30,Office\r\n");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2); // the log and a.csv
}

TEST_F(ConnectionLog, ALogPathThatIsNoFileReadsNothing)
{
    // Reading a device or folder as a log could run forever or fill memory.
    CConnectionLog zero("/dev/zero");
    EXPECT_FALSE(zero.Load());
    EXPECT_EQ(zero.GetConnectionCount(), 0);
    CConnectionLog folder(m_dir.Path());
    EXPECT_EQ(folder.GetLoadError(), EISDIR);
}

TEST_F(ConnectionLog, RewriteKeepsThePermissionsOfTheFile)
{
    WriteFile(Log(), kOffice);
    chmod(Log().c_str(), 0600);
    CConnectionLog log(Log());
    log.Save();
    struct stat st
    {
    };
    ASSERT_EQ(stat(Log().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ConnectionLog, EmptyPathTouchesNothing)
{
    CConnectionLog log("");
    EXPECT_FALSE(log.Load());
    log.Append(CTime(1999, 3, 7, 10, 0, 0), CTime(1999, 3, 7, 11, 0, 0), "x");
    EXPECT_EQ(log.GetConnectionCount(), 0);
    EXPECT_FALSE(log.WriteAll("", ",", false));
    EXPECT_FALSE(log.Save());
}

TEST_F(ConnectionLog, FailedLoadKeepsWhatWasInMemory)
{
    WriteFile(Log(), kOffice);
    CConnectionLog log(Log());
    std::remove(Log().c_str());
    EXPECT_FALSE(log.Load());
    EXPECT_EQ(log.GetConnectionCount(), 1);
    EXPECT_EQ(log.GetMonthCount(), 1);
}

TEST(ContentHash, SameBytesSameDigestHoweverTheyArrive)
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += char(i * 7 + i / 13);
    CContentHash whole;
    whole.Feed(bytes.data(), bytes.size());
    for (std::size_t chunk : {1, 5, 31, 32, 33, 100}) {
        CContentHash pieces;
        for (std::size_t at = 0; at < bytes.size(); at += chunk)
            pieces.Feed(bytes.data() + at, std::min(chunk, bytes.size() - at));
        EXPECT_EQ(pieces.Digest(), whole.Digest()) << chunk;
    }
    // One byte changed anywhere, or one byte more, changes the digest.
    for (std::size_t at : {0, 17, 500, 999}) {
        std::string changed = bytes;
        changed[at] ^= 1;
        CContentHash other;
        other.Feed(changed.data(), changed.size());
        EXPECT_NE(other.Digest(), whole.Digest()) << at;
    }
    CContentHash shorter;
    shorter.Feed(bytes.data(), bytes.size() - 1);
    EXPECT_NE(shorter.Digest(), whole.Digest());
    std::string zeros(64, '\0');
    CContentHash a, b;
    a.Feed(zeros.data(), 63);
    b.Feed(zeros.data(), 64);
    EXPECT_NE(a.Digest(), b.Digest());
}

TEST_F(ConnectionLog, DuplicateLinesAreBothCounted)
{
    WriteFile(Log(), kOffice + kOffice);
    CConnectionLog log(Log());
    EXPECT_EQ(log.GetConnectionCount(), 2);
    EXPECT_EQ(log.GetTotal("").GetTotalSeconds(), 2 * 8730);
}

} // namespace

TEST_F(ConnectionLog, AppendUnlessLoggedAddsAConnectionOnlyOnce)
{
    CConnectionLog log(Log());
    const CTime start(1999, 3, 5, 10, 0, 0);
    EXPECT_TRUE(log.AppendUnlessLogged(start, CTime(1999, 3, 5, 10, 41, 30), "Office"));
    // The same connection again, with the end of an earlier checkpoint: already there.
    EXPECT_FALSE(log.AppendUnlessLogged(start, CTime(1999, 3, 5, 10, 41, 0), "Office"));
    // Same start, other entry; same entry, other start: other connections.
    EXPECT_TRUE(log.AppendUnlessLogged(start, CTime(1999, 3, 5, 10, 5, 0), "Home"));
    EXPECT_TRUE(log.AppendUnlessLogged(CTime(1999, 3, 5, 11, 0, 0), CTime(1999, 3, 5, 11, 5, 0), "Office"));
    EXPECT_EQ(log.GetConnectionCount(), 3);

    // What another log object wrote meanwhile counts, deleted or not.
    CConnectionLog other(Log());
    other.Append(CTime(1999, 3, 6, 9, 0, 0), CTime(1999, 3, 6, 9, 30, 0), "Mobile");
    other.GetConnection(0)->m_bDeleted = 1;
    other.Save();
    EXPECT_FALSE(log.AppendUnlessLogged(CTime(1999, 3, 6, 9, 0, 0), CTime(1999, 3, 6, 9, 30, 0), "Mobile"));
    EXPECT_FALSE(log.AppendUnlessLogged(start, CTime(1999, 3, 5, 10, 41, 30), "Office"));
    CConnectionLog reread(Log());
    EXPECT_EQ(reread.GetConnectionCount(), 4);
}
