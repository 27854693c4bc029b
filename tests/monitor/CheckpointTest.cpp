#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Checkpoint.h"
#include "ConnectionLog.h"
#include "TestSupport.h"

namespace {

std::string DirectoryOfTemp(const std::string& folder)
{
    return folder.substr(0, folder.rfind('/'));
}

class Checkpoint : public ::testing::Test
{
protected:
    std::string Prefix() const { return m_dir.Path() + "/"; }
    CScopedTimeZone m_zone{"Europe/Rome"};
    CTempDir m_dir;
};

TEST_F(Checkpoint, LengthTakesOneThreeOrSevenBytes)
{
    CTime start(1999, 3, 5, 10, 0, 0), at(1999, 3, 5, 10, 41, 30);
    std::string office = CCheckpoint::Encode(start, at, "Office");
    ASSERT_EQ(office.size(), 15u);
    EXPECT_EQ(static_cast<unsigned char>(office[8]), 6);
    EXPECT_EQ(office.substr(9), "Office");
    // Little-endian 32-bit seconds.
    std::int64_t t = start.GetTime();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(static_cast<unsigned char>(office[std::size_t(i)]), (t >> (8 * i)) & 0xFF);

    struct
    {
        std::size_t length;
        std::string head;
    } cases[] = {{254, std::string("\xFE", 1)},
                 {255, std::string("\xFF\xFF\x00", 3)},
                 {256, std::string("\xFF\x00\x01", 3)},
                 {0xFFFD, std::string("\xFF\xFD\xFF", 3)},
                 {0xFFFE, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)}};
    for (const auto& c : cases) {
        std::string name(c.length, 'n');
        std::string bytes = CCheckpoint::Encode(start, at, name);
        EXPECT_EQ(bytes.size(), 8 + c.head.size() + c.length) << c.length;
        EXPECT_EQ(bytes.substr(8, c.head.size()), c.head) << c.length;
        CTime s, a;
        std::string back;
        ASSERT_TRUE(CCheckpoint::Decode(bytes, s, a, back)) << c.length;
        EXPECT_EQ(back, name);
        EXPECT_EQ(s, start);
        EXPECT_EQ(a, at);
        // Any byte less is a torn file.
        EXPECT_FALSE(CCheckpoint::Decode(bytes.substr(0, bytes.size() - 1), s, a, back)) << c.length;
    }
}

TEST_F(Checkpoint, NameIsStoredAsOneLogLineHoldsIt)
{
    CTime start(1999, 3, 5, 10, 0, 0), at(1999, 3, 5, 10, 41, 30);
    CTime s, a;
    std::string back;
    ASSERT_TRUE(CCheckpoint::Decode(CCheckpoint::Encode(start, at, "Office\nwifi\r"), s, a, back));
    EXPECT_EQ(back, "Office wifi ");
    ASSERT_TRUE(CCheckpoint::Decode(CCheckpoint::Encode(start, at, "a\rb"), s, a, back));
    EXPECT_EQ(back, "a\rb"); // a carriage return inside a name splits nothing
}

TEST_F(Checkpoint, FourByteTimesReadUnsigned)
{
    CScopedTimeZone utc("UTC");
    const struct
    {
        std::uint32_t nStart, nAt;
        bool bRead;
    } cases[] = {
        {920624400, 920626890, true},    // 1999, as every checkpoint so far
        {0x7FFFFFFF, 0x80000000, true},  // across 19 January 2038 03:14:07
        {0xFFFFFF00, 0xFFFFFFFF, true},  // the last second of 7 February 2106 06:28:15
        {0x80000010, 0x80000000, false}, // a checkpoint before its start
    };
    for (const auto& c : cases) {
        std::string bytes;
        for (std::uint32_t value : {c.nStart, c.nAt})
            for (int i = 0; i < 4; ++i)
                bytes += char((value >> (8 * i)) & 0xFF);
        bytes += "\x06Office";
        CTime s, a;
        std::string name;
        ASSERT_EQ(CCheckpoint::Decode(bytes, s, a, name), c.bRead) << c.nStart;
        if (!c.bRead)
            continue;
        EXPECT_EQ(s.GetTime(), std::int64_t(c.nStart));
        EXPECT_EQ(a.GetTime(), std::int64_t(c.nAt));
        EXPECT_EQ(CCheckpoint::Encode(s, a, name), bytes);
    }
}

