#include "LogLock.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "FileException.h"

namespace {

// The files this thread holds locks on. flock conflicts between two descriptors of the same
// process too, so a nested lock must not ask again.
thread_local std::vector<std::pair<dev_t, ino_t>> t_held;

bool HeldHere(dev_t dev, ino_t ino)
{
    return std::find(t_held.begin(), t_held.end(), std::make_pair(dev, ino)) != t_held.end();
}

} // namespace

CLogLock::CLogLock(const std::string& path, Kind kind, bool create)
{
    const bool exclusive = kind == Kind::Exclusive;
    const char* action = exclusive ? "cannot open for writing" : "cannot read";
    // Non-blocking, so that a pipe at the path never blocks the open.
    const int flags = (exclusive ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    for (;;) {
        m_bCreated = false;
        m_fd = open(path.c_str(), flags);
        if (m_fd < 0 && errno == ENOENT && exclusive && create) {
            m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
            m_bCreated = m_fd >= 0;
            if (m_fd < 0 && errno == EEXIST)
                continue; // created by someone else meanwhile
        }
        if (m_fd < 0)
            throw CFileException::FromErrno(path, action);
        struct stat st
        {
        };
        if (fstat(m_fd, &st) != 0) {
            CFileException error = CFileException::FromErrno(path, action);
            close(m_fd); // read-only use so far: nothing to lose
            throw error;
        }
        const char* refusal = nullptr;
        int code = 0;
        if (S_ISDIR(st.st_mode))
            refusal = "is a folder", code = EISDIR;
        else if (!S_ISREG(st.st_mode))
            refusal = "is not a regular file", code = EINVAL;
        else if (exclusive && (st.st_mode & 0222) == 0)
            refusal = "Permission denied (the file is read-only)", code = EACCES;
        if (refusal) {
            close(m_fd);
            throw CFileException(path, std::string(action) + ": " + refusal, code);
        }
        m_dev = st.st_dev;
        m_ino = st.st_ino;
        m_bNested = HeldHere(m_dev, m_ino);
        if (m_bNested)
            return;
        int rc;
        while ((rc = flock(m_fd, exclusive ? LOCK_EX : LOCK_SH)) != 0 && errno == EINTR) {
        }
        if (rc != 0) {
            CFileException error = CFileException::FromErrno(path, "cannot lock");
            close(m_fd);
            throw error;
        }
        struct stat now
        {
        };
        if (stat(path.c_str(), &now) == 0 && now.st_dev == m_dev && now.st_ino == m_ino) {
            t_held.emplace_back(m_dev, m_ino);
            return;
        }
        // Replaced or removed while we waited: the lock is on a file that is no longer the log.
        close(m_fd);
    }
}

CLogLock::~CLogLock()
{
    if (!m_bNested) {
        auto at = std::find(t_held.begin(), t_held.end(), std::make_pair(m_dev, m_ino));
        if (at != t_held.end())
            t_held.erase(at);
    }
    close(m_fd); // releases the lock; what was written went through other descriptors
}
