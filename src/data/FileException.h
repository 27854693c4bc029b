#pragma once

#include <stdexcept>
#include <string>

// A file that could not be opened, written or replaced. Carries the file's path and the
// cause, so that the caller can tell the user exactly what went wrong.
class CFileException : public std::runtime_error
{
public:
    CFileException(const std::string& path, const std::string& cause, int error = 0);

    const std::string& GetPath() const { return m_strPath; }
    const std::string& GetCause() const { return m_strCause; }
    int GetErrno() const { return m_nErrno; }

    // Builds the exception from errno as it stands now.
    static CFileException FromErrno(const std::string& path, const std::string& action);

private:
    std::string m_strPath;
    std::string m_strCause;
    int m_nErrno;
};

// The log file was changed by someone else since it was read, in a way that is not a plain
// append. Nothing was written: overwriting would throw the other party's change away.
class CLogChangedException : public CFileException
{
public:
    explicit CLogChangedException(const std::string& path);
};