TEST_F(Checkpoint, RecoveryAppendsTheLastCheckpointAndRemovesTheFile)
{
    CCheckpoint checkpoint(Prefix());
    ASSERT_TRUE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 41, 30), "Office"));
    EXPECT_EQ(checkpoint.GetPath(), Prefix() + "~$ZMCUR.$$$");
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 1);
    EXPECT_EQ(ReadFile(Prefix() + "Zelmorin.Log"), "05/03/1999 10:00:00  05/03/1999 10:41:30  00:41:30  Office\r\n");
    EXPECT_FALSE(FileExists(checkpoint.GetPath()));

    // Nothing left: nothing appended, nothing removed.
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
    EXPECT_EQ(log.GetConnectionCount(), 1);
}

TEST_F(Checkpoint, RecoveryRemovesTheTemporaryFilesOfWritersThatDied)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::string dead = std::to_string(child), alive = std::to_string(getppid());
    const std::vector<std::string> gone = {"~$ZMCUR.$$$.tmp" + dead, "~$ZMPEND.$$$.tmp" + dead,
                                           "~$ZMCUR.$$$.tmpAb3xYz"};
    const std::vector<std::string> kept = {"~$ZMCUR.$$$.tmp" + alive, "~$ZMCUR.$$$.tmp", "~$ZMCUR.$$$.tmp12x",
                                           "Zelmorin.Log.tmp" + dead, "~$ZMPEND.$$$.tmpInUse1"};
    for (const auto& names : {gone, kept})
        for (const std::string& name : names)
            WriteFile(Prefix() + name, "left");
    // A writer that lives holds the lock on its file.
    const int writer = open((Prefix() + "~$ZMPEND.$$$.tmpInUse1").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(flock(writer, LOCK_EX), 0);
    ASSERT_TRUE(CCheckpoint(Prefix()).WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 1, 0), "A"));

    CCheckpoint checkpoint(Prefix());
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 1);
    for (const std::string& name : gone)
        EXPECT_FALSE(FileExists(Prefix() + name)) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(FileExists(Prefix() + name)) << name;
    EXPECT_TRUE(checkpoint.GetProblems().empty());
    close(writer);
}

// The victim (kOtherUser) may not create files in the data folder, so the checkpoint is
// rewritten in place; another user planted a link to a file of the victim's there.
class CheckpointSharedFolder : public Checkpoint
{
protected:
    void SetUp() override
    {
        if (!CanActAsOtherUser())
            GTEST_SKIP() << "needs root to run part of the test as a second user";
        ASSERT_EQ(chmod(m_dir.Path().c_str(), 0755), 0);
        ASSERT_EQ(mkdir(Home().c_str(), 0700), 0);
        WriteFile(Keys(), "ssh-ed25519 AAAA victim\n");
        ASSERT_EQ(chown(Home().c_str(), kOtherUser, kOtherUser), 0);
        ASSERT_EQ(chown(Keys().c_str(), kOtherUser, kOtherUser), 0);
    }
    std::string Home() const { return m_dir.File("home"); }
    std::string Keys() const { return Home() + "/authorized_keys"; }
};

TEST_F(CheckpointSharedFolder, InPlaceWritesAndRemovalsNeverGoThroughALink)
{
    CCheckpoint checkpoint(Prefix());
    ASSERT_EQ(symlink(Keys().c_str(), checkpoint.GetPath().c_str()), 0);
    ASSERT_EQ(symlink(Keys().c_str(), checkpoint.GetPendingPath().c_str()), 0);
    const int status = RunAsOtherUser([&] {
        CCheckpoint victims(Prefix());
        int wrote = 0;
        wrote += victims.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 1, 0), "x") ? 1 : 0;
        wrote += victims.WritePending({{CTime(1999, 3, 5, 9, 0, 0), CTime(1999, 3, 5, 9, 1, 0), "x"}}) ? 2 : 0;
        wrote += victims.RemoveCheckpoint() ? 4 : 0;
        return wrote;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(Keys()), "ssh-ed25519 AAAA victim\n");
}

