#pragma once

#include <string>
#include <string_view>

// A buffered output file whose every failure raises CFileException naming the file.
//
// A regular file (new or existing) is replaced: the data goes to a temporary file beside the
// target, which is renamed over the target only in Commit(), after the data has reached the
// disk; a crash or a full disk leaves either the old file or the new one, never a torn one.
// The owner, group and mode of an existing target are kept. An object destroyed without
// Commit() removes its temporary file and leaves the target untouched; a temporary file that a
// crashed process of this user's left behind is removed by the next rewrite in the same folder
// (nobody else's file, and nothing but our exact name). A symbolic link is followed, except
// another user's link in a sticky folder that everyone may write (the kernel's
// protected_symlinks rule).
//
// Anything else that can be written is written in place: a pipe, a character device, and the
// process's own descriptors named as /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N.
// A pipe is opened without waiting: one that nothing reads is refused. A folder, a block
// device and a file that cannot be opened for writing (also for root: one without any write
// permission) are refused.
class COutputFile
{
public:
    enum class Mode
    {
        Replace
    };

    COutputFile(const std::string& path, Mode mode = Mode::Replace);
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Whether the target is written in place rather than replaced.
    bool IsInPlace() const { return m_bInPlace; }

    void Write(std::string_view bytes);
    // Flushes, syncs, closes and (when replacing) renames over the target and syncs its folder.
    void Commit();

    // Writes every byte, at offset when it is not negative, else at the descriptor's position;
    // false with errno set when a write fails or makes no progress.
    static bool WriteFully(int fd, const char* data, std::size_t size, long long offset = -1);
    // The prefix of the temporary files of a rewrite.
    static constexpr const char* kTemporaryPrefix = ".zelmorin-";

private:
    void OpenInPlace(const std::string& path, int fd);
    void OpenTemporary(const struct stat* existing);
    void Flush();
    void Abandon() noexcept;

    std::string m_strTarget;
    std::string m_strWritePath; // the temporary file when replacing
    bool m_bInPlace = false;
    int m_fd = -1;
    int m_nMarkFd = -1; // holds the temporary file's "in use" lock until after the rename
    std::string m_buffer;
};
