#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Checkpoint.h"
#include "ConnectionLog.h"
#include "ConnectionMonitor.h"
#include "ElapsedClock.h"
#include "IoFaults.h"
#include "LogLock.h"
#include "MonitorFakes.h"
#include "TestSupport.h"

namespace {

std::atomic<std::int64_t> g_elapsedMs{0};
std::int64_t FakeElapsed()
{
    return g_elapsedMs.load();
}

class ConnectionMonitor : public ::testing::Test
{
protected:
    ConnectionMonitor() { SetElapsedClockHook(FakeElapsed); }
    ~ConnectionMonitor() override { SetElapsedClockHook(nullptr); }
    // The wall clock and the elapsed clock move together, unless a test jumps one of them.
    void At(int h, int m, int s)
    {
        std::int64_t now = CTime(1999, 3, 5, h, m, s).GetTime();
        CScopedClock::Set(now);
        g_elapsedMs = now * 1000 + m_nJumpMs;
    }
    void Report(int h, int m, int s, const std::string& name, bool connected)
    {
        At(h, m, s);
        m_monitor.OnRasPoll(name, connected);
    }
    std::string CheckpointBytes() const { return ReadFile(m_checkpoint.GetPath()); }
    std::string LogText() const { return ReadFile(m_dir.File("Zelmorin.Log")); }

    std::int64_t m_nJumpMs = 0; // how far the wall clock was set off the elapsed clock
    CScopedTimeZone m_zone{"Europe/Rome"};
    CScopedClock m_clock{0};
    CTempDir m_dir;
    CConnectionLog m_log{m_dir.File("Zelmorin.Log")};
    CCheckpoint m_checkpoint{m_dir.Path() + "/"};
    CRecordingView m_view;
    CConnectionMonitor m_monitor{m_log, m_checkpoint, m_view};
};

// Hours are whole, as in the log and the History: a day-long connection does not start again at 0.
TEST_F(ConnectionMonitor, DisplayTextCountsWholeHours)
{
    EXPECT_EQ(CConnectionMonitor::DisplayText("Office", CTimeSpan(75)), "Office 00:01:15");
    EXPECT_EQ(CConnectionMonitor::DisplayText("Office", CTimeSpan(0, 25, 3, 4)), "Office 25:03:04");
    EXPECT_EQ(CConnectionMonitor::DisplayText("Office", CTimeSpan(4, 4, 0, 0)), "Office 100:00:00");
    EXPECT_EQ(CConnectionMonitor::DisplayText("", CTimeSpan(3599)), " 00:59:59");
}

TEST_F(ConnectionMonitor, TipOfALongNameKeepsTheTime)
{
    const std::string name(70, 'n');
    Report(10, 0, 0, name, true);
    Report(10, 0, 7, name, true);
    ASSERT_FALSE(m_view.m_calls.empty());
    EXPECT_EQ(m_view.m_calls.back(), "tip " + std::string(51, 'n') + "... 00:00:07");
    EXPECT_EQ(m_view.m_calls.back().size(), 4u + 63u);
}

TEST_F(ConnectionMonitor, AConnectionFromStartToLog)
{
    Report(10, 0, 0, "Office", false); // idle: nothing happens
    EXPECT_TRUE(m_view.m_calls.empty());

    Report(10, 0, 5, "Office", true);
    EXPECT_TRUE(m_monitor.IsConnected());
    EXPECT_EQ(m_monitor.GetStart(), CTime(1999, 3, 5, 10, 0, 5));
    EXPECT_EQ(m_view.m_calls,
              (std::vector<std::string>{"icon 134", "apply", "status Office 00:00:00", "tip Office 00:00:00"}));
    // The starting report writes the first checkpoint.
    EXPECT_EQ(CheckpointBytes(),
              CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 5), CTime(1999, 3, 5, 10, 0, 5), "Office"));

    m_view.m_calls.clear();
    Report(10, 1, 20, "Office", true);
    EXPECT_EQ(m_view.m_calls, (std::vector<std::string>{"status Office 00:01:15", "tip Office 00:01:15"}));

    Report(10, 1, 35, "Office", true); // elapsed 90: a checkpoint
    EXPECT_EQ(CheckpointBytes(),
              CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 5), CTime(1999, 3, 5, 10, 1, 35), "Office"));
    Report(10, 2, 4, "Office", true); // 119
    Report(10, 2, 6, "Office", true); // 121: 120 fell between two reports and is skipped
    EXPECT_EQ(CheckpointBytes(),
              CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 5), CTime(1999, 3, 5, 10, 1, 35), "Office"));

    m_view.m_calls.clear();
    Report(10, 2, 10, "Office", false);
    EXPECT_FALSE(m_monitor.IsConnected());
    EXPECT_EQ(LogText(), "05/03/1999 10:00:05  05/03/1999 10:02:10  00:02:05  Office\r\n");
    EXPECT_EQ(m_log.GetConnectionCount(), 1); // the totals see it at once
    EXPECT_EQ(m_view.m_calls, (std::vector<std::string>{"title", "icon 133", "apply"}));
    EXPECT_FALSE(FileExists(m_checkpoint.GetPath()));

    Report(10, 2, 11, "Office", false); // already ended: nothing more
    EXPECT_EQ(m_log.GetConnectionCount(), 1);
}

