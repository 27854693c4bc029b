#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Time.h"

class CConnectionLog;

// One finished connection that is not in the log yet.
struct SPendingRecord
{
    CTime start;
    CTime end;
    std::string name;
};

// The running connection's checkpoint file, "~$ZMCUR.$$$" beside the log: so that a connection
// still running when the program stops reaches the log at the next start, ending at its last
// checkpoint. Binary, little-endian: start (int32), checkpoint time (int32), the name's length
// (one byte under 255; else 0xFF and a 16-bit length under 0xFFFE; else 0xFF, 0xFFFF and a
// 32-bit length), then the name's bytes.
//
// Beside it, "~$ZMPEND.$$$" holds, as log lines, finished connections that could not be written
// to the log and had to give up the checkpoint file to a new connection.
//
// Failures to write or remove are silent on purpose: the checkpoint must never stop the
// program or the polling.
class CCheckpoint
{
public:
    // dataPrefix: the data directory followed by "/", or empty for the current directory.
    explicit CCheckpoint(const std::string& dataPrefix);

    const std::string& GetPath() const { return m_strPath; }
    const std::string& GetPendingPath() const { return m_strPendingPath; }

    static std::string Encode(CTime start, CTime checkpointTime, const std::string& name);
    // False when the bytes are not one whole checkpoint (short, or with bytes left over).
    static bool Decode(const std::string& bytes, CTime& start, CTime& checkpointTime, std::string& name);

    // Replaces the file atomically, so a crash mid-write leaves the previous checkpoint. False
    // (and nothing else) when it cannot be written.
    bool WriteCheckpoint(CTime start, CTime checkpointTime, const std::string& name);
    // At start-up: appends what an earlier run left (the pending connections, then the
    // checkpoint) to the log and removes the files. A file whose record cannot be appended
    // stays for the next start; a checkpoint that cannot be decoded is set aside (renamed
    // with ".damaged"), never turned into a made-up record. Returns how many records were
    // appended.
    int RecoverCheckpoint(CConnectionLog& log);
    void RemoveCheckpoint();

    // Keeps connections that could not be logged, as log lines; an empty list removes the file.
    bool WritePending(const std::vector<SPendingRecord>& records);

private:
    void SetAside(const std::string& path);

    std::string m_strPath;
    std::string m_strPendingPath;
};
