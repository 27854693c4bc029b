#include "Checkpoint.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Connection.h"
#include "ConnectionLog.h"
#include "FileException.h"
#include "OutputFile.h"
#include "SafeFile.h"
#include "StopPoint.h"

// A recovered connection's line must be one the log reads back.
static_assert(CCheckpoint::kMaxCheckpointBytes + 64 <= static_cast<long long>(CConnectionLog::kMaxLineBytes),
              "a checkpoint's name must fit in a log line");

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetLe(const std::string& in, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(in[at + std::size_t(i)])) << (8 * i);
    return value;
}

bool Exists(const std::string& path)
{
    struct stat st
    {
    };
    return lstat(path.c_str(), &st) == 0;
}

std::string DirectoryOf(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Describe(const std::string& path, int error)
{
    return path + " (" + std::strerror(error) + ")";
}

CUserMessage CantRead(const std::string& path, int error)
{
    return CUserMessage(QT_TRANSLATE_NOOP("CUserMessage", "Zelmorin cannot read %1; it is left in place."),
                        {Describe(path, error)});
}

} // namespace

CCheckpoint::CCheckpoint(const std::string& dataPrefix)
    : m_strPath(dataPrefix + "~$ZMCUR.$$$"), m_strPendingPath(dataPrefix + "~$ZMPEND.$$$")
{
}

std::string CCheckpoint::Encode(CTime start, CTime checkpointTime, const std::string& rawName)
{
    // The name is stored as the log line will hold it.
    const std::string name = CConnection::LineSafeName(rawName);
    std::string out;
    PutLe(out, static_cast<std::uint32_t>(start.GetTime()), 4);
    PutLe(out, static_cast<std::uint32_t>(checkpointTime.GetTime()), 4);
    std::size_t length = name.size();
    if (length < 0xFF) {
        PutLe(out, std::uint32_t(length), 1);
    } else if (length < 0xFFFE) {
        PutLe(out, 0xFF, 1);
        PutLe(out, std::uint32_t(length), 2);
    } else {
        PutLe(out, 0xFF, 1);
        PutLe(out, 0xFFFF, 2);
        PutLe(out, std::uint32_t(length), 4);
    }
    return out + name;
}

bool CCheckpoint::Decode(const std::string& bytes, CTime& start, CTime& checkpointTime, std::string& name)
{
    if (bytes.size() < 9)
        return false;
    // Unsigned: every checkpoint written before 2038 reads as it did, and new ones reach 2106.
    start = CTime(std::int64_t(GetLe(bytes, 0, 4)));
    checkpointTime = CTime(std::int64_t(GetLe(bytes, 4, 4)));
    std::size_t at = 8;
    std::uint64_t length = GetLe(bytes, at++, 1);
    if (length == 0xFF) {
        if (bytes.size() < at + 2)
            return false;
        length = GetLe(bytes, at, 2);
        at += 2;
        if (length == 0xFFFF) {
            if (bytes.size() < at + 4)
                return false;
            length = GetLe(bytes, at, 4);
            at += 4;
        }
    }
    if (bytes.size() != at + length || !start.IsValid() || !checkpointTime.IsValid())
        return false;
    // A running time below zero is no running time.
    if (checkpointTime < start)
        return false;
    name = bytes.substr(at);
    return true;
}

