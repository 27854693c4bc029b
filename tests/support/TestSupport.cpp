#include "TestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "Clock.h"

namespace {
std::int64_t g_now = 0;
std::int64_t FixedNow()
{
    return g_now;
}
} // namespace

CScopedTimeZone::CScopedTimeZone(const char* zone)
{
    const char* previous = std::getenv("TZ");
    m_hadPrevious = previous != nullptr;
    if (previous)
        m_previous = previous;
    setenv("TZ", zone, 1);
    tzset();
}

CScopedTimeZone::~CScopedTimeZone()
{
    if (m_hadPrevious)
        setenv("TZ", m_previous.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

CScopedClock::CScopedClock(std::int64_t now)
{
    Set(now);
}

CScopedClock::~CScopedClock()
{
    SetClockHook(nullptr);
}

void CScopedClock::Set(std::int64_t now)
{
    g_now = now;
    SetClockHook(FixedNow);
}

CTempDir::CTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zelmorin-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

CTempDir::~CTempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool FileExists(const std::string& path)
{
    struct stat st
    {
    };
    return stat(path.c_str(), &st) == 0;
}

bool CanActAsOtherUser()
{
    return geteuid() == 0;
}

int RunAsOtherUser(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kOtherUser) != 0 || setuid(kOtherUser) != 0)
            _exit(125);
        _exit(body());
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
