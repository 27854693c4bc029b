#include "OutputFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "FileException.h"

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

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

std::string TemporaryName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    return target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(seed) + "-" +
           std::to_string(counter.fetch_add(1));
}

} // namespace

COutputFile::COutputFile(const std::string& path, Mode mode) : m_strTarget(path), m_mode(mode)
{
    {
        m_strTarget = ResolveTarget(path);
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_strWritePath = TemporaryName(m_strTarget);
            // 0666 lets the umask decide, as for any new file; an existing file's mode is
            // kept below.
            m_fd = open(m_strWritePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        if (m_fd < 0)
            throw CFileException::FromErrno(path, "cannot create a file in " + DirectoryOf(m_strTarget));
        struct stat st
        {
        };
        if (stat(m_strTarget.c_str(), &st) == 0)
            (void)fchmod(m_fd, st.st_mode & 07777); // best effort: a foreign owner may forbid it
    }
    m_buffer.reserve(kBufferSize);
}

COutputFile::~COutputFile()
{
    Abandon();
}

void COutputFile::Abandon() noexcept
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
        unlink(m_strWritePath.c_str());
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
    if (fsync(m_fd) != 0 && errno != EINVAL) {
        CFileException error = CFileException::FromErrno(m_strTarget, "cannot write to disk");
        Abandon();
        throw error;
    }
    int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0) {
        CFileException error = CFileException::FromErrno(m_strTarget, "cannot close");
        if (m_mode == Mode::Replace)
            unlink(m_strWritePath.c_str());
        throw error;
    }
    if (m_mode == Mode::Replace) {
        if (rename(m_strWritePath.c_str(), m_strTarget.c_str()) != 0) {
            CFileException error = CFileException::FromErrno(m_strTarget, "cannot replace");
            unlink(m_strWritePath.c_str());
            throw error;
        }
        // Make the rename itself durable.
        int dir = open(DirectoryOf(m_strTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            (void)fsync(dir); // some file systems refuse; the data is already safe
            close(dir);
        }
    }
}
