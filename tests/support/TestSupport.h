#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

// Pins the local time zone for one test and restores the previous one afterwards.
class CScopedTimeZone
{
public:
    explicit CScopedTimeZone(const char* zone);
    ~CScopedTimeZone();

private:
    std::string m_previous;
    bool m_hadPrevious;
};

// Fixes "now" for one test; the system clock comes back afterwards.
class CScopedClock
{
public:
    explicit CScopedClock(std::int64_t now);
    ~CScopedClock();
    static void Set(std::int64_t now);
};

// A fresh directory under the system's temporary folder, removed with its content afterwards.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// How long a test waits for what takes a moment on an idle machine: room for one ten times
// busier. A bound on a hang, never a measure of speed.
constexpr std::chrono::seconds kPatience{60};
constexpr int kPatienceMs = 60000;

// Polls `ready` until it holds or kPatience passes; whether it held.
template <typename F> bool WaitUntil(F ready)
{
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The unprivileged user (nobody) that plays the second user of a shared folder.
constexpr unsigned kOtherUser = 65534;
// Whether this test may act as another user (it runs as root).
bool CanActAsOtherUser();
// Runs body in a child process as kOtherUser (no supplementary groups) and returns its exit
// status, or -1 when it did not exit normally. Call only when CanActAsOtherUser().
int RunAsOtherUser(const std::function<int()>& body);
