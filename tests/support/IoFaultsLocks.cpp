// The flock of IoFaults, apart: a file that sees <fcntl.h>'s struct flock cannot define it.
#include "IoFaults.h"

#include <cerrno>
#include <dlfcn.h>

namespace {

bool g_denyLocks = false;

} // namespace

void IoFaults::DenyLocks(bool on)
{
    g_denyLocks = on;
}

extern "C" int flock(int fd, int operation)
{
    static auto next = reinterpret_cast<int (*)(int, int)>(dlsym(RTLD_NEXT, "flock"));
    if (!g_denyLocks)
        return next(fd, operation);
    errno = ENOLCK;
    return -1;
}
