#include "Checkpoint.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

#include "Connection.h"
#include "ConnectionLog.h"
#include "FileException.h"
#include "OutputFile.h"

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetLe(const std::string& in, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(in[at + std::size_t(i)])) << (8 * i);
    return value;
}

bool Exists(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0;
}

// Reads a whole small file; false if it cannot be opened or read.
bool ReadAll(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

CCheckpoint::CCheckpoint(const std::string& dataPrefix)
    : m_strPath(dataPrefix + "~$ZMCUR.$$$"), m_strPendingPath(dataPrefix + "~$ZMPEND.$$$")
{
}

std::string CCheckpoint::Encode(CTime start, CTime checkpointTime, const std::string& rawName)
{
    // The name is stored as the log line will hold it.
    const std::string name = CConnection::LineSafeName(rawName);
    std::string out;
    PutLe(out, static_cast<std::uint32_t>(start.GetTime()), 4);
    PutLe(out, static_cast<std::uint32_t>(checkpointTime.GetTime()), 4);
    std::size_t length = name.size();
    if (length < 0xFF) {
        PutLe(out, std::uint32_t(length), 1);
    } else if (length < 0xFFFE) {
        PutLe(out, 0xFF, 1);
        PutLe(out, std::uint32_t(length), 2);
    } else {
        PutLe(out, 0xFF, 1);
        PutLe(out, 0xFFFF, 2);
        PutLe(out, std::uint32_t(length), 4);
    }
    return out + name;
}

bool CCheckpoint::Decode(const std::string& bytes, CTime& start, CTime& checkpointTime, std::string& name)
{
    if (bytes.size() < 9)
        return false;
    start = CTime(static_cast<std::int32_t>(GetLe(bytes, 0, 4)));
    checkpointTime = CTime(static_cast<std::int32_t>(GetLe(bytes, 4, 4)));
    std::size_t at = 8;
    std::uint64_t length = GetLe(bytes, at++, 1);
    if (length == 0xFF) {
        if (bytes.size() < at + 2)
            return false;
        length = GetLe(bytes, at, 2);
        at += 2;
        if (length == 0xFFFF) {
            if (bytes.size() < at + 4)
                return false;
            length = GetLe(bytes, at, 4);
            at += 4;
        }
    }
    if (bytes.size() != at + length || !start.IsValid() || !checkpointTime.IsValid())
        return false;
    name = bytes.substr(at);
    return true;
}

bool CCheckpoint::WriteCheckpoint(CTime start, CTime checkpointTime, const std::string& name)
{
    try {
        COutputFile file(m_strPath, COutputFile::Mode::Replace);
        file.Write(Encode(start, checkpointTime, name));
        file.Commit();
        return true;
    } catch (const CFileException&) {
        return false; // silent: the next checkpoint tries again
    }
}

void CCheckpoint::RemoveCheckpoint()
{
    if (Exists(m_strPath))
        std::remove(m_strPath.c_str()); // silent: a file that stays is recovered at the next start
}

bool CCheckpoint::WritePending(const std::vector<SPendingRecord>& records)
{
    if (records.empty()) {
        if (Exists(m_strPendingPath))
            return std::remove(m_strPendingPath.c_str()) == 0;
        return true;
    }
    try {
        COutputFile file(m_strPendingPath, COutputFile::Mode::Replace);
        for (const SPendingRecord& record : records)
            CConnection(record.start, record.end, record.name).Write(file, "  ", true);
        file.Commit();
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

void CCheckpoint::SetAside(const std::string& path)
{
    std::string target = path + ".damaged";
    for (int n = 2; Exists(target) && n < 1000; ++n)
        target = path + ".damaged-" + std::to_string(n);
    std::rename(path.c_str(), target.c_str()); // silent: at worst the same file is met again
}

int CCheckpoint::RecoverCheckpoint(CConnectionLog& log)
{
    int appended = 0;
    std::string bytes;
    if (Exists(m_strPendingPath) && ReadAll(m_strPendingPath, bytes)) {
        // Pending lines are log lines; a plain copy to the log keeps any it cannot read.
        std::vector<SPendingRecord> left;
        std::size_t pos = 0;
        bool failed = false;
        while (pos < bytes.size()) {
            std::size_t end = bytes.find('\n', pos);
            std::string line = bytes.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            pos = end == std::string::npos ? bytes.size() : end + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            auto record = CConnection::FromLine(line);
            if (!record)
                continue; // only this program writes the file, and every line it writes parses
            if (!failed) {
                try {
                    log.Append(record->GetStart(), record->GetEnd(), record->m_strName);
                    ++appended;
                    continue;
                } catch (const CFileException&) {
                    failed = true;
                }
            }
            left.push_back({record->GetStart(), record->GetEnd(), record->m_strName});
        }
        WritePending(left);
    }

    if (!Exists(m_strPath))
        return appended;
    CTime start, checkpointTime;
    std::string name;
    if (!ReadAll(m_strPath, bytes) || !Decode(bytes, start, checkpointTime, name)) {
        SetAside(m_strPath);
        return appended;
    }
    try {
        log.Append(start, checkpointTime, name);
    } catch (const CFileException&) {
        return appended; // the checkpoint stays until its record is in the log
    }
    RemoveCheckpoint();
    return appended + 1;
}
