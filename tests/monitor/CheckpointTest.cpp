#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
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
    const std::vector<std::string> gone = {"~$ZMCUR.$$$.tmp" + dead, "~$ZMPEND.$$$.tmp" + dead};
    const std::vector<std::string> kept = {"~$ZMCUR.$$$.tmp" + alive, "~$ZMCUR.$$$.tmp", "~$ZMCUR.$$$.tmp12x",
                                           "Zelmorin.Log.tmp" + dead};
    for (const auto& names : {gone, kept})
        for (const std::string& name : names)
            WriteFile(Prefix() + name, "left");
    ASSERT_TRUE(CCheckpoint(Prefix()).WriteCheckpoint(CTime(1999, 3, 5, 10, 0, 0), CTime(1999, 3, 5, 10, 1, 0), "A"));

    CCheckpoint checkpoint(Prefix());
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 1);
    for (const std::string& name : gone)
        EXPECT_FALSE(FileExists(Prefix() + name)) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(FileExists(Prefix() + name)) << name;
    EXPECT_TRUE(checkpoint.GetProblems().empty());
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

TEST_F(Checkpoint, OddFilesAreLeftInPlaceAndReportedWithoutStoppingTheStart)
{
    CCheckpoint checkpoint(Prefix());
    CConnectionLog log(Prefix() + "Zelmorin.Log");
    auto recoverQuickly = [&] {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(checkpoint.RecoverCheckpoint(log), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
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
    // Left from before, and writable by everyone, as the log is.
    ASSERT_TRUE(checkpoint.WriteCheckpoint(CTime(1999, 3, 5, 9, 0, 0), CTime(1999, 3, 5, 9, 30, 0), "Old"));
    WriteFile(logPath, "");
    WriteFile(checkpoint.GetPendingPath(), "");
    for (const std::string& path : {checkpoint.GetPath(), logPath, checkpoint.GetPendingPath()})
        chmod(path.c_str(), 0666);

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
