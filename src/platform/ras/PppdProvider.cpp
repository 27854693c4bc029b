#include "PppdProvider.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string_view>
#include <unistd.h>

namespace {

constexpr unsigned long kIffUp = 0x1;
const char* const kPidFolders[] = {"/run", "/run/pppd", "/run/ppp"};

enum class EReadResult
{
    Ok,
    Missing,    // no such file: the process or interface is gone
    Unreadable, // there, but we may not read it
};

// Reads at most `limit` bytes of a small system file.
EReadResult ReadFileHead(const std::string& path, std::string& content, std::size_t limit)
{
    content.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? EReadResult::Missing : EReadResult::Unreadable;
    char buffer[4096];
    EReadResult result = EReadResult::Ok;
    while (content.size() < limit) {
        ssize_t got = read(fd, buffer, std::min(sizeof(buffer), limit - content.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            // ESRCH: the process exited while we read its cmdline.
            result = errno == ESRCH ? EReadResult::Missing : EReadResult::Unreadable;
            break;
        }
        if (got == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return result;
}

std::vector<std::string> SplitCmdline(const std::string& cmdline)
{
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start < cmdline.size()) {
        std::size_t end = cmdline.find('\0', start);
        if (end == std::string::npos)
            end = cmdline.size();
        args.push_back(cmdline.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

bool IsPppd(std::string_view cmdline)
{
    std::string_view program = cmdline.substr(0, cmdline.find('\0'));
    std::size_t slash = program.rfind('/');
    return (slash == std::string_view::npos ? program : program.substr(slash + 1)) == "pppd";
}

std::string OptionValue(const std::vector<std::string>& args, const char* option)
{
    for (std::size_t i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == option)
            return args[i + 1];
    }
    return {};
}

bool IsDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ParsePid(const std::string& text, int& pid)
{
    if (text.size() > 9 || !IsDigits(text))
        return false;
    pid = std::atoi(text.c_str());
    return pid > 0;
}

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string> ListFolder(const std::string& path)
{
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir))
        names.emplace_back(entry->d_name);
    closedir(dir);
    return names;
}

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

CPppdProvider::CPppdProvider(std::string rootDir) : m_strRoot(std::move(rootDir))
{
    while (!m_strRoot.empty() && m_strRoot.back() == '/')
        m_strRoot.pop_back();
}

std::vector<CPppdProvider::SPidFile> CPppdProvider::ReadPidFiles() const
{
    std::vector<SPidFile> pidFiles;
    for (const char* folder : kPidFolders) {
        const std::string folderPath = Path(folder);
        for (const std::string& name : ListFolder(folderPath)) {
            if (name.size() <= 7 || name.compare(0, 3, "ppp") != 0 || !EndsWith(name, ".pid"))
                continue;
            const std::string stem = name.substr(0, name.size() - 4);
            SPidFile pidFile;
            if (stem[3] == '-') {
                pidFile.strLinkName = stem.substr(4);
            } else if (IsDigits(std::string_view(stem).substr(3))) {
                pidFile.strInterface = stem;
            } else {
                continue;
            }
            std::string content;
            if (ReadFileHead(folderPath + "/" + name, content, 1024) != EReadResult::Ok)
                continue;
            std::size_t newline = content.find('\n');
            if (!ParsePid(Trimmed(content.substr(0, newline)), pidFile.nPid))
                continue;
            if (pidFile.strInterface.empty() && newline != std::string::npos) {
                std::string second = content.substr(newline + 1);
                pidFile.strInterface = Trimmed(second.substr(0, second.find('\n')));
            }
            pidFiles.push_back(std::move(pidFile));
        }
    }
    return pidFiles;
}

CPppdProvider::SLink CPppdProvider::Describe(int pid, const std::vector<std::string>& args,
                                             const std::vector<SPidFile>& pidFiles) const
{
    SLink link;
    link.nPid = pid;
    std::string pidFileLink;
    for (const SPidFile& pidFile : pidFiles) {
        if (pidFile.nPid != pid)
            continue;
        if (pidFileLink.empty())
            pidFileLink = pidFile.strLinkName;
        if (link.strInterface.empty())
            link.strInterface = pidFile.strInterface;
    }
    link.strName = OptionValue(args, "call");
    if (link.strName.empty())
        link.strName = OptionValue(args, "linkname");
    if (link.strName.empty())
        link.strName = pidFileLink;
    if (link.strName.empty())
        link.strName = link.strInterface.empty() ? "pppd" : link.strInterface;
    return link;
}

std::vector<CPppdProvider::SLink> CPppdProvider::FindLinks() const
{
    const std::vector<SPidFile> pidFiles = ReadPidFiles();
    std::map<int, SLink> links;
    std::string cmdline;
    const std::string procPath = Path("/proc");
    // This runs over every process each poll, so it costs one open and usually one read each.
    if (DIR* dir = opendir(procPath.c_str())) {
        char head[512];
        while (const dirent* entry = readdir(dir)) {
            int pid = 0;
            if (!ParsePid(entry->d_name, pid))
                continue;
            int fd = openat(dirfd(dir), (std::string(entry->d_name) + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            ssize_t got = read(fd, head, sizeof(head));
            close(fd);
            if (got <= 0 || !IsPppd(std::string_view(head, static_cast<std::size_t>(got))))
                continue;
            // The head may have cut argv[0] short, so the whole line is checked again.
            if (ReadFileHead(procPath + "/" + entry->d_name + "/cmdline", cmdline, 1 << 20) == EReadResult::Ok &&
                IsPppd(cmdline))
                links[pid] = Describe(pid, SplitCmdline(cmdline), pidFiles);
        }
        closedir(dir);
    }
    for (const SPidFile& pidFile : pidFiles) {
        if (links.count(pidFile.nPid))
            continue;
        // Not seen as a pppd above: the pid file counts only when the process exists and its
        // command line cannot be read.
        EReadResult result = ReadFileHead(procPath + "/" + std::to_string(pidFile.nPid) + "/cmdline", cmdline, 4096);
        if (result == EReadResult::Unreadable)
            links[pidFile.nPid] = Describe(pidFile.nPid, {}, pidFiles);
    }
    std::vector<SLink> sorted;
    sorted.reserve(links.size());
    for (auto& entry : links)
        sorted.push_back(std::move(entry.second));
    return sorted;
}

bool CPppdProvider::IsInterfaceUp(const std::string& interface) const
{
    if (interface.empty() || interface.find('/') != std::string::npos || interface[0] == '.')
        return false;
    std::string flags;
    if (ReadFileHead(Path("/sys/class/net/") + interface + "/flags", flags, 64) != EReadResult::Ok)
        return false;
    char* end = nullptr;
    unsigned long value = std::strtoul(flags.c_str(), &end, 16);
    return end != flags.c_str() && (value & kIffUp) != 0;
}

int CPppdProvider::EnumConnections(SRasConnection* out, int capacity)
{
    if (!out || capacity <= 0)
        return 0;
    int count = 0;
    for (const SLink& link : FindLinks()) {
        if (count >= capacity)
            break;
        out[count].handle = static_cast<std::uint64_t>(link.nPid);
        out[count].entryName = ClampEntryName(link.strName);
        ++count;
    }
    return count;
}

int CPppdProvider::GetConnectStatus(std::uint64_t handle)
{
    if (handle == 0 || handle > 999999999)
        return kDialling;
    const int pid = static_cast<int>(handle);
    std::string cmdline;
    EReadResult result = ReadFileHead(Path("/proc/") + std::to_string(pid) + "/cmdline", cmdline, 4096);
    if (result == EReadResult::Missing || (result == EReadResult::Ok && !IsPppd(cmdline)))
        return kDialling;
    const std::vector<SPidFile> pidFiles = ReadPidFiles();
    if (result == EReadResult::Unreadable &&
        std::none_of(pidFiles.begin(), pidFiles.end(), [pid](const SPidFile& file) { return file.nPid == pid; }))
        return kDialling;
    return IsInterfaceUp(Describe(pid, {}, pidFiles).strInterface) ? kConnected : kDialling;
}

bool CPppdProvider::IsServiceInstalled() const
{
    for (const char* place : {"/usr/sbin/pppd", "/sbin/pppd", "/usr/bin/pppd", "/usr/local/sbin/pppd"})
        if (access(Path(place).c_str(), X_OK) == 0)
            return true;
    std::error_code error; // an unreadable folder counts as no folder
    return std::filesystem::is_directory(Path("/etc/ppp/peers"), error);
}

std::vector<std::string> CPppdProvider::EnumEntries()
{
    std::vector<std::string> entries;
    std::error_code error;
    // A missing or unreadable folder lists nothing.
    for (std::filesystem::directory_iterator it(Path("/etc/ppp/peers"), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code statError;
        if (name.empty() || name[0] == '.' || name.back() == '~' || !it->is_regular_file(statError))
            continue;
        entries.push_back(ClampEntryName(name));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}
