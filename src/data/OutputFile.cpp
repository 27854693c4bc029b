#include "OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileException.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr std::size_t kRandomChars = 8;

// Writes replace the file a symbolic link points at, not the link itself.
std::string ResolveTarget(const std::string& path)
{
    struct stat st
    {
    };
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved))
            return resolved;
    }
    return path;
}

std::string DirectoryOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The descriptor a name of one of the process's own descriptors stands for, else -1. Opening
// such a name anew would start a redirected file over from its beginning, or, when replacing,
// write a new file that nobody reads.
int OwnDescriptor(const std::string& path)
{
    if (path == "/dev/stdin")
        return 0;
    if (path == "/dev/stdout")
        return 1;
    if (path == "/dev/stderr")
        return 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
        std::size_t length = std::strlen(prefix);
        if (path.compare(0, length, prefix) != 0 || path.size() == length || path.size() > length + 9)
            continue;
        int fd = 0;
        for (std::size_t i = length; i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9')
                return -1;
            fd = fd * 10 + (path[i] - '0');
        }
        return fd;
    }
    return -1;
}

// Short, whatever the target's name, so that a name near the length limit can be replaced.
std::string TemporaryName(const std::string& folder)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::string name = folder + "/" + COutputFile::kTemporaryPrefix;
    for (std::size_t i = 0; i < kRandomChars; ++i)
        name += kChars[random() % (sizeof kChars - 1)];
    return name;
}

// The name of earlier versions' temporary files: the target's name, ".tmp-", then three
// numbers joined by dashes (process, seed, counter).
bool IsEarlierTemporaryName(const std::string& name)
{
    std::string::size_type at = name.rfind(".tmp-");
    if (at == std::string::npos || at == 0)
        return false;
    int numbers = 0;
    bool digit = false;
    for (std::size_t i = at + 5; i < name.size(); ++i) {
        if (name[i] >= '0' && name[i] <= '9') {
            digit = true;
        } else if (name[i] == '-' && digit) {
            ++numbers;
            digit = false;
        } else {
            return false;
        }
    }
    return digit && numbers == 2;
}

// Removes the temporary files of rewrites that never finished. A rewrite holds a lock on its
// temporary file until after the rename, so one whose lock is free was left by a crash.
// Earlier versions held no such lock: their files go once they are a day old.
void RemoveStaleTemporaries(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return; // silent: creating the new temporary file reports the real problem
    const std::size_t prefixLength = std::strlen(COutputFile::kTemporaryPrefix);
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        const bool earlier = IsEarlierTemporaryName(name);
        if (!earlier && (name.size() != prefixLength + kRandomChars ||
                         name.compare(0, prefixLength, COutputFile::kTemporaryPrefix)))
            continue;
        std::string path = folder + "/" + name;
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat held
        {
        }, now{};
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && (!earlier || held.st_mtime < time(nullptr) - 86400) &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 && lstat(path.c_str(), &now) == 0 && now.st_ino == held.st_ino &&
            now.st_dev == held.st_dev)
            unlink(path.c_str()); // silent: at worst it is tried again next time
        close(fd);
    }
    closedir(dir);
}

} // namespace

COutputFile::COutputFile(const std::string& path, Mode) : m_strTarget(path)
{
    m_buffer.reserve(kBufferSize);
    int own = OwnDescriptor(path);
    if (own >= 0) {
        OpenInPlace(path, own);
        return;
    }
    m_strTarget = ResolveTarget(path);
    struct stat st
    {
    };
    if (stat(m_strTarget.c_str(), &st) != 0) {
        if (errno != ENOENT)
            throw CFileException::FromErrno(path, "cannot open for writing");
        OpenTemporary(nullptr);
        return;
    }
    if (S_ISDIR(st.st_mode))
        throw CFileException(path, "cannot open for writing: Is a folder", EISDIR);
    if (S_ISBLK(st.st_mode))
        throw CFileException(path, "cannot open for writing: Is a block device, not a file", EINVAL);
    if (!S_ISREG(st.st_mode)) {
        OpenInPlace(path, -1);
        return;
    }
    // A target that cannot be opened for writing is not replaced behind its back either.
    if ((st.st_mode & 0222) == 0)
        throw CFileException(path, "cannot open for writing: Permission denied (the file is read-only)", EACCES);
    int probe = open(m_strTarget.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (probe < 0)
        throw CFileException::FromErrno(path, "cannot open for writing");
    close(probe); // nothing was written through it
    OpenTemporary(&st);
}

void COutputFile::OpenInPlace(const std::string& path, int fd)
{
    m_bInPlace = true;
    // A pipe's open waits for its reader, as a shell's redirection does.
    m_fd = fd >= 0 ? fcntl(fd, F_DUPFD_CLOEXEC, 3) : open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0)
        throw CFileException::FromErrno(path, "cannot open for writing");
}

