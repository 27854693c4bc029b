// Two processes on one log: one appends connections while the other saves its own copy over
// and over, as the monitor and the History window of two sessions sharing a data folder do.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ConnectionLog.h"
#include "FileException.h"
#include "LogLock.h"
#include "TestSupport.h"

namespace {

int Rounds()
{
    const char* env = std::getenv("ZELMORIN_TWO_PROCESS_ROUNDS");
    return env ? std::atoi(env) : 2000;
}

std::string Name(int i)
{
    return "Entry " + std::to_string(i);
}

TEST(LogConcurrency, SavesInOneProcessLoseNoAppendOfAnother)
{
    CScopedTimeZone zone("UTC");
    CTempDir dir;
    const std::string path = dir.File("Zelmorin.Log");
    WriteFile(path, "01/03/1999 08:00:00  01/03/1999 09:00:00  01:00:00  Seed\r\n");
    const int rounds = Rounds();

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int failures = 0;
        {
            CConnectionLog monitor(path);
            for (int i = 0; i < rounds; ++i) {
                try {
                    CTime start(std::int64_t(936000000) + i * 3600);
                    monitor.Append(start, start + CTimeSpan(600), Name(i));
                } catch (const CFileException&) {
                    ++failures;
                }
            }
        }
        _exit(failures == 0 ? 0 : 1);
    }

    // The History side: saves its copy, marking and unmarking the seed as deleted, until the
    // appender is done.
    int saves = 0, saveErrors = 0, status = 0;
    CConnectionLog history(path);
    while (waitpid(child, &status, WNOHANG) == 0) {
        try {
            history.GetConnection(0)->m_bDeleted ^= 1;
            history.Save();
            ++saves;
            usleep(2000); // a save per few appends, not a save-only race that starves the appender
        } catch (const CFileException& error) {
            ++saveErrors;
            ADD_FAILURE() << error.what();
            break;
        }
    }
    if (saveErrors)
        waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "an append failed";

    std::map<std::string, int> seen;
    std::istringstream lines(ReadFile(path));
    std::string line;
    int total = 0;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << line;
        line.pop_back();
        ++seen[line.substr(line.rfind("  ") + 2)];
        ++total;
    }
    int lost = 0, doubled = 0;
    for (int i = 0; i < rounds; ++i) {
        int n = seen.count(Name(i)) ? seen[Name(i)] : 0;
        lost += n == 0;
        doubled += n > 1 ? n - 1 : 0;
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(doubled, 0);
    EXPECT_EQ(seen["Seed"], 1);
    EXPECT_EQ(total, rounds + 1);
    EXPECT_GT(saves, 0);
    std::printf("%d appends, %d saves, %d lost, %d doubled\n", rounds, saves, lost, doubled);
}

TEST(LogConcurrency, ALockWaitsForTheOtherHolderAndFollowsAReplacedFile)
{
    CTempDir dir;
    const std::string path = dir.File("Zelmorin.Log");
    WriteFile(path, "old\n");
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Holds the lock, replaces the file by a rename, then lets go.
        CLogLock lock(path);
        char c = 1;
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
        WriteFile(path + ".new", "new\n");
        rename((path + ".new").c_str(), path.c_str());
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    (void)!write(release[1], &c, 1);
    {
        CLogLock lock(path); // waits for the child, then must lock the renamed file
        char text[8] = {};
        ASSERT_EQ(pread(lock.GetFd(), text, sizeof text - 1, 0), 4);
        EXPECT_STREQ(text, "new\n");
        // A nested lock of the same thread must not wait for itself.
        CLogLock nested(path);
        EXPECT_GE(nested.GetFd(), 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
}

TEST(LogConcurrency, AnExclusiveLockRefusesWhatCannotBeWritten)
{
    CTempDir dir;
    const std::string path = dir.File("Zelmorin.Log");
    WriteFile(path, "x\n");
    chmod(path.c_str(), 0444);
    try {
        CLogLock lock(path);
        FAIL() << "a read-only log was locked for writing";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.GetErrno(), EACCES);
    }
    EXPECT_NO_THROW(CLogLock(path, CLogLock::Kind::Shared));
    mkfifo(dir.File("fifo").c_str(), 0666);
    EXPECT_THROW(CLogLock(dir.File("fifo")), CFileException); // and does not hang
    EXPECT_THROW(CLogLock(dir.File("missing"), CLogLock::Kind::Exclusive, false), CFileException);
}

} // namespace
