#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "FileException.h"
#include "OutputFile.h"
#include "TestSupport.h"

namespace {

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    COutputFile file(path);
    file.Write(bytes);
    file.Commit();
}

TEST(OutputFile, APipeIsWrittenInPlaceNotReplaced)
{
    CTempDir dir;
    const std::string fifo = dir.File("export.csv");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    WriteAll(fifo, "a,b\r\n");
    char received[16] = {};
    EXPECT_EQ(read(reader, received, sizeof received), 5);
    EXPECT_EQ(std::string(received), "a,b\r\n");
    close(reader);
    struct stat st
    {
    };
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced by a file";
}

TEST(OutputFile, APipeThatNothingReadsIsRefusedNotWaitedFor)
{
    CTempDir dir;
    const std::string fifo = dir.File("chart.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    auto write = std::async(std::launch::async, [&]() -> std::string {
        try {
            WriteAll(fifo, "png");
            return "written";
        } catch (const CFileException& error) {
            return error.GetCause();
        }
    });
    if (write.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); // lets the writer go
        write.wait();
        close(reader);
        FAIL() << "the write waited for a reader";
    }
    EXPECT_NE(write.get().find("nothing reads"), std::string::npos);
}

// Device nodes of the test's own, so that a fault could only ever replace those, never the
// system's /dev/null.
class CDeviceNodes
{
public:
    explicit CDeviceNodes(const CTempDir& dir) : m_dir(dir) {}
    // False when this user may not make device nodes.
    bool Make(const std::string& name, mode_t type, unsigned major, unsigned minor)
    {
        return mknod(m_dir.File(name).c_str(), type | 0666, makedev(major, minor)) == 0;
    }

private:
    const CTempDir& m_dir;
};

