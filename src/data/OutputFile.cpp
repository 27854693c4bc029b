#include "OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileException.h"
#include "LogLock.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr std::size_t kRandomChars = 8;

std::string DirectoryOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether a link may be followed, by the rule of the kernel's protected_symlinks: in a sticky
// folder that everyone may write (a shared temporary folder), only a link of this user's or of
// the folder's owner; another user's link there would aim our rewrite at a file of ours.
bool MayFollow(const std::string& link, const struct stat& linkStat)
{
    if (linkStat.st_uid == geteuid())
        return true;
    struct stat folder
    {
    };
    if (stat(DirectoryOf(link).c_str(), &folder) != 0)
        return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || folder.st_uid == linkStat.st_uid;
}

// Writes replace the file a symbolic link points at, not the link itself; each link on the
// way must be one that may be followed.
std::string ResolveTarget(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st
        {
        };
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        if (!MayFollow(current, st))
            throw CFileException(path,
                                 "cannot open for writing: it is a link that another user made in a shared folder, "
                                 "which is not followed",
                                 EACCES);
        std::string target(PATH_MAX, '\0');
        const ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length < 0 || std::size_t(length) >= target.size())
            throw CFileException::FromErrno(path, "cannot open for writing");
        target.resize(std::size_t(length));
        current = target[0] == '/' ? target : DirectoryOf(current) + "/" + target;
    }
    throw CFileException(path, "cannot open for writing: Too many levels of symbolic links", ELOOP);
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

// Removes the temporary files of rewrites that never finished. A rewrite holds a lock on its
// temporary file until after the rename, so one whose lock is free was left by a crash. Only
// this user's own files with exactly our name are removed: the folder may be shared, and a
// file that merely looks like ours (an editor's backup) is someone's document.
void RemoveStaleTemporaries(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return; // silent: creating the new temporary file reports the real problem
    const std::size_t prefixLength = std::strlen(COutputFile::kTemporaryPrefix);
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() != prefixLength + kRandomChars || name.compare(0, prefixLength, COutputFile::kTemporaryPrefix))
            continue;
        std::string path = folder + "/" + name;
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat held
        {
        }, now{};
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == geteuid() &&
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
    if (fd >= 0) {
        m_fd = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        if (m_fd < 0)
            throw CFileException::FromErrno(path, "cannot open for writing");
        return;
    }
    // Without blocking: a pipe that nobody reads would hold the window (and the checkpoint)
    // for as long as nobody comes. Once open, writes wait for the reader as usual.
    m_fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0 && errno == ENXIO)
        throw CFileException(path, "cannot open for writing: it is a pipe that nothing reads", ENXIO);
    if (m_fd < 0)
        throw CFileException::FromErrno(path, "cannot open for writing");
    const int flags = fcntl(m_fd, F_GETFL);
    if (flags < 0 || fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        CFileException error = CFileException::FromErrno(path, "cannot open for writing");
        close(m_fd); // nothing written yet
        m_fd = -1;
        throw error;
    }
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
    int lockError = m_nMarkFd < 0 ? errno : flock(m_nMarkFd, LOCK_EX | LOCK_NB) != 0 ? errno : 0;
    if (lockError == ENOLCK || lockError == EOPNOTSUPP || lockError == ENOSYS || lockError == EINVAL) {
        // A file system without locks: the rewrite goes on unmarked, as the log is used
        // unlocked there; its temporary file is then never taken for a crash's leftover.
        close(m_nMarkFd);
        m_nMarkFd = -1;
        CLogLock::NoteUnlocked(m_strTarget);
    } else if (lockError != 0) {
        errno = lockError;
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
