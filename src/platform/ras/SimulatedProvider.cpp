#include "SimulatedProvider.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kBlanks = " \t\r";

std::uint64_t HandleOf(const std::string& name, unsigned occurrence)
{
    std::uint64_t hash = 14695981039346656037ULL;
    auto mix = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 1099511628211ULL;
    };
    for (char c : name)
        mix(static_cast<unsigned char>(c));
    // The separator keeps ("ab", 1) and ("a", ...) apart.
    mix(0);
    for (int shift = 0; shift < 32; shift += 8)
        mix(static_cast<unsigned char>(occurrence >> shift));
    return hash == 0 ? 1 : hash;
}

} // namespace

CSimulatedProvider::CSimulatedProvider(std::string path) : m_strPath(std::move(path)) {}

std::string CSimulatedProvider::ReadHead(const std::string& path)
{
    std::string bytes;
    // Non-blocking, and only a regular file: a pipe or a device must never hold up the poller.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    struct stat st
    {
    };
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(kMaxFileBytes);
        std::size_t got = 0;
        while (got < bytes.size()) {
            ssize_t n = read(fd, &bytes[got], bytes.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += std::size_t(n);
        }
        bytes.resize(got);
    }
    close(fd);
    return bytes;
}

std::vector<CSimulatedProvider::SLine> CSimulatedProvider::ReadLines() const
{
    std::vector<SLine> lines;
    std::istringstream in(ReadHead(m_strPath));
    std::map<std::string, unsigned> occurrences;
    std::string text;
    while (std::getline(in, text)) {
        std::size_t keywordStart = text.find_first_not_of(kBlanks);
        if (keywordStart == std::string::npos || text[keywordStart] == '#')
            continue;
        std::size_t keywordEnd = text.find_first_of(kBlanks, keywordStart);
        std::size_t nameStart = text.find_first_not_of(kBlanks, keywordEnd);
        if (keywordEnd == std::string::npos || nameStart == std::string::npos)
            continue;
        const std::string keyword = text.substr(keywordStart, keywordEnd - keywordStart);
        SLine line;
        line.strName = ClampEntryName(text.substr(nameStart, text.find_last_not_of(kBlanks) - nameStart + 1));
        if (keyword == "connected") {
            line.bConnection = line.bConnected = true;
        } else if (keyword == "dialling" || keyword == "dialing") {
            line.bConnection = true;
        } else if (keyword != "entry") {
            continue;
        }
        if (line.bConnection)
            line.nHandle = HandleOf(line.strName, occurrences[line.strName]++);
        lines.push_back(std::move(line));
    }
    return lines;
}

int CSimulatedProvider::EnumConnections(SRasConnection* out, int capacity)
{
    if (!out || capacity <= 0)
        return 0;
    int count = 0;
    for (const SLine& line : ReadLines()) {
        if (count >= capacity)
            break;
        if (!line.bConnection)
            continue;
        out[count].handle = line.nHandle;
        out[count].entryName = line.strName;
        ++count;
    }
    return count;
}

int CSimulatedProvider::GetConnectStatus(std::uint64_t handle)
{
    for (const SLine& line : ReadLines()) {
        if (line.bConnection && line.nHandle == handle)
            return line.bConnected ? kConnected : kDialling;
    }
    return kDialling;
}

std::vector<std::string> CSimulatedProvider::EnumEntries()
{
    std::vector<std::string> entries;
    for (const SLine& line : ReadLines()) {
        if (std::find(entries.begin(), entries.end(), line.strName) == entries.end())
            entries.push_back(line.strName);
    }
    return entries;
}
