#pragma once

#include <string>
#include <sys/stat.h>

// Opening the program's own files in its data folder, which may be shared with other users:
// never through a symbolic link (O_NOFOLLOW), never anything but a regular file, and, to
// write, only a file of this user's with no other name (a hard link would let another user
// aim our writes at a file of ours elsewhere). Temporary files get unpredictable names and are
// created exclusively, so that nobody can plant a file or a link in their place.
class CSafeFile
{
public:
    enum class Use
    {
        Read,
        Write
    };

    // Opens path with flags plus O_NOFOLLOW, O_NONBLOCK (a pipe never holds up the open or a
    // read), O_CLOEXEC and O_NOCTTY; a file it creates is private (0600). Returns the
    // descriptor, or -1 with errno set and, when refusal is given, the reason in words.
    static int Open(const std::string& path, int flags, Use use, std::string* refusal = nullptr);
    // The reason an open file must not be used so, or nullptr; code receives the errno to report.
    static const char* Refusal(const struct stat& st, Use use, int& code);
    // Creates "<prefix>XXXXXX" with a random tail, exclusively and private (mkostemp); returns
    // the descriptor (close-on-exec) and its path, or -1 with errno set.
    static int CreateTemporary(const std::string& prefix, std::string& path);
    // Whether an entry of a folder is a temporary file of this user's made by CreateTemporary
    // with this prefix (the name only; the caller checks the file itself with IsOwnRegular).
    static bool IsTemporaryName(const std::string& name, const std::string& prefix);
    static bool IsOwnRegular(const struct stat& st);
};
