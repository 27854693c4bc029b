#include "ElapsedClock.h"

#include <atomic>
#include <ctime>

namespace {
// Atomic because the poller thread reads the clock while tests may set the hook.
std::atomic<ElapsedClockHook> g_hook{nullptr};
} // namespace

void SetElapsedClockHook(ElapsedClockHook hook)
{
    g_hook.store(hook);
}

std::int64_t ElapsedClockMs()
{
    if (ElapsedClockHook hook = g_hook.load())
        return hook();
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        clock_gettime(CLOCK_MONOTONIC, &now); // kernels without it still have this one
    return std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
