#include "LogGenerator.h"

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

const char* const kNames[] = {"Office", "Home ISP", "My  ISP", "Backup ISDN"};

// splitmix64: tiny, and unlike the standard distributions gives the same numbers everywhere.
struct SRandom
{
    std::uint64_t state;
    std::uint64_t Next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    std::int64_t Below(std::int64_t bound) { return static_cast<std::int64_t>(Next() % std::uint64_t(bound)); }
};

std::int64_t LocalInstant(int year, int month, int day)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&fields));
}

bool SameWallClock(const std::tm& a, const std::tm& b)
{
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday && a.tm_hour == b.tm_hour &&
           a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

bool Split(std::int64_t instant, std::tm& out)
{
    std::time_t t = static_cast<std::time_t>(instant);
    return localtime_r(&t, &out) != nullptr;
}

// The zones the benchmark runs in shift by whole hours.
bool IsAmbiguous(std::int64_t instant)
{
    std::tm at{}, other{};
    if (!Split(instant, at))
        return false;
    for (std::int64_t shift : {-3600, 3600})
        if (Split(instant + shift, other) && SameWallClock(at, other))
            return true;
    return false;
}

std::int64_t Unambiguous(std::int64_t instant)
{
    while (IsAmbiguous(instant))
        instant += 3600;
    return instant;
}

std::int64_t Duration(SRandom& random)
{
    std::int64_t bucket = random.Below(10);
    if (bucket < 2)
        return 1 + random.Below(59); // a failed or very short call
    if (bucket < 7)
        return 60 + random.Below(3540);
    return 3600 + random.Below(4 * 3600);
}

struct SFileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

std::int64_t GeneratedLastStart()
{
    return LocalInstant(2037, 12, 31);
}

bool GenerateLog(const std::string& path, std::size_t lines)
{
    std::unique_ptr<std::FILE, SFileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 20);

    const std::int64_t first = LocalInstant(1999, 1, 1);
    const std::int64_t span = GeneratedLastStart() - first;
    const std::int64_t slot = lines > 0 ? span / static_cast<std::int64_t>(lines) : span;
    SRandom random{lines};
    std::int64_t previous = first;
    for (std::size_t i = 0; i < lines; ++i) {
        std::int64_t start = first + span * static_cast<std::int64_t>(i) / static_cast<std::int64_t>(lines) +
                             (slot > 1 ? random.Below(slot) : 0);
        // Moving one start past a repeated hour may carry it beyond the next ones; keep the order.
        start = Unambiguous(start < previous ? previous : start);
        previous = start;
        std::int64_t end = Unambiguous(start + Duration(random));
        std::int64_t seconds = end - start;

        std::tm s{}, e{};
        if (!Split(start, s) || !Split(end, e))
            return false;
        const char* deleted = random.Below(250) == 0 ? "*" : "";
        const char* name = kNames[random.Below(sizeof kNames / sizeof kNames[0])];
        std::fprintf(
            file.get(), "%s%02d/%02d/%04d %02d:%02d:%02d  %02d/%02d/%04d %02d:%02d:%02d  %02lld:%02lld:%02lld  %s\r\n",
            deleted, s.tm_mday, s.tm_mon + 1, s.tm_year + 1900, s.tm_hour, s.tm_min, s.tm_sec, e.tm_mday, e.tm_mon + 1,
            e.tm_year + 1900, e.tm_hour, e.tm_min, e.tm_sec, static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60), name);
    }
    return std::fflush(file.get()) == 0 && !std::ferror(file.get());
}