TEST_F(CheckpointSharedFolder, AnotherUsersCheckpointIsNotRecovered)
{
    ASSERT_EQ(chmod(m_dir.Path().c_str(), 01777), 0);
    ASSERT_TRUE(CCheckpoint(Prefix()).WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 1, 0),
                                                      "Free WiFi x;touch ~/PWNED;#"));
    ASSERT_EQ(chmod(CCheckpoint(Prefix()).GetPath().c_str(), 0644), 0); // readable: only the owner differs
    const std::string log = Home() + "/Zelmorin.Log";
    const int status = RunAsOtherUser([&] {
        CCheckpoint victims(Prefix());
        CConnectionLog victimsLog(log);
        const int appended = victims.RecoverCheckpoint(victimsLog);
        return appended == 0 && victims.GetProblems().size() == 1 ? 0 : 1 + appended;
    });
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(FileExists(log));
    EXPECT_TRUE(FileExists(CCheckpoint(Prefix()).GetPath())); // left in place for its owner
}

TEST_F(Checkpoint, TornOrInvalidFileIsSetAsideNotInvented)
{
    CCheckpoint checkpoint(Prefix());
    std::string whole = CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 41, 30), "Office");
    std::string backwards = CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 9, 0, 0), "Office");
    for (const std::string& bad : {whole.substr(0, 5), whole.substr(0, 12), backwards, whole + "x"}) {
        WriteFile(checkpoint.GetPath(), bad);
        CConnectionLog log(Prefix() + "Zelmorin.Log");
        EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
        EXPECT_EQ(log.GetConnectionCount(), 0);
        EXPECT_FALSE(FileExists(checkpoint.GetPath()));
    }
    EXPECT_EQ(ReadFile(checkpoint.GetPath() + ".damaged"), whole.substr(0, 5));
    EXPECT_EQ(ReadFile(checkpoint.GetPath() + ".damaged-4"), whole + "x");
    EXPECT_FALSE(FileExists(Prefix() + "Zelmorin.Log"));
}

TEST_F(Checkpoint, StaysUntilItsRecordIsInTheLog)
{
    CCheckpoint checkpoint(Prefix());
    checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 41, 30), "Office");
    // A folder where the log should be: every append fails.
    mkdir((Prefix() + "Zelmorin.Log").c_str(), 0755);
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
    EXPECT_TRUE(FileExists(checkpoint.GetPath()));
    rmdir((Prefix() + "Zelmorin.Log").c_str());
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 1);
    EXPECT_FALSE(FileExists(checkpoint.GetPath()));
}

TEST_F(Checkpoint, PendingConnectionsComeFirst)
{
    CCheckpoint checkpoint(Prefix());
    ASSERT_TRUE(checkpoint.WritePending({{CTime(1999, 3, 1, 8, 0, 0), CTime(1999, 3, 1, 9, 0, 0), "A"},
                                         {CTime(1999, 3, 2, 8, 0, 0), CTime(1999, 3, 2, 9, 0, 0), "B"}}));
    checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 30), "C");
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 3);
    EXPECT_EQ(ReadFile(Prefix() + "Zelmorin.Log"), "01/03/1999 08:00:00  01/03/1999 09:00:00  01:00:00  A\r\n"
                                                   "02/03/1999 08:00:00  02/03/1999 09:00:00  01:00:00  B\r\n"
                                                   "05/03/1999 10:00:00  05/03/1999 10:00:30  00:00:30  C\r\n");
    EXPECT_FALSE(FileExists(checkpoint.GetPendingPath()));
    EXPECT_TRUE(checkpoint.WritePending({}));
}

TEST_F(Checkpoint, WriteFailureIsQuiet)
{
    CCheckpoint checkpoint(m_dir.File("missing/"));
    EXPECT_FALSE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 30), "x"));
    checkpoint.RemoveCheckpoint();
    CConnectionLog log(m_dir.File("missing/Zelmorin.Log"));
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
}

TEST_F(Checkpoint, RecoveryNeverDoublesWhatTheLogAlreadyHolds)
{
    // A stop after the log got the record and before the files were removed or rewritten.
    CCheckpoint checkpoint(Prefix());
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    log.Append(CTime(1999, 3, 1, 8, 0, 0), CTime(1999, 3, 1, 9, 0, 0), "A");
    log.Append(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 42), "C");
    ASSERT_TRUE(checkpoint.WritePending({{CTime(1999, 3, 1, 8, 0, 0), CTime(1999, 3, 1, 9, 0, 0), "A"},
                                         {CTime(1999, 3, 2, 8, 0, 0), CTime(1999, 3, 2, 9, 0, 0), "B"}}));
    ASSERT_TRUE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 30), "C"));
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 1);
    EXPECT_EQ(log.GetConnectionCount(), 3);
    EXPECT_FALSE(FileExists(checkpoint.GetPath()));
    EXPECT_FALSE(FileExists(checkpoint.GetPendingPath()));
    EXPECT_TRUE(checkpoint.GetProblems().empty());
}