void COutputFile::OpenTemporary(const struct stat* existing)
{
    const std::string folder = DirectoryOf(m_strTarget);
    RemoveStaleTemporaries(folder);
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_strWritePath = TemporaryName(folder);
        // 0666 lets the umask decide, as for any new file; an existing file's mode is kept
        // below.
        m_fd = open(m_strWritePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0)
        throw CFileException::FromErrno(m_strTarget, "cannot create a file in " + folder);
    m_nMarkFd = fcntl(m_fd, F_DUPFD_CLOEXEC, 3);
    if (m_nMarkFd < 0 || flock(m_nMarkFd, LOCK_EX | LOCK_NB) != 0) {
        CFileException error = CFileException::FromErrno(m_strTarget, "cannot create a file in " + folder);
        Abandon();
        throw error;
    }
    if (existing) {
        // The owner first: a change of owner clears the set-id bits that the mode then sets.
        // Only root may give a file away; others keep at least the group when they belong to it.
        if (fchown(m_fd, existing->st_uid, existing->st_gid) != 0 && fchown(m_fd, uid_t(-1), existing->st_gid) != 0) {
            // silent: see the class comment
        }
        (void)fchmod(m_fd, existing->st_mode & 07777); // silent: our own new file
    }
}

COutputFile::~COutputFile()
{
    Abandon();
}

void COutputFile::Abandon() noexcept
{
    if (m_fd >= 0) {
        close(m_fd); // abandoned: its errors no longer matter
        m_fd = -1;
        if (!m_bInPlace)
            unlink(m_strWritePath.c_str());
    }
    if (m_nMarkFd >= 0) {
        close(m_nMarkFd); // only held the lock
        m_nMarkFd = -1;
    }
}

void COutputFile::Write(std::string_view bytes)
{
    if (m_buffer.size() + bytes.size() > kBufferSize)
        Flush();
    if (bytes.size() >= kBufferSize) {
        m_buffer.assign(bytes.data(), bytes.size());
        Flush();
    } else {
        m_buffer.append(bytes.data(), bytes.size());
    }
}

bool COutputFile::WriteFully(int fd, const char* data, std::size_t size, long long offset)
{
    while (size > 0) {
        ssize_t n = offset >= 0 ? pwrite(fd, data, size, off_t(offset)) : write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        if (offset >= 0)
            offset += n;
    }
    return true;
}

void COutputFile::Flush()
{
    if (!WriteFully(m_fd, m_buffer.data(), m_buffer.size())) {
        CFileException error = CFileException::FromErrno(m_strTarget, "cannot write");
        Abandon();
        throw error;
    }
    m_buffer.clear();
}

void COutputFile::Commit()
{
    if (m_fd < 0)
        return;
    Flush();
    // Pipes and terminals cannot be synced (EINVAL); there is nothing to make durable.
    if (fsync(m_fd) != 0 && errno != EINVAL) {
        CFileException error = CFileException::FromErrno(m_strTarget, "cannot write to disk");
        Abandon();
        throw error;
    }
    int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0) {
        CFileException error = CFileException::FromErrno(m_strTarget, "cannot close");
        if (!m_bInPlace)
            unlink(m_strWritePath.c_str());
        Abandon();
        throw error;
    }
    if (m_bInPlace)
        return;
    if (rename(m_strWritePath.c_str(), m_strTarget.c_str()) != 0) {
        CFileException error = CFileException::FromErrno(m_strTarget, "cannot replace");
        unlink(m_strWritePath.c_str());
        Abandon();
        throw error;
    }
    Abandon(); // releases the temporary file's lock: it is the target now
    // Make the rename itself durable. Some file systems cannot sync a folder (EINVAL).
    const std::string folder = DirectoryOf(m_strTarget);
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        throw CFileException::FromErrno(m_strTarget, "was replaced, but its folder cannot be synced");
    int rc = fsync(dir);
    int error = errno;
    close(dir); // read-only: nothing to lose
    if (rc != 0 && error != EINVAL) {
        errno = error;
        throw CFileException::FromErrno(m_strTarget, "was replaced, but cannot be written to disk");
    }
}
