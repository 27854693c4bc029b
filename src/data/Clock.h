#pragma once

#include <cstdint>

// The one source of "now" for the whole program. Tests and the reporter's --now replace it.
using ClockHook = std::int64_t (*)();

// Installs a hook; nullptr restores the system clock.
void SetClockHook(ClockHook hook);

// Seconds since 1970-01-01 00:00:00 UTC, from the hook or the system clock.
std::int64_t ClockNow();
