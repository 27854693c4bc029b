#pragma once

#include <string>
#include <string_view>

// A buffered output file whose every failure raises CFileException naming the file.
//
// Replace mode writes a temporary file beside the target and renames it over the target only
// in Commit(), after the data has reached the disk: a crash or a full disk leaves either the
// old file or the new one, never a torn one. An object destroyed without Commit() removes its
// temporary file and leaves the target untouched.
class COutputFile
{
public:
    enum class Mode
    {
        Replace
    };

    COutputFile(const std::string& path, Mode mode);
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    void Write(std::string_view bytes);
    // Flushes, syncs, closes and (in replace mode) renames over the target.
    void Commit();

    // Writes every byte, at offset when it is not negative, else at the descriptor's position;
    // false with errno set when a write fails or makes no progress.
    static bool WriteFully(int fd, const char* data, std::size_t size, long long offset = -1);

private:
    void Flush();
    void Abandon() noexcept;

    std::string m_strTarget;
    std::string m_strWritePath; // the temporary file in replace mode, else the target
    Mode m_mode;
    int m_fd = -1;
    std::string m_buffer;
};
