// The yardstick for `zelmorin-report totals` as a whole process: what a straightforward
// program would do. Every line through getline, sscanf and mktime into a vector of plain
// structs, then the four totals by the report's rules, printed as the report prints them.
//
// usage: zelmorin-reference-totals LOG "YYYY-MM-DD HH:MM:SS" WEEKSTART MONTHSTART [ENTRY]

#include "ReferenceReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

void Print(const char* label, long long seconds)
{
    std::printf("%s %02lld:%02lld:%02lld\n", label, seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr,
                     "usage: zelmorin-reference-totals LOG \"YYYY-MM-DD HH:MM:SS\" WEEKSTART MONTHSTART [ENTRY]\n");
        return 2;
    }
    std::tm now{};
    if (std::sscanf(argv[2], "%d-%d-%d %d:%d:%d", &now.tm_year, &now.tm_mon, &now.tm_mday, &now.tm_hour, &now.tm_min,
                    &now.tm_sec) != 6)
        return 2;
    now.tm_year -= 1900;
    now.tm_mon -= 1;
    now.tm_isdst = -1;
    std::mktime(&now);
    const int weekStart = std::atoi(argv[3]), monthStart = std::atoi(argv[4]);
    const std::string entry = argc == 6 ? argv[5] : "";

    const std::vector<SReferenceRecord> records = ReadReference(argv[1]);

    const int year = now.tm_year + 1900, month = now.tm_mon + 1, day = now.tm_mday;
    // The week's first day, counted back in calendar days from noon.
    std::tm first = now;
    first.tm_mday -= (now.tm_wday - weekStart + 7) % 7;
    first.tm_hour = 12;
    first.tm_min = first.tm_sec = 0;
    first.tm_isdst = -1;
    std::mktime(&first);
    const int wy = first.tm_year + 1900, wm = first.tm_mon + 1, wd = first.tm_mday;
    const int py = month == 1 ? year - 1 : year, pm = month == 1 ? 12 : month - 1;

    long long total = 0, today = 0, week = 0, period = 0;
    for (const SReferenceRecord& r : records) {
        if (r.deleted || (!entry.empty() && r.name != entry))
            continue;
        const long long length = r.end - r.start;
        total += length;
        const bool thisMonth = r.year == year && r.month == month;
        if (thisMonth && r.day == day)
            today += length;
        // A week inside the month runs from its first day to today; one that began in the
        // month before takes the whole of this month and the days since its start.
        if (wm == month ? thisMonth && r.day >= wd && r.day <= day
                        : thisMonth || (r.year == wy && r.month == wm && r.day >= wd))
            week += length;
        if (day < monthStart ? thisMonth || (r.year == py && r.month == pm && r.day >= monthStart)
                             : thisMonth && r.day >= monthStart)
            period += length;
    }
    Print("Total", total);
    Print("Today", today);
    Print("Week", week);
    Print("Month", period);
    return 0;
}
