#include "LogLock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include "FileException.h"
#include "SafeFile.h"

namespace {

// The files this thread holds locks on. flock conflicts between two descriptors of the same
// process too, so a nested lock must not ask again.
thread_local std::vector<std::pair<dev_t, ino_t>> t_held;

// Whether the user was told of a file system without locks, and the file to name until then.
std::mutex g_unlockedMutex;
std::string g_unlockedPath;
bool g_unlockedTold = false;

bool HeldHere(dev_t dev, ino_t ino)
{
    return std::find(t_held.begin(), t_held.end(), std::make_pair(dev, ino)) != t_held.end();
}

} // namespace

std::atomic<std::chrono::milliseconds> CLogLock::s_waitLimit{CLogLock::kDefaultWaitLimit};
std::atomic<const std::atomic<bool>*> CLogLock::s_cancel{nullptr};

CLogLock::CLogLock(const std::string& path, Kind kind, bool create)
{
    const bool exclusive = kind == Kind::Exclusive;
    const char* action = exclusive ? "cannot open for writing" : "cannot read";
    const CSafeFile::Use use = exclusive ? CSafeFile::Use::Write : CSafeFile::Use::Read;
    const int flags = exclusive ? O_RDWR : O_RDONLY;
    for (;;) {
        m_bCreated = false;
        std::string refusal;
        m_fd = CSafeFile::Open(path, flags, use, &refusal);
        if (m_fd < 0 && errno == ENOENT && exclusive && create) {
            // Private, as the settings are: the log is the user's connection history.
            m_fd = CSafeFile::Open(path, O_RDWR | O_CREAT | O_EXCL, use, &refusal);
            m_bCreated = m_fd >= 0;
            if (m_fd < 0 && errno == EEXIST)
                continue; // created by someone else meanwhile
        }
        if (m_fd < 0) {
            if (refusal.empty())
                throw CFileException::FromErrno(path, action);
            throw CFileException(path, std::string(action) + ": " + refusal, errno);
        }
        struct stat st
        {
        };
        if (fstat(m_fd, &st) != 0) {
            CFileException error = CFileException::FromErrno(path, action);
            close(m_fd); // read-only use so far: nothing to lose
            throw error;
        }
        if (exclusive && (st.st_mode & 0222) == 0) {
            close(m_fd);
            throw CFileException(path, std::string(action) + ": Permission denied (the file is read-only)", EACCES);
        }
        m_dev = st.st_dev;
        m_ino = st.st_ino;
        m_bNested = HeldHere(m_dev, m_ino);
        if (m_bNested)
            return;
        const int rc = Wait(exclusive ? LOCK_EX : LOCK_SH);
        if (rc != 0 && (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL)) {
            // A file system without locks: the log must still be read and written, only
            // without the guard against a second writer.
            m_bNested = true;
            if (exclusive)
                NoteUnlocked(path);
            return;
        }
        if (rc != 0) {
            CFileException error = errno == EWOULDBLOCK
                                       ? CFileException(path, "is locked by another program", EWOULDBLOCK)
                                       : CFileException::FromErrno(path, "cannot lock");
            close(m_fd);
            throw error;
        }
        struct stat now
        {
        };
        if (lstat(path.c_str(), &now) == 0 && now.st_dev == m_dev && now.st_ino == m_ino) {
            t_held.emplace_back(m_dev, m_ino);
            return;
        }
        // Replaced or removed while we waited: the lock is on a file that is no longer the log.
        close(m_fd);
    }
}

int CLogLock::Wait(int operation) const
{
    // Anyone who can read the file can lock it, so the wait is bounded: a lock that stays
    // taken fails like a full disk, and the caller keeps what it meant to write.
    const auto deadline = std::chrono::steady_clock::now() + s_waitLimit.load();
    for (;;) {
        if (flock(m_fd, operation | LOCK_NB) == 0)
            return 0;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return -1;
        const std::atomic<bool>* cancel = s_cancel.load();
        if ((cancel && cancel->load()) || std::chrono::steady_clock::now() >= deadline) {
            errno = EWOULDBLOCK;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // short: a busy writer leaves short gaps
    }
}

void CLogLock::SetWaitLimit(std::chrono::milliseconds limit)
{
    s_waitLimit = limit;
}

void CLogLock::NoteUnlocked(const std::string& path)
{
    std::lock_guard<std::mutex> guard(g_unlockedMutex);
    if (!g_unlockedTold && g_unlockedPath.empty())
        g_unlockedPath = path;
}

std::string CLogLock::TakeUnlockedNotice()
{
    std::lock_guard<std::mutex> guard(g_unlockedMutex);
    if (g_unlockedTold || g_unlockedPath.empty())
        return {};
    g_unlockedTold = true;
    return g_unlockedPath;
}

void CLogLock::ResetUnlockedNotice()
{
    std::lock_guard<std::mutex> guard(g_unlockedMutex);
    g_unlockedPath.clear();
    g_unlockedTold = false;
}

void CLogLock::SetCancelFlag(const std::atomic<bool>* cancel)
{
    s_cancel = cancel;
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
