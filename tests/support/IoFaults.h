#pragma once

// Makes one call of write, fsync, rename or close fail, for the fault tests. The test program
// that links IoFaults.cpp replaces those C library functions for all the code it holds: while
// nothing is armed they pass every call through; once armed they count the calls of one kind
// and fail the Nth one as the system would (the descriptor of a failed close is still closed).
namespace IoFaults {

enum class Call
{
    Write, // write and pwrite
    Fsync,
    Rename,
    Close
};

const char* Name(Call call);
void Arm(Call call, int nth, int error);
// Stops counting; true if the armed call was reached and failed.
bool Disarm();
// While on, every flock fails with ENOLCK, as on a file system without locks.
void DenyLocks(bool on);

} // namespace IoFaults
