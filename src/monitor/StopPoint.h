#pragma once

// A named step between two writes that must survive a kill at any moment. When the
// environment variable ZELMORIN_STOP_AT names the step, the process kills itself there with
// SIGKILL, so that the fault tests can stop it exactly between the two writes.
void StopPoint(const char* step);
