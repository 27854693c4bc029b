#pragma once

#include <string>
#include <sys/types.h>

// An advisory lock (flock) on a log file, held from construction to destruction, so that one
// writer at a time reads, changes and replaces the file, across threads and processes.
//
// The lock is taken on the file that is at the path once the lock is held: a writer that
// replaced the file by a rename meanwhile released a lock on a file that is no longer the log,
// so the lock is taken again on the new one. A thread that already holds a lock on the file
// gets a second one for free (it shares the first), so that a locked operation may call
// another one.
class CLogLock
{
public:
    enum class Kind
    {
        Shared,   // for reading: opens the file read-only
        Exclusive // for changing: opens it for reading and writing
    };

    // Waits for the lock. Raises CFileException when the file cannot be opened: missing
    // (unless create is true for an exclusive lock, which then creates it), not a regular
    // file, or, for an exclusive lock, not writable (also for root: a file with no write
    // permission at all is read-only).
    explicit CLogLock(const std::string& path, Kind kind = Kind::Exclusive, bool create = true);
    ~CLogLock();
    CLogLock(const CLogLock&) = delete;
    CLogLock& operator=(const CLogLock&) = delete;

    // The open locked file: read-only or read-write as the kind says.
    int GetFd() const { return m_fd; }
    // Whether this lock created the file.
    bool Created() const { return m_bCreated; }

private:
    int m_fd = -1;
    bool m_bCreated = false;
    bool m_bNested = false;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
};
