// The log reader composes local times through a per-day shortcut; these tests hold it to the
// C library's mktime for every second of the hours around every offset change from 1970 to
// 2037, in zones with one-hour and half-hour shifts on both hemispheres.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <vector>

#include "ConnectionLog.h"
#include "LogLineParser.h"
#include "TestSupport.h"
#include "Time.h"

namespace {

long OffsetAt(std::time_t t)
{
    std::tm fields{};
    localtime_r(&t, &fields);
    return fields.tm_gmtoff;
}

// Every instant at which the UTC offset changes, 1970-2037.
std::vector<std::time_t> OffsetChanges()
{
    std::vector<std::time_t> changes;
    const std::time_t last = 2145916800; // 2038-01-01 UTC
    for (std::time_t t = 86400; t < last; t += 6 * 3600) {
        if (OffsetAt(t) == OffsetAt(t - 6 * 3600))
            continue;
        std::time_t low = t - 6 * 3600, high = t; // offset(low) != offset(high)
        while (high - low > 1) {
            std::time_t mid = low + (high - low) / 2;
            (OffsetAt(mid) == OffsetAt(low) ? low : high) = mid;
        }
        changes.push_back(high);
    }
    return changes;
}

std::time_t RawMktime(const std::tm& wall)
{
    std::tm copy = wall;
    copy.tm_isdst = -1;
    return std::mktime(&copy);
}

void CheckZone(const char* zone, std::size_t minimumChanges)
{
    CScopedTimeZone pinned(zone);
    std::vector<std::time_t> changes = OffsetChanges();
    ASSERT_GE(changes.size(), minimumChanges) << zone;

    CLogLineParser parser; // one parser per zone, so that its day cache is exercised
    long mismatches = 0, ambiguous = 0, gaps = 0;
    for (std::time_t change : changes) {
        long before = OffsetAt(change - 1), after = OffsetAt(change);
        // Walk the wall clock from an hour before the change to an hour after it; this covers
        // the times that do not exist and the ones that occur twice.
        std::time_t from = change - 3600;
        std::tm wall{};
        localtime_r(&from, &wall);
        long steps = 7200 + std::labs(after - before);
        for (long i = 0; i < steps; ++i) {
            std::tm w = wall;
            w.tm_sec += static_cast<int>(i);
            // Normalise the wall clock without any zone: timegm works in UTC.
            std::time_t asUtc = timegm(&w);
            std::tm f{};
            gmtime_r(&asUtc, &f);
            int y = f.tm_year + 1900, mo = f.tm_mon + 1, d = f.tm_mday, h = f.tm_hour, mi = f.tm_min, s = f.tm_sec;

            std::int64_t fast = parser.Compose(y, mo, d, h, mi, s);
            std::int64_t slow = CTime::ComposeLocal(y, mo, d, h, mi, s);
            if (fast != slow) {
                if (++mismatches < 5)
                    ADD_FAILURE() << zone << " fast " << fast << " slow " << slow << " at " << y << '-' << mo << '-'
                                  << d << ' ' << h << ':' << mi << ':' << s;
                continue;
            }
            // How many instants show this wall-clock time: 0 in a gap, 2 in a repeated hour.
            std::vector<std::time_t> shows;
            for (long offset : {before, after}) {
                std::time_t candidate = asUtc - offset;
                std::tm back{};
                localtime_r(&candidate, &back);
                if (back.tm_gmtoff == offset && timegm(&back) == asUtc && (shows.empty() || shows[0] != candidate))
                    shows.push_back(candidate);
            }
            if (shows.size() == 1) {
                std::time_t raw = RawMktime(f);
                if (fast != raw || fast != shows[0]) {
                    if (++mismatches < 5)
                        ADD_FAILURE() << zone << " fast " << fast << " mktime " << raw << " wall " << y << '-' << mo
                                      << '-' << d << ' ' << h << ':' << mi << ':' << s;
                }
            } else if (shows.size() == 2) {
                ++ambiguous;
                std::time_t earlier = std::min(shows[0], shows[1]);
                std::time_t raw = RawMktime(f);
                EXPECT_TRUE(raw == shows[0] || raw == shows[1]);
                if (fast != earlier && ++mismatches < 5)
                    ADD_FAILURE() << zone << " repeated time not the earlier instant: " << fast;
            } else {
                ++gaps;
                // A time that does not exist moves forward as mktime moves it.
                if (fast != RawMktime(f) && ++mismatches < 5)
                    ADD_FAILURE() << zone << " gap time " << fast << " mktime " << RawMktime(f);
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << zone;
    EXPECT_GT(ambiguous, 0) << zone;
    EXPECT_GT(gaps, 0) << zone;
}

TEST(DaylightSaving, EuropeRome)
{
    CheckZone("Europe/Rome", 100);
}
TEST(DaylightSaving, AmericaNewYork)
{
    CheckZone("America/New_York", 100);
}
TEST(DaylightSaving, AustraliaLordHowe)
{
    CheckZone("Australia/Lord_Howe", 80);
}

// Day after day, as a log goes: the parser works each day out from the day before when
// neither has an offset change, so every day next to a change must still be found out.
// Sao Paulo and Havana moved their clocks at midnight, Asuncion repeated its midnight hour.
TEST(DaylightSaving, ConsecutiveDaysReadTheSameAsComposedTimes)
{
    static const int times[][3] = {{0, 0, 0},  {0, 30, 0}, {1, 30, 0},  {2, 30, 0},
                                   {3, 30, 0}, {12, 0, 0}, {23, 30, 0}, {23, 59, 59}};
    for (const char* zone :
         {"Europe/Rome", "America/Sao_Paulo", "America/Havana", "America/Asuncion", "Australia/Lord_Howe"}) {
        CScopedTimeZone pinned(zone);
        CLogLineParser parser;
        long mismatches = 0;
        for (std::time_t noon = 946728000; noon < 1577880000; noon += 86400) { // 2000-2019, UTC noons
            std::tm date{};
            gmtime_r(&noon, &date);
            for (const auto& t : times) {
                const int y = date.tm_year + 1900, mo = date.tm_mon + 1, d = date.tm_mday;
                const std::int64_t fast = parser.Compose(y, mo, d, t[0], t[1], t[2]);
                const std::int64_t slow = CTime::ComposeLocal(y, mo, d, t[0], t[1], t[2]);
                if (fast != slow && ++mismatches < 5)
                    ADD_FAILURE() << zone << ' ' << y << '-' << mo << '-' << d << ' ' << t[0] << ':' << t[1] << ':'
                                  << t[2] << " fast " << fast << " slow " << slow;
            }
        }
        EXPECT_EQ(mismatches, 0) << zone;
    }
}

TEST(DaylightSaving, WholeLinesReadTheSameAsComposedTimes)
{
    CScopedTimeZone pinned("Australia/Lord_Howe");
    CLogLineParser parser;
    SLogLine parsed;
    // Lord Howe moves half an hour: 02:00 becomes 02:30 on 6 October 2019, and 02:00 falls
    // back to 01:30 on 7 April 2019.
    ASSERT_TRUE(parser.Parse("06/10/2019 02:15:00  06/10/2019 02:45:00  x  a", parsed));
    EXPECT_EQ(parsed.start, CTime::ComposeLocal(2019, 10, 6, 2, 15, 0));
    // 02:15 does not exist: it moves forward by the half-hour shift, onto the end's 02:45.
    EXPECT_EQ(parsed.end - parsed.start, 0);
    ASSERT_TRUE(parser.Parse("07/04/2019 01:45:00  07/04/2019 02:10:00  x  a", parsed));
    EXPECT_EQ(parsed.start, CTime::ComposeLocal(2019, 4, 7, 1, 45, 0));
    EXPECT_EQ(parsed.startDay, 7);
}

// A connection that started in the repeated hour, logged just before a kill that kept its
// checkpoint: the line reads back as the first of the two instants, and must still be known.
TEST(DaylightSaving, AConnectionLoggedInTheRepeatedHourIsNotLoggedTwice)
{
    CScopedTimeZone zone("Europe/Rome");
    CTempDir dir;
    const CTime first(1999, 10, 31, 2, 30, 0);          // 02:30 CEST
    const CTime second = first + CTimeSpan(0, 1, 0, 0); // 02:30 CET, an hour later
    ASSERT_EQ(first.Format("%H:%M"), second.Format("%H:%M"));
    struct
    {
        CTime start;
        const char* name;
        bool appended;
    } cases[] = {
        {second, "Office", false}, // what the checkpoint holds: the line reads back as `first`
        {first, "Office", false},
        {second, "Home", true}, // another entry at that time is another connection
        {second + CTimeSpan(0, 0, 0, 1), "Office", true},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File("Zelmorin.Log");
        std::remove(path.c_str());
        CConnectionLog log(path);
        log.Append(second, second + CTimeSpan(0, 0, 20, 0), "Office");
        CConnectionLog restarted(path);
        ASSERT_EQ(restarted.GetConnectionCount(), 1);
        EXPECT_EQ(restarted.AppendUnlessLogged(c.start, c.start + CTimeSpan(0, 0, 20, 0), c.name), c.appended)
            << c.start.GetTime() << " " << c.name;
        EXPECT_EQ(restarted.GetConnectionCount(), c.appended ? 2 : 1);
    }
}

} // namespace
