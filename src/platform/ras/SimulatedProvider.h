#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RasProvider.h"

// A connection service played from a small text file, for demos and tests. The file is read
// again on every call, so editing it while the program runs changes what the program sees.
//
// One item per line: a keyword, blanks (tabs or spaces), then an entry name that runs to the end
// of the line (blanks around it are dropped, blanks inside it are kept):
//
//     # comment
//     entry       Backup ISDN
//     connected   Office
//     dialling    Home ISP
//
//   entry NAME      a phone-book entry with no connection
//   connected NAME  a connection of entry NAME that is on line
//   dialling NAME   a connection of entry NAME that is not on line yet ("dialing" also works)
//
// Blank lines, lines whose first non-blank is '#', and lines with another keyword (keywords are
// lower case) or no name are skipped. Entries are every name the file mentions, entry or
// connection, once each, in the order of first mention. Connections are listed in file order;
// the same name may be connected more than once. A missing or unreadable file, or one that is not a regular file, means
// no connections and no entries.
//
// A connection's handle is derived from its name and how many connection lines with that name
// come before it, so it stays the same while its line stays, whatever else is edited (its state
// included).
class CSimulatedProvider : public CRasProvider
{
public:
    explicit CSimulatedProvider(std::string path);

    int EnumConnections(SRasConnection* out, int capacity) override;
    int GetConnectStatus(std::uint64_t handle) override;
    std::vector<std::string> EnumEntries() override;
    std::string GetServiceName() const override { return "simulator"; }

    const std::string& FilePath() const { return m_strPath; }

    // Only this much of the file is read; a longer file is cut there.
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;
    // The file's first kMaxFileBytes, or nothing when it is not a readable regular file.
    static std::string ReadHead(const std::string& path);

private:
    struct SLine
    {
        bool bConnection = false;
        bool bConnected = false;
        std::string strName;
        std::uint64_t nHandle = 0; // connections only
    };

    std::vector<SLine> ReadLines() const;

    std::string m_strPath;
};