TEST(OutputFile, DevicesAreWrittenInPlaceAndTheirErrorsReported)
{
    CTempDir dir;
    CDeviceNodes nodes(dir);
    if (!nodes.Make("null", S_IFCHR, 1, 3) || !nodes.Make("full", S_IFCHR, 1, 7))
        GTEST_SKIP() << "no permission to make device nodes";
    WriteAll(dir.File("null"), "x");
    struct stat st
    {
    };
    ASSERT_EQ(lstat(dir.File("null").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device was replaced by a file";
    try {
        WriteAll(dir.File("full"), "x");
        FAIL() << "a write to a full device was reported as done";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.GetErrno(), ENOSPC);
    }
    ASSERT_EQ(lstat(dir.File("full").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(OutputFile, StandardOutputIsTheProcesssOwnDescriptor)
{
    // A child whose standard output is redirected to a file that already holds a line: the
    // export lands at its place in that file, and the file is not replaced.
    CTempDir dir;
    const std::string out = dir.File("out.txt");
    WriteFile(out, "first\n");
    struct stat before
    {
    };
    ASSERT_EQ(stat(out.c_str(), &before), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int fd = open(out.c_str(), O_WRONLY | O_APPEND);
        dup2(fd, 1);
        try {
            WriteAll("/dev/stdout", "second\n");
            WriteAll("/proc/self/fd/1", "third\n");
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(out), "first\nsecond\nthird\n");
    struct stat after
    {
    };
    ASSERT_EQ(stat(out.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(OutputFile, FoldersAndBlockDevicesAreRefused)
{
    CTempDir dir;
    EXPECT_THROW(WriteAll(dir.Path(), "x"), CFileException);
    // A device number that no driver has: nothing real behind it, whatever happens.
    CDeviceNodes nodes(dir);
    if (!nodes.Make("disk", S_IFBLK, 4000, 4000))
        GTEST_SKIP() << "no permission to make device nodes";
    try {
        COutputFile file(dir.File("disk"));
        FAIL() << "a block device was accepted";
    } catch (const CFileException& error) {
        EXPECT_NE(error.GetCause().find("block device"), std::string::npos) << error.GetCause();
    }
}

TEST(OutputFile, ATargetNameAtTheLengthLimitCanBeReplaced)
{
    CTempDir dir;
    const std::string longest = dir.File(std::string(255, 'n'));
    WriteFile(longest, "old");
    WriteAll(longest, "new");
    EXPECT_EQ(ReadFile(longest), "new");
    EXPECT_EQ(Names(dir.Path()).size(), 1u);
}

TEST(OutputFile, TemporaryFilesLeftByACrashAreRemovedNextTime)
{
    CTempDir dir;
    const std::string target = dir.File("Zelmorin.Log");
    // A rewrite that crashed: its temporary file stays, with nobody holding it.
    const std::string stale = dir.File(std::string(COutputFile::kTemporaryPrefix) + "abcd1234");
    WriteFile(stale, "half a log");
    // Names of earlier versions' temporary files stay: an editor's backup may look the same.
    const std::string earlier = dir.File("Zelmorin.Log.tmp-4242-123456789-0");
    const std::string recent = dir.File("Zelmorin.Log.tmp-4243-123456789-0");
    WriteFile(earlier, "half a log");
    WriteFile(recent, "being written");
    struct timespec old[2] = {{time(nullptr) - 2 * 86400, 0}, {time(nullptr) - 2 * 86400, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, earlier.c_str(), old, 0), 0);
    // So does another user's file with our exact name, in a folder they share.
    const std::string theirs = dir.File(std::string(COutputFile::kTemporaryPrefix) + "theirs12");
    WriteFile(theirs, "theirs");
    const bool otherUser = geteuid() == 0 && chown(theirs.c_str(), 65534, 65534) == 0;
    // Files that are not ours stay, whatever they look like.
    const std::string other = dir.File(std::string(COutputFile::kTemporaryPrefix) + "notours.txt");
    WriteFile(other, "x");
    // A rewrite in progress keeps its temporary file (the lock conflicts between two opens of
    // one process as it does between processes).
    COutputFile busy(dir.File("other.csv"));
    busy.Write("in progress");

    WriteAll(target, "log");
    EXPECT_FALSE(FileExists(stale));
    EXPECT_TRUE(FileExists(earlier));
    EXPECT_TRUE(FileExists(recent));
    EXPECT_TRUE(FileExists(other));
    EXPECT_EQ(FileExists(theirs), otherUser);
    // the log, three foreign files, busy's temporary file and the other user's, when there is one
    EXPECT_EQ(Names(dir.Path()).size(), otherUser ? 6u : 5u);
    busy.Commit();
    EXPECT_EQ(ReadFile(dir.File("other.csv")), "in progress");
}

// A link in a sticky folder that everyone may write is followed only when it is this user's
// (or the folder owner's), as the kernel's protected_symlinks rule has it.
TEST(OutputFile, AnotherUsersLinkInASharedFolderIsNotFollowed)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give a link to another user";
    CTempDir dir;
    const std::string own = dir.File("notes.txt"), shared = dir.File("shared"), plain = dir.File("plain");
    ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(chown(shared.c_str(), 65534, 65534), 0); // not the folder of the link's owner below
    ASSERT_EQ(mkdir(plain.c_str(), 0755), 0);
    struct
    {
        std::string link;
        uid_t owner;
        bool followed;
    } cases[] = {
        {shared + "/export.csv", 12345, false}, // a stranger's link in the shared folder
        {shared + "/mine.csv", geteuid(), true},
        {shared + "/owners.csv", 65534, true}, // the folder's owner's
        {plain + "/export.csv", 12345, true},  // a folder that not everyone may write
    };
    for (const auto& c : cases) {
        WriteFile(own, "my notes");
        ASSERT_EQ(symlink(own.c_str(), c.link.c_str()), 0);
        ASSERT_EQ(lchown(c.link.c_str(), c.owner, c.owner), 0);
        if (c.followed) {
            WriteAll(c.link, "exported");
            EXPECT_EQ(ReadFile(own), "exported") << c.link;
        } else {
            EXPECT_THROW(WriteAll(c.link, "exported"), CFileException) << c.link;
            EXPECT_EQ(ReadFile(own), "my notes") << c.link;
        }
        struct stat st
        {
        };
        ASSERT_EQ(lstat(c.link.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.link;
    }
}

} // namespace
