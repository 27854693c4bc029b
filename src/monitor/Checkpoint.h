#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UserMessage.h"

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
// checkpoint. Binary, little-endian: start (uint32), checkpoint time (uint32), the name's length
// (one byte under 255; else 0xFF and a 16-bit length under 0xFFFE; else 0xFF, 0xFFFF and a
// 32-bit length), then the name's bytes.
//
// Beside it, "~$ZMPEND.$$$" holds, as log lines, finished connections that could not be written
// to the log and had to give up the checkpoint file to a new connection.
//
// Both files are replaced atomically (a temporary file beside them, renamed over them); when no
// file can be created in the folder, they are rewritten in place (truncated, written, synced)
// and "removed" by truncating them to nothing, so an empty checkpoint or pending file means
// none. Failures never stop the program or the polling: the callers hear of them through the
// result and GetLastError(), and the recovery through GetProblems().
class CCheckpoint
{
public:
    // The largest files a start reads; anything bigger was not written by this program.
    static constexpr long long kMaxCheckpointBytes = 1 << 20;
    static constexpr long long kMaxPendingBytes = 4 << 20;

    // dataPrefix: the data directory followed by "/", or empty for the current directory.
    explicit CCheckpoint(const std::string& dataPrefix);

    const std::string& GetPath() const { return m_strPath; }
    const std::string& GetPendingPath() const { return m_strPendingPath; }

    static std::string Encode(CTime start, CTime checkpointTime, const std::string& name);
    // False when the bytes are not one whole checkpoint (short, with bytes left over, or a
    // checkpoint time before the start).
    static bool Decode(const std::string& bytes, CTime& start, CTime& checkpointTime, std::string& name);

    // False when it cannot be written; a crash mid-write leaves the previous checkpoint (or,
    // written in place, a file that the next start sets aside as damaged).
    bool WriteCheckpoint(CTime start, CTime checkpointTime, const std::string& name);
    // At start-up: appends what an earlier run left (the pending connections, then the
    // checkpoint) to the log, each unless the log already holds it, and only then removes the
    // files. A file whose record cannot be appended stays for the next start; a checkpoint that
    // cannot be decoded is set aside (renamed with ".damaged"), never turned into a made-up
    // record; a file that is not a regular file, too big or unreadable is left alone. Returns
    // how many records were appended. Temporary files left by a writer that died are removed.
    int RecoverCheckpoint(CConnectionLog& log);
    // False when a checkpoint is left that could neither be removed nor emptied.
    bool RemoveCheckpoint();

    // The running connection as the checkpoint holds it, read and left as it is (for readers
    // beside the program); false when there is none or it cannot be decoded. A file that
    // cannot be read is told in GetProblems().
    bool ReadCheckpoint(CTime& start, CTime& checkpointTime, std::string& name);

    // Keeps connections that could not be logged, as log lines; an empty list removes the file.
    bool WritePending(const std::vector<SPendingRecord>& records);

    // Why the last write or removal failed: the path and the cause.
    const std::string& GetLastError() const { return m_strLastError; }
    // What the last recovery could not do, one sentence each; empty when all went well.
    const std::vector<CUserMessage>& GetProblems() const { return m_problems; }

private:
    enum class ERead
    {
        Missing,
        Read,
        Unusable // reported in m_problems
    };

    ERead ReadSmallFile(const std::string& path, long long limit, std::string& bytes);
    bool WriteFile(const std::string& path, const std::string& bytes);
    bool RemoveFile(const std::string& path);
    void SetAside(const std::string& path);
    // Removes the temporary files that writers killed mid-write left beside the two files.
    void RemoveLeftovers() const;

    std::string m_strPath;
    std::string m_strPendingPath;
    std::string m_strLastError;
    std::vector<CUserMessage> m_problems;
};