// Logged in one time zone just before a kill that kept the checkpoint, recovered in another:
// the line reads back as another start, yet is the same connection; a record that differs in
// the seconds or in length, or is another entry's, is another connection.
TEST(CheckpointZone, ALineWrittenInTheZoneBeforeARestartIsNotLoggedAgain)
{
    struct
    {
        const char* before;
        const char* after;
        const char* name;
        int startSeconds; // of the logged line; the checkpoint's start is at 0
        int loggedLength; // the checkpoint's length is 30 minutes
        int lines;        // in the log after the recovery
    } cases[] = {
        {"Europe/Rome", "America/New_York", "Office", 0, 30 * 60 + 42, 1},
        {"America/New_York", "Europe/Rome", "Office", 0, 30 * 60, 1},
        {"Europe/Rome", "Asia/Kolkata", "Office", 0, 30 * 60 + 12, 1},        // half hours
        {"Europe/Rome", "Asia/Kathmandu", "Office", 0, 30 * 60 + 12, 1},      // quarter hours
        {"Pacific/Pago_Pago", "Pacific/Kiritimati", "Office", 0, 30 * 60, 1}, // 25 hours apart
        {"Europe/Rome", "Europe/Rome", "Office", 0, 30 * 60 + 42, 1},
        {"Europe/Rome", "America/New_York", "Home", 0, 30 * 60 + 42, 2},
        {"Europe/Rome", "America/New_York", "Office", 1, 30 * 60 + 42, 2},
        {"Europe/Rome", "America/New_York", "Office", 0, 30 * 60 - 1, 2},
        {"Europe/Rome", "America/New_York", "Office", 0, 30 * 60 + 120, 2},
    };
    for (const auto& c : cases) {
        CTempDir dir;
        const std::string prefix = dir.Path() + "/";
        std::int64_t start = 0;
        {
            CScopedTimeZone zone(c.before);
            const CTime at(2021, 6, 10, 20, 15, 0);
            start = at.GetTime();
            CConnectionLog log(prefix + "Zelmorin.Log");
            const CTime logged = at + CTimeSpan(c.startSeconds);
            log.Append(logged, logged + CTimeSpan(c.loggedLength), "Office");
            ASSERT_TRUE(CCheckpoint(prefix).WriteCheckpoint(at, at + CTimeSpan(0, 0, 30, 0), c.name));
        }
        CScopedTimeZone zone(c.after);
        CConnectionLog log(prefix + "Zelmorin.Log");
        CCheckpoint(prefix).RecoverCheckpoint(log);
        EXPECT_EQ(log.GetConnectionCount(), c.lines) << c.before << " -> " << c.after << " " << c.name << " +"
                                                     << c.startSeconds << "s, " << c.loggedLength << "s";
        bool recovered = false; // the checkpoint's own instant, when it was logged
        for (int i = 0; i < log.GetConnectionCount(); ++i)
            recovered = recovered || (log.GetConnection(i)->GetStart().GetTime() == start &&
                                      log.GetConnection(i)->m_strName == c.name);
        EXPECT_EQ(recovered, c.lines == 2 || std::string(c.before) == c.after);
    }
}