TEST_F(ConnectionMonitor, EndCarriesTheNameOfItsReport)
{
    Report(10, 0, 0, "A", true);
    Report(10, 0, 1, "B", true); // a second connected entry only changes the display
    EXPECT_EQ(m_monitor.GetStart(), CTime(1999, 3, 5, 10, 0, 0));
    Report(10, 0, 2, "B", false);
    EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:00:02  00:00:02  B\r\n");
}

TEST_F(ConnectionMonitor, AConnectionIsKeptWhenTheLogCannotBeWritten)
{
    // A folder where the log should be makes every append fail; the checkpoint still works.
    const std::string logPath = m_dir.File("Zelmorin.Log");
    mkdir(logPath.c_str(), 0755);

    Report(10, 0, 0, "Office", true);
    m_view.m_calls.clear();
    Report(10, 5, 0, "Office", false);
    ASSERT_EQ(m_view.m_calls.size(), 4u);
    EXPECT_EQ(m_view.m_calls[0].rfind("problem Zelmorin could not write to the log file " + logPath, 0), 0u)
        << m_view.m_calls[0];
    EXPECT_EQ(m_monitor.GetPending().size(), 1u);
    // The finished connection, with its real end, is in the pending file before the
    // checkpoint goes.
    EXPECT_EQ(ReadFile(m_checkpoint.GetPendingPath()),
              "05/03/1999 10:00:00  05/03/1999 10:05:00  00:05:00  Office\r\n");
    EXPECT_FALSE(FileExists(m_checkpoint.GetPath()));

    Report(11, 0, 0, "Home", true);
    m_view.m_calls.clear();
    Report(11, 1, 0, "Home", false);
    EXPECT_EQ(m_monitor.GetPending().size(), 2u);
    EXPECT_EQ(std::count_if(m_view.m_calls.begin(), m_view.m_calls.end(),
                            [](const std::string& call) { return call.rfind("problem", 0) == 0; }),
              0); // told once only

    // Were the program to stop now, the next start would recover both, in order.
    {
        CTempDir other;
        CCheckpoint copy(other.Path() + "/");
        WriteFile(copy.GetPath(), CheckpointBytes());
        WriteFile(copy.GetPendingPath(), ReadFile(m_checkpoint.GetPendingPath()));
        CConnectionLog recovered(other.File("Zelmorin.Log"));
        EXPECT_EQ(copy.RecoverCheckpoint(recovered), 2);
        EXPECT_EQ(ReadFile(other.File("Zelmorin.Log")), "05/03/1999 10:00:00  05/03/1999 10:05:00  00:05:00  Office\r\n"
                                                        "05/03/1999 11:00:00  05/03/1999 11:01:00  00:01:00  Home\r\n");
    }

    // Once the log can be written, the next connection's end writes all of them.
    rmdir(logPath.c_str());
    Report(12, 0, 0, "Home", true);
    Report(12, 0, 30, "Home", false);
    EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:05:00  00:05:00  Office\r\n"
                         "05/03/1999 11:00:00  05/03/1999 11:01:00  00:01:00  Home\r\n"
                         "05/03/1999 12:00:00  05/03/1999 12:00:30  00:00:30  Home\r\n");
    EXPECT_TRUE(m_monitor.GetPending().empty());
    EXPECT_FALSE(FileExists(m_checkpoint.GetPath()));
    EXPECT_FALSE(FileExists(m_checkpoint.GetPendingPath()));
}