bool CCheckpoint::WriteFile(const std::string& path, const std::string& bytes)
{
    // An unpredictable name, created exclusively: nobody can have put a link or a pipe there.
    std::string temp;
    int fd = CSafeFile::CreateTemporary(path + ".tmp", temp);
    if (fd >= 0) {
        // A lock held until after the rename, so that a start removes only the files of
        // writers that died. A file system without locks keeps its temporary files instead.
        const int mark = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        if (mark >= 0)
            (void)flock(mark, LOCK_EX | LOCK_NB);
        bool ok = COutputFile::WriteFully(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
        int error = errno;
        if (close(fd) != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (ok && rename(temp.c_str(), path.c_str()) != 0) {
            ok = false;
            error = errno;
        }
        if (mark >= 0)
            close(mark); // only held the lock
        if (ok) {
            int dir = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dir >= 0) {
                (void)fsync(dir); // some file systems refuse; the data itself is on disk
                close(dir);
            }
            return true;
        }
        unlink(temp.c_str());
        // A full disk or a folder in the target's place: the old file stays as it was.
        m_strLastError = Describe(path, error);
        return false;
    }
    // No file can be created beside it (a folder this user may not write, with a file the user
    // may): the file itself is rewritten, if it is a plain file of this user's. A crash
    // mid-write leaves a short file, which the next start sets aside as damaged.
    fd = CSafeFile::Open(path, O_WRONLY, CSafeFile::Use::Write);
    if (fd < 0) {
        m_strLastError = Describe(path, errno);
        return false;
    }
    bool ok = ftruncate(fd, 0) == 0 && COutputFile::WriteFully(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok)
        m_strLastError = Describe(path, error);
    return ok;
}

bool CCheckpoint::RemoveFile(const std::string& path)
{
    struct stat st
    {
    };
    if (lstat(path.c_str(), &st) != 0 || unlink(path.c_str()) == 0)
        return true;
    int error = errno;
    // A folder that does not let this user remove files may still let the file be emptied,
    // which means the same; never through a link, nor another user's file.
    const int fd = CSafeFile::Open(path, O_WRONLY, CSafeFile::Use::Write);
    if (fd >= 0) {
        const bool emptied = ftruncate(fd, 0) == 0;
        close(fd); // nothing written
        if (emptied)
            return true;
    }
    m_strLastError = Describe(path, error);
    return false;
}

bool CCheckpoint::WriteCheckpoint(CTime start, CTime checkpointTime, const std::string& name)
{
    return WriteFile(m_strPath, Encode(start, checkpointTime, name));
}

bool CCheckpoint::RemoveCheckpoint()
{
    return RemoveFile(m_strPath);
}

bool CCheckpoint::WritePending(const std::vector<SPendingRecord>& records)
{
    if (records.empty())
        return RemoveFile(m_strPendingPath);
    std::string text;
    for (const SPendingRecord& record : records)
        text += CConnection(record.start, record.end, record.name).FormatLine("  ");
    return WriteFile(m_strPendingPath, text);
}

CCheckpoint::ERead CCheckpoint::ReadSmallFile(const std::string& path, long long limit, std::string& bytes)
{
    bytes.clear();
    // Non-blocking: a pipe in the file's place must not hold up the start. Never through a
    // link: another user's checkpoint, or a file of ours it points at, is not our connection.
    int fd = CSafeFile::Open(path, O_RDONLY, CSafeFile::Use::Read);
    if (fd < 0) {
        if (errno == ENOENT)
            return ERead::Missing;
        if (errno == EINVAL || errno == EISDIR)
            m_problems.emplace_back(QT_TRANSLATE_NOOP("CUserMessage", "%1 is not a regular file; it is left in place."),
                                    std::vector<std::string>{path});
        else
            m_problems.push_back(CantRead(path, errno));
        return ERead::Unusable;
    }
    struct stat st
    {
    };
    std::optional<CUserMessage> problem;
    if (fstat(fd, &st) != 0) {
        problem = CantRead(path, errno);
    } else if (st.st_uid != geteuid()) {
        problem = CantRead(path, EPERM);
    } else if (st.st_size > limit) {
        problem =
            CUserMessage(QT_TRANSLATE_NOOP("CUserMessage",
                                           "%1 is too big (%2 bytes) to be a file of Zelmorin's; it is left in place."),
                         {path, std::to_string(st.st_size)});
    } else {
        char buf[4096];
        for (;;) {
            ssize_t n = read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                problem = CantRead(path, errno);
                break;
            }
            if (n == 0)
                break;
            bytes.append(buf, std::size_t(n));
            if (static_cast<long long>(bytes.size()) > limit) {
                problem = CUserMessage(
                    QT_TRANSLATE_NOOP("CUserMessage", "%1 is too big to be a file of Zelmorin's; it is left in place."),
                    {path});
                break;
            }
        }
    }
    close(fd);
    if (!problem)
        return ERead::Read;
    m_problems.push_back(*problem);
    bytes.clear();
    return ERead::Unusable;
}

void CCheckpoint::SetAside(const std::string& path)
{
    std::string target = path + ".damaged";
    for (int n = 2; Exists(target) && n < 1000; ++n)
        target = path + ".damaged-" + std::to_string(n);
    if (std::rename(path.c_str(), target.c_str()) == 0)
        m_problems.emplace_back(QT_TRANSLATE_NOOP("CUserMessage", "%1 was damaged; it has been kept as %2."),
                                std::vector<std::string>{path, target});
    else
        m_problems.emplace_back(
            QT_TRANSLATE_NOOP("CUserMessage", "%1 is damaged and cannot be set aside (%2); it is left in place."),
            std::vector<std::string>{path, std::strerror(errno)});
}

