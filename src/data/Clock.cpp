#include "Clock.h"

#include <atomic>
#include <ctime>

namespace {
// Atomic because the poller thread reads the time while tests may set the hook.
std::atomic<ClockHook> g_hook{nullptr};
} // namespace

void SetClockHook(ClockHook hook)
{
    g_hook.store(hook);
}

std::int64_t ClockNow()
{
    ClockHook hook = g_hook.load();
    return hook ? hook() : static_cast<std::int64_t>(std::time(nullptr));
}
