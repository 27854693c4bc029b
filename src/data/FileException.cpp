#include "FileException.h"

#include <cerrno>
#include <cstring>

CFileException::CFileException(const std::string& path, const std::string& cause, int error)
    : std::runtime_error(path + ": " + cause), m_strPath(path), m_strCause(cause), m_nErrno(error)
{
}

CFileException CFileException::FromErrno(const std::string& path, const std::string& action)
{
    int error = errno;
    return CFileException(path, action + ": " + std::strerror(error), error);
}

CLogChangedException::CLogChangedException(const std::string& path)
    : CFileException(path, "the file was changed by another program since it was read; nothing was written")
{
}
