#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Stops the run on a broken invariant: libFuzzer keeps the input, the replay fails its test.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);                         \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

// A folder for the files of one fuzzing process, in memory where the system has /dev/shm so
// that syncing costs nothing.
const std::string& FuzzFolder();
void FuzzWriteFile(const std::string& path, const void* data, std::size_t size);
std::string FuzzReadFile(const std::string& path);
