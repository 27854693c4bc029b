// Preloaded into the program by the fault harness: while the file named by
// ZELMORIN_FAULT_FULL exists, every write to the regular file named by ZELMORIN_FAULT_PATH, or to one under that
// folder, fails with ENOSPC, as on a full disk. No root, no real full disk.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <limits.h>
#include <string>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

bool DiskFull(int fd)
{
    const char* flag = std::getenv("ZELMORIN_FAULT_FULL");
    const char* dir = std::getenv("ZELMORIN_FAULT_PATH");
    if (!flag || !dir || access(flag, F_OK) != 0)
        return false;
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    char link[64];
    char path[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return false;
    path[n] = '\0';
    std::size_t length = std::strlen(dir);
    return std::strncmp(path, dir, length) == 0 && (path[length] == '/' || path[length] == '\0');
}

template <typename F> F Next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t count)
{
    static auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
    if (count > 0 && DiskFull(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count);
}

ssize_t pwrite(int fd, const void* buf, size_t count, off_t offset)
{
    static auto real = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    if (count > 0 && DiskFull(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, buf, count, offset);
}

ssize_t writev(int fd, const struct iovec* iov, int count)
{
    static auto real = Next<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (count > 0 && DiskFull(fd)) {
        errno = ENOSPC;
        return -1;
    }
    return real(fd, iov, count);
}
}
