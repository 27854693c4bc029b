#include "FuzzSupport.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

const std::string& FuzzFolder()
{
    static const std::string folder = [] {
        struct stat st
        {
        };
        const char* tmp = std::getenv("TMPDIR");
        std::string base = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : tmp ? tmp : "/tmp";
        std::string pattern = base + "/zelmorin-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        return pattern;
    }();
    return folder;
}

void FuzzWriteFile(const std::string& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    FUZZ_CHECK(out.good());
}

std::string FuzzReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    FUZZ_CHECK(in.good());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