TEST_F(ConnectionMonitor, StoppingWhileConnectedLeavesTheLastCheckpoint)
{
    Report(10, 0, 0, "Office", true);
    Report(10, 0, 30, "Office", true);
    Report(10, 0, 45, "Office", true);
    // The program stops here: nothing is logged, the checkpoint says 10:00:30.
    EXPECT_FALSE(FileExists(m_dir.File("Zelmorin.Log")));
    CConnectionLog next(m_dir.File("Zelmorin.Log"));
    EXPECT_EQ(m_checkpoint.RecoverCheckpoint(next), 1);
    EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:00:30  00:00:30  Office\r\n");
}

// Anyone who can read the log can lock it: the end of a connection then waits only a moment,
// keeps the connection as for a full disk, and tells the user once.
TEST_F(ConnectionMonitor, ALogLockedByAnotherKeepsTheConnectionPending)
{
    WriteFile(m_dir.File("Zelmorin.Log"), "");
    const int holder = open(m_dir.File("Zelmorin.Log").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    CLogLock::SetWaitLimit(std::chrono::milliseconds(50));
    Report(10, 0, 0, "Office", true);
    Report(10, 5, 0, "Office", false);
    Report(11, 0, 0, "Home", true);
    Report(11, 1, 0, "Home", false);
    CLogLock::SetWaitLimit(CLogLock::kDefaultWaitLimit);
    EXPECT_EQ(m_monitor.GetPending().size(), 2u);
    EXPECT_EQ(ReadFile(m_checkpoint.GetPendingPath()), "05/03/1999 10:00:00  05/03/1999 10:05:00  00:05:00  Office\r\n"
                                                       "05/03/1999 11:00:00  05/03/1999 11:01:00  00:01:00  Home\r\n");
    EXPECT_EQ(std::count_if(m_view.m_calls.begin(), m_view.m_calls.end(),
                            [](const std::string& call) {
                                return call.find("is locked by another program") != std::string::npos;
                            }),
              1);
    EXPECT_EQ(LogText(), "");
    // Let go: the next end writes them all.
    close(holder);
    Report(12, 0, 0, "Home", true);
    Report(12, 0, 30, "Home", false);
    EXPECT_TRUE(m_monitor.GetPending().empty());
    const std::string log = LogText();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);
}

// On a file system without locks every connection is still logged, and the user is told once
// that the log is written without them; with locks nothing is said.
TEST_F(ConnectionMonitor, AFileSystemWithoutLocksIsToldOnce)
{
    for (bool locks : {true, false}) {
        SCOPED_TRACE(locks ? "with locks" : "without locks");
        std::remove(m_dir.File("Zelmorin.Log").c_str());
        m_view.m_calls.clear();
        CLogLock::ResetUnlockedNotice();
        IoFaults::DenyLocks(!locks);
        Report(10, 0, 0, "Office", true);
        Report(10, 5, 0, "Office", false);
        Report(11, 0, 0, "Home", true);
        Report(11, 1, 0, "Home", false);
        IoFaults::DenyLocks(false);
        EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:05:00  00:05:00  Office\r\n"
                             "05/03/1999 11:00:00  05/03/1999 11:01:00  00:01:00  Home\r\n");
        EXPECT_EQ(std::count_if(m_view.m_calls.begin(), m_view.m_calls.end(),
                                [this](const std::string& call) {
                                    return call.find("The file system of " + m_dir.File("Zelmorin.Log") +
                                                     " has no file locks") != std::string::npos;
                                }),
                  locks ? 0 : 1);
    }
}

