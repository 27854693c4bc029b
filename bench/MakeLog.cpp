// Writes the benchmarks' generated log, for measurements that run whole processes on it.
// usage: zelmorin-make-log FILE LINES (TZ is pinned to Europe/Rome, as in zelmorin-bench)

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "LogGenerator.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: zelmorin-make-log FILE LINES\n");
        return 2;
    }
    setenv("TZ", "Europe/Rome", 1);
    tzset();
    char* end = nullptr;
    const unsigned long long lines = std::strtoull(argv[2], &end, 10);
    if (*argv[2] == '\0' || *end != '\0' || lines == 0) {
        std::fprintf(stderr, "zelmorin-make-log: LINES must be a positive number\n");
        return 2;
    }
    if (!GenerateLog(argv[1], std::size_t(lines))) {
        std::fprintf(stderr, "zelmorin-make-log: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
