#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
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
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    WriteAll(fifo, "a,b\r\n");
    reader.join();
    EXPECT_EQ(received, "a,b\r\n");
    struct stat st
    {
    };
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced by a file";
}

TEST(OutputFile, DevicesAreWrittenInPlaceAndTheirErrorsReported)
{
    WriteAll("/dev/null", "x"); // a character device, not replaced by a file (that would need /dev writable)
    struct stat st
    {
    };
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    try {
        WriteAll("/dev/full", "x");
        FAIL() << "a write to a full device was reported as done";
    } catch (const CFileException& error) {
        EXPECT_EQ(error.GetErrno(), ENOSPC);
    }
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
    for (const char* device : {"/dev/loop0", "/dev/vda", "/dev/sda"}) {
        struct stat st
        {
        };
        if (stat(device, &st) == 0 && S_ISBLK(st.st_mode)) {
            EXPECT_THROW(COutputFile file(device), CFileException) << device;
            break;
        }
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
    // Files that are not ours stay, whatever they look like.
    const std::string other = dir.File(std::string(COutputFile::kTemporaryPrefix) + "notours.txt");
    WriteFile(other, "x");
    // A rewrite in progress keeps its temporary file (the lock conflicts between two opens of
    // one process as it does between processes).
    COutputFile busy(dir.File("other.csv"));
    busy.Write("in progress");

    WriteAll(target, "log");
    EXPECT_FALSE(FileExists(stale));
    EXPECT_TRUE(FileExists(other));
    EXPECT_EQ(Names(dir.Path()).size(), 3u); // the log, the foreign file and busy's temporary file
    busy.Commit();
    EXPECT_EQ(ReadFile(dir.File("other.csv")), "in progress");
}

} // namespace
