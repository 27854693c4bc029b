#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ConnectionLog.h"
#include "FileException.h"
#include "LogLock.h"
#include "SafeFile.h"
#include "TestSupport.h"

namespace {

const CTime kStart(1999, 3, 5, 10, 0, 0), kEnd(1999, 3, 5, 11, 0, 0);
const std::string kHostile = "Free WiFi x;touch ~/PWNED;#";

class SafeFile : public ::testing::Test
{
protected:
    std::string Log() const { return m_dir.File("Zelmorin.Log"); }
    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
};

// What the log's path holds instead of a plain file of the user's.
TEST_F(SafeFile, TheLogIsNeverWrittenThroughALinkOrIntoAnotherName)
{
    const std::string victim = m_dir.File("bashrc");
    struct
    {
        const char* what;
        void (*plant)(const std::string& log, const std::string& victim);
    } cases[] = {
        {"symbolic link",
         [](const std::string& log, const std::string& to) { ASSERT_EQ(symlink(to.c_str(), log.c_str()), 0); }},
        {"hard link",
         [](const std::string& log, const std::string& to) { ASSERT_EQ(link(to.c_str(), log.c_str()), 0); }},
        {"dangling link", [](const std::string& log,
                             const std::string& to) { ASSERT_EQ(symlink((to + ".new").c_str(), log.c_str()), 0); }},
    };
    for (const auto& c : cases) {
        WriteFile(victim, "export PATH\n");
        unlink(Log().c_str());
        c.plant(Log(), victim);
        CConnectionLog log(Log());
        EXPECT_THROW(log.Append(kStart, kEnd, kHostile), CFileException) << c.what;
        EXPECT_THROW(log.Save(), CFileException) << c.what;
        EXPECT_EQ(ReadFile(victim), "export PATH\n") << c.what;
        EXPECT_FALSE(FileExists(victim + ".new")) << c.what;
    }
    // The same log as a plain file takes the line.
    unlink(Log().c_str());
    CConnectionLog log(Log());
    log.Append(kStart, kEnd, kHostile);
    EXPECT_EQ(log.GetConnectionCount(), 1);
}

TEST_F(SafeFile, ANewLogIsPrivate)
{
    const mode_t old = umask(022);
    CConnectionLog log(Log());
    log.Append(kStart, kEnd, "Office");
    umask(old);
    struct stat st
    {
    };
    ASSERT_EQ(stat(Log().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // An existing file keeps the mode its owner gave it.
    ASSERT_EQ(chmod(Log().c_str(), 0640), 0);
    log.Append(kEnd, kEnd + CTimeSpan(0, 1, 0, 0), "Office");
    ASSERT_TRUE(log.Save());
    ASSERT_EQ(stat(Log().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(SafeFile, TemporaryNamesAreUnpredictableAndRecognised)
{
    std::string first, second;
    const int a = CSafeFile::CreateTemporary(m_dir.File("x.tmp"), first);
    const int b = CSafeFile::CreateTemporary(m_dir.File("x.tmp"), second);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    close(a);
    close(b);
    EXPECT_NE(first, second);
    struct stat st
    {
    };
    ASSERT_EQ(stat(first.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string name = first.substr(first.rfind('/') + 1);
    EXPECT_TRUE(CSafeFile::IsTemporaryName(name, "x.tmp"));
    for (const char* other : {"x.tmp", "x.tmp12345", "x.tmp1234567", "x.tmpab/cde", "y.tmpabcdef"})
        EXPECT_FALSE(CSafeFile::IsTemporaryName(other, "x.tmp")) << other;
}

// A line without an end could take all memory: one longer than the limit is skipped, counted,
// and keeps the file from being rewritten (which would lose it).
TEST_F(SafeFile, ALineTooLongIsSkippedAndTheLogIsNotRewritten)
{
    const std::string record = "05/03/1999 10:00:00  05/03/1999 11:00:00  01:00:00  Office\r\n";
    const std::size_t limit = CConnectionLog::kMaxLineBytes;
    struct
    {
        std::string text;
        int records;
        int unread;
        std::size_t skipped;
    } cases[] = {
        {record + std::string(limit + 1, 'x') + "\r\n" + record, 2, 0, 1},
        {record + std::string(limit - 1, 'x') + "\r\n" + record, 2, 1, 0}, // at the limit, CR included
        {std::string(3 * limit, 'y') + "\n" + record + std::string(limit + 1, 'z'), 1, 0, 2},
        // Longer than the part one reader takes, so both readers of a large file meet it.
        {std::string(CConnectionLog::kTwoReadersBytes + 10, 'w') + "\n" + record, 1, 0, 1},
    };
    for (const auto& c : cases) {
        WriteFile(Log(), c.text);
        CConnectionLog log(Log());
        EXPECT_EQ(log.GetConnectionCount(), c.records);
        EXPECT_EQ(log.GetUnreadLineCount(), c.unread);
        EXPECT_EQ(log.GetSkippedLineCount(), c.skipped);
        if (c.skipped > 0) {
            EXPECT_THROW(log.Save(), CFileException);
            EXPECT_EQ(ReadFile(Log()).size(), c.text.size());
        } else {
            EXPECT_TRUE(log.Save());
        }
    }
}

// A gigabyte without a line end, read with far less memory than that.
TEST_F(SafeFile, AHugeLineIsReadInBoundedMemory)
{
    const int fd = open(Log().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t(1) << 30), 0); // sparse: no disk space needed
    close(fd);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // How far the peak of memory in use rises, not a limit on the address space: sanitizers
        // reserve far more address space than that. The peak starts at what was in use at the fork.
        rusage before{}, after{};
        if (getrusage(RUSAGE_SELF, &before) != 0)
            _exit(3);
        CConnectionLog log(Log(), CConnectionLog::Access::ReadOnly);
        if (getrusage(RUSAGE_SELF, &after) != 0)
            _exit(3);
        if (log.GetLoadError() != 0 || log.GetSkippedLineCount() != 1)
            _exit(1);
        _exit(after.ru_maxrss - before.ru_maxrss < 256 * 1024 ? 0 : 2); // kilobytes
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "1: not read as one skipped line, 2: the memory in use rose by 256 MiB or more";
}

// Another user who can read the log can lock it; the writer gives up in time instead.
class HeldLock : public SafeFile
{
protected:
    void SetUp() override
    {
        WriteFile(Log(), "");
        m_holder = open(Log().c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(m_holder, 0);
        ASSERT_EQ(flock(m_holder, LOCK_EX), 0);
    }
    void TearDown() override
    {
        close(m_holder);
        CLogLock::SetWaitLimit(CLogLock::kDefaultWaitLimit);
        CLogLock::SetCancelFlag(nullptr);
    }
    // Appends in another thread; the lock is let go if the append is still waiting after a
    // generous time, so that a failure never hangs the suite.
    std::string AppendWhileHeld()
    {
        auto append = std::async(std::launch::async, [this]() -> std::string {
            try {
                CConnectionLog log(Log());
                log.Append(kStart, kEnd, "Office");
                return "appended";
            } catch (const CFileException& error) {
                return error.GetErrno() == EWOULDBLOCK ? "refused" : error.GetCause();
            }
        });
        if (append.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            flock(m_holder, LOCK_UN);
            append.wait();
            return "waited until the lock was let go";
        }
        return append.get();
    }
    int m_holder = -1;
};

TEST_F(HeldLock, AWriterGivesUpAtTheLimit)
{
    CLogLock::SetWaitLimit(std::chrono::milliseconds(100));
    EXPECT_EQ(AppendWhileHeld(), "refused");
    EXPECT_EQ(ReadFile(Log()), "");
    // Once the lock is free the same append goes through.
    ASSERT_EQ(flock(m_holder, LOCK_UN), 0);
    EXPECT_EQ(AppendWhileHeld(), "appended");
    EXPECT_NE(ReadFile(Log()), "");
}

TEST_F(HeldLock, ATerminationEndsTheWaitAtOnce)
{
    CLogLock::SetWaitLimit(std::chrono::hours(1));
    std::atomic<bool> terminated{true};
    CLogLock::SetCancelFlag(&terminated);
    EXPECT_EQ(AppendWhileHeld(), "refused");
    EXPECT_EQ(ReadFile(Log()), "");
}

// Two real users share a sticky, world-writable data folder, as an App Paths folder for
// everyone is; the other user plants links there to a file of the victim's (kOtherUser).
class SharedFolder : public SafeFile
{
protected:
    void SetUp() override
    {
        if (!CanActAsOtherUser())
            GTEST_SKIP() << "needs root to run part of the test as a second user";
        ASSERT_EQ(chmod(m_dir.Path().c_str(), 0755), 0);
        ASSERT_EQ(mkdir(Shared().c_str(), 0777), 0);
        ASSERT_EQ(chmod(Shared().c_str(), 01777), 0);
        ASSERT_EQ(mkdir(Home().c_str(), 0700), 0);
        WriteFile(Victim(), "export PATH\n");
        ASSERT_EQ(chown(Home().c_str(), kOtherUser, kOtherUser), 0);
        ASSERT_EQ(chown(Victim().c_str(), kOtherUser, kOtherUser), 0);
    }
    std::string Shared() const { return m_dir.File("shared"); }
    std::string Home() const { return m_dir.File("home"); }
    std::string Victim() const { return Home() + "/.bashrc"; }
};

TEST_F(SharedFolder, TheVictimsMonitorNeverAppendsToTheLinkedFile)
{
    const std::string log = Shared() + "/Zelmorin.Log";
    ASSERT_EQ(symlink(Victim().c_str(), log.c_str()), 0);
    const int status = RunAsOtherUser([&] {
        try {
            CConnectionLog victimsLog(log);
            victimsLog.Append(kStart, kEnd, kHostile);
            return 0;
        } catch (const CFileException&) {
            return 1;
        }
    });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadFile(Victim()), "export PATH\n");
}

TEST_F(SharedFolder, TheVictimsLogIsNotWrittenByAnother)
{
    // The victim's own log in the shared folder, made writable for all by mistake: another
    // user's monitor does not append to it (the lock and the owner are the victim's).
    const std::string log = Shared() + "/Zelmorin.Log";
    ASSERT_EQ(RunAsOtherUser([&] {
                  CConnectionLog own(log);
                  own.Append(kStart, kEnd, "Victim");
                  return chmod(log.c_str(), 0666) == 0 ? 0 : 1;
              }),
              0);
    const std::string before = ReadFile(log);
    ASSERT_NE(before, "");
    CConnectionLog other(log);
    EXPECT_THROW(other.Append(kEnd, kEnd + CTimeSpan(0, 1, 0, 0), kHostile), CFileException);
    EXPECT_EQ(ReadFile(log), before);
}

} // namespace
