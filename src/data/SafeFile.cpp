#include "SafeFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kRandomTail = 6; // what mkostemp fills in

} // namespace

const char* CSafeFile::Refusal(const struct stat& st, Use use, int& code)
{
    if (S_ISDIR(st.st_mode)) {
        code = EISDIR;
        return "is a folder";
    }
    if (!S_ISREG(st.st_mode)) {
        code = EINVAL;
        return "is not a regular file";
    }
    if (use == Use::Read)
        return nullptr;
    if (st.st_uid != geteuid()) {
        code = EPERM;
        return "belongs to another user";
    }
    if (st.st_nlink > 1) {
        code = EPERM;
        return "has other names (hard links)";
    }
    return nullptr;
}

bool CSafeFile::IsOwnRegular(const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_uid == geteuid();
}

int CSafeFile::Open(const std::string& path, int flags, Use use, std::string* refusal)
{
    const int fd = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        const int error = errno;
        if (refusal)
            *refusal = error == ELOOP ? "is a symbolic link, which is not followed" : "";
        errno = error;
        return -1;
    }
    struct stat st
    {
    };
    int code = 0;
    const char* reason = nullptr;
    if (fstat(fd, &st) != 0) {
        code = errno;
    } else {
        reason = Refusal(st, use, code);
        if (!reason)
            return fd;
    }
    close(fd); // not used: nothing was written through it
    if (refusal)
        *refusal = reason ? reason : "";
    errno = code;
    return -1;
}

int CSafeFile::CreateTemporary(const std::string& prefix, std::string& path)
{
    std::vector<char> pattern(prefix.begin(), prefix.end());
    pattern.insert(pattern.end(), kRandomTail, 'X');
    pattern.push_back('\0');
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        path.assign(pattern.data());
    return fd;
}

bool CSafeFile::IsTemporaryName(const std::string& name, const std::string& prefix)
{
    if (name.size() != prefix.size() + kRandomTail || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}
