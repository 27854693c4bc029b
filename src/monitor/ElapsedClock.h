#pragma once

#include <cstdint>

// Milliseconds on a clock that never jumps: the boot-time clock, which also counts the time
// spent in suspend. Running times are measured on it, so a wall clock set back or forward
// during a connection changes neither its length nor its end.
using ElapsedClockHook = std::int64_t (*)();

// Installs a hook for tests; nullptr restores the boot-time clock.
void SetElapsedClockHook(ElapsedClockHook hook);

std::int64_t ElapsedClockMs();