TEST_F(Checkpoint, OddFilesAreLeftInPlaceAndReportedWithoutStoppingTheStart)
{
    CCheckpoint checkpoint(Prefix());
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    // Recovery must finish on its own: a read that waits for a pipe's writer never would. Should
    // it hang, a writer comes so that the test can end and say so.
    auto recoverQuickly = [&] {
        auto recovered = std::async(std::launch::async, [&] { return checkpoint.RecoverCheckpoint(log); });
        if (recovered.wait_for(kPatience) != std::future_status::ready) {
            ADD_FAILURE() << "recovery waits on " << checkpoint.GetPath();
            int writer = open(checkpoint.GetPath().c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                close(writer);
        }
        EXPECT_EQ(recovered.get(), 0);
        EXPECT_EQ(log.GetConnectionCount(), 0);
    };

    // Folders in both places.
    ASSERT_EQ(mkdir(checkpoint.GetPath().c_str(), 0755), 0);
    ASSERT_EQ(mkdir(checkpoint.GetPendingPath().c_str(), 0755), 0);
    recoverQuickly();
    EXPECT_EQ(checkpoint.GetProblems().size(), 2u);
    struct stat st
    {
    };
    EXPECT_TRUE(stat(checkpoint.GetPath().c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    // Nor can it be written over: the caller hears why.
    EXPECT_FALSE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 0), "x"));
    EXPECT_NE(checkpoint.GetLastError().find(checkpoint.GetPath()), std::string::npos);
    EXPECT_FALSE(checkpoint.WritePending({{CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 11, 0, 0), "x"}}));
    rmdir(checkpoint.GetPath().c_str());
    rmdir(checkpoint.GetPendingPath().c_str());

    // A pipe with no writer: opening it must not wait for one.
    ASSERT_EQ(mkfifo(checkpoint.GetPath().c_str(), 0600), 0);
    recoverQuickly();
    ASSERT_EQ(checkpoint.GetProblems().size(), 1u);
    EXPECT_NE(checkpoint.GetProblems()[0].Text().find("not a regular file"), std::string::npos);
    unlink(checkpoint.GetPath().c_str());

    // A 2 GiB sparse file is not read.
    {
        int fd = open(checkpoint.GetPath().c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, 2LL << 30), 0);
        close(fd);
    }
    recoverQuickly();
    ASSERT_EQ(checkpoint.GetProblems().size(), 1u);
    EXPECT_NE(checkpoint.GetProblems()[0].Text().find("too big"), std::string::npos);
    EXPECT_TRUE(FileExists(checkpoint.GetPath()));
    EXPECT_FALSE(FileExists(checkpoint.GetPath() + ".damaged"));
}

// Runs `body` where this user may write files but not create or remove them in the folder:
// as root, in a child process that has dropped to nobody.
template <typename F> void InFolderNotWritable(const std::string& folder, F body)
{
    if (geteuid() != 0) {
        chmod(folder.c_str(), 0555);
        body();
        chmod(folder.c_str(), 0755);
        return;
    }
    chmod(folder.c_str(), 0755);
    chmod(DirectoryOfTemp(folder).c_str(), 0755);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        body();
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(Checkpoint, AFolderThatCannotBeWrittenGetsTheFilesRewrittenInPlace)
{
    CCheckpoint checkpoint(Prefix());
    const std::string logPath = Prefix() + "Zelmorin.Log";
    // Left from before, the user's own (the child below is the user when this runs as root).
    ASSERT_TRUE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 9, 0, 0), CTime(1999, 3, 5, 9, 30, 0), "Old"));
    WriteFile(logPath, "");
    WriteFile(checkpoint.GetPendingPath(), "");
    for (const std::string& path : {checkpoint.GetPath(), logPath, checkpoint.GetPendingPath()}) {
        chmod(path.c_str(), 0666);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
        }
    }

    InFolderNotWritable(m_dir.Path(), [&] {
        CConnectionLog log(logPath);
        // Recovered once, emptied since it cannot be removed, and not recovered again.
        EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 1);
        EXPECT_TRUE(checkpoint.GetProblems().empty()) << checkpoint.GetProblems().front().Text();
        EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
        EXPECT_EQ(log.GetConnectionCount(), 1);

        const std::string running =
            CCheckpoint::Encode(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 30), "Office");
        EXPECT_TRUE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 0, 30), "Office"))
            << checkpoint.GetLastError();
        EXPECT_EQ(ReadFile(checkpoint.GetPath()), running);
        EXPECT_TRUE(checkpoint.WritePending({{CTime(1999, 3, 4, 8, 0, 0), CTime(1999, 3, 4, 9, 0, 0), "P"}}));
        EXPECT_EQ(ReadFile(checkpoint.GetPendingPath()), "04/03/1999 08:00:00  04/03/1999 09:00:00  01:00:00  P\r\n");
        EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 2);
        EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
        EXPECT_EQ(log.GetConnectionCount(), 3);
    });
}

} // namespace
