#include "IoFaults.h"

#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool g_armed = false;
bool g_fired = false;
IoFaults::Call g_call = IoFaults::Call::Write;
int g_left = 0;
int g_error = 0;

// True when this call is the one to fail; errno is then set.
bool Fails(IoFaults::Call call)
{
    if (!g_armed || g_fired || call != g_call || --g_left > 0)
        return false;
    g_fired = true;
    errno = g_error;
    return true;
}

template <typename F> F Next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

const char* IoFaults::Name(Call call)
{
    switch (call) {
    case Call::Write:
        return "write";
    case Call::Fsync:
        return "fsync";
    case Call::Rename:
        return "rename";
    case Call::Close:
        return "close";
    }
    return "?";
}

void IoFaults::Arm(Call call, int nth, int error)
{
    g_call = call;
    g_left = nth;
    g_error = error;
    g_fired = false;
    g_armed = true;
}

bool IoFaults::Disarm()
{
    g_armed = false;
    return g_fired;
}

extern "C" {

ssize_t write(int fd, const void* data, size_t size)
{
    static auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return Fails(IoFaults::Call::Write) ? -1 : next(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset)
{
    static auto next = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return Fails(IoFaults::Call::Write) ? -1 : next(fd, data, size, offset);
}

int fsync(int fd)
{
    static auto next = Next<int (*)(int)>("fsync");
    return Fails(IoFaults::Call::Fsync) ? -1 : next(fd);
}

int rename(const char* from, const char* to) noexcept
{
    static auto next = Next<int (*)(const char*, const char*)>("rename");
    return Fails(IoFaults::Call::Rename) ? -1 : next(from, to);
}

int close(int fd)
{
    static auto next = Next<int (*)(int)>("close");
    if (!Fails(IoFaults::Call::Close))
        return next(fd);
    int error = errno;
    next(fd); // Linux frees the descriptor even when close reports an error
    errno = error;
    return -1;
}
}