void CCheckpoint::RemoveLeftovers() const
{
    // A crash between creating a temporary file and renaming it leaves "<file>.tmpXXXXXX". A
    // writer holds a lock on its file until the rename, so one whose lock is free is nobody's.
    // Earlier versions named it "<file>.tmp<pid>" and held no lock: one whose process is gone
    // is nobody's. Only this user's own plain files are ever removed.
    const std::string folder = DirectoryOf(m_strPath);
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return; // silent: the recovery reports an unreadable folder through its files
    const std::string prefixes[] = {m_strPath.substr(m_strPath.rfind('/') + 1) + ".tmp",
                                    m_strPendingPath.substr(m_strPendingPath.rfind('/') + 1) + ".tmp"};
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        for (const std::string& prefix : prefixes) {
            if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
                continue;
            const std::string tail = name.substr(prefix.size());
            const bool earlier = tail.size() <= 9 && tail.find_first_not_of("0123456789") == std::string::npos;
            if (!earlier && !CSafeFile::IsTemporaryName(name, prefix))
                continue;
            const std::string path = folder + "/" + name;
            const int fd = CSafeFile::Open(path, O_RDONLY, CSafeFile::Use::Write);
            if (fd < 0)
                continue;
            bool unused = flock(fd, LOCK_EX | LOCK_NB) == 0;
            if (earlier) {
                const pid_t pid = static_cast<pid_t>(std::atol(tail.c_str()));
                unused = unused && pid > 0 && kill(pid, 0) != 0 && errno == ESRCH;
            }
            struct stat held
            {
            }, now{};
            if (unused && fstat(fd, &held) == 0 && lstat(path.c_str(), &now) == 0 && now.st_ino == held.st_ino &&
                now.st_dev == held.st_dev)
                (void)unlink(path.c_str()); // silent: a leftover that stays is harmless
            close(fd);                      // only read
        }
    }
    closedir(dir);
}

bool CCheckpoint::ReadCheckpoint(CTime& start, CTime& checkpointTime, std::string& name)
{
    std::string bytes;
    return ReadSmallFile(m_strPath, kMaxCheckpointBytes, bytes) == ERead::Read && !bytes.empty() &&
           Decode(bytes, start, checkpointTime, name);
}

int CCheckpoint::RecoverCheckpoint(CConnectionLog& log)
{
    m_problems.clear();
    RemoveLeftovers();
    int appended = 0;
    auto logFailed = [this](const CFileException& error) {
        m_problems.emplace_back(QT_TRANSLATE_NOOP("CUserMessage",
                                                  "Zelmorin could not write the connections left from its last run "
                                                  "to the log file %1 (%2); they are kept for the next start."),
                                std::vector<std::string>{error.GetPath(), error.GetCause()});
    };
    std::string bytes;
    if (ReadSmallFile(m_strPendingPath, kMaxPendingBytes, bytes) == ERead::Read) {
        // Pending lines are log lines; a plain copy to the log keeps any it cannot read.
        std::vector<SPendingRecord> left;
        std::size_t pos = 0;
        bool failed = false;
        while (pos < bytes.size()) {
            std::size_t end = bytes.find('\n', pos);
            std::string line = bytes.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            pos = end == std::string::npos ? bytes.size() : end + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            auto record = CConnection::FromLine(line);
            if (!record)
                continue; // only this program writes the file, and every line it writes parses
            if (!failed) {
                try {
                    if (log.AppendUnlessLogged(record->GetStart(), record->GetEnd(), record->m_strName))
                        ++appended;
                    continue;
                } catch (const CFileException& error) {
                    failed = true;
                    logFailed(error);
                }
            }
            left.push_back({record->GetStart(), record->GetEnd(), record->m_strName});
        }
        StopPoint("recovered-pending");
        // Rewritten only now that the log holds the others: a stop in between repeats nothing,
        // since the log is asked first.
        if (!WritePending(left))
            m_problems.emplace_back(QT_TRANSLATE_NOOP("CUserMessage", "Zelmorin cannot rewrite %1."),
                                    std::vector<std::string>{m_strLastError});
    }

    if (ReadSmallFile(m_strPath, kMaxCheckpointBytes, bytes) != ERead::Read)
        return appended;
    CTime start, checkpointTime;
    std::string name;
    if (bytes.empty()) {
        RemoveFile(m_strPath); // silent: an emptied checkpoint means none, removed or not
        return appended;
    }
    if (!Decode(bytes, start, checkpointTime, name)) {
        SetAside(m_strPath);
        return appended;
    }
    try {
        // The checkpoint holds the instant, a line the wall-clock text of the zone it was
        // written in: a zone changed since may make the logged line read back as another time.
        // (Pending lines are log lines: they move with the log's, and match as they are.)
        if (log.AppendUnlessLogged(start, checkpointTime, name, CConnectionLog::Match::AnyZone))
            ++appended;
    } catch (const CFileException& error) {
        logFailed(error);
        return appended; // the checkpoint stays until its record is in the log
    }
    StopPoint("recovered");
    if (!RemoveCheckpoint())
        m_problems.emplace_back(QT_TRANSLATE_NOOP("CUserMessage", "Zelmorin cannot remove %1."),
                                std::vector<std::string>{m_strLastError});
    return appended;
}
