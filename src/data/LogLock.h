#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <sys/types.h>

// An advisory lock (flock) on a log file, held from construction to destruction, so that one
// writer at a time reads, changes and replaces the file, across threads and processes.
//
// The lock is taken on the file that is at the path once the lock is held: a writer that
// replaced the file by a rename meanwhile released a lock on a file that is no longer the log,
// so the lock is taken again on the new one. A thread that already holds a lock on the file
// gets a second one for free (it shares the first), so that a locked operation may call
// another one. On a file system without locks the file is used unlocked.
class CLogLock
{
public:
    enum class Kind
    {
        Shared,   // for reading: opens the file read-only
        Exclusive // for changing: opens it for reading and writing
    };

    // Waits for the lock, at most the wait limit. Raises CFileException when the file cannot be
    // opened: missing (unless create is true for an exclusive lock, which then creates it,
    // private), a symbolic link, not a regular file, or, for an exclusive lock, not writable
    // (also for root: a file with no write permission at all is read-only), another user's or
    // one with hard links; and when the lock is still taken at the limit or the cancel flag
    // is set meanwhile (errno EWOULDBLOCK).
    explicit CLogLock(const std::string& path, Kind kind = Kind::Exclusive, bool create = true);
    ~CLogLock();
    CLogLock(const CLogLock&) = delete;
    CLogLock& operator=(const CLogLock&) = delete;

    // The open locked file: read-only or read-write as the kind says.
    int GetFd() const { return m_fd; }
    // Whether this lock created the file.
    bool Created() const { return m_bCreated; }

    static constexpr std::chrono::milliseconds kDefaultWaitLimit{5000};
    // How long a lock taken by someone else is waited for.
    static void SetWaitLimit(std::chrono::milliseconds limit);
    // A flag (set from a signal handler, say) that ends every wait at once; nullptr for none.
    static void SetCancelFlag(const std::atomic<bool>* cancel);

    // A file system without locks is written unlocked, and whoever talks to the user says so
    // once per process: NoteUnlocked records the first file written so (the log by a lock of
    // this class, a rewrite's temporary file by COutputFile); TakeUnlockedNotice hands its path
    // out once, and is empty before that and ever after.
    static void NoteUnlocked(const std::string& path);
    static std::string TakeUnlockedNotice();
    // As at the process's start, for tests.
    static void ResetUnlockedNotice();

private:
    // flock without blocking, retried until the limit; 0, or -1 with errno set.
    int Wait(int operation) const;

    static std::atomic<std::chrono::milliseconds> s_waitLimit;
    static std::atomic<const std::atomic<bool>*> s_cancel;

    int m_fd = -1;
    bool m_bCreated = false;
    bool m_bNested = false; // no flock of its own: nested, or the file system has no locks
    dev_t m_dev = 0;
    ino_t m_ino = 0;
};