// A folder in the checkpoint's place: no checkpoint can be written, the log still can.
TEST_F(ConnectionMonitor, StoppingWhileConnectedWithoutACheckpointLogsTheConnection)
{
    ASSERT_EQ(mkdir(m_checkpoint.GetPath().c_str(), 0755), 0);
    Report(10, 0, 0, "Office", true);
    Report(10, 0, 30, "Office", true);
    EXPECT_FALSE(m_view.m_calls.empty());
    At(10, 0, 45);
    m_monitor.OnStop();
    EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:00:45  00:00:45  Office\r\n");
    // A second stop (the session's end, then the exit) logs it once.
    At(10, 0, 50);
    m_monitor.OnStop();
    EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:00:45  00:00:45  Office\r\n");
}

TEST_F(ConnectionMonitor, AWallClockSetBackChangesNeitherTheLengthNorTheEnd)
{
    Report(10, 0, 0, "Office", true);
    Report(10, 0, 5, "Office", true);
    m_nJumpMs = 3600 * 1000; // the wall clock goes back an hour; the running time goes on
    Report(9, 0, 10, "Office", true);
    EXPECT_EQ(m_view.m_calls.back(), "tip Office 00:00:10");
    Report(9, 0, 20, "Office", true); // 20 s on the elapsed clock
    Report(9, 0, 30, "Office", true); // 30 s: a checkpoint, dated by the running time
    EXPECT_EQ(CheckpointBytes(),
              CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 30), "Office"));
    Report(9, 0, 40, "Office", false);
    EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:00:40  00:00:40  Office\r\n");

    // A report stamped before the start (never from the poller) shows and logs zero, not less.
    Report(11, 0, 0, "Home", true);
    m_view.m_calls.clear();
    m_monitor.OnRasPoll("Home", true, g_elapsedMs - 5000);
    EXPECT_EQ(m_view.m_calls.front(), "status Home 00:00:00");
}

TEST_F(ConnectionMonitor, ANextConnectionNeverTakesTheCheckpointOfOneThatIsNowhereElse)
{
    // Neither the log nor the pending file can be written (folders in their place).
    const std::string logPath = m_dir.File("Zelmorin.Log");
    mkdir(logPath.c_str(), 0755);
    mkdir(m_checkpoint.GetPendingPath().c_str(), 0755);

    Report(10, 0, 0, "Office", true);
    Report(10, 5, 0, "Office", false);
    const std::string office = CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 5, 0), "Office");
    EXPECT_EQ(CheckpointBytes(), office);
    // The user hears of the log and of the pending file, once each.
    auto problems = [this] {
        return std::count_if(m_view.m_calls.begin(), m_view.m_calls.end(),
                             [](const std::string& call) { return call.rfind("problem", 0) == 0; });
    };
    EXPECT_EQ(problems(), 2);

    Report(10, 10, 0, "Home", true);
    Report(10, 10, 30, "Home", true);
    EXPECT_EQ(CheckpointBytes(), office) << "the finished connection was overwritten";
    EXPECT_EQ(problems(), 2);
    // Nor by the end of the next one, which stays in memory only.
    Report(10, 10, 40, "Home", false);
    EXPECT_EQ(CheckpointBytes(), office);
    Report(10, 10, 45, "Home", true);

    // Space comes back: at the next checkpoint the finished one is logged and the running
    // one takes the checkpoint.
    rmdir(logPath.c_str());
    Report(10, 11, 15, "Home", true);
    EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:05:00  00:05:00  Office\r\n"
                         "05/03/1999 10:10:00  05/03/1999 10:10:40  00:00:40  Home\r\n");
    EXPECT_EQ(CheckpointBytes(),
              CCheckpoint::Encode(CTime(1999, 3, 5, 10, 10, 45), CTime(1999, 3, 5, 10, 11, 15), "Home"));
}

TEST_F(ConnectionMonitor, PendingConnectionsAreWrittenAtTheStop)
{
    const std::string logPath = m_dir.File("Zelmorin.Log");
    mkdir(logPath.c_str(), 0755);
    Report(10, 0, 0, "Office", true);
    Report(10, 5, 0, "Office", false);
    rmdir(logPath.c_str());
    m_monitor.OnStop();
    EXPECT_EQ(LogText(), "05/03/1999 10:00:00  05/03/1999 10:05:00  00:05:00  Office\r\n");
    EXPECT_FALSE(FileExists(m_checkpoint.GetPendingPath()));
    EXPECT_TRUE(m_monitor.GetPending().empty());
}

} // namespace
